// The pieces of the implicit operator that the matrix-free product and the assembled matrix
// share: an element's elastic forces of its nodes' increments, the gas stiffness, inertia and
// the contact springs. Each is written once here, so that the matrix is the product's.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "classes/sol/sol_internal.hpp"

namespace tivor::sol {

// One element: its nodes (from 0), derivative coefficients, weights w_i and hoop weights
// a_i = |d1_i| / sum |d1|.
struct Element {
  int k;
  int32_t n[4];
  float d1[4], d2[4], w[4], a[4];
};

// The hoop weights a_i = |d1_i| / sum |d1| of an element's k nodes (0 where all d1 are 0).
inline void hoop_weights(int k, const float* d1, float* a) {
  float s1 = 0.0f;
  for (int i = 0; i < k; ++i) s1 += std::abs(d1[i]);
  const float inv = s1 > 0.0f ? 1.0f / s1 : 0.0f;
  for (int i = 0; i < k; ++i) a[i] = std::abs(d1[i]) * inv;
}

inline void load_element(const MeshArrays& g, int32_t e, Element& el) {
  const int64_t base = int64_t{e} * g.m;
  const int32_t* v = g.conn + base;
  el.k = (g.m == 4 && v[2] != v[3]) ? 4 : 3;
  for (int i = 0; i < el.k; ++i) {
    el.n[i] = v[i] - 1;
    el.d1[i] = g.d1[base + i];
    el.d2[i] = g.d2[base + i];
    el.w[i] = g.dm[base + i];
  }
  hoop_weights(el.k, el.d1, el.a);
}

// The forces fr, fz on the k nodes of an element (derivative coefficients d1, d2, hoop weights a,
// volume vol, hoop factor r) of the elastic increments 2G de', 3K dem of the nodes' increments
// xr, xz. kHoop false leaves the hoop terms out (plane problems: r = 0, a unused).
template <bool kHoop>
[[gnu::always_inline]] inline void elastic_forces(int k, const float* d1, const float* d2,
                                                  const float* a, float vol, float r, float g2,
                                                  float k3, const float* xr, const float* xz,
                                                  float* fr, float* fz) {
  float e11 = 0, e33 = 0, g13 = 0, hx = 0;
  for (int i = 0; i < k; ++i) {
    e11 += d1[i] * xr[i];
    e33 += d2[i] * xz[i];
    g13 += d2[i] * xr[i] + d1[i] * xz[i];
    if constexpr (kHoop) hx += a[i] * xr[i];
  }
  const float em = kHoop ? (e11 + r * hx + e33) / 3.0f : (e11 + e33) / 3.0f;
  const float s11 = g2 * (e11 - em), s33 = g2 * (e33 - em), sm = k3 * em;
  const float a11 = (s11 + sm) * vol, a13 = 0.5f * g2 * g13 * vol, a33 = (s33 + sm) * vol;
  const float hoop = kHoop ? (sm - s11 - s33) * vol * r : 0.0f;
  for (int i = 0; i < k; ++i) {
    fr[i] = kHoop ? d1[i] * a11 + d2[i] * a13 + a[i] * hoop : d1[i] * a11 + d2[i] * a13;
    fz[i] = d1[i] * a13 + d2[i] * a33;
  }
}

// How much the gas pressure p = (gamma - 1) ee ro of the forces stiffens the mean stress, as an
// addition to 3K: the density follows the volume (with gn), so a volume change 3 dem changes the
// pressure by -p 3 dem. Never negative, so that the operator stays positive.
inline float gas_k3(float gam, float gn, float ro, float ee) {
  if (!(gam > 1.0f) || gn == 0.0f) return 0.0f;
  return std::max(0.0f, 3.0f * gn * (gam - 1.0f) * ro * ee);
}

// The start-of-step element value of the specific energy.
inline float element_energy(const Element& el, const float* ee) {
  float v = 0.0f;
  for (int i = 0; i < el.k; ++i) v += el.w[i] * ee[el.n[i]];
  return v;
}

// The stiffness of inertia on a component of lumped inverse mass `mass` in a step dt.
inline float inertia_stiffness(float dt, float mass) {
  return 1.0f / (dt * dt * mass);
}

// One contact of the list, checked: its nodes (from 0), normal and segment parameter.
struct Contact {
  int32_t pn, a, b;
  float nr, nz, t;
};
inline bool contact_at(Session& s, int32_t c, Contact& k) {
  const SolParm& p = parm(s);
  const int32_t* ce = ints(s, p.jce) + 3 * int64_t{c};
  const float* cf = reals(s, p.jcf) + 3 * int64_t{c};
  const int32_t n1 = s.cmesh.n1;
  k = {ce[0] - 1, ce[1] - 1, ce[2] - 1, cf[0], cf[1], cf[2]};
  return k.pn >= 0 && k.pn < n1 && k.a >= 0 && k.a < n1 && k.b >= 0 && k.b < n1;
}
inline int32_t contact_count(Session& s) {
  return std::clamp(parm(s).nce, 0, std::max(s.cmesh.n3, 0));
}

// The force on the contact's node P of its gap g = P - ((1 - t) A + t B): a spring of stiffness
// penalty along the normal and frict along the segment. A and B take minus (1 - t) and t of it.
inline void contact_force(const SolParm& p, const Contact& k, float gr, float gz, float& fr,
                          float& fz) {
  const float gn = p.penalty * (gr * k.nr + gz * k.nz);
  const float gt = p.frict * (gr * k.nz - gz * k.nr);
  fr = gn * k.nr + gt * k.nz;
  fz = gn * k.nz - gt * k.nr;
}

// Zeroes the components of v (2 n1 values, radial then axial) where a velocity is prescribed.
void zero_prescribed(Session& s, float* v);

}  // namespace tivor::sol
