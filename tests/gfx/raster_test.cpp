// The line, rectangle and polygon primitives on the raster and the screen, with clipping.
#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "gfx_session.hpp"

namespace tivor::test {
namespace {

struct Raster : GfxTest {
  int at(int x, int y) { return s.frame.at(x, y); }
};

TEST_F(Raster, LineTruncatesItsRealEnds) {
  line(s, 10.9f, 20.2f, 30.7f, 20.9f, 5);
  EXPECT_EQ((std::array{t.count(5, 10, 20, 30, 20), t.lit()}), (std::array{21, 21}));
}

TEST_F(Raster, LineReachesBothEndsAndRoundsToNearest) {
  // n = 20 steps of (0.5, 0.25); halves round away from zero.
  p_line(s, 100, 100, 110, 105, 2);
  // The ends, steps 1 (0.5, 0.25), 2 (1, 0.5), 9 (4.5, 2.25) and 10 (5, 2.5); and a miss.
  for (const auto [x, y, c] : {std::array{100, 100, 2},
                               {110, 105, 2},
                               {101, 100, 2},
                               {101, 101, 2},
                               {105, 102, 2},
                               {105, 103, 2},
                               {104, 103, 0}}) {
    EXPECT_EQ(at(x, y), c) << x << "," << y;
  }
  EXPECT_EQ(t.lit(), 16);
}

TEST_F(Raster, LinesLandOnTheirStepsRoundedHalfAwayFromZeroInAnyDirectionAndClip) {
  // Step i of n = max(|dx|, |dy|) + 10 lands on the ends' offset i (dx, dy) / n, rounded half
  // away from zero, and is kept inside the clip rectangle.
  const auto rounded = [](int64_t a, int64_t n) {
    return a >= 0 ? (2 * a + n) / (2 * n) : -((2 * -a + n) / (2 * n));
  };
  std::mt19937 random(7);
  std::uniform_int_distribution<int> x_at(-60, 700), y_at(-60, 410), short_step(-3, 3);
  set_clip(s, 90, 40, 520, 310);
  std::vector<uint8_t> expected(s.frame.raster.size(), 0);
  for (int k = 0; k < 400; ++k) {
    const int x1 = x_at(random), y1 = y_at(random);
    // Long lines, and the short ones of a fine mesh (of no length too).
    const bool fine = k % 2 == 0;
    const int x2 = fine ? x1 + short_step(random) : x_at(random);
    const int y2 = fine ? y1 + short_step(random) : y_at(random);
    const int colour = 1 + k % 15;
    p_line(s, x1, y1, x2, y2, colour);
    const int64_t dx = x2 - x1, dy = y2 - y1;
    const int64_t n = std::max(std::abs(dx), std::abs(dy)) + 10;
    for (int64_t i = 0; i <= n; ++i) {
      const int64_t x = x1 + rounded(i * dx, n), y = y1 + rounded(i * dy, n);
      if (x >= 90 && x <= 520 && y >= 40 && y <= 310)
        expected[(x - 1) + (y - 1) * kCanvasW] = colour;
    }
  }
  EXPECT_TRUE(s.frame.raster == expected);
  EXPECT_GT(t.lit(), 1000);
}

TEST_F(Raster, NegativeColourMeansTheDrawingColour) {
  color(s, 11);
  p_line(s, 5, 5, 5, 15, -1);
  EXPECT_EQ(t.count(11), 11);
  p_rect(s, 20, 20, 30, 30, 1, -1);
  EXPECT_EQ(t.count(11, 20, 20, 30, 30), 121);
}

TEST_F(Raster, PointsOutsideTheClipRectangleAreDropped) {
  set_clip(s, 100, 100, 200, 200);
  p_line(s, 50, 150, 250, 150, 3);
  EXPECT_EQ((std::array{t.count(3), at(99, 150), at(201, 150)}), (std::array{101, 0, 0}));
  p_line(s, 150, 1, 150, 350, 4);
  EXPECT_EQ(t.count(4), 101);
  // A rectangle's corners are clamped into the clip: its far edges move onto the border.
  p_rect(s, 150, 150, 300, 300, 0, 5);
  EXPECT_EQ(
      (std::array{t.count(5, 150, 200, 200, 200), t.count(5, 200, 150, 200, 200), t.count(5)}),
      (std::array{51, 51, 4 * 50}));
}

TEST_F(Raster, LinesFarOffTheCanvasCostNothingAndDrawTheirVisiblePart) {
  p_line(s, -100000000, 175, 100000000, 175, 6);
  EXPECT_EQ((std::array{t.count(6, 1, 175, 640, 175), t.lit()}), (std::array{640, 640}));
  line(s, 1.0e30f, -1.0e30f, -1.0e30f, 1.0e30f, 7);
  p_line(s, -100000000, -100000000, -100000000, 100000000, 7);
  EXPECT_EQ(t.count(7), 0);
}

TEST_F(Raster, ClipRectangleBeyondTheCanvasStillStaysOnTheCanvas) {
  set_clip(s, -50, -50, 1000, 1000);
  p_rect(s, -100, -100, 2000, 2000, 1, 8);
  EXPECT_EQ(t.count(8), 640 * 350);
  p_flood(s, std::vector<int>{-500, 1500, 500}.data(), std::vector<int>{-500, -500, 900}.data(), 3,
          9);
  EXPECT_GT(t.count(9), 0);
  p_text(s, "WWW", 636, 340, 14, 0, 10);
  EXPECT_GT(t.count(10), 0);
}

TEST_F(Raster, FullCanvasRectangleInColourZeroClearsRasterAndWhitensTheScreen) {
  GfxSession u;
  dinit(*u.s, "tivor", 0.6f, 0.6f);
  p_rect(*u.s, 1, 1, 640, 350, 1, 3);
  std::fill(u.host.surface().pixels.begin(), u.host.surface().pixels.end(), uint8_t{3});
  color(*u.s, 0);
  rect(*u.s, 1.0f, 1.0f, 640.0f, 350.0f, 1);
  EXPECT_TRUE(u.count(0) == 640 * 350 &&
              u.screen_count(15) == static_cast<long>(u.host.surface().pixels.size()));
}

TEST_F(Raster, TriangleIsFilledRowByRow) {
  const int xs[] = {10, 30, 10}, ys[] = {10, 10, 30};
  p_flood(s, xs, ys, 3, 12);
  // Row 10 + k runs from x 10 to 30 - k.
  EXPECT_EQ(t.count(12), 21 * 22 / 2);
  for (const auto [x, y, c] :
       {std::array{30, 10, 12}, {10, 30, 12}, {19, 21, 12}, {20, 21, 0}, {9, 20, 0}}) {
    EXPECT_EQ(at(x, y), c) << x << "," << y;
  }
}

TEST_F(Raster, OneRowPolygonIsASpanAndTooFewVerticesDrawNothing) {
  const int xs[] = {25, 5, 15}, ys[] = {40, 40, 40};
  p_flood(s, xs, ys, 3, 13);
  EXPECT_EQ((std::array{t.count(13, 5, 40, 25, 40), t.lit()}), (std::array{21, 21}));
  p_flood(s, xs, ys, 2, 14);
  EXPECT_EQ(t.count(14), 0);
}

TEST_F(Raster, PolygonIsClippedRowAndSpan) {
  set_clip(s, 1, 1, 20, 20);
  const int xs[] = {11, 30, 30, 11}, ys[] = {15, 15, 40, 40};
  p_flood(s, xs, ys, 4, 2);
  EXPECT_EQ(t.count(2), 10 * 6);
}

TEST_F(Raster, FloodGoesToTheScreenWhenStartedByDinitEvenWithTheScreenOff) {
  const float xs[] = {100.0f, 200.0f, 150.0f}, ys[] = {100.0f, 100.0f, 200.0f};
  flood(s, xs, ys, 3, 4);
  EXPECT_TRUE(t.count(4) > 0 && t.screen_count(4) == 0);

  GfxSession u;
  dinit(*u.s, "tivor", 0.6f, 0.6f);
  gout(*u.s, 0, 0, 0);
  flood(*u.s, xs, ys, 3, 4);
  EXPECT_TRUE(u.count(4) == 0 && u.screen_count(4) > 0);
}

TEST_F(Raster, ScreenOutputGetsZeroBasedPoints) {
  gout(s, 0, 0, 1);
  // A line on canvas row 2 lands on the window row of 0-based row 1.
  line(s, 1.0f, 2.0f, 640.0f, 2.0f, 2);
  EXPECT_TRUE(t.host.surface().at(0, 1 * s.cres.h / 350) == 2 && t.lit() == 0);
}

}  // namespace
}  // namespace tivor::test
