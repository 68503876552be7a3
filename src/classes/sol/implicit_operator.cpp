// SOL4, SOKNTG1, SOMADK: the operator of the implicit scheme. It never forms a matrix: every
// product recomputes the element forces of the displacement increments it is given.
//
// The hoop strain of an element is R times the |d1|-weighted mean of its radial displacements;
// the hoop stress acts back on the nodes with the same weights, so that the operator is the
// derivative of an energy (symmetric), which the conjugate gradients need.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <type_traits>

#include "classes/sol/implicit_element.hpp"
#include "classes/sol/sol_internal.hpp"
#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "kernels/kernels.hpp"

namespace tivor::sol {
namespace {

// Adds the element's nodal forces of the stresses (S11, S33, S13, mean stress sm) to fr, fz.
inline void add_forces(const Element& el, float v, float r, float s11, float s33, float s13,
                       float sm, float* fr, float* fz) {
  const float a11 = (s11 + sm) * v, a13 = s13 * v, a33 = (s33 + sm) * v;
  const float hoop = (sm - s11 - s33) * v * r;
  for (int i = 0; i < el.k; ++i) {
    fr[el.n[i]] += el.d1[i] * a11 + el.d2[i] * a13 + el.a[i] * hoop;
    fz[el.n[i]] += el.d1[i] * a13 + el.d2[i] * a33;
  }
}

// Adds the magnitudes of the element's nodal force terms to sr, sz (the scale of their rounding).
inline void add_magnitudes(const Element& el, float v, float r, float s11, float s33, float s13,
                           float sm, float* sr, float* sz) {
  const float a11 = std::abs((s11 + sm) * v), a13 = std::abs(s13 * v);
  const float a33 = std::abs((s33 + sm) * v), hoop = std::abs((sm - s11 - s33) * v * r);
  for (int i = 0; i < el.k; ++i) {
    const float c1 = std::abs(el.d1[i]), c2 = std::abs(el.d2[i]);
    sr[el.n[i]] += c1 * a11 + c2 * a13 + el.a[i] * hoop;
    sz[el.n[i]] += c1 * a13 + c2 * a33;
  }
}

// The nodal arrays the material model reads for an element.
struct StateArrays {
  const float* f[12];
  const float* pore;
  const float* crack;
  const float* emx;
};

StateArrays state_arrays(Session& s) {
  const SolParm& p = parm(s);
  StateArrays a{};
  for (int i = 0; i < 12; ++i) a.f[i] = reals(s, p.jf[i]);
  a.pore = reals(s, p.jpore);
  a.crack = reals(s, p.jcrack);
  a.emx = reals(s, p.jemx);
  return a;
}

// Strain increments of the element from the increments x (radial then axial), the total
// displacement gradient from ur, uz, and the element values of the state.
void kinematics(const Element& el, const float* xr, const float* xz, const float* ur,
                const float* uz, const StateArrays& a, float r, ElementKinematics& k,
                ElementState& st) {
  float e11 = 0, e33 = 0, g13 = 0, hx = 0, hu = 0, grr = 0, grz = 0, gzr = 0, gzz = 0;
  ElementState x{};
  for (int i = 0; i < el.k; ++i) {
    const int32_t n = el.n[i];
    const float c1 = el.d1[i], c2 = el.d2[i], w = el.w[i];
    e11 += c1 * xr[n];
    e33 += c2 * xz[n];
    g13 += c2 * xr[n] + c1 * xz[n];
    hx += el.a[i] * xr[n];
    hu += el.a[i] * ur[n];
    grr += c1 * ur[n];
    grz += c2 * ur[n];
    gzr += c1 * uz[n];
    gzz += c2 * uz[n];
    x.ep11 += w * a.f[kEp11][n];
    x.ep33 += w * a.f[kEp33][n];
    x.ep13 += w * a.f[kEp13][n];
    x.rop += w * a.f[kRop][n];
    x.ap += w * a.f[kAp][n];
    x.ro += w * a.f[kRo][n];
    x.ee += w * a.f[kEe][n];
    x.pore += w * a.pore[n];
    x.crack += w * a.crack[n];
    x.emx += w * a.emx[n];
  }
  const float em = (e11 + r * hx + e33) / 3.0f;
  k.de11 = e11 - em;
  k.de33 = e33 - em;
  k.de13 = 0.5f * g13;
  k.dem = em;
  k.durdr = grr;
  k.durdz = grz;
  k.duzdr = gzr;
  k.duzdz = gzz;
  k.ubar = hu;
  k.rmin1 = r;
  st = x;
}

// Pass 1 of mode 0: the loads, the contact list, the element forces of the predicted stresses
// with the gas pressure, and the continued boundary, all into jgr; the elastic diagonal into d.
int residual_forces(Session& s, const MeshArrays& g, const float* x, float* d) {
  SolParm& p = parm(s);
  float* fr = reals(s, p.jgr);
  float* fz = fr + g.n1;
  std::fill_n(fr, 2 * int64_t{g.n1}, 0.0f);
  std::fill_n(d, 2 * int64_t{g.n1}, 0.0f);
  if (sogrb(s) || soczon_list(s)) return 1;
  float* sr = reals(s, p.jf0[4]);
  float* sz = sr + g.n1;
  for (int64_t i = 0; i < 2 * int64_t{g.n1}; ++i) sr[i] = std::abs(fr[i]);
  const StateArrays a = state_arrays(s);
  const float* ur = reals(s, p.jf0[kUr]);
  const float* uz = reals(s, p.jf0[kUz]);
  float* dest = reals(s, s.cmesh.jdest_cell);
  const float dt = s.cht.ht;
  Element el;
  ElementKinematics k;
  ElementState st;
  ElementStresses out;
  int32_t first = 0;
  for (int32_t z = 0; z < g.ntel; ++z) {
    const int32_t end = std::clamp(g.last[z], first, g.n2);
    const ZoneMaterial zm = somprop(s, z);
    const float g2 = zm.g2, half = 0.5f * zm.g2;
    for (int32_t e = first; e < end; ++e) {
      load_element(g, e, el);
      const float r = g.rmin1[e], v = g.vol[e];
      kinematics(el, x, x + g.n1, ur, uz, a, r, k, st);
      k.volume = v;
      k.volume0 = g.vol0[e];
      k.dt = dt;
      k.gn = p.gn;
      const float ee0 = st.ee;
      somatequ(zm, k, st, MaterialMode::force, out, dest[e]);
      // The gas pressure of the explicit forces, from the updated energy and density.
      const float pres = (zm.gam - 1.0f) * st.ee * st.ro;
      add_forces(el, v, r, out.inc[0], out.inc[1], out.inc[2], out.inc[3] - pres, fr, fz);
      add_magnitudes(el, v, r, out.inc[0], out.inc[1], out.inc[2], out.inc[3] - pres, sr, sz);
      const float k3 = zm.k3 + gas_k3(zm.gam, p.gn, zm.ro0 * k.volume0 / v, ee0);
      const float l2g = (k3 + 2.0f * g2) / 3.0f;
      for (int i = 0; i < el.k; ++i) {
        const int32_t n = el.n[i];
        const float c1 = el.d1[i] * el.d1[i], c2 = el.d2[i] * el.d2[i], h = el.a[i] * r;
        d[n] += v * (c1 * l2g + c2 * half + h * h * l2g);
        d[g.n1 + n] += v * (c1 * half + c2 * l2g);
      }
    }
    first = end;
  }
  return contin(s);
}

// The product q = K v of the elastic increments (with the gas stiffness) alone.
void elastic_product(Session& s, const MeshArrays& g, const float* v, float* q) {
  const SolParm& p = parm(s);
  const int32_t n1 = g.n1;
  std::fill_n(q, 2 * int64_t{n1}, 0.0f);
  const float* xr = v;
  const float* xz = v + n1;
  float* qr = q;
  float* qz = q + n1;
  const float* ee = reals(s, p.jf[kEe]);
  const float* gam = reals(s, p.jgam);
  const float* rom = reals(s, p.jrom);
  const float* g2s = reals(s, p.ja5m);
  const float* k3s = reals(s, p.ja6m);
  const bool axisym = s.cmesh.isym == 1;
  Element el;
  int32_t first = 0;
  for (int32_t z = 0; z < g.ntel; ++z) {
    const int32_t end = std::clamp(g.last[z], first, g.n2);
    const float g2 = g2s[z], k3z = k3s[z], gz = gam[z], ro0 = rom[z];
    const bool gas = gz > 1.0f && p.gn != 0.0f;
    if (!gas) {
      // The common case in short: no gas, only what the product needs. A fixed count of nodes
      // and the hoop terms known at compile time let the compiler unroll the element's loops.
      const auto zone = [&](auto hoop) {
        constexpr bool kHoop = decltype(hoop)::value;
        for (int32_t e = first; e < end; ++e) {
          const int64_t base = int64_t{e} * g.m;
          const int32_t* nv = g.conn + base;
          const auto element = [&](auto nodes) {
            constexpr int k = decltype(nodes)::value;
            float pr[k], pz[k], fr[k], fz[k], a[k] = {};
            for (int i = 0; i < k; ++i) pr[i] = xr[nv[i] - 1], pz[i] = xz[nv[i] - 1];
            if constexpr (kHoop) hoop_weights(k, g.d1 + base, a);
            elastic_forces<kHoop>(k, g.d1 + base, g.d2 + base, a, g.vol[e],
                                  kHoop ? g.rmin1[e] : 0.0f, g2, k3z, pr, pz, fr, fz);
            for (int i = 0; i < k; ++i) qr[nv[i] - 1] += fr[i], qz[nv[i] - 1] += fz[i];
          };
          if (g.m == 4 && nv[2] != nv[3]) {
            element(std::integral_constant<int, 4>{});
          } else {
            element(std::integral_constant<int, 3>{});
          }
        }
      };
      if (axisym) {
        zone(std::true_type{});
      } else {
        zone(std::false_type{});
      }
      first = end;
      continue;
    }
    for (int32_t e = first; e < end; ++e) {
      load_element(g, e, el);
      float pr[4], pz[4], fr[4], fz[4];
      for (int i = 0; i < el.k; ++i) pr[i] = xr[el.n[i]], pz[i] = xz[el.n[i]];
      const float vol = g.vol[e];
      float k3 = k3z;
      if (gas) k3 += gas_k3(gz, p.gn, ro0 * g.vol0[e] / vol, element_energy(el, ee));
      // A fixed count of nodes lets the compiler unroll the element's loops.
      const float r = g.rmin1[e];
      if (el.k == 4) {
        elastic_forces<true>(4, el.d1, el.d2, el.a, vol, r, g2, k3, pr, pz, fr, fz);
      } else {
        elastic_forces<true>(3, el.d1, el.d2, el.a, vol, r, g2, k3, pr, pz, fr, fz);
      }
      for (int i = 0; i < el.k; ++i) qr[el.n[i]] += fr[i], qz[el.n[i]] += fz[i];
    }
    first = end;
  }
}

// The increments x of the step made the new time level: v = x/dt, u += x in the copies, and every
// nodal field the weighted mean of its elements' new values.
int final_update(Session& s, const MeshArrays& g, const float* x) {
  SolParm& p = parm(s);
  const int32_t n1 = g.n1;
  const float dt = s.cht.ht;
  float* u[4];
  for (int i = 0; i < 4; ++i) u[i] = reals(s, p.jf0[i]);
  for (int32_t i = 0; i < n1; ++i) {
    u[kUr][i] += x[i];
    u[kUz][i] += x[n1 + i];
    u[kVr][i] = x[i] / dt;
    u[kVz][i] = x[n1 + i] / dt;
  }
  // Accumulators: the weight sum, the weighted new values and the stresses.
  float* weight = reals(s, p.jdf[0]);
  float* acc[8];  // ep11, ep33, pore, ep13, rop, ap, ro, ee
  for (int i = 0; i < 8; ++i) acc[i] = reals(s, p.jdf[4 + i]);
  float* crack = reals(s, p.jgr0);
  float* emx = crack + n1;
  float* str[4];
  for (int i = 0; i < 4; ++i) str[i] = reals(s, p.jstr[i]);
  std::fill_n(weight, n1, 0.0f);
  for (float* f : acc) std::fill_n(f, n1, 0.0f);
  std::fill_n(crack, 2 * int64_t{n1}, 0.0f);
  for (float* f : str) std::fill_n(f, n1, 0.0f);

  const StateArrays a = state_arrays(s);
  float* dest = reals(s, s.cmesh.jdest_cell);
  Element el;
  ElementKinematics k;
  ElementState st;
  ElementStresses out;
  int32_t first = 0;
  for (int32_t z = 0; z < g.ntel; ++z) {
    const int32_t end = std::clamp(g.last[z], first, g.n2);
    const ZoneMaterial zm = somprop(s, z);
    for (int32_t e = first; e < end; ++e) {
      load_element(g, e, el);
      kinematics(el, x, x + n1, u[kUr], u[kUz], a, g.rmin1[e], k, st);
      k.volume = g.vol[e];
      k.volume0 = g.vol0[e];
      k.dt = dt;
      k.gn = p.gn;
      somatequ(zm, k, st, MaterialMode::state, out, dest[e]);
      const float t11 = out.total[0], t33 = out.total[1], t13 = out.total[2], tm = out.total[3];
      // The model's density is that of the volume at the start of the step; on the current
      // configuration the step's own volume change 3 dem follows it.
      const float ro = p.gn != 0.0f ? st.ro / (1.0f + 3.0f * k.dem) : st.ro;
      const float vals[8] = {st.ep11, st.ep33, st.pore, st.ep13, st.rop, st.ap, ro, st.ee};
      for (int i = 0; i < el.k; ++i) {
        const int32_t n = el.n[i];
        const float w = el.w[i] * k.volume;
        weight[n] += w;
        for (int j = 0; j < 8; ++j) acc[j][n] += w * vals[j];
        crack[n] += w * st.crack;
        emx[n] += w * st.emx;
        str[0][n] += w * (t11 + tm);
        str[1][n] += w * (t33 + tm);
        str[2][n] += w * t13;
        str[3][n] += w * tm;
      }
    }
    first = end;
  }
  for (float* f : acc) {
    if (first_nonfinite(f, n1) >= 0) return flag_on(s, " so6:state not finite");
  }
  for (float* f : str) {
    if (first_nonfinite(f, n1) >= 0) return flag_on(s, " so6:stresses not finite");
  }

  for (int i = 0; i < 4; ++i) std::copy_n(u[i], n1, reals(s, p.jf[i]));
  float* f[12];
  for (int i = 0; i < 12; ++i) f[i] = reals(s, p.jf[i]);
  float* pore = reals(s, p.jpore);
  float* ncrack = reals(s, p.jcrack);
  float* nemx = reals(s, p.jemx);
  constexpr int kTo[8] = {kEp11, kEp33, -1, kEp13, kRop, kAp, kRo, kEe};
  for (int32_t i = 0; i < n1; ++i) {
    const float sw = weight[i];
    if (!(sw > 0.0f)) continue;  // a node of no element keeps its state
    const float inv = 1.0f / sw;
    for (int j = 0; j < 8; ++j) {
      if (kTo[j] >= 0) f[kTo[j]][i] = acc[j][i] * inv;
    }
    pore[i] = acc[2][i] * inv;
    f[kEp22][i] = -f[kEp11][i] - f[kEp33][i];
    ncrack[i] = crack[i] * inv;
    nemx[i] = emx[i] * inv;
    for (float* sv : str) sv[i] *= inv;
  }
  return 0;
}

}  // namespace

void zero_prescribed(Session& s, float* v) {
  const SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  const int32_t* b = ints(s, c.jj2);
  const int32_t* yr = ints(s, p.jy[1]);
  const int32_t* yz = ints(s, p.jy[2]);
  for (int32_t k = 0; k < c.n3; ++k) {
    const int32_t node = b[2 * k + 1];
    if (node < 1) continue;
    if (yr[k] == 0) v[node - 1] = 0.0f;
    if (yz[k] == 0) v[c.n1 + node - 1] = 0.0f;
  }
}

void somadk(Session& s, float* d) {
  const SolParm& p = parm(s);
  const int32_t n1 = s.cmesh.n1;
  Contact k;
  for (int32_t c = 0; c < contact_count(s); ++c) {
    if (!contact_at(s, c, k)) continue;
    // The normal spring on the normal component, the tangent one on the tangent component.
    const float kr = p.penalty * k.nr * k.nr + p.frict * k.nz * k.nz;
    const float kz = p.penalty * k.nz * k.nz + p.frict * k.nr * k.nr;
    const float wa = (1.0f - k.t) * (1.0f - k.t), wb = k.t * k.t;
    d[k.pn] += kr;
    d[n1 + k.pn] += kz;
    d[k.a] += wa * kr;
    d[n1 + k.a] += wa * kz;
    d[k.b] += wb * kr;
    d[n1 + k.b] += wb * kz;
  }
}

void sokntg1(Session& s, const float* v, float* res, bool positions) {
  const SolParm& p = parm(s);
  const int32_t n1 = s.cmesh.n1;
  const float* rz = reals(s, s.cmesh.jrz);
  const float* ur = reals(s, p.jf0[kUr]);
  const float* uz = reals(s, p.jf0[kUz]);
  // The position of node i (coordinates, displacement, increment), or the increment alone.
  const auto at = [&](int32_t i, float& r, float& z) {
    r = v[i];
    z = v[n1 + i];
    if (positions) r += rz[2 * i] + ur[i], z += rz[2 * i + 1] + uz[i];
  };
  Contact k;
  for (int32_t c = 0; c < contact_count(s); ++c) {
    if (!contact_at(s, c, k)) continue;
    float pr, pz, ar, az, br, bz;
    at(k.pn, pr, pz);
    at(k.a, ar, az);
    at(k.b, br, bz);
    const float gr = pr - ((1.0f - k.t) * ar + k.t * br);
    const float gz = pz - ((1.0f - k.t) * az + k.t * bz);
    float fr, fz;
    contact_force(p, k, gr, gz, fr, fz);
    res[k.pn] += fr;
    res[n1 + k.pn] += fz;
    res[k.a] -= (1.0f - k.t) * fr;
    res[n1 + k.a] -= (1.0f - k.t) * fz;
    res[k.b] -= k.t * fr;
    res[n1 + k.b] -= k.t * fz;
  }
}

int sol4(Session& s, const float* x, float* d, float* res, int mode) {
  SolParm& p = parm(s);
  const MeshArrays g = mesh_arrays(s);
  const int32_t n1 = g.n1;
  if (mode < 0) return final_update(s, g, x);
  const bool dynamic = p.mdin == 1;
  const float dt = s.cht.ht;
  const float* mass = reals(s, s.cmesh.jmm);
  if (mode == 0) {
    if (rtmr(s, "sol4") || residual_forces(s, g, x, d)) return 1;
    const float* jgr = reals(s, p.jgr);
    if (res != jgr) std::copy_n(jgr, 2 * int64_t{n1}, res);
    const float* vr = reals(s, p.jf0[kVr]);
    const float* vz = reals(s, p.jf0[kVz]);
    float* scale = reals(s, p.jf0[4]);
    if (dynamic) {
      // Inertia: M (x/dt - v)/dt, M the lumped mass.
      for (int32_t i = 0; i < 2 * n1; ++i) {
        const float v = i < n1 ? vr[i] : vz[i - n1];
        res[i] += (x[i] / dt - v) / (mass[i] * dt);
        scale[i] += (std::abs(x[i] / dt) + std::abs(v)) / (mass[i] * dt);
        d[i] += inertia_stiffness(dt, mass[i]);
      }
    }
    somadk(s, d);
    for (int32_t i = 0; i < 2 * n1; ++i) d[i] = d[i] > kEpsilon ? 1.0f / d[i] : 0.0f;
    sokntg1(s, x, res, true);
  } else {
    elastic_product(s, g, x, res);
    if (dynamic) {
      for (int32_t i = 0; i < 2 * n1; ++i) res[i] += x[i] / (dt * dt * mass[i]);
    }
    sokntg1(s, x, res, false);
  }
  zero_prescribed(s, res);
  return 0;
}

}  // namespace tivor::sol
