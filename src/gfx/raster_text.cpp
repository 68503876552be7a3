// Text on the raster: the bitmap font (8 points wide, 8 or 14 rows) and the stroke font drawn at
// any height and angle.
#include <cmath>
#include <cstdint>
#include <numbers>

#include "gfx/gfx.hpp"
#include "gfx/points.hpp"

namespace tivor {

void p_text(Session& s, std::string_view txt, int ix, int iy, int ih, int ia, int ic) {
  if (s.grf.igfont == 2) {
    p_risalf(s, txt, ix, iy, ih, ia, ic);
    return;
  }
  getsym(s, s.grf.igfont == 1 ? 1 : 0);
  p_grftxt(s, txt, ix, iy, ic);
}

void p_grftxt(Session& s, std::string_view txt, int ix, int iy, int ic) {
  const int height = s.font.height == 8 ? 8 : 14;
  for (size_t k = 0; k < txt.size(); ++k) {
    const uint8_t* rows = glyph_rows(height, static_cast<unsigned char>(txt[k]));
    const int x0 = ix + 8 * static_cast<int>(k);
    for (int r = 0; r < height; ++r) {
      const int y = iy + 1 + r;
      int bit = 0;
      while (bit < 8) {
        if (!(rows[r] & (0x80 >> bit))) {
          ++bit;
          continue;
        }
        const int first = bit;
        while (bit < 8 && (rows[r] & (0x80 >> bit))) ++bit;
        p_line(s, x0 + first, y, x0 + bit - 1, y, ic);
      }
    }
  }
}

void p_risalf(Session& s, std::string_view txt, int ix, int iy, int ih, int ia, int ic) {
  const double h = ih;
  const double u = h / 16.0;
  const double a = ia * std::numbers::pi / 180.0;
  const double c = std::cos(a), sn = std::sin(a);
  const double f = (std::abs(c) + 1.0) / 2.0;
  for (size_t k = 0; k < txt.size(); ++k) {
    const double ox = ix + static_cast<double>(k) * h * c;
    const double oy = iy + h - static_cast<double>(k) * h * sn;
    const std::string_view glyph = alfin(static_cast<unsigned char>(txt[k]));
    // Coordinates pair up into points; a point follows the previous one of its polyline with a
    // segment, and ':' starts a new polyline.
    bool negative = false, have_x = false, have_prev = false;
    int gxi = 0, px_prev = 0, py_prev = 0;
    for (const char ch : glyph) {
      if (ch == ':') {
        have_prev = have_x = negative = false;
        continue;
      }
      if (ch == '-') {
        negative = true;
        continue;
      }
      int v = ch >= 'A' ? ch - 'A' + 10 : ch - '0';
      if (negative) v = -v;
      negative = false;
      if (!have_x) {
        gxi = v;
        have_x = true;
        continue;
      }
      have_x = false;
      const double gx = gxi * u, gy = -v * u;
      const int px = trunc_point(gx * c + gy * sn + ox);
      const int py = trunc_point((c * gy - sn * gx) * f + oy);
      if (have_prev) p_line(s, px_prev, py_prev, px, py, ic);
      px_prev = px;
      py_prev = py;
      have_prev = true;
    }
  }
}

}  // namespace tivor
