// Axes with ticks and numbered labels along the region, in world coordinates of the limits.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "gfx/gfx.hpp"
#include "gfx/points.hpp"

namespace tivor {
namespace {

// A tick value as a number of at most 10 characters: the most significant digits that fit.
std::string tick_label(double v) {
  char buf[32];
  for (int digits = 6; digits >= 1; --digits) {
    std::snprintf(buf, sizeof buf, "%.*g", digits, v);
    if (std::string_view(buf).size() <= 10) break;
  }
  return buf;
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
// range from zero, and the walk goes on from the shown value.
template <typename Tick>
void walk_ticks(double lo, double hi, double step, double r, Tick&& tick) {
  double v = std::trunc(lo / std::abs(step)) * std::abs(step);
  const double m = (lo + hi) / 2, h = r / 2;
  if (std::abs(v - m) < h) v -= step;
  // A bound on the walk whatever step a caller gives.
  for (int guard = 0; std::abs(v - m) < std::abs(step) + h && guard < 1000; ++guard) {
    const double shown = std::abs(v) / r <= 0.001 ? 0.0 : v;
    tick(v, shown);
    v = shown + step;
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

  const double sv = tick_step(step, g.xmnlim, g.xmxlim, r);
  const double d = (g.reg_real[1] - g.reg_real[0]) * sv / r;
  const float rx1 = g.reg_real[0], rx2 = g.reg_real[1];
  float px = 0.0f, py = 0.0f;
  walk_ticks(g.xmnlim, g.xmxlim, sv, r, [&](double v, double shown) {
    tmp(s, static_cast<float>(v), y, px, py);
    if (px >= rx1 && px <= rx2) {
      line(s, px, py - static_cast<float>(t / 2), px, py, ic);
      const std::string label = tick_label(shown);
      const int n = static_cast<int>(label.size());
      text(s, label, px - static_cast<float>(cw * n / 2), py + static_cast<float>(ch / 4), 8.0f, 0,
           ic);
    }
    for (int j = 1; j < nminor; ++j) {
      const float pm = static_cast<float>(std::lround(px + j * d / nminor - d));
      if (pm >= rx1 && pm <= rx2) line(s, pm, py - static_cast<float>(t / 4), pm, py, ic);
    }
  });

  if (ntitle > 0) {
    tmp(s, g.xmnlim, y, px, py);
    text(s, title.substr(0, static_cast<size_t>(ntitle)), rx2 + static_cast<float>(cw / 2), py,
         8.0f, 0, ic);
  }
}

void yaxis(Session& s, float x, std::string_view title, int ntitle, float step, float ticklen,
           int nminor) {
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

  const double sv = tick_step(step, g.ymnlim, g.ymxlim, r);
  const double d = (g.reg_real[3] - g.reg_real[2]) * sv / r;
  const float ry1 = g.reg_real[2], ry2 = g.reg_real[3];
  float px = 0.0f, py = 0.0f;
  walk_ticks(g.ymnlim, g.ymxlim, sv, r, [&](double v, double shown) {
    tmp(s, x, static_cast<float>(v), px, py);
    if (py >= ry1 && py <= ry2) {
      line(s, px, py, px + static_cast<float>(t / 2), py, ic);
      const std::string label = tick_label(shown);
      const int n = static_cast<int>(label.size());
      text(s, label, px - static_cast<float>((n + 1) * cw), py - static_cast<float>(ch / 2), 8.0f,
           0, ic);
    }
    for (int j = 1; j < nminor; ++j) {
      const float pm = static_cast<float>(std::lround(py + j * d / nminor - d));
      if (pm >= ry1 && pm <= ry2) line(s, px, pm, px + static_cast<float>(t / 4), pm, ic);
    }
  });

  if (ntitle > 0) {
    tmp(s, x, g.ymnlim, px, py);
    text(s, title.substr(0, static_cast<size_t>(ntitle)), px, ry1 - static_cast<float>(ch / 2),
         8.0f, 0, ic);
  }
}

void axes(Session& s) {
  xaxis(s, s.grf.ymnlim, " ", 1, 0.0f, 1.0f, 5);
  yaxis(s, s.grf.xmnlim, " ", 1, 0.0f, 1.0f, 5);
}

}  // namespace tivor
