// Legends beside the region: level labels for contour lines, colour swatches for zones. Level
// values are shown divided by a power of ten, written as the factor "x1e-2" at the top of the
// legend (nothing when it is 1).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gfx/gfx.hpp"

namespace tivor {
namespace {

constexpr int kMaxShown = 16;
constexpr float kHeight = 8.0f;

// Fortran-style fields, filled with asterisks when the value does not fit.
std::string fit(const char* text, int width) {
  const std::string t(text);
  return static_cast<int>(t.size()) > width ? std::string(static_cast<size_t>(width), '*') : t;
}

std::string fixed_8_3(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%8.3f", v);
  return fit(buf, 8);
}

std::string int_3(int v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%3d", v);
  return fit(buf, 3);
}

// E editing with 5 digits in a field of 12: [-]0.dddddE+ee.
std::string exp_12_5(double v) {
  char buf[64];
  if (!std::isfinite(v)) {
    std::snprintf(buf, sizeof buf, "%12s", std::isnan(v) ? "NaN" : (v < 0 ? "-Inf" : "Inf"));
    return buf;
  }
  std::string digits = "00000";
  int e = 0;
  if (v != 0.0) {
    std::snprintf(buf, sizeof buf, "%.4e", std::fabs(v));  // d.dddde+xx
    const std::string m(buf);
    digits = m.substr(0, 1) + m.substr(2, 4);
    e = std::atoi(m.c_str() + m.find('e') + 1) + 1;
  }
  const char sign = e < 0 ? '-' : '+';
  char ebuf[16];
  if (std::abs(e) <= 99) {
    std::snprintf(ebuf, sizeof ebuf, "E%c%02d", sign, std::abs(e));
  } else {
    std::snprintf(ebuf, sizeof ebuf, "%c%03d", sign, std::abs(e));
  }
  std::snprintf(buf, sizeof buf, "%12s",
                ((v < 0 ? "-0." : "0.") + digits + std::string(ebuf)).c_str());
  return buf;
}

// The exponent p of the legend: log10 of the larger of |lev(1)| and |lev(n)|, truncated; 0 when
// both are 0.
int legend_exponent(const float* lev, int n) {
  const double m =
      std::max(std::fabs(static_cast<double>(lev[0])), std::fabs(static_cast<double>(lev[n - 1])));
  if (!(m > 0.0) || !std::isfinite(m)) return 0;
  return static_cast<int>(std::trunc(std::log10(m)));
}

void label(Session& s, const std::string& txt, int x, int y, int colour) {
  color(s, colour);
  text(s, txt, static_cast<float>(x), static_cast<float>(y), kHeight, 0, colour);
}

// The factor the shown values are to be multiplied by, at the top of a legend.
void exponent_label(Session& s, int x, int y, int p) {
  if (p != 0) label(s, "x1e" + std::to_string(p), x, y, 15);
}

int white_for_zero(int32_t c) {
  return c == 0 ? 15 : c;
}

// Room for a legend: at least 8 character widths between the region and the page's right edge.
bool legend_room(const Session& s) {
  return s.grf.page_pix[1] - s.grf.reg_pix[1] >= 8 * s.grf.cell_w;
}

}  // namespace

void constant_scale(Session& s, float value) {
  const Grf& g = s.grf;
  if (g.initlim != kMark || !legend_room(s)) return;
  const int x = g.reg_pix[1] + g.cell_w, top = g.reg_pix[2];
  char number[32];
  std::snprintf(number, sizeof number, "%.6g", static_cast<double>(value));
  label(s, "constant", x, top + g.cell_h, 15);
  label(s, number, x, top + 2 * g.cell_h, 15);
  color(s, 15);
}

void izlscale(Session& s, const float* lev, const int32_t* col, int nlev) {
  const Grf& g = s.grf;
  if (g.initlim != kMark || nlev == 0) return;
  const int cw = g.cell_w, ch = g.cell_h;
  const int x = g.reg_pix[1] + cw, top = g.reg_pix[2];
  const int m = std::abs(nlev);
  if (m <= kMaxShown) {
    if (legend_room(s)) {
      const int p = legend_exponent(lev, m);
      const double factor = std::pow(10.0, p);
      for (int i = 1; i <= m; ++i) {
        const int y = top + (ch - 3) * (i + 1);
        char number[8];
        std::snprintf(number, sizeof number, "%02d:", i);
        label(s, number, x, y, nlev < 1 ? 15 : white_for_zero(col[i - 1]));
        label(s, fixed_8_3(lev[i - 1] / factor), x + 4 * cw, y, 15);
      }
      exponent_label(s, x, top, p);
    }
  } else {
    label(s, "lines:" + int_3(m), x, top + ch, 15);
    const double lo = std::min(lev[0], lev[m - 1]), hi = std::max(lev[0], lev[m - 1]);
    const double step = (hi - lo) / (m - 1);
    label(s, "fmin:" + exp_12_5(lo - step), x, top + 3 * ch, white_for_zero(col[0]));
    label(s, "fmax:" + exp_12_5(hi + step), x, top + 5 * ch, white_for_zero(col[m - 1]));
  }
  color(s, 15);
}

void clrscale(Session& s, const float* lev, const int32_t* col, int nlev) {
  const Grf& g = s.grf;
  if (g.initlim != kMark) return;
  const int n = std::abs(nlev);
  if (n == 0 || !legend_room(s)) return;
  const int cw = g.cell_w, ch = g.cell_h;
  const int x1 = g.reg_pix[1] + cw, x2 = g.reg_pix[1] + 2 * cw, top = g.reg_pix[2];
  const int p = legend_exponent(lev, n);
  const double factor = std::pow(10.0, p);
  // Every zone has its swatch, from the lowest down, a cell apart while they fit above the page's
  // last text row, packed closer when they do not; a value is then written at every k-th level
  // only, so that the values do not run into each other.
  const int zones = n + 1;
  const int first = top + ch;
  const int room = g.page_pix[3] - ch - first;
  const int pitch = std::clamp(room / zones, 1, ch);
  const int height = pitch == ch ? static_cast<int>(0.8 * ch) : std::max(pitch - 2, 1);
  const int every = (ch + pitch - 1) / pitch;
  for (int i = 1; i <= zones; ++i) {
    const int y1 = first + (i - 1) * pitch;
    color(s, col[i - 1]);
    rect(s, static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
         static_cast<float>(y1 + height), 1);
    // The value of the level between this swatch and the next.
    if (i < zones && i % every == 0) {
      label(s, fixed_8_3(lev[i - 1] / factor), x2 + 2 * cw,
            y1 + pitch - ch + static_cast<int>(0.3 * ch), 15);
    }
  }
  exponent_label(s, x1, top, p);
  color(s, 15);
}

}  // namespace tivor
