// The row spans of a filled polygon, shared by the raster and the screen fills: each edge is
// walked row by row (x by integer division) and each row keeps its leftmost and rightmost x.
// Exact for convex polygons. Only rows inside a window of at most 350 rows are visited, so far
// off vertices of a zoomed picture cost nothing and need no memory.
#pragma once

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>

#include "core/session.hpp"

namespace tivor {

// Calls span(y, xleft, xright) for the rows of the polygon of n vertices (3 <= n; at most 500
// are used) that lie within rows wy1..wy2 (wy2 - wy1 < 350). A polygon of one row is drawn from
// its smallest to its largest x.
template <typename Span>
void flood_spans(const int* xs, const int* ys, int n, int wy1, int wy2, Span&& span) {
  if (n < 3) return;
  n = std::min(n, 500);
  const auto [ylo, yhi] = std::minmax_element(ys, ys + n);
  if (*ylo == *yhi) {
    if (*ylo < wy1 || *ylo > wy2) return;
    const auto [xlo, xhi] = std::minmax_element(xs, xs + n);
    span(*ylo, *xlo, *xhi);
    return;
  }
  const int r0 = std::max(*ylo, wy1), r1 = std::min({*yhi, wy2, wy1 + kCanvasH - 1});
  if (r0 > r1) return;
  std::array<int, kCanvasH> left, right;
  std::fill_n(left.begin(), r1 - r0 + 1, INT_MAX);
  std::fill_n(right.begin(), r1 - r0 + 1, INT_MIN);
  for (int i = 0; i < n; ++i) {
    const int j = (i + 1) % n;
    const int64_t x1 = xs[i], y1 = ys[i], x2 = xs[j], y2 = ys[j];
    const int from = static_cast<int>(std::max(std::min(y1, y2), static_cast<int64_t>(r0)));
    const int to = static_cast<int>(std::min(std::max(y1, y2), static_cast<int64_t>(r1)));
    for (int y = from; y <= to; ++y) {
      int xl, xr;
      if (y1 == y2) {
        xl = static_cast<int>(std::min(x1, x2));
        xr = static_cast<int>(std::max(x1, x2));
      } else {
        xl = xr = static_cast<int>(x1 + (x2 - x1) * (y - y1) / (y2 - y1));
      }
      left[y - r0] = std::min(left[y - r0], xl);
      right[y - r0] = std::max(right[y - r0], xr);
    }
  }
  for (int y = r0; y <= r1; ++y) {
    if (left[y - r0] <= right[y - r0]) span(y, left[y - r0], right[y - r0]);
  }
}

}  // namespace tivor
