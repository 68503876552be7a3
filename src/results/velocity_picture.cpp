// Velocity arrows at the nodes: lengths by speed (velocities) or all of one length (directions).
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/pool.hpp"
#include "gfx/gfx.hpp"
#include "results/pictures.hpp"

namespace tivor {
namespace {

constexpr float kNoArrow = 1.0e-10f;  // speeds below this get no arrow

// One arrow from (x, y) along (u, v): the shaft and a head from (mid + q) through the tip to
// (mid - q), q being the arrow turned by 90 degrees and scaled by 0.125.
void arrow(Session& s, float x, float y, float u, float v) {
  const float tx = x + u, ty = y + v;
  const float mx = x + 0.5f * u, my = y + 0.5f * v;
  const float qx = -0.125f * v, qy = 0.125f * u;
  float p[4][2];
  tmp(s, x, y, p[0][0], p[0][1]);
  tmp(s, mx + qx, my + qy, p[1][0], p[1][1]);
  tmp(s, tx, ty, p[2][0], p[2][1]);
  tmp(s, mx - qx, my - qy, p[3][0], p[3][1]);
  line(s, p[0][0], p[0][1], p[2][0], p[2][1], 15);
  line(s, p[1][0], p[1][1], p[2][0], p[2][1], 15);
  line(s, p[2][0], p[2][1], p[3][0], p[3][1], 15);
}

}  // namespace

void lspeed2(Session& s) {
  Cterm& t = s.cterm;
  if (t.ispeed != 1) t.ispeed = 2;
  t.rspeed = std::isnan(t.rspeed) ? 0.02f : std::max(std::min(t.rspeed, 1.0f), 0.02f);
  const bool directions = t.ispeed == 2;

  lpg_region(s, kPlotCol, kPlotRow);
  const Positions p = tlim(s);
  room_for_axes(s);
  clip(s, 3);
  lgran(s, p);
  const Cmesh& c = s.cmesh;
  const int64_t n1 = static_cast<int64_t>(p.x.size());
  if (n1 > 0 && real_array_ok(s, c.jdcr[0], n1) && real_array_ok(s, c.jdcr[1], n1)) {
    const float* vr = reals(s, c.jdcr[0]);
    const float* vz = reals(s, c.jdcr[1]);
    std::vector<float> speed(static_cast<size_t>(n1));
    float vmax = 0.0f;
    for (int64_t i = 0; i < n1; ++i) {
      const float v = std::sqrt(vr[i] * vr[i] + vz[i] * vz[i] + 1.0e-22f);
      speed[static_cast<size_t>(i)] = v;
      if (std::isfinite(v)) vmax = std::max(vmax, v);
    }
    float xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    int set = 0;
    getlimits(s, xmin, xmax, ymin, ymax, set);
    float scale = t.rspeed * std::max(xmax - xmin, ymax - ymin);
    if (!directions) scale /= std::max(vmax, kNoArrow);
    const bool mirror = t.isymg == 2;
    for (int64_t i = 0; i < n1; ++i) {
      const float v = speed[static_cast<size_t>(i)];
      if (!(v >= kNoArrow) || !std::isfinite(v)) continue;
      const float k = directions ? scale / v : scale;
      const float x = p.x[static_cast<size_t>(i)], y = p.y[static_cast<size_t>(i)];
      arrow(s, x, y, k * vr[i], k * vz[i]);
      if (mirror) arrow(s, -x, y, -k * vr[i], k * vz[i]);
    }
  }
  clip(s, 2);
  color(s, 15);
  axes(s);
  markpic(s, directions ? "velocity directions" : "velocities");
  lpg(s, 2);
}

}  // namespace tivor
