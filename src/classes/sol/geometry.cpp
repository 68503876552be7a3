// SOIND3 and SOKC: the element geometry on the current configuration, the nodal masses, and the
// prescribed velocities.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "classes/sol/sol_internal.hpp"
#include "console/console.hpp"
#include "kernels/kernels.hpp"

namespace tivor::sol {

int32_t soind3(Session& s, int32_t fr, int32_t fz, bool setup) {
  const SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  const int32_t m = c.m, n2 = c.n2;
  const int32_t* conn = ints(s, c.jj1);
  const float* rz = reals(s, c.jrz);
  const float* ur = reals(s, fr);
  const float* uz = reals(s, fz);
  float* d1 = reals(s, c.jd1);
  float* d2 = reals(s, c.jd2);
  float* dm = reals(s, c.jdm);
  float* vol = reals(s, c.jsss);
  float* rmin1 = reals(s, c.jrmin1);
  const float gn = p.gn;
  const bool axisym = c.isym == 1;
  int32_t bad = 0;
  for (int32_t e = 0; e < n2; ++e) {
    const int32_t* v = conn + int64_t{e} * m;
    const int k = (m == 4 && v[2] != v[3]) ? 4 : 3;
    float r[4], z[4];
    for (int i = 0; i < k; ++i) {
      const int32_t n = v[i] - 1;
      r[i] = rz[2 * n] + gn * ur[n];
      z[i] = rz[2 * n + 1] + gn * uz[n];
    }
    float a2 = (z[1] - z[0]) * (r[2] - r[0]) - (z[2] - z[0]) * (r[1] - r[0]);
    if (k == 4) a2 += (z[2] - z[0]) * (r[3] - r[0]) - (z[3] - z[0]) * (r[2] - r[0]);
    // An element turned over (or flat) keeps its old geometry; the caller stops the run.
    if (!(a2 > 0.0f)) {
      if (bad == 0) bad = e + 1;
      continue;
    }
    const float inv = 1.0f / a2;
    float* e1 = d1 + int64_t{e} * m;
    float* e2 = d2 + int64_t{e} * m;
    float* ew = dm + int64_t{e} * m;
    float sum = 0.0f, s1 = 0.0f, s1r = 0.0f;
    for (int i = 0; i < k; ++i) {
      const int prev = (i + k - 1) % k, next = (i + 1) % k;
      e1[i] = (z[prev] - z[next]) * inv;
      e2[i] = (r[next] - r[prev]) * inv;
      const float a1 = std::abs(e1[i]);
      sum += a1 + std::abs(e2[i]);
      s1 += a1;
      s1r += a1 * r[i];
    }
    for (int i = k; i < m; ++i) e1[i] = e2[i] = ew[i] = 0.0f;
    for (int i = 0; i < k; ++i) ew[i] = (std::abs(e1[i]) + std::abs(e2[i])) / sum;
    const float area = 0.5f * a2;
    if (axisym) {
      // Area times the mean radius; an element reaching below the axis has no volume.
      if (!(s1r > 0.0f)) {
        if (bad == 0) bad = e + 1;
        continue;
      }
      vol[e] = area * s1r / s1;
      rmin1[e] = s1 / s1r;
    } else {
      vol[e] = area;
      rmin1[e] = 0.0f;
    }
  }
  if (!setup || bad != 0) return bad;

  // Initial volumes and lumped masses, zone by zone with each zone's density.
  std::copy_n(vol, n2, reals(s, c.jsss0));
  float* mass = reals(s, c.jmm);
  const int32_t n1 = c.n1;
  std::fill_n(mass, n1, 0.0f);
  const int32_t* last = ints(s, c.jn2);
  const float* rom = reals(s, p.jrom);
  int32_t first = 0;
  for (int32_t zone = 0; zone < c.ntel; ++zone) {
    const int32_t end = std::clamp(last[zone], first, n2);
    const float ro = rom[zone];
    for (int32_t e = first; e < end; ++e) {
      const int32_t* v = conn + int64_t{e} * m;
      const int k = (m == 4 && v[2] != v[3]) ? 4 : 3;
      for (int i = 0; i < k; ++i) mass[v[i] - 1] += dm[int64_t{e} * m + i] * vol[e] * ro;
    }
    first = end;
  }
  for (int32_t i = 0; i < n1; ++i) mass[i] = 1.0f / (mass[i] + kEpsilon);
  std::copy_n(mass, n1, mass + n1);
  return 0;
}

void sokc(Session& s, int32_t vr, int32_t vz) {
  if (flag_tst(s)) return;
  SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  const float t = s.cht.t + s.cht.ht;
  float slope = 0.0f;
  intr(t, p.ntvr > 0 ? reals(s, p.jtvr) : nullptr, p.ntvr, p.tvr, slope);
  intr(t, p.ntvz > 0 ? reals(s, p.jtvz) : nullptr, p.ntvz, p.tvz, slope);
  const int32_t* b = ints(s, c.jj2);
  const int32_t* yr = ints(s, p.jy[1]);
  const int32_t* yz = ints(s, p.jy[2]);
  const float* gr = reals(s, p.jvrg);
  const float* gz = reals(s, p.jvzg);
  float* fr = reals(s, vr);
  float* fz = reals(s, vz);
  for (int32_t k = 0; k < c.n3; ++k) {
    const int32_t node = b[2 * k + 1];
    if (node < 1) continue;
    if (yr[k] == 0) fr[node - 1] = gr[k] * p.tvr;
    if (yz[k] == 0) fz[node - 1] = gz[k] * p.tvz;
  }
}

MeshArrays mesh_arrays(Session& s) {
  const Cmesh& c = s.cmesh;
  return {c.m,
          c.n1,
          c.n2,
          c.ntel,
          ints(s, c.jj1),
          ints(s, c.jn2),
          reals(s, c.jd1),
          reals(s, c.jd2),
          reals(s, c.jdm),
          reals(s, c.jsss),
          reals(s, c.jsss0),
          reals(s, c.jrmin1)};
}

}  // namespace tivor::sol
