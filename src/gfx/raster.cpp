// The raster renderers for lines, rectangles and filled polygons: integer canvas points written
// into the raster copy, clipped to the clip rectangle and never outside the canvas.
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "gfx/flood_spans.hpp"
#include "gfx/gfx.hpp"
#include "gfx/points.hpp"

namespace tivor {
namespace {

// The writable box: the clip rectangle cut to the canvas. Empty when x1 > x2 or y1 > y2.
struct Box {
  int x1, y1, x2, y2;
  bool empty() const { return x1 > x2 || y1 > y2; }
  bool holds(int64_t x, int64_t y) const { return x >= x1 && x <= x2 && y >= y1 && y <= y2; }
};

Box writable_box(const Session& s) {
  const int32_t* c = s.grf.clip;  // x min, y min, x max, y max
  return {std::max(c[0], 1), std::max(c[1], 1), std::min(c[2], kCanvasW), std::min(c[3], kCanvasH)};
}

// Narrows the step range lo..hi of a line to the steps whose coordinate p0 + i * d / n can round
// into a..b; the margin of one point keeps every step that could land inside.
void narrow_steps(int64_t& lo, int64_t& hi, int64_t p0, int64_t d, int64_t n, int a, int b) {
  if (d == 0) {
    if (p0 < a || p0 > b) hi = lo - 1;
    return;
  }
  double t1 = static_cast<double>(a - 1 - p0) * static_cast<double>(n) / static_cast<double>(d);
  double t2 = static_cast<double>(b + 1 - p0) * static_cast<double>(n) / static_cast<double>(d);
  if (t1 > t2) std::swap(t1, t2);
  lo = std::max(lo, static_cast<int64_t>(std::floor(t1)) - 1);
  hi = std::min(hi, static_cast<int64_t>(std::ceil(t2)) + 1);
}

// One coordinate of a line's steps i = from, from + 1, ...: p0 + i d / n rounded half away from
// zero, found one after another without a division. That is p0 + sign(d) q, q the quotient of
// 2 i |d| + n by 2 n, whose numerator grows by 2 |d| < 2 n a step: q grows by at most one.
struct RoundedSteps {
  RoundedSteps(int64_t p0, int64_t from, int64_t d, int64_t n)
      : step(d < 0 ? -1 : 1), inc(2 * (d < 0 ? -d : d)), den(2 * n) {
    const int64_t num = from * inc + n;
    at = p0 + step * (num / den);
    rest = num % den;
  }
  void next() {
    rest += inc;
    if (rest >= den) rest -= den, at += step;
  }
  int64_t step, inc, den, at = 0, rest = 0;
};

void fill_span(Session& s, const Box& box, int y, int xl, int xr, uint8_t colour) {
  if (y < box.y1 || y > box.y2) return;
  xl = std::max(xl, box.x1);
  xr = std::min(xr, box.x2);
  for (int x = xl; x <= xr; ++x) s.frame.at(x, y) = colour;
}

}  // namespace

void p_line(Session& s, int ix1, int iy1, int ix2, int iy2, int ic) {
  const Box box = writable_box(s);
  if (box.empty()) return;
  const auto colour = static_cast<uint8_t>(resolve_colour(s, ic));
  const int64_t dx = static_cast<int64_t>(ix2) - ix1;
  const int64_t dy = static_cast<int64_t>(iy2) - iy1;
  const int64_t n = std::max(std::abs(dx), std::abs(dy)) + 10;
  // Every step lands between the ends, so a line with both ends in the box (most lines of a
  // mesh) stays in it. Of others, steps whose point falls outside the box would be dropped; only
  // the others are visited, so a line reaching far off the canvas costs no more than one crossing
  // it.
  const bool inside = box.holds(ix1, iy1) && box.holds(ix2, iy2);
  uint8_t* const raster = s.frame.raster.data();
  const auto plot = [&](int64_t x, int64_t y) {
    if (inside || box.holds(x, y)) raster[(x - 1) + (y - 1) * kCanvasW] = colour;
  };
  // A line at most one point long along each axis lands on its two ends alone: with 10 steps
  // more than its length, steps up to the middle round to its start and the others to its end.
  // Such are most lines of a fine mesh.
  if (std::abs(dx) <= 1 && std::abs(dy) <= 1) {
    plot(ix1, iy1);
    plot(ix2, iy2);
    return;
  }
  int64_t lo = 0, hi = n;
  if (!inside) {
    narrow_steps(lo, hi, ix1, dx, n, box.x1, box.x2);
    narrow_steps(lo, hi, iy1, dy, n, box.y1, box.y2);
    if (lo > hi) return;
  }
  // Step i lands on (ix1, iy1) + (i dx, i dy) / n rounded half away from zero. Below 2^21 steps
  // the quotient in doubles never rounds onto a half, so exact integer rounding lands on the
  // same points; this is most of the cost of short lines. The raster's pointer is held in a
  // local: a byte written through it could be any word to the compiler, which would otherwise
  // fetch the pointer again at every step.
  constexpr int64_t kExactSteps = int64_t{1} << 21;
  if (n >= kExactSteps) {
    const auto offset = [n](int64_t a) {
      return std::llround(static_cast<double>(a) / static_cast<double>(n));
    };
    for (int64_t i = lo; i <= hi; ++i) plot(ix1 + offset(i * dx), iy1 + offset(i * dy));
    return;
  }
  RoundedSteps x(ix1, lo, dx, n), y(iy1, lo, dy, n);
  for (int64_t i = lo; i <= hi; ++i, x.next(), y.next()) plot(x.at, y.at);
}

void p_rect(Session& s, int ix1, int iy1, int ix2, int iy2, int ifill, int ic) {
  const int32_t* c = s.grf.clip;
  if (c[0] > c[2] || c[1] > c[3]) return;
  const int x1 = std::clamp(ix1, c[0], c[2]), x2 = std::clamp(ix2, c[0], c[2]);
  const int y1 = std::clamp(iy1, c[1], c[3]), y2 = std::clamp(iy2, c[1], c[3]);
  if (ifill != 1) {
    p_line(s, x1, y1, x1, y2, ic);
    p_line(s, x1, y2, x2, y2, ic);
    p_line(s, x2, y2, x2, y1, ic);
    p_line(s, x2, y1, x1, y1, ic);
    return;
  }
  const Box box = writable_box(s);
  const auto colour = static_cast<uint8_t>(resolve_colour(s, ic));
  for (int y = std::min(y1, y2); y <= std::max(y1, y2); ++y) {
    fill_span(s, box, y, std::min(x1, x2), std::max(x1, x2), colour);
  }
}

void p_flood(Session& s, const int* ixs, const int* iys, int n, int ic) {
  const Box box = writable_box(s);
  if (box.empty()) return;
  const auto colour = static_cast<uint8_t>(resolve_colour(s, ic));
  flood_spans(ixs, iys, n, box.y1, box.y2,
              [&](int y, int xl, int xr) { fill_span(s, box, y, xl, xr, colour); });
}

}  // namespace tivor
