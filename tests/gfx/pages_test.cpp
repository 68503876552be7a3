// Pages, regions, limits, world mapping, closing a page and the standard picture.
#include "gfx_session.hpp"

namespace tivor::test {
namespace {

using Pages = GfxTest;

TEST_F(Pages, PageIsClampedToTheCanvasAndBadRectanglesAreReportedButStored) {
  pagepar(s, 0, 0, 800, 400);
  EXPECT_EQ(four(s.grf.page_pix), (Four{1, 640, 1, 350}));
  EXPECT_TRUE(s.grf.page_real[1] == 640.0f && t.messages.empty());

  pagepar(s, 100, 50, 100, 200);
  regionpar(s, 10, 300, 900, 20);  // a region is not clamped
  EXPECT_EQ(four(s.grf.page_pix), (Four{100, 100, 50, 200}));
  EXPECT_EQ(four(s.grf.reg_pix), (Four{10, 900, 300, 20}));
  EXPECT_EQ(t.messages, (std::vector<std::string>{"page has invalid parameters",
                                                  "region has invalid parameters"}));
}

TEST_F(Pages, PageIsClearedAndFramedInWhite) {
  p_rect(s, 1, 1, 640, 350, 1, 9);
  page(s, 1, 1, 80, 25, 1);
  EXPECT_EQ(four(s.grf.page_pix), (Four{1, 640, 1, 350}));
  EXPECT_EQ(four(s.grf.page_text), (Four{1, 1, 25, 80}));
  EXPECT_EQ((std::array{t.count(15, 1, 1, 640, 1), t.count(15, 640, 1, 640, 350), t.count(15),
                        t.count(0), s.grf.clip_mode}),
            (std::array{640, 350, 2 * 640 + 2 * 348, 638 * 348, 2}));

  // A smaller page clears only its rectangle; its frame survives CLSPAGE.
  region(s, 2, 2, 9, 4, 0);
  limits(s, 0.0f, 1.0f, 0.0f, 1.0f);
  p_rect(s, 1, 1, 640, 350, 1, 9);
  // The clearing rectangle is clipped like any other, so callers go back to the full canvas
  // before the next page (as the standard picture does when it closes).
  clip(s, 1);
  page(s, 11, 1, 20, 5, 1);
  EXPECT_EQ(s.grf.initreg + s.grf.initlim, 0);
  clspage(s);
  EXPECT_EQ((std::array{t.count(15, 81, 1, 160, 70), t.count(0, 82, 2, 159, 69), t.count(9)}),
            (std::array{2 * 80 + 2 * 68, 78 * 68, 640 * 350 - 80 * 70}));
}

TEST_F(Pages, CallsOutOfOrderAreIgnored) {
  GfxSession fresh;
  page(*fresh.s, 1, 1, 10, 10, 1);
  EXPECT_EQ((std::array{fresh.s->grf.initpg, fresh.lit()}), (std::array{0, 0}));

  const Four reg = four(s.grf.reg_pix);
  region(s, 2, 2, 30, 20, 1);
  limits(s, 0.0f, 1.0f, 0.0f, 1.0f);
  EXPECT_TRUE(s.grf.initreg + s.grf.initlim == 0 && four(s.grf.reg_pix) == reg && t.lit() == 0);
}

TEST_F(Pages, WorldPointsMapOntoTheRegionWithYUpFromLimitsInOrder) {
  page(s, 1, 1, 80, 25, 0);
  region1(s, 101, 50, 201, 300, 1);
  EXPECT_TRUE(four(s.grf.reg_pix) == (Four{101, 201, 50, 300}) && t.count(15) == 2 * 101 + 2 * 249);
  limits(s, 0.0f, 1.0f, 0.0f, 1.0f);
  float px, py;
  tmp(s, 0.0f, 0.0f, px, py);
  EXPECT_EQ((std::array{px, py}), (std::array{101.0f, 300.0f}));
  tmp(s, 1.0f, 1.0f, px, py);
  EXPECT_EQ((std::array{px, py}), (std::array{201.0f, 50.0f}));
  // Integers truncate towards zero; points outside the limits map outside the region.
  int ix, iy;
  tmp1(s, 0.999f, 0.5f, ix, iy);
  EXPECT_EQ((std::array{ix, iy}), (std::array{200, 175}));
  tmp1(s, -2.0f, 3.0f, ix, iy);
  EXPECT_EQ((std::array{ix, iy}), (std::array{-99, -450}));
  // Limits are put in order and a degenerate range is widened by one each way.
  limits(s, 5.0f, 1.0f, 2.0f, 2.0f);
  float x1, x2, y1, y2;
  int iset = 0;
  getlimits(s, x1, x2, y1, y2, iset);
  EXPECT_EQ((std::array{x1, x2, y1, y2}), (std::array{1.0f, 5.0f, 1.0f, 3.0f}));
  EXPECT_EQ(iset, kMark);
}

TEST_F(Pages, EndOfPageCopiesToTheScreenMarksCellsAndPauses) {
  page(s, 1, 1, 10, 5, 1);
  endpg(s, 0);
  EXPECT_TRUE(t.messages.empty() && s.text.attr_at(10, 5) == 17 && s.text.attr_at(11, 5) != 17);
  // The cleared inside (colour 0) shows as 15 on the screen.
  const int x = 40 * s.cres.w / 640, y = 30 * s.cres.h / 350;
  EXPECT_TRUE(t.host.surface().at(x, y) == 15 && s.grf.initpg == kMark);
  endpg(s, 1);
  EXPECT_EQ(t.messages, std::vector<std::string>{" "});
}

TEST_F(Pages, StandardPictureOpensClearsReopensAndCloses) {
  p_rect(s, 1, 1, 640, 350, 1, 6);
  lpg(s, 1);
  EXPECT_EQ(four(s.grf.page_pix), (Four{1, 488, 1, 238}));
  EXPECT_EQ(four(s.grf.reg_pix), (Four{25, 464, 15, 224}));
  EXPECT_EQ((std::array{s.grf.igcolor, t.count(15)}), (std::array{15, 2 * 488 + 2 * 236}));
  EXPECT_EQ(t.count(6, 1, 1, 488, 238), 0);

  line(s, 30.0f, 20.0f, 400.0f, 200.0f, 3);
  lpg(s, 2);
  EXPECT_EQ((std::array{s.grf.clip_mode, int{s.text.attr_at(61, 17)}}), (std::array{1, 17}));

  const std::vector<uint8_t> raster = s.frame.raster;
  s.grf.initpg = 0;
  lpg(s, 3);
  EXPECT_EQ(s.frame.raster, raster);
  EXPECT_EQ((std::array{s.grf.initreg, s.grf.clip_mode}), (std::array{kMark, 2}));
  EXPECT_EQ(four(s.grf.reg_pix), (Four{25, 464, 15, 224}));
}

}  // namespace
}  // namespace tivor::test
