// The residual of the inviscid conservation laws on one element of the euler scheme and the
// artificial viscosity added to it: the one formula that the batched element sums and their
// reference test both call. Internal to src/classes/gs.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "classes/gs/scheme.hpp"
#include "core/session.hpp"

namespace tivor::gs {

// The reference scales of the artificial viscosity of a subregion with adiabatic ratio g.
struct Scales {
  float inv_ro, inv_mom, inv_en;  // 1/ro0, 1/(ro0 U), 1/(ro0 E)
};

inline Scales scales(const GsParm& p, float g) {
  const float ro0 = p.fna[0], u0 = p.fna[1], v0 = p.fna[2], e0 = p.fna[3];
  const float c0 = std::sqrt(g * (g - 1) * e0 + 1e-10f);
  const float big_u = std::max({c0, std::abs(u0), std::abs(v0)});
  // The energy scale keeps the floor of the sound-speed scale so that a gas at rest with no
  // reference energy does not divide by zero.
  const float big_e = std::max({e0, (u0 * u0 + v0 * v0) / 2, 1e-10f});
  const float r = 1.0f / std::max(ro0, 1e-10f);
  return {r, r / big_u, r / big_e};
}

// What the elements of one subregion with K nodes share: the gas law and the scales.
template <int K>
struct ResidualConstants {
  float gm1, sonic, w;            // gamma - 1, gamma (gamma - 1), 1 / K
  float inv[4];                   // the scale of each conserved quantity
  float res_ro, res_mom, res_en;  // the squares of the scales
  ResidualConstants(float g, const Scales& sc)
      : gm1(g - 1),
        sonic(g * (g - 1)),
        w(1.0f / K),
        inv{sc.inv_ro, sc.inv_mom, sc.inv_mom, sc.inv_en},
        res_ro(sc.inv_ro * sc.inv_ro),
        res_mom(sc.inv_mom * sc.inv_mom),
        res_en(sc.inv_en * sc.inv_en) {}
};

// One element: its nodes' ro, u, v, e, the mean shape-function derivatives d1, d2 of its nodes,
// its hoop factor (1/r over K, 0 in a plane task) and its volume.
template <int K>
struct ElementValues {
  float ro[K], u[K], v[K], e[K], d1[K], d2[K];
  float hoop, vol;
};

// The element's contributions add[i][0..3] to the sums of ro, ro u, ro v and ro E at its node i:
// the residuals of the conservation laws shared out over its nodes, plus an artificial viscosity
// scaled by the ratio of the residuals to the gradients. Inlined into the batched loop, whose
// lanes the compiler then runs in vector registers.
template <int K>
[[gnu::always_inline]] inline void element_residual(const ResidualConstants<K>& c,
                                                    const ElementValues<K>& x, float add[K][4]) {
  const float w = c.w;
  float mm[K], qq[K], ee[K], pp[K], r[K];
  for (int i = 0; i < K; ++i) {
    r[i] = std::max(x.ro[i], 1e-6f);
    pp[i] = c.gm1 * r[i] * x.e[i];
    mm[i] = r[i] * x.u[i];
    qq[i] = r[i] * x.v[i];
    ee[i] = r[i] * ((x.u[i] * x.u[i] + x.v[i] * x.v[i]) / 2 + x.e[i]);
  }
  float div = 0, r_ro = 0, r_m = 0, r_q = 0, r_en = 0;
  float gr[4] = {0, 0, 0, 0}, gz[4] = {0, 0, 0, 0};
  float ub = 0, vb = 0, eb = 0;
  float h_ro = 0, h_m = 0, h_q = 0, h_en = 0;
  for (int i = 0; i < K; ++i) {
    const float a1 = x.d1[i], a2 = x.d2[i], u = x.u[i], v = x.v[i];
    const float flow = a1 * u + a2 * v;
    div += flow;
    r_ro += a1 * mm[i] + a2 * qq[i];
    r_m += a1 * (mm[i] * u + pp[i]) + a2 * mm[i] * v;
    r_q += a1 * mm[i] * v + a2 * (qq[i] * v + pp[i]);
    r_en += (ee[i] + pp[i]) * flow;
    gr[0] += a1 * r[i], gz[0] += a2 * r[i];
    gr[1] += a1 * mm[i], gz[1] += a2 * mm[i];
    gr[2] += a1 * qq[i], gz[2] += a2 * qq[i];
    gr[3] += a1 * ee[i], gz[3] += a2 * ee[i];
    ub += u, vb += v, eb += x.e[i];
    h_ro += mm[i], h_m += mm[i] * u, h_q += mm[i] * v;
    h_en += (ee[i] + pp[i]) * u;
  }
  ub *= w, vb *= w, eb *= w;
  // In an axisymmetric task the divergence of a flux F in the meridian plane has the part
  // F_r / r besides the plane one; 1/r is 0 in a plane task.
  r_ro += x.hoop * h_ro;
  r_m += x.hoop * h_m;
  r_q += x.hoop * h_q;
  r_en += x.hoop * h_en;
  // Both tests are made (| rather than ||): a test made only after the other would be a branch
  // that keeps the compiler from running the elements of a batch in vector registers.
  const float kv = ((div > 0) | (ub * ub + vb * vb < c.sonic * eb)) ? 0.6f : 0.4f;
  const float res =
      w * (r_ro * r_ro * c.res_ro + (r_m * r_m + r_q * r_q) * c.res_mom + r_en * r_en * c.res_en);
  float grad = 0, gi[K][4];
  for (int i = 0; i < K; ++i) {
    for (int f = 0; f < 4; ++f) {
      gi[i][f] = x.d1[i] * gr[f] + x.d2[i] * gz[f];
      const float y = gi[i][f] * c.inv[f];
      grad += y * y;
    }
  }
  const float mu = kv * std::sqrt(res / std::max(grad, 1e-10f) + 1e-10f) * x.vol;
  const float wv = w * x.vol;
  const float wr[4] = {wv * r_ro, wv * r_m, wv * r_q, wv * r_en};
  for (int i = 0; i < K; ++i) {
    for (int f = 0; f < 4; ++f) add[i][f] = wr[f] + mu * gi[i][f];
  }
}

// The values of element el (from 0) of a mesh with m node numbers an element, K of them used.
template <int K>
ElementValues<K> element_values(const StageView& a, int64_t el, int m) {
  ElementValues<K> x;
  for (int i = 0; i < K; ++i) {
    const int32_t n = a.conn[el * m + i] - 1;
    x.ro[i] = a.ro[n], x.u[i] = a.u[n], x.v[i] = a.v[n], x.e[i] = a.e[n];
    x.d1[i] = a.d1[el * m + i], x.d2[i] = a.d2[el * m + i];
  }
  x.hoop = a.rmin1[el] * (1.0f / K);
  x.vol = a.vol[el];
  return x;
}

// Step 3 of a stage for the elements [first, end) of one subregion of adiabatic ratio g: the
// contributions of every element added to the sums of its nodes (records of four values a
// node), element after element so that every sum keeps its order; with hmin_r and hmin_z not
// null also the smallest element sizes around each node. Triangles in a quadrilateral mesh (third
// and fourth node equal) are taken as triangles.
void element_sums(const StageView& a, int32_t first, int32_t end, float g, const Scales& sc,
                  float* sums, float* hmin_r, float* hmin_z);

}  // namespace tivor::gs
