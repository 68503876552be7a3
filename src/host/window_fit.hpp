// Where the canvas stands in a window of any size: at the 4:3 shape of the screens it was made
// for, as large as the window allows, centred, with bars filling the rest; and window points
// mapped back to canvas points.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tivor {

// A rectangle of window pixels: left, top, width, height.
struct ViewRect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
};

// The largest 4:3 rectangle centred in a window of win_w by win_h pixels: a window wider than
// 4:3 gets bars at the sides, a taller one above and below; one that is 4:3 to within a pixel
// is used whole. An empty window gives an empty rectangle.
ViewRect canvas_view(int win_w, int win_h);

// The canvas point (1..640, 1..350) shown at window point (wx, wy) of the view; points in the
// bars or outside the window clamp to the nearest canvas edge.
void view_to_canvas(const ViewRect& view, int wx, int wy, int& x, int& y);

// The w by h image of colour indices shown at out_w by out_h pixels: each pixel takes the point
// under its centre. Empty when a size is not positive or the image is not w by h.
std::vector<uint8_t> resampled(std::span<const uint8_t> pixels, int w, int h, int out_w,
                               int out_h);

}  // namespace tivor
