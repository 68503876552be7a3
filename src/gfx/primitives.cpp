// The four primitives and SYMBOL: canvas points as reals, handed to every output that is on in
// the order picture file, raster copy, screen. The picture file takes the reals; the raster and
// screen take the points truncated towards zero; the screen driver takes them 0-based.
#include <algorithm>
#include <array>

#include "gfx/gfx.hpp"
#include "gfx/points.hpp"

namespace tivor {
namespace {

bool file_on(const Session& s) {
  return s.cgout.igout[0] == 1;
}
bool raster_on(const Session& s) {
  return s.cgout.igout[1] == 1;
}
bool screen_on(const Session& s) {
  return s.cgout.igout[2] == 1;
}

}  // namespace

void line(Session& s, float x1, float y1, float x2, float y2, int ic) {
  const int ix1 = trunc_point(x1), iy1 = trunc_point(y1);
  const int ix2 = trunc_point(x2), iy2 = trunc_point(y2);
  if (file_on(s)) gf_line(s, x1, y1, x2, y2, ic);
  if (raster_on(s)) p_line(s, ix1, iy1, ix2, iy2, ic);
  if (screen_on(s)) d_line(s, ix1 - 1, iy1 - 1, ix2 - 1, iy2 - 1, resolve_colour(s, ic));
}

void text(Session& s, std::string_view txt, float x, float y, float h, int ia, int ic) {
  const int ix = trunc_point(x), iy = trunc_point(y);
  if (file_on(s)) gf_text(s, txt, x, y, h, ia, ic);
  if (raster_on(s)) p_text(s, txt, ix, iy, trunc_point(h), ia, ic);
  if (screen_on(s)) d_text(s, ix - 1, iy - 1, rtrim(txt));
}

void flood(Session& s, const float* xs, const float* ys, int n, int ic) {
  n = std::min(n, 500);
  if (n < 1) return;
  if (file_on(s)) gf_flood(s, xs, ys, n, ic);
  // Left unset: only the first n are written and read (zeroing all 500 was most of the time of a
  // fill of a small polygon, and a fine mesh's zones are hundreds of thousands of them).
  std::array<int, 500> ixs, iys;
  for (int i = 0; i < n; ++i) {
    ixs[i] = trunc_point(xs[i]);
    iys[i] = trunc_point(ys[i]);
  }
  if (raster_on(s)) p_flood(s, ixs.data(), iys.data(), n, ic);
  // A library started by DINIT fills on the screen whatever the screen switch says.
  if (screen_on(s) || s.grf.initgr == 2) {
    for (int i = 0; i < n; ++i) {
      --ixs[i];
      --iys[i];
    }
    d_flood(s, ixs.data(), iys.data(), n, resolve_colour(s, ic));
  }
}

void rect(Session& s, float x1, float y1, float x2, float y2, int ifill) {
  const int ix1 = trunc_point(x1), iy1 = trunc_point(y1);
  const int ix2 = trunc_point(x2), iy2 = trunc_point(y2);
  if (file_on(s)) {
    // The closed outline x1,y1 -> x1,y2 -> x2,y2 -> x2,y1: one polygon, or four lines.
    const float xs[5] = {x1, x1, x2, x2, x1}, ys[5] = {y1, y2, y2, y1, y1};
    if (ifill == 1) {
      gf_flood(s, xs, ys, 4, s.grf.igcolor);
    } else {
      for (int k = 0; k < 4; ++k) gf_line(s, xs[k], ys[k], xs[k + 1], ys[k + 1], s.grf.igcolor);
    }
  }
  if (raster_on(s)) p_rect(s, ix1, iy1, ix2, iy2, ifill, s.grf.igcolor);
  if (screen_on(s)) d_rect(s, ix1 - 1, iy1 - 1, ix2 - 1, iy2 - 1, ifill, s.grf.igcolor);
}

void symbol(Session& s, float x, float y, float h, std::string_view txt, int n, int ia) {
  if (n <= 0) return;
  text(s, txt.substr(0, static_cast<size_t>(n)), x, y, h, ia, s.grf.igcolor);
}

}  // namespace tivor
