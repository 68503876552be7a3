// The canvas's place in windows of any shape, and window points mapped back to canvas points.
#include "host/window_fit.hpp"

#include <gtest/gtest.h>

namespace tivor {
namespace {

TEST(WindowFit, CanvasStandsCentredAt4To3AndBarsClampToItsEdges) {
  // Window size -> view: exactly or nearly 4:3, wide, tall, empty.
  const int views[][6] = {{800, 600, 0, 0, 800, 600},
                          {870, 652, 0, 0, 870, 652},
                          {1280, 700, 173, 0, 933, 700},
                          {640, 700, 0, 110, 640, 480},
                          {0, 500, 0, 0, 0, 0}};
  for (const auto& c : views) {
    const ViewRect v = canvas_view(c[0], c[1]);
    EXPECT_TRUE(v.x == c[2] && v.y == c[3] && v.w == c[4] && v.h == c[5]) << c[0] << "x" << c[1];
  }
  // Window point -> canvas point in the wide window: the view's corner and centre, and a point
  // in the right bar below the window.
  const int points[][4] = {{173, 0, 1, 1}, {640, 350, 321, 176}, {1279, 5000, 640, 350}};
  for (const auto& c : points) {
    int x = 0, y = 0;
    view_to_canvas(canvas_view(1280, 700), c[0], c[1], x, y);
    EXPECT_TRUE(x == c[2] && y == c[3]) << c[0] << "," << c[1] << " -> " << x << "," << y;
  }
}

}  // namespace
}  // namespace tivor
