// GSIND3: the element geometry of the gas-flow class: measures, the mean derivatives of the
// linear shape functions, nodal weights, element sizes and the inverse lumped nodal masses.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "classes/gs/gs_internal.hpp"
#include "core/trace_hook.hpp"

namespace tivor::gs {

int32_t gsind3(Session& s) {
  if (rtmr(s, "gsind3")) return 0;
  const Cmesh& c = s.cmesh;
  const int32_t m = c.m, n1 = c.n1, n2 = c.n2;
  const float* rz = reals(s, c.jrz);
  const int32_t* conn = ints(s, c.jj1);
  float* mass = reals(s, c.jmm);
  float* vol = reals(s, c.jsss);
  float* rmin1 = reals(s, c.jrmin1);
  float* d1 = reals(s, c.jd1);
  float* d2 = reals(s, c.jd2);
  float* dm = reals(s, c.jdm);
  float* hr = reals(s, c.jhr);
  float* hz = reals(s, c.jhz);
  if (s.cht.is == 0) std::copy_n(rz, 2 * int64_t{n1}, reals(s, parm(s).jrz0));
  std::fill_n(mass, n1, 0.0f);
  int32_t bad = 0;
  for (int32_t e = 0; e < n2; ++e) {
    const int32_t* v = conn + int64_t{e} * m;
    const int k = corners(v, m);
    double r[4], z[4];
    for (int i = 0; i < k; ++i) {
      r[i] = rz[2 * (v[i] - 1)];
      z[i] = rz[2 * (v[i] - 1) + 1];
    }
    // Twice the area, positive for an element counter-clockwise in the (z, r) plane.
    double a2 = (z[1] - z[0]) * (r[2] - r[0]) - (z[2] - z[0]) * (r[1] - r[0]);
    if (k == 4) a2 += (z[2] - z[0]) * (r[3] - r[0]) - (z[3] - z[0]) * (r[2] - r[0]);
    if (a2 <= 1e-18) {
      if (bad == 0) bad = e + 1;
      continue;
    }
    double g1[4], g2[4];
    if (k == 3) {
      g1[0] = z[2] - z[1], g1[1] = z[0] - z[2], g1[2] = z[1] - z[0];
      g2[0] = r[1] - r[2], g2[1] = r[2] - r[0], g2[2] = r[0] - r[1];
    } else {
      g1[0] = z[3] - z[1], g1[1] = z[0] - z[2], g1[2] = z[1] - z[3], g1[3] = z[2] - z[0];
      g2[0] = r[1] - r[3], g2[1] = r[2] - r[0], g2[2] = r[3] - r[1], g2[3] = r[0] - r[2];
    }
    const double w = 1.0 / k;
    double measure = a2 / 2, rbar = 0;
    for (int i = 0; i < k; ++i) rbar += w * r[i];
    rmin1[e] = 0.0f;
    if (c.isym == 1) {
      // An element whose mean radius is not positive has no ring volume.
      if (rbar <= 0) {
        if (bad == 0) bad = e + 1;
        continue;
      }
      measure *= rbar;
      rmin1[e] = static_cast<float>(1.0 / rbar);
    }
    vol[e] = static_cast<float>(measure);
    double max1 = 0, max2 = 0;
    const int64_t base = int64_t{e} * m;
    for (int i = 0; i < m; ++i) {
      const bool used = i < k;
      d1[base + i] = used ? static_cast<float>(g1[i] / a2) : 0.0f;
      d2[base + i] = used ? static_cast<float>(g2[i] / a2) : 0.0f;
      dm[base + i] = used ? static_cast<float>(w) : 0.0f;
      if (!used) continue;
      max1 = std::max(max1, std::abs(g1[i] / a2));
      max2 = std::max(max2, std::abs(g2[i] / a2));
      mass[v[i] - 1] += static_cast<float>(w * measure);
    }
    const double size = k == 3 ? 1.0 : 0.5;
    hr[e] = static_cast<float>(size / std::max(max1, 1e-30));
    hz[e] = static_cast<float>(size / std::max(max2, 1e-30));
  }
  for (int32_t i = 0; i < n1; ++i) mass[i] = 1.0f / (mass[i] + kEpsilon);
  if (s.cht.is == 0) std::copy_n(vol, n2, reals(s, c.jsss0));
  return bad;
}

}  // namespace tivor::gs
