// Starting the graphics library, and the text attribute of the colour state.
#include <cstring>

#include "gfx_session.hpp"

namespace tivor::test {
namespace {

TEST(GraphicsStart, FirstStartClearsTheCanvasAndASecondKeepsThePictureState) {
  GfxSession t;
  Session& s = *t.s;
  s.frame.raster[1234] = 9;
  dinit1(s, "tivor", 0.6f, 0.6f);
  EXPECT_TRUE(t.lit() == 0 && t.host.caption == "tivor" &&
              four(s.grf.page_pix) == (Four{1, 640, 1, 350}) && t.messages.empty());

  page(s, 1, 1, 40, 20, 1);
  region(s, 3, 3, 30, 15, 1);
  limits(s, -2.0f, 3.0f, 0.0f, 7.0f);
  clip(s, 3);
  color(s, 12);
  line(s, 30.0f, 40.0f, 200.0f, 180.0f, -1);
  Grf want = s.grf;
  const std::vector<uint8_t> raster = s.frame.raster;
  s.grf.gswitch = 0;
  gout(s, 1, 1, 1);
  dinit1(s, "again", 0.8f, 0.8f);
  // Only the screen copy and the output switches are set again; the window is not reopened.
  want.gswitch = 1;
  EXPECT_TRUE(std::memcmp(&s.grf, &want, sizeof want) == 0 && s.frame.raster == raster &&
              t.host.caption == "tivor");
  EXPECT_EQ(s.cgout.igout[0] * 100 + s.cgout.igout[1] * 10 + s.cgout.igout[2], 10);
}

TEST(ColourState, TextAttributeFollowsForegroundAndBackground) {
  GfxSession t;
  fcolor(*t.s, 14);
  bkcolor(*t.s, 1);
  EXPECT_EQ(t.s->colors.attr, 1 * 16 + 14);
  fcolor(*t.s, 15);
  EXPECT_EQ(t.s->colors.attr, 1 * 16 + 15);
}

}  // namespace
}  // namespace tivor::test
