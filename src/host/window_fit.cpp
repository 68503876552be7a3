#include "host/window_fit.hpp"

#include <algorithm>
#include <cstdint>

namespace tivor {
namespace {

constexpr int kCanvasW = 640;
constexpr int kCanvasH = 350;

// One coordinate: the point whose span of view pixels holds p, within 1..n.
int canvas_coord(int p, int start, int length, int n) {
  if (length <= 0) return 1;
  const int64_t offset = static_cast<int64_t>(p) - start;
  if (offset < 0) return 1;
  return static_cast<int>(std::min<int64_t>(offset * n / length + 1, n));
}

}  // namespace

ViewRect canvas_view(int win_w, int win_h) {
  if (win_w <= 0 || win_h <= 0) return {};
  ViewRect v;
  // Compared in 64 bits: 4 * h against 3 * w decides which side gets the bars. A window that is
  // 4:3 but for the rounding of its size is used whole (a one-pixel bar helps no one, and the
  // picture is then copied without scaling).
  const int64_t wide = int64_t{win_w} * 3 - int64_t{win_h} * 4;
  if (wide >= -3 && wide <= 3) return {0, 0, win_w, win_h};
  if (wide > 0) {
    v.h = win_h;
    v.w = std::max(1, static_cast<int>((int64_t{win_h} * 4 + 1) / 3));
  } else {
    v.w = win_w;
    v.h = std::max(1, static_cast<int>((int64_t{win_w} * 3 + 2) / 4));
  }
  v.w = std::min(v.w, win_w);
  v.h = std::min(v.h, win_h);
  v.x = (win_w - v.w) / 2;
  v.y = (win_h - v.h) / 2;
  return v;
}

void view_to_canvas(const ViewRect& view, int wx, int wy, int& x, int& y) {
  x = canvas_coord(wx, view.x, view.w, kCanvasW);
  y = canvas_coord(wy, view.y, view.h, kCanvasH);
}

std::vector<uint8_t> resampled(std::span<const uint8_t> pixels, int w, int h, int out_w,
                               int out_h) {
  if (w <= 0 || h <= 0 || out_w <= 0 || out_h <= 0 ||
      pixels.size() != static_cast<size_t>(w) * static_cast<size_t>(h)) {
    return {};
  }
  std::vector<uint8_t> out(static_cast<size_t>(out_w) * static_cast<size_t>(out_h));
  for (int y = 0; y < out_h; ++y) {
    const int64_t sy = (2 * int64_t{y} + 1) * h / (2 * int64_t{out_h});
    for (int x = 0; x < out_w; ++x) {
      const int64_t sx = (2 * int64_t{x} + 1) * w / (2 * int64_t{out_w});
      out[static_cast<size_t>(y) * out_w + x] = pixels[static_cast<size_t>(sy * w + sx)];
    }
  }
  return out;
}

}  // namespace tivor
