// Axes with ticks and numbered labels along the region, in world coordinates of the limits.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/gfx.hpp"
#include "gfx/points.hpp"

namespace tivor {
namespace {

constexpr size_t kMaxLabel = 10;

// An exponent form without its plus sign and leading zeros: "1.5e+06" becomes "1.5e6".
std::string compact_exponent(std::string t) {
  const size_t e = t.find('e');
  if (e == std::string::npos) return t;
  std::string mant = t.substr(0, e), exp = t.substr(e + 1);
  const bool neg = !exp.empty() && exp[0] == '-';
  if (!exp.empty() && (exp[0] == '+' || exp[0] == '-')) exp.erase(0, 1);
  exp.erase(0, std::min(exp.find_first_not_of('0'), exp.size() - 1));
  return mant + "e" + (neg ? "-" : "") + exp;
}

// Decimals without their trailing zeros (and point): "1.50" is "1.5", "2.0e+06" is "2e+06".
std::string without_zeros(const std::string& t) {
  const size_t e = std::min(t.find('e'), t.size());
  std::string mant = t.substr(0, e);
  if (mant.find('.') != std::string::npos) {
    mant.erase(mant.find_last_not_of('0') + 1);
    if (mant.back() == '.') mant.pop_back();
  }
  return mant + t.substr(e);
}

// The labels of one axis: one style for all its ticks, plain decimals with the fewest decimals
// that read back as every tick to a thousandth of the step (so that neighbouring ticks never
// share a label), or the exponent form when that is shorter than decimals longer than 6
// characters. Each label has at most 10 characters.
std::vector<std::string> tick_labels(const std::vector<double>& ticks, double step) {
  const double tol = std::abs(step) * 1.0e-3;
  char buf[64];
  const auto style = [&](bool exponent, int d, size_t& widest) {
    std::vector<std::string> out;
    widest = 0;
    for (double v : ticks) {
      std::string t = "0";
      if (v != 0.0) {
        std::snprintf(buf, sizeof buf, exponent ? "%.*e" : "%.*f", d, v);
        t = exponent ? compact_exponent(without_zeros(buf)) : without_zeros(buf);
        if (std::abs(std::strtod(t.c_str(), nullptr) - v) > tol) return std::vector<std::string>{};
      }
      widest = std::max(widest, t.size());
      out.push_back(std::move(t));
    }
    return out;
  };
  size_t wf = 0, we = 0;
  std::vector<std::string> fixed, exp;
  for (int d = 0; d <= 9 && fixed.empty(); ++d) fixed = style(false, d, wf);
  for (int d = 0; d <= 6 && exp.empty(); ++d) exp = style(true, d, we);
  const bool fixed_ok = !fixed.empty() && wf <= kMaxLabel;
  const bool exp_ok = !exp.empty() && we <= kMaxLabel;
  if (fixed_ok && (!exp_ok || wf <= std::max<size_t>(we, 6))) return fixed;
  if (exp_ok) return exp;
  // No text of 10 characters holds the values to that precision (a step far below the values'
  // own size): as many digits as fit.
  for (int d = 6; d >= 0; --d) {
    std::vector<std::string> out;
    size_t widest = 0;
    for (double v : ticks) {
      std::snprintf(buf, sizeof buf, "%.*e", d, v);
      out.push_back(v == 0.0 ? "0" : compact_exponent(buf));
      widest = std::max(widest, out.back().size());
    }
    if (widest <= kMaxLabel || d == 0) return out;
  }
  return {};
}

// The tick step along a range r = |hi - lo|: the given step unless it is below a tenth of the
// range, otherwise a power of ten (negative for a falling axis) adjusted to give 3 to 6 steps.
double tick_step(double given, double lo, double hi, double r) {
  if (std::abs(given) >= 0.1 * r) return given;
  const double l = std::log10(r);
  const double k = std::trunc(std::abs(l));
  double step = l > 0 ? std::pow(10.0, k) : l < 0 ? std::pow(10.0, -(k + 1)) : 1.0;
  if (hi < lo) step = -step;
  if (r / std::abs(step) < 3) step /= 2;
  if (r / std::abs(step) > 6) step *= 2;
  return step;
}

// The walk over tick values shared by both axes: calls tick(v, shown) for every value v from one
// step below the range to one step above it; shown is v, or 0 when v is within 0.001 of the
// range from zero. Every value is a whole multiple of the step, counted rather than summed, so
// that a tick on the edge of the range lands on it.
template <typename Tick>
void walk_ticks(double lo, double hi, double step, double r, Tick&& tick) {
  const double a = std::abs(step);
  double k = std::trunc(lo / a);
  const double m = (lo + hi) / 2, h = r / 2;
  const double dir = step < 0 ? -1.0 : 1.0;
  if (std::abs(k * a - m) < h) k -= dir;
  // A bound on the walk whatever step a caller gives.
  for (int guard = 0; std::abs(k * a - m) < a + h && guard < 1000; ++guard) {
    const double v = k * a;
    tick(v, std::abs(v) / r <= 0.001 ? 0.0 : v);
    k += dir;
  }
}

// A tick at point p is drawn when p lies in lo..hi up to half a point (the rounding of a tick on
// the region's edge); it is then drawn inside.
bool on_axis(float& p, float lo, float hi) {
  if (p < lo - 0.5f || p > hi + 0.5f) return false;
  p = std::clamp(p, lo, hi);
  return true;
}

// The ticks of an axis of the current limits (the x axis when horizontal) with their labels:
// label(p, inside, text, step) for each, p the tick's point along the axis.
template <typename Label>
void axis_labels(Session& s, bool horizontal, float step, Label&& label) {
  const Grf& g = s.grf;
  const double lo = horizontal ? g.xmnlim : g.ymnlim, hi = horizontal ? g.xmxlim : g.ymxlim;
  const double r = std::abs(hi - lo);
  if (r <= kEpsilon) return;
  const double sv = tick_step(step, lo, hi, r);
  std::vector<double> values, shown;
  walk_ticks(lo, hi, sv, r, [&](double v, double sh) {
    values.push_back(v);
    shown.push_back(sh);
  });
  const std::vector<std::string> texts = tick_labels(shown, sv);
  const float a1 = horizontal ? g.reg_real[0] : g.reg_real[2];
  const float a2 = horizontal ? g.reg_real[1] : g.reg_real[3];
  for (size_t i = 0; i < values.size(); ++i) {
    const float v = static_cast<float>(values[i]);
    float px = 0.0f, py = 0.0f;
    tmp(s, horizontal ? v : g.xmnlim, horizontal ? g.ymnlim : v, px, py);
    float p = horizontal ? px : py;
    const bool inside = on_axis(p, a1, a2);
    label(p, inside, texts[i], sv);
  }
}

}  // namespace

void xaxis(Session& s, float y, std::string_view title, int ntitle, float step, float ticklen,
           int nminor) {
  const Grf& g = s.grf;
  const int cw = g.cell_w, ch = g.cell_h;
  const int t = trunc_point(static_cast<double>(cw) * ticklen);
  const double r = std::abs(static_cast<double>(g.xmxlim) - g.xmnlim);
  if (r <= kEpsilon) return;
  nminor = std::clamp(nminor, 0, 10);
  const int ic = g.igcolor;

  int ix1 = 0, iy1 = 0, ix2 = 0, iy2 = 0;
  tmp1(s, g.xmnlim, y, ix1, iy1);
  tmp1(s, g.xmxlim, y, ix2, iy2);
  line(s, static_cast<float>(ix1), static_cast<float>(iy1), static_cast<float>(ix2),
       static_cast<float>(iy2), ic);

  const float rx1 = g.reg_real[0], rx2 = g.reg_real[1];
  float px = 0.0f, py = 0.0f;
  tmp(s, g.xmnlim, y, px, py);
  axis_labels(s, true, step, [&](float p, bool inside, const std::string& label, double sv) {
    if (inside) {
      line(s, p, py - static_cast<float>(t / 2), p, py, ic);
      const int n = static_cast<int>(label.size());
      text(s, label, p - static_cast<float>(cw * n / 2), py + static_cast<float>(ch / 4), 8.0f, 0,
           ic);
    }
    const double d = (rx2 - rx1) * sv / r;
    for (int j = 1; j < nminor; ++j) {
      const float pm = static_cast<float>(std::lround(p + j * d / nminor - d));
      if (pm >= rx1 && pm <= rx2) line(s, pm, py - static_cast<float>(t / 4), pm, py, ic);
    }
  });

  if (ntitle > 0) {
    text(s, title.substr(0, static_cast<size_t>(ntitle)), rx2 + static_cast<float>(cw / 2), py,
         8.0f, 0, ic);
  }
}

namespace {

// The y axis with its labels ending gap points left of the axis.
void yaxis_gap(Session& s, float x, std::string_view title, int ntitle, float step, float ticklen,
               int nminor, int gap) {
  const Grf& g = s.grf;
  const int cw = g.cell_w, ch = g.cell_h;
  const int t = trunc_point(static_cast<double>(cw) * ticklen);
  const double r = std::abs(static_cast<double>(g.ymxlim) - g.ymnlim);
  if (r <= kEpsilon) return;
  nminor = std::clamp(nminor, 0, 10);
  const int ic = g.igcolor;

  int ix1 = 0, iy1 = 0, ix2 = 0, iy2 = 0;
  tmp1(s, x, g.ymnlim, ix1, iy1);
  tmp1(s, x, g.ymxlim, ix2, iy2);
  line(s, static_cast<float>(ix1), static_cast<float>(iy1), static_cast<float>(ix2),
       static_cast<float>(iy2), ic);

  const float ry1 = g.reg_real[2], ry2 = g.reg_real[3];
  float px = 0.0f, py = 0.0f;
  tmp(s, x, g.ymnlim, px, py);
  axis_labels(s, false, step, [&](float p, bool inside, const std::string& label, double sv) {
    if (inside) {
      line(s, px, p, px + static_cast<float>(t / 2), p, ic);
      const int n = static_cast<int>(label.size());
      text(s, label, px - static_cast<float>(n * cw + gap), p - static_cast<float>(ch / 2), 8.0f, 0,
           ic);
    }
    const double d = (ry2 - ry1) * sv / r;
    for (int j = 1; j < nminor; ++j) {
      const float pm = static_cast<float>(std::lround(p + j * d / nminor - d));
      if (pm >= ry1 && pm <= ry2) line(s, px, pm, px + static_cast<float>(t / 4), pm, ic);
    }
  });

  if (ntitle > 0) {
    text(s, title.substr(0, static_cast<size_t>(ntitle)), px, ry1 - static_cast<float>(ch / 2),
         8.0f, 0, ic);
  }
}

// The gap between the y labels and the axis when both axes are drawn: a character width, or
// more when an x label centred under the region's left corner would otherwise run into the label
// of a y tick at the bottom corner.
int corner_gap(Session& s, float xstep, float ystep) {
  const Grf& g = s.grf;
  const int cw = g.cell_w, ch = g.cell_h;
  int corner_x = 0;
  bool corner_y = false;
  axis_labels(s, true, xstep, [&](float p, bool inside, const std::string& label, double) {
    if (inside && p - g.reg_real[0] < 0.5f * cw * static_cast<float>(label.size())) {
      corner_x = std::max(corner_x, cw * static_cast<int>(label.size()) / 2);
    }
  });
  axis_labels(s, false, ystep, [&](float p, bool inside, const std::string&, double) {
    corner_y = corner_y || (inside && g.reg_real[3] - p < static_cast<float>(ch));
  });
  return corner_y ? std::max(cw, corner_x + 2) : cw;
}

}  // namespace

void yaxis(Session& s, float x, std::string_view title, int ntitle, float step, float ticklen,
           int nminor) {
  yaxis_gap(s, x, title, ntitle, step, ticklen, nminor, s.grf.cell_w);
}

void axes(Session& s, float xstep, float ystep) {
  const int gap = corner_gap(s, xstep, ystep);
  xaxis(s, s.grf.ymnlim, " ", 1, xstep, 1.0f, 5);
  yaxis_gap(s, s.grf.xmnlim, " ", 1, ystep, 1.0f, 5, gap);
}

void fit_region_to_axes(Session& s, int x1, int x2, float xstep, float ystep) {
  Grf& g = s.grf;
  if (g.initlim != kMark) return;
  const int cw = g.cell_w;
  int left = 0, right = 0;
  const int gap = corner_gap(s, xstep, ystep);
  axis_labels(s, false, ystep, [&](float, bool, const std::string& label, double) {
    left = std::max(left, static_cast<int>(label.size()) * cw + gap);
  });
  axis_labels(s, true, xstep, [&](float, bool, const std::string& label, double) {
    const int half = cw * static_cast<int>(label.size()) / 2;
    left = std::max(left, half);
    right = std::max(right, half);
  });
  const int rx1 = std::max(g.reg_pix[0], x1 + left);
  const int rx2 = std::min(g.reg_pix[1], x2 - right);
  if (rx1 == g.reg_pix[0] && rx2 == g.reg_pix[1]) return;
  // Too narrow a rectangle keeps the region it has.
  if (rx2 - rx1 < 4 * cw) return;
  region1(s, rx1, g.reg_pix[2], rx2, g.reg_pix[3], g.iramreg);
}

}  // namespace tivor
