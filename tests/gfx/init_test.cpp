// Starting the graphics library, and the text attribute of the colour state.
#include <gtest/gtest.h>

#include "gfx/gfx.hpp"
#include "gfx_session.hpp"

namespace tivor::test {
namespace {

TEST(GraphicsStart, FirstStartClearsTheCanvasAndSetsTheDefaults) {
  GfxSession t;
  Session& s = *t.s;
  s.frame.raster[1234] = 9;
  dinit1(s, "tivor", 0.6f, 0.6f);
  const Grf& g = s.grf;
  EXPECT_EQ(g.igrdin, kMark);
  EXPECT_EQ(g.initgr, 3);
  EXPECT_EQ(g.initpg + g.initreg + g.initlim, 0);
  EXPECT_EQ(s.cgout.igout[0] * 100 + s.cgout.igout[1] * 10 + s.cgout.igout[2], 10);
  EXPECT_EQ(g.gswitch, 1);
  EXPECT_EQ(g.igcolor, 7);
  EXPECT_EQ(s.colors.attr, 7);  // foreground 7 on background 0
  EXPECT_EQ(g.cell_w * 100 + g.cell_h, 814);
  EXPECT_EQ(g.clip_mode, 1);
  EXPECT_EQ(g.clip[2] * 1000 + g.clip[3], 640350);
  EXPECT_EQ(g.page_pix[1] * 1000 + g.page_pix[3], 640350);
  EXPECT_EQ(t.lit(), 0);
  EXPECT_EQ(t.host.caption, "tivor");
  EXPECT_TRUE(t.messages.empty());

  GfxSession u;
  dinit(*u.s, " ", 1.0f, 1.0f);
  EXPECT_EQ(u.s->grf.initgr, 2);
  EXPECT_EQ(u.s->cgout.igout[2], 1);
}

TEST(GraphicsStart, SecondStartKeepsPageRegionLimitsAndRaster) {
  GfxSession t;
  Session& s = *t.s;
  dinit1(s, "tivor", 0.6f, 0.6f);
  page(s, 1, 1, 40, 20, 1);
  region(s, 3, 3, 30, 15, 1);
  limits(s, -2.0f, 3.0f, 0.0f, 7.0f);
  clip(s, 3);
  color(s, 12);
  line(s, 30.0f, 40.0f, 200.0f, 180.0f, -1);
  const Grf before = s.grf;
  const std::vector<uint8_t> raster = s.frame.raster;
  s.grf.gswitch = 0;
  gout(s, 1, 1, 1);

  dinit1(s, "again", 0.8f, 0.8f);
  EXPECT_EQ(s.frame.raster, raster);
  EXPECT_EQ(s.grf.gswitch, 1);
  EXPECT_EQ(s.grf.initlim, kMark);
  EXPECT_EQ(s.grf.xmnlim, before.xmnlim);
  EXPECT_EQ(s.grf.ymxlim, before.ymxlim);
  EXPECT_EQ(s.grf.igcolor, 12);
  EXPECT_EQ(s.grf.clip_mode, 3);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(s.grf.page_pix[k], before.page_pix[k]);
    EXPECT_EQ(s.grf.reg_pix[k], before.reg_pix[k]);
  }
  // The output switches are set again; the window is not reopened.
  EXPECT_EQ(s.cgout.igout[0] + s.cgout.igout[2], 0);
  EXPECT_EQ(t.host.caption, "tivor");
}

TEST(ColourState, TextAttributeFollowsForegroundAndBackground) {
  GfxSession t;
  Session& s = *t.s;
  fcolor(s, 14);
  bkcolor(s, 1);
  EXPECT_EQ(s.colors.attr, 1 * 16 + 14);
  fcolor(s, 15);
  EXPECT_EQ(s.colors.attr, 1 * 16 + 15);
}

}  // namespace
}  // namespace tivor::test
