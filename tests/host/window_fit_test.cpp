// The canvas's place in windows of any shape, and window points mapped back to canvas points.
#include "host/window_fit.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tivor {
namespace {

TEST(WindowFit, ViewIsTheLargestCentred4To3Rectangle) {
  struct Case {
    int w, h;
    ViewRect want;
  };
  const Case cases[] = {
      {800, 600, {0, 0, 800, 600}},     // exactly 4:3: no bars
      {870, 652, {0, 0, 870, 652}},     // 4:3 but for rounding: no bars either
      {1280, 700, {173, 0, 933, 700}},  // wide: bars at the sides
      {640, 700, {0, 110, 640, 480}},   // tall: bars above and below
      {1, 1000, {0, 499, 1, 1}},        // never empty while the window is not
  };
  for (const Case& c : cases) {
    const ViewRect v = canvas_view(c.w, c.h);
    EXPECT_EQ(v.x, c.want.x) << c.w << "x" << c.h;
    EXPECT_EQ(v.y, c.want.y) << c.w << "x" << c.h;
    EXPECT_EQ(v.w, c.want.w) << c.w << "x" << c.h;
    EXPECT_EQ(v.h, c.want.h) << c.w << "x" << c.h;
  }
  // Any window: the view fits, is centred and is 4:3 to within a pixel.
  for (int w = 1; w < 2000; w += 37) {
    for (int h = 1; h < 1500; h += 41) {
      const ViewRect v = canvas_view(w, h);
      ASSERT_TRUE(v.x >= 0 && v.y >= 0 && v.x + v.w <= w && v.y + v.h <= h) << w << "x" << h;
      ASSERT_LE(std::abs(w - v.w - 2 * v.x), 1);
      ASSERT_LE(std::abs(h - v.h - 2 * v.y), 1);
      ASSERT_TRUE(v.w == w || v.h == h);
      ASSERT_LE(std::abs(3 * v.w - 4 * v.h), 4) << w << "x" << h;
    }
  }
  EXPECT_EQ(canvas_view(0, 500).w, 0);
}

TEST(WindowFit, WindowPointsMapToCanvasPointsAndBarsClamp) {
  const ViewRect v = canvas_view(1280, 700);  // {173, 0, 933, 700}
  int x = 0, y = 0;
  view_to_canvas(v, 173, 0, x, y);
  EXPECT_EQ(x, 1);
  EXPECT_EQ(y, 1);
  view_to_canvas(v, 173 + 932, 699, x, y);
  EXPECT_EQ(x, 640);
  EXPECT_EQ(y, 350);
  view_to_canvas(v, 640, 350, x, y);  // the window's centre is the canvas's centre
  EXPECT_EQ(x, 321);
  EXPECT_EQ(y, 176);
  view_to_canvas(v, 10, -5, x, y);  // left bar, above the window
  EXPECT_EQ(x, 1);
  EXPECT_EQ(y, 1);
  view_to_canvas(v, 1279, 5000, x, y);  // right bar, below the window
  EXPECT_EQ(x, 640);
  EXPECT_EQ(y, 350);
  // Every canvas point is reached from its own pixels of a large view, in order.
  const ViewRect big = canvas_view(1920, 1050);
  int last = 0;
  for (int px = big.x; px < big.x + big.w; ++px) {
    view_to_canvas(big, px, big.y, x, y);
    ASSERT_TRUE(x == last || x == last + 1) << px;
    last = x;
  }
  EXPECT_EQ(last, 640);
}

}  // namespace
}  // namespace tivor
