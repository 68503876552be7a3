// SO3 and SO3I: one explicit step of the solid. Pass 1 turns the element stresses into nodal
// forces and moves the nodes; pass 2 brings the elements' new state back to the nodes as
// volume-weighted averages.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "classes/sol/sol_internal.hpp"
#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "kernels/kernels.hpp"

namespace tivor::sol {
namespace {

// The state fields an element gathers from its nodes in both passes, kept together for each node
// so that a node's values come in one cache line.
enum StateValue : int {
  kStateEp11,
  kStateEp33,
  kStateEp13,
  kStateRop,
  kStateAp,
  kStateRo,
  kStateEe,
  kStatePore,
  kStateCrack,
  kStateEmx,
};
struct alignas(64) NodeState {
  float v[16];
};

// The nodes of a block that node loops over many arrays take one array at a time.
constexpr int32_t kNodeBlock = 256;

// The pool arrays of one step, looked up once.
struct StepArrays : MeshArrays {
  float* dest;
  const float* f[12];  // start-of-step fields (plastic strains and state)
  float* u[4];         // the copies: ur, uz, vr, vz of the new time level
  float* fr;           // forces, radial then axial
  float* fz;
  const float* pore;
  const float* crack;
  const float* emx;
  const NodeState* state;  // the start-of-step state fields above, node by node
  float dt, gn;
  bool axisym;
};

StepArrays arrays(Session& s) {
  SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  StepArrays a{};
  static_cast<MeshArrays&>(a) = mesh_arrays(s);
  a.dest = reals(s, c.jdest_cell);
  for (int i = 0; i < 12; ++i) a.f[i] = reals(s, p.jf[i]);
  for (int i = 0; i < 4; ++i) a.u[i] = reals(s, p.jf0[i]);
  a.fr = reals(s, p.jgr);
  a.fz = a.fr + c.n1;
  a.pore = reals(s, p.jpore);
  a.crack = reals(s, p.jcrack);
  a.emx = reals(s, p.jemx);
  a.dt = s.cht.ht;
  a.gn = p.gn;
  a.axisym = c.isym == 1;
  return a;
}

// One element's nodes, derivative coefficients and weights; K is 3 for a triangle (also one of
// a quadrilateral mesh, whose third and fourth nodes are the same), 4 for a quadrilateral.
template <int K>
struct Element {
  int32_t n[K];
  float d1[K], d2[K], w[K];
};

template <int K>
inline void load_element(const StepArrays& a, int32_t e, Element<K>& el) {
  const int64_t base = int64_t{e} * a.m;
  for (int i = 0; i < K; ++i) {
    el.n[i] = a.conn[base + i] - 1;
    el.d1[i] = a.d1[base + i];
    el.d2[i] = a.d2[base + i];
    el.w[i] = a.dm[base + i];
  }
}

// Strain increments and displacement gradients of the element from the copies, and its values
// of the state fields.
template <int K>
inline void kinematics(const StepArrays& a, const Element<K>& el, int32_t e, ElementKinematics& k,
                       ElementState& st) {
  const float* ur = a.u[0];
  const float* uz = a.u[1];
  const float* vr = a.u[2];
  const float* vz = a.u[3];
  float svr1 = 0, svz2 = 0, svr2 = 0, svz1 = 0, s1 = 0, s1vr = 0, s1ur = 0;
  float grr = 0, grz = 0, gzr = 0, gzz = 0;
  ElementState x{};
  for (int i = 0; i < K; ++i) {
    const int32_t n = el.n[i];
    const float c1 = el.d1[i], c2 = el.d2[i], w = el.w[i], a1 = std::abs(c1);
    svr1 += c1 * vr[n];
    svz2 += c2 * vz[n];
    svr2 += c2 * vr[n];
    svz1 += c1 * vz[n];
    s1 += a1;
    s1vr += a1 * vr[n];
    s1ur += a1 * ur[n];
    grr += c1 * ur[n];
    grz += c2 * ur[n];
    gzr += c1 * uz[n];
    gzz += c2 * uz[n];
    const float* g = a.state[n].v;
    x.ep11 += w * g[kStateEp11];
    x.ep33 += w * g[kStateEp33];
    x.ep13 += w * g[kStateEp13];
    x.rop += w * g[kStateRop];
    x.ap += w * g[kStateAp];
    x.ro += w * g[kStateRo];
    x.ee += w * g[kStateEe];
    x.pore += w * g[kStatePore];
    x.crack += w * g[kStateCrack];
    x.emx += w * g[kStateEmx];
  }
  const float dt = a.dt, r = a.rmin1[e];
  const float e11 = dt * svr1, e33 = dt * svz2, e13 = 0.5f * dt * (svr2 + svz1);
  const float inv_s1 = s1 > 0 ? 1.0f / s1 : 0.0f;
  const float e22 = r * dt * s1vr * inv_s1;
  const float em = (e11 + e22 + e33) * (1.0f / 3.0f);
  k.de11 = e11 - em;
  k.de33 = e33 - em;
  k.de13 = e13;
  k.dem = em;
  k.durdr = grr;
  k.durdz = grz;
  k.duzdr = gzr;
  k.duzdz = gzz;
  k.ubar = s1ur * inv_s1;
  k.rmin1 = r;
  k.volume = a.vol[e];
  k.volume0 = a.vol0[e];
  k.dt = dt;
  k.gn = a.gn;
  st = x;
}

// Pass 1 on one element: its forces into fr, fz.
template <int K>
inline void element_forces(const StepArrays& a, const ZoneModel& zm, bool variant, int32_t e) {
  Element<K> el;
  ElementKinematics k;
  ElementState st;
  ElementStresses out;
  load_element(a, e, el);
  kinematics(a, el, e, k, st);
  material_model<MaterialMode::force>(zm, k, st, out, a.dest[e]);
  const float bulk = zm.k3 / 3.0f, gam1 = zm.gam - 1.0f;
  const float pres = gam1 * st.ee * st.ro;
  // The small-strain mean stress, unless strains are taken on the current configuration:
  // then the model's own, so that a turned body stays free of stress in either scheme.
  const float sm = variant || a.gn != 0.0f
                       ? out.inc[3]
                       : bulk * (k.rmin1 * k.ubar + k.durdr + k.duzdz + 3.0f * k.dem);
  const float v = k.volume;
  const float s11 = out.inc[0], s33 = out.inc[1], s13 = out.inc[2];
  const float a11 = (s11 + sm - pres) * v, a13 = s13 * v, a33 = (s33 + sm - pres) * v;
  const float hoop = (sm - pres - s11 - s33) * v * k.rmin1;
  for (int i = 0; i < K; ++i) {
    const int32_t n = el.n[i];
    a.fr[n] += el.d1[i] * a11 + el.d2[i] * a13 + el.w[i] * hoop;
    a.fz[n] += el.d1[i] * a13 + el.d2[i] * a33;
  }
}

// Pass 1: element forces into fr, fz.
void forces(const StepArrays& a, Session& s, bool variant) {
  int32_t first = 0;
  for (int32_t z = 0; z < a.ntel; ++z) {
    const int32_t end = std::clamp(a.last[z], first, a.n2);
    const ZoneModel zm = zone_model(somprop(s, z));
    for (int32_t e = first; e < end; ++e) {
      if (is_quadrilateral(a.conn, a.m, e)) {
        element_forces<4>(a, zm, variant, e);
      } else {
        element_forces<3>(a, zm, variant, e);
      }
    }
    first = end;
  }
}

// The sums of pass 2 at a node, kept together so that an element adds to one cache line per
// node: the weight, the changes (SO3) or the weighted values (SO3I) of the state, and the
// stresses.
enum Sum : int {
  kSumWeight,
  kSumEp11,
  kSumEp33,
  kSumPore,
  kSumEp13,
  kSumRop,
  kSumAp,
  kSumRo,
  kSumEe,
  kSumS11,
  kSumS33,
  kSumS13,
  kSumSm,
  kSumCrack,
  kSumEmx,
};
struct alignas(64) NodeSums {
  float v[16];
};
// The names of the sums a finite test reports, from kSumEp11 on.
constexpr const char* kSumNames[14] = {"ep11", "ep33", "pore", "ep13", "rop", "ap",    "ro",
                                       "ee",   "s11",  "s33",  "s13",  "sm",  "crack", "emx"};

// Pass 2 on one element: its new state, weighted by w_i V, to its nodes.
template <int K>
inline void element_state(const StepArrays& a, const ZoneModel& zm, NodeSums* q, bool variant,
                          int32_t e) {
  Element<K> el;
  ElementKinematics k;
  ElementState before, st;
  ElementStresses out;
  load_element(a, e, el);
  kinematics(a, el, e, k, before);
  st = before;
  material_model<MaterialMode::state>(zm, k, st, out, a.dest[e]);
  // SO3 brings back the changes, SO3I the new values themselves.
  const ElementState base = variant ? ElementState{} : before;
  const float t11 = out.total[0], t33 = out.total[1], t13 = out.total[2], tm = out.total[3];
  for (int i = 0; i < K; ++i) {
    float* sum = q[el.n[i]].v;
    const float w = el.w[i] * k.volume;
    sum[kSumWeight] += w;
    sum[kSumEp11] += w * (st.ep11 - base.ep11);
    sum[kSumEp33] += w * (st.ep33 - base.ep33);
    sum[kSumEp13] += w * (st.ep13 - base.ep13);
    sum[kSumRop] += w * (st.rop - base.rop);
    sum[kSumAp] += w * (st.ap - base.ap);
    sum[kSumRo] += w * (st.ro - base.ro);
    sum[kSumEe] += w * (st.ee - base.ee);
    sum[kSumPore] += w * (st.pore - base.pore);
    sum[kSumCrack] += w * (st.crack - base.crack);
    sum[kSumEmx] += w * st.emx;
    sum[kSumS11] += w * (t11 + tm);
    sum[kSumS33] += w * (t33 + tm);
    sum[kSumS13] += w * t13;
    sum[kSumSm] += w * tm;
  }
}

// Pass 2: each element's new state to its nodes.
void states(const StepArrays& a, Session& s, NodeSums* q, bool variant) {
  int32_t first = 0;
  for (int32_t z = 0; z < a.ntel; ++z) {
    const int32_t end = std::clamp(a.last[z], first, a.n2);
    const ZoneModel zm = zone_model(somprop(s, z));
    for (int32_t e = first; e < end; ++e) {
      if (is_quadrilateral(a.conn, a.m, e)) {
        element_state<4>(a, zm, q, variant, e);
      } else {
        element_state<3>(a, zm, q, variant, e);
      }
    }
    first = end;
  }
}

// The first element (from 1) that the new displacements turn over; 0 when none.
int32_t first_inverted(const StepArrays& a, const float* rz) {
  if (a.gn == 0.0f) return 0;
  for (int32_t e = 0; e < a.n2; ++e) {
    const int32_t* v = a.conn + int64_t{e} * a.m;
    const int k = (a.m == 4 && v[2] != v[3]) ? 4 : 3;
    float r[4], z[4];
    for (int i = 0; i < k; ++i) {
      const int32_t n = v[i] - 1;
      r[i] = rz[2 * n] + a.gn * a.u[0][n];
      z[i] = rz[2 * n + 1] + a.gn * a.u[1][n];
    }
    float a2 = (z[1] - z[0]) * (r[2] - r[0]) - (z[2] - z[0]) * (r[1] - r[0]);
    if (k == 4) a2 += (z[2] - z[0]) * (r[3] - r[0]) - (z[3] - z[0]) * (r[2] - r[0]);
    if (!(a2 > 0.0f)) return e + 1;
  }
  return 0;
}

int inverted(Session& s, int32_t e, float t) {
  clswnd3(s);
  locate1(s, 1, 18);
  return flag_on(
      s, " so3:element" + fmt_int(e, "(i8)") + " turned inside out at t=" + fmt_real(t, "(e10.3)"));
}

constexpr const char* kFieldNames[12] = {"ur",   "uz",   "vr",  "vz", "ep11", "ep33",
                                         "ep22", "ep13", "rop", "ap", "ro",   "ee"};

// Stops the step when one of n arrays of n1 values (at consecutive pointers from j) holds a
// value that is not finite, naming its field and node.
int check_finite(Session& s, int32_t j, int n, const char* const* names, float t) {
  const int32_t n1 = s.cmesh.n1;
  for (int f = 0; f < n; ++f) {
    const int64_t node = first_nonfinite(reals(s, j + int64_t{f} * n1), n1);
    if (node < 0) continue;
    clswnd3(s);
    locate1(s, 1, 18);
    std::string message = " so3:";
    message += names[f];
    message += " not finite at node" + fmt_int(static_cast<int>(node + 1), "(i8)");
    message += " t=" + fmt_real(t, "(e10.3)");
    return flag_on(s, message);
  }
  return 0;
}

// Stops the step when a sum of pass 2 is not finite, naming the first such sum (in the order of
// kSumNames) and its first node.
int check_sums(Session& s, const NodeSums* q, int32_t n1, float t) {
  bool finite = true;
  for (int32_t i = 0; i < n1; ++i) {
    float x = 0.0f;
    for (int k = kSumEp11; k <= kSumEmx; ++k) x += q[i].v[k] * 0.0f;
    finite &= x == 0.0f;
  }
  if (finite) return 0;
  for (int k = kSumEp11; k <= kSumEmx; ++k) {
    for (int32_t i = 0; i < n1; ++i) {
      if (std::isfinite(q[i].v[k])) continue;
      clswnd3(s);
      locate1(s, 1, 18);
      std::string message = " so3:";
      message += kSumNames[k - kSumEp11];
      message += " not finite at node" + fmt_int(i + 1, "(i8)");
      message += " t=" + fmt_real(t, "(e10.3)");
      return flag_on(s, message);
    }
  }
  return 0;
}

// The nodal smoothing of the fields at the given pointers, each on its own.
void smooth(Session& s, const NodeNeighbours& nb, std::span<const int32_t> fields) {
  asgl1_fields(s, nb, fields, s.cht.sgl1[0], 4);
}

}  // namespace

int so3(Session& s, bool variant) {
  if (rtmr(s, variant ? "so3i" : "so3")) return 1;
  SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  if (!arrays_ok(s)) return flag_on(s, " so3:task arrays lie outside the pools");
  const int32_t n1 = c.n1;
  std::fill_n(reals(s, p.jgr), 2 * int64_t{n1}, 0.0f);
  for (int i = 0; i < 4; ++i) std::copy_n(reals(s, p.jf[i]), n1, reals(s, p.jf0[i]));
  // The geometry and the limits of the step in one sweep of the elements.
  StepLimits limits;
  if (const int32_t bad = soind3_limits(s, p.jf0[kUr], p.jf0[kUz], limits); bad != 0) {
    return inverted(s, bad, s.cht.t);
  }
  sokc(s, p.jf0[kVr], p.jf0[kVz]);
  // The density the step control may scale is kept until the step has succeeded.
  float* ro = reals(s, p.jf[kRo]);
  float* ro_kept = reals(s, p.jmd);
  std::copy_n(ro, n1, ro_kept);
  const auto fail = [&] {
    std::copy_n(ro_kept, n1, ro);
    return 1;
  };
  if (soht2(s, limits) || sogrb(s)) return fail();
  StepArrays a = arrays(s);
  // The state fields do not change until the new level: gathered node by node once, in blocks
  // of nodes one field at a time (see the new level below).
  thread_local std::vector<NodeState> state;
  state.resize(n1);
  const float* const from[10] = {a.f[kEp11], a.f[kEp33], a.f[kEp13], a.f[kRop], a.f[kAp],
                                 a.f[kRo],   a.f[kEe],   a.pore,     a.crack,   a.emx};
  for (int32_t b0 = 0; b0 < n1; b0 += kNodeBlock) {
    const int32_t nb0 = std::min(kNodeBlock, n1 - b0);
    for (int k = kStateEp11; k <= kStateEmx; ++k) {
      for (int32_t j = 0; j < nb0; ++j) state[b0 + j].v[k] = from[k][b0 + j];
    }
  }
  a.state = state.data();
  const float t_new = s.cht.t + a.dt;
  forces(a, s, variant);
  if (contin(s)) return fail();

  const float* mass = reals(s, c.jmm);
  float* vr = a.u[kVr];
  float* vz = a.u[kVz];
  for (int32_t i = 0; i < n1; ++i) {
    vr[i] -= a.fr[i] * mass[i] * a.dt;
    vz[i] -= a.fz[i] * mass[n1 + i] * a.dt;
  }
  sokc(s, p.jf0[kVr], p.jf0[kVz]);
  const NodeNeighbours& nb = node_neighbours(s);
  smooth(s, nb, std::array{p.jf0[kVr], p.jf0[kVz]});
  sokc(s, p.jf0[kVr], p.jf0[kVz]);
  if (flag_tst(s) || sokn(s)) return fail();
  sokc(s, p.jf0[kVr], p.jf0[kVz]);
  for (int32_t i = 0; i < n1; ++i) {
    a.u[kUr][i] += vr[i] * a.dt;
    a.u[kUz][i] += vz[i] * a.dt;
  }
  if (check_finite(s, p.jf0[0], 4, kFieldNames, t_new)) return fail();
  if (const int32_t bad = first_inverted(a, reals(s, c.jrz)); bad != 0) {
    inverted(s, bad, t_new);
    return fail();
  }

  // Pass 2.
  thread_local std::vector<NodeSums> sums;
  sums.assign(n1, NodeSums{});
  NodeSums* q = sums.data();
  states(a, s, q, variant);
  if (flag_tst(s) || check_sums(s, q, n1, t_new)) return fail();

  // The new time level.
  for (int i = 0; i < 4; ++i) std::copy_n(reals(s, p.jf0[i]), n1, reals(s, p.jf[i]));
  float* f[12];
  for (int i = 0; i < 12; ++i) f[i] = reals(s, p.jf[i]);
  float* pore = reals(s, p.jpore);
  float* crack = reals(s, p.jcrack);
  float* emx = reals(s, p.jemx);
  float* str[4];
  for (int i = 0; i < 4; ++i) str[i] = reals(s, p.jstr[i]);
  // Node by node as below, but in blocks that stay in the cache, one array at a time within a
  // block: the many arrays of n1 values side by side in the pool would otherwise compete for
  // the same cache sets. A node of no element keeps its state; its stresses are the (zero) sums.
  float inv[kNodeBlock];
  bool has[kNodeBlock];
  for (int32_t b0 = 0; b0 < n1; b0 += kNodeBlock) {
    const int32_t nb0 = std::min(kNodeBlock, n1 - b0);
    const NodeSums* sum = q + b0;
    for (int32_t j = 0; j < nb0; ++j) {
      const float sw = sum[j].v[kSumWeight];
      has[j] = sw > 0.0f;
      inv[j] = has[j] ? 1.0f / sw : 0.0f;
    }
    // SO3I takes the new values, SO3 adds the changes.
    const auto update = [&](float* field, int k) {
      float* out = field + b0;
      for (int32_t j = 0; j < nb0; ++j) {
        if (has[j]) out[j] = variant ? sum[j].v[k] * inv[j] : out[j] + sum[j].v[k] * inv[j];
      }
    };
    update(f[kEp11], kSumEp11);
    update(f[kEp33], kSumEp33);
    update(f[kEp13], kSumEp13);
    update(f[kRop], kSumRop);
    update(f[kAp], kSumAp);
    if (!variant) update(f[kRo], kSumRo);
    update(pore, kSumPore);
    update(crack, kSumCrack);
    float* ee = f[kEe] + b0;
    float* ep11 = f[kEp11] + b0;
    float* ep33 = f[kEp33] + b0;
    float* ep22 = f[kEp22] + b0;
    float* em = emx + b0;
    for (int32_t j = 0; j < nb0; ++j) {
      if (!has[j]) continue;
      const float change = sum[j].v[kSumEe] * inv[j];
      ee[j] = variant ? change : std::max(0.0f, ee[j] + change);
      ep22[j] = -ep11[j] - ep33[j];
      em[j] = sum[j].v[kSumEmx] * inv[j];
    }
    for (int k = 0; k < 4; ++k) {
      float* out = str[k] + b0;
      for (int32_t j = 0; j < nb0; ++j) {
        const float v = sum[j].v[kSumS11 + k];
        out[j] = has[j] ? v * inv[j] : v;
      }
    }
  }
  if (!variant) {
    smooth(s, nb, std::span(p.jf + kEp11, kEe - kEp11 + 1));
  }
  return flag_tst(s) ? 1 : 0;
}

}  // namespace tivor::sol
