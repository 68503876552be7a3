// SO3 and SO3I: one explicit step of the solid. Pass 1 turns the element stresses into nodal
// forces and moves the nodes; pass 2 brings the elements' new state back to the nodes as
// volume-weighted averages.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "classes/sol/lanes.hpp"
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
  const float* motion;     // the copies ur, uz, vr, vz of each node together, 4 values a node
  const float* rz;         // the mesh coordinates, r and z of each node
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
  a.rz = reals(s, c.jrz);
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

// Elements of a plain zone (no compaction, no damage, no yield criterion or the von Mises one,
// a yield table of at most two rows, a density) go through the step in batches of one kind: the
// node values are gathered element by element and turned into lanes, the model runs on whole
// vectors of elements, and only the additions to the nodes stay one element after another, in
// element order as elsewhere.
bool plain(const ZoneModel& z) {
  return !(z.compact[0] > 0.0f) && z.damage_model == 0 && (z.plast == 0 || z.plast == 1) &&
         z.yield.size() <= 4 && z.ro0 > 0.0f;
}

// Whether pass 2 runs every element of the mesh in batches, which change nothing but the sums:
// the zones cover the mesh, and all are plain.
bool batches_cover_mesh(Session& s, const MeshArrays& a) {
  if (a.ntel < 1 || a.last[a.ntel - 1] < a.n2) return false;
  for (int32_t z = 0; z < a.ntel; ++z) {
    if (!plain(zone_model(somprop(s, z)))) return false;
  }
  return true;
}

// The yield stress of a plain zone, f0 + (w - w0) slope, as the table lookup gives it.
struct LinearYield {
  float w0 = 0.0f, f0 = 0.0f, slope = 0.0f;
};
LinearYield linear_yield(std::span<const float> t) {
  if (t.size() < 4) return {0.0f, t.size() < 2 ? 0.0f : t[1], 0.0f};
  const float dw = t[2] - t[0];
  return {t[0], t[1], dw > 1e-6f ? (t[3] - t[1]) / dw : 0.0f};
}

// One value of each element of a batch per array. A batch of fewer than kLanes elements fills
// the other lanes with its first element, so that every loop runs over whole vectors.
struct alignas(64) Lanes {
  using L = float[kLanes];
  L de11, de33, de13, dem, durdr, durdz, duzdr, duzdz, hoop, small, rmin1, volume, volume0;
  L area_ratio;  // a triangle's area after the step over its area before
  L ep11, ep33, ep13, rop, ap, ro, ee, pore, crack, emx;  // the state, updated by the model
  L s11, s33, s13, sm;                                    // total stresses
  L p11, p33, p13, pm;  // the stresses that drive the forces (pass 1)
};

// The kinematics sums of one element in its row of 16: d1 (ur, uz, vr, vz), d2 (ur, uz, vr, vz),
// |d1| (ur, uz, vr, vz), the sum of |d1|.
enum KinematicsSum : int {
  kD1Ur,
  kD1Uz,
  kD1Vr,
  kD1Vz,
  kD2Ur,
  kD2Uz,
  kD2Vr,
  kD2Vz,
  kA1Ur,
  kA1Uz,
  kA1Vr,
  kA1Vz,
  kA1,
};

// n values of an array from e0 into the lanes, the rest repeating the first.
inline void element_lanes(const float* from, int32_t e0, int n, float* to) {
  if (n == kLanes) {
    std::memcpy(to, from + e0, sizeof(float) * kLanes);
    return;
  }
  for (int j = 0; j < kLanes; ++j) to[j] = from[e0 + (j < n ? j : 0)];
}

// The kinematics of the batch of n elements from e0 and their gathered state values; M is the
// mesh's nodes per element.
template <int M, int K>
inline void gather_lanes(const StepArrays& a, int32_t e0, int n, Lanes& x) {
  // Element by element, a node's four copies loaded as one record (vector gathers are slower
  // here) and taken by each coefficient as a whole, and the weighted state records added as
  // whole vectors; each element's sums make a row, and the rows are turned into lanes.
  alignas(64) float kin[kLanes][16], st[kLanes][16];
  for (int j = 0; j < n; ++j) {
    const int64_t b = int64_t{e0 + j} * M;
    Quad q1{}, q2{}, qa{};
    float sa = 0.0f;
    Record g{};
    for (int i = 0; i < K; ++i) {
      const int32_t node = a.conn[b + i] - 1;
      const float c1 = a.d1[b + i], c2 = a.d2[b + i], w = a.dm[b + i], a1 = std::abs(c1);
      Quad u;
      std::memcpy(&u, a.motion + 4 * int64_t{node}, sizeof u);
      q1 += c1 * u;
      q2 += c2 * u;
      qa += a1 * u;
      sa += a1;
      Record r;
      std::memcpy(&r, a.state[node].v, sizeof r);
      g += w * r;
    }
    std::memcpy(&kin[j][kD1Ur], &q1, sizeof q1);
    std::memcpy(&kin[j][kD2Ur], &q2, sizeof q2);
    std::memcpy(&kin[j][kA1Ur], &qa, sizeof qa);
    kin[j][kA1] = sa;
    kin[j][13] = kin[j][14] = kin[j][15] = 0.0f;
    std::memcpy(st[j], &g, sizeof g);
  }
  for (int j = n; j < kLanes; ++j) {
    std::memcpy(kin[j], kin[0], sizeof kin[j]);
    std::memcpy(st[j], st[0], sizeof st[j]);
  }
  alignas(64) float k[16][16], v[16][16];
  transpose16(kin, k);
  transpose16(st, v);
  std::memcpy(x.ep11, v[kStateEp11], sizeof x.ep11);
  std::memcpy(x.ep33, v[kStateEp33], sizeof x.ep33);
  std::memcpy(x.ep13, v[kStateEp13], sizeof x.ep13);
  std::memcpy(x.rop, v[kStateRop], sizeof x.rop);
  std::memcpy(x.ap, v[kStateAp], sizeof x.ap);
  std::memcpy(x.ro, v[kStateRo], sizeof x.ro);
  std::memcpy(x.ee, v[kStateEe], sizeof x.ee);
  std::memcpy(x.pore, v[kStatePore], sizeof x.pore);
  std::memcpy(x.crack, v[kStateCrack], sizeof x.crack);
  std::memcpy(x.emx, v[kStateEmx], sizeof x.emx);
  element_lanes(a.rmin1, e0, n, x.rmin1);
  element_lanes(a.vol, e0, n, x.volume);
  element_lanes(a.vol0, e0, n, x.volume0);
  const float dt = a.dt;
  for (int j = 0; j < kLanes; ++j) {
    const float r = x.rmin1[j];
    x.durdr[j] = k[kD1Ur][j];
    x.durdz[j] = k[kD2Ur][j];
    x.duzdr[j] = k[kD1Uz][j];
    x.duzdz[j] = k[kD2Uz][j];
    const float e11 = dt * k[kD1Vr][j], e33 = dt * k[kD2Vz][j];
    const float e13 = 0.5f * dt * (k[kD2Vr][j] + k[kD1Vz][j]);
    const float inv_s1 = k[kA1][j] > 0 ? 1.0f / k[kA1][j] : 0.0f;
    const float e22 = r * dt * k[kA1Vr][j] * inv_s1;
    const float em = (e11 + e22 + e33) * (1.0f / 3.0f);
    x.de11[j] = e11 - em;
    x.de33[j] = e33 - em;
    x.de13[j] = e13;
    x.dem[j] = em;
    x.hoop[j] = r * (k[kA1Ur][j] * inv_s1);
    // The small-strain mean strain times 3 (the forces' mean stress of the small-strain case).
    x.small[j] = x.hoop[j] + x.durdr[j] + x.duzdz[j] + 3.0f * em;
    // The nodes move by gn dt v in the step: a triangle's map is linear, and its area changes by
    // the determinant of I + gn dt grad v.
    const float h = a.gn * dt;
    x.area_ratio[j] =
        (1.0f + h * k[kD1Vr][j]) * (1.0f + h * k[kD2Vz][j]) - (h * k[kD2Vr][j]) * (h * k[kD1Vz][j]);
  }
}

// The material model of a plain zone on every lane of x: what material_model does for such a
// zone, without its branches.
template <MaterialMode Mode>
inline void plain_model(const ZoneModel& z, const LinearYield& yl, float gn, Lanes& x) {
  // The zone's values as locals: through the references the compiler would have to load them
  // again after every store to the lanes.
  const float g2 = z.g2, k3 = z.k3, gh = 0.5f * gn, skpres = z.skpres, ro0 = z.ro0;
  const float inv_ro0 = z.inv_ro0, f0 = yl.f0, w0 = yl.w0, slope = yl.slope;
  const bool gas = z.gam > 1.1f, mises = z.plast == 1, hardens = z.g2 > 0.0f;
  using material_detail::deviator_norm2;
  TIVOR_IVDEP
  for (int j = 0; j < kLanes; ++j) {
    const float durdr = x.durdr[j], durdz = x.durdz[j], duzdr = x.duzdr[j], duzdz = x.duzdz[j];
    const float e11 = durdr - gh * (durdr * durdr + duzdr * duzdr);
    const float e33 = duzdz - gh * (durdz * durdz + duzdz * duzdz);
    const float e13 = 0.5f * (durdz + duzdr - gn * (durdr * durdz + duzdr * duzdz));
    const float hoop = x.hoop[j];
    const float e22 = hoop - gh * hoop * hoop;
    const float em = (e11 + e22 + e33) * (1.0f / 3.0f);
    float s11 = gas ? 0.0f : g2 * (e11 - em - x.ep11[j]);
    float s33 = gas ? 0.0f : g2 * (e33 - em - x.ep33[j]);
    float s13 = g2 * (e13 - x.ep13[j]);
    const float sm = k3 * em;
    x.ro[j] = ro0 * x.volume0[j] / x.volume[j];
    float y = 0.0f;
    if (mises) {
      y = std::max(1e-10f, f0 + (x.ap[j] - sm * skpres - w0) * slope);
      const float j2 = deviator_norm2(s11, s33, s13), r2 = j2 + 1e-10f;
      const float f = r2 <= y * y ? 1.0f : y / std::sqrt(r2);
      const bool flows = f < 1.0f && hardens;
      const float kp = (1.0f - f) / g2;
      x.ap[j] = flows ? x.ap[j] + kp * f * j2 : x.ap[j];
      x.ep11[j] = flows ? x.ep11[j] + kp * s11 : x.ep11[j];
      x.ep33[j] = flows ? x.ep33[j] + kp * s33 : x.ep33[j];
      x.ep13[j] = flows ? x.ep13[j] + kp * s13 : x.ep13[j];
      s11 *= f;
      s33 *= f;
      s13 *= f;
    }
    const float de11 = x.de11[j], de33 = x.de33[j], de13 = x.de13[j], dem = x.dem[j];
    const float work =
        3.0f * dem * sm + de11 * s11 + de33 * s33 + (s11 + s33) * (de11 + de33) + 2.0f * de13 * s13;
    x.ee[j] += work * inv_ro0;
    x.s11[j] = s11;
    x.s33[j] = s33;
    x.s13[j] = s13;
    x.sm[j] = sm;
    if constexpr (Mode == MaterialMode::force) {
      float p11 = s11 + g2 * de11, p33 = s33 + g2 * de33, p13 = s13 + g2 * de13;
      if (mises) {
        const float r2 = deviator_norm2(p11, p33, p13) + 1e-10f;
        const float f = r2 <= y * y ? 1.0f : y / std::sqrt(r2);
        p11 *= f;
        p33 *= f;
        p13 *= f;
      }
      x.p11[j] = p11;
      x.p33[j] = p33;
      x.p13[j] = p13;
      x.pm[j] = sm + k3 * dem;
    }
  }
}

// Pass 1 on the batch of n elements of K nodes from e0 in a plain zone of a mesh of M.
template <int M, int K>
void batch_forces(const StepArrays& a, const ZoneModel& zm, const LinearYield& yl, bool variant,
                  int32_t e0, int n) {
  Lanes x;
  gather_lanes<M, K>(a, e0, n, x);
  plain_model<MaterialMode::force>(zm, yl, a.gn, x);
  const float bulk = zm.k3 / 3.0f, gam1 = zm.gam - 1.0f;
  const bool own = variant || a.gn != 0.0f;
  float a11[kLanes], a13[kLanes], a33[kLanes], hoop[kLanes];
  TIVOR_IVDEP
  for (int j = 0; j < kLanes; ++j) {
    const float pres = gam1 * x.ee[j] * x.ro[j];
    const float sm = own ? x.pm[j] : bulk * x.small[j];
    const float v = x.volume[j], s11 = x.p11[j], s33 = x.p33[j];
    a11[j] = (s11 + sm - pres) * v;
    a13[j] = x.p13[j] * v;
    a33[j] = (s33 + sm - pres) * v;
    hoop[j] = (sm - pres - s11 - s33) * v * x.rmin1[j];
  }
  for (int j = 0; j < n; ++j) {
    const int64_t b = int64_t{e0 + j} * M;
    for (int i = 0; i < K; ++i) {
      const int32_t node = a.conn[b + i] - 1;
      const float c1 = a.d1[b + i], c2 = a.d2[b + i];
      a.fr[node] += c1 * a11[j] + c2 * a13[j] + a.dm[b + i] * hoop[j];
      a.fz[node] += c1 * a13[j] + c2 * a33[j];
    }
  }
}

// Runs the elements first..end of a zone: those of a plain zone in batches of one kind, the
// others one at a time; one(e) and batch(e0, n) take the element's nodes as parameter K, the
// batch the mesh's nodes per element as M before it.
template <typename One, typename Batch>
void zone_elements(const StepArrays& a, bool batched, int32_t first, int32_t end, One one,
                   Batch batch) {
  for (int32_t e = first; e < end;) {
    const bool quad = is_quadrilateral(a.conn, a.m, e);
    if (!batched) {
      if (quad) {
        one.template operator()<4>(e);
      } else {
        one.template operator()<3>(e);
      }
      ++e;
      continue;
    }
    int n = 1;
    while (n < kLanes && e + n < end && is_quadrilateral(a.conn, a.m, e + n) == quad) ++n;
    if (quad) {
      batch.template operator()<4, 4>(e, n);
    } else if (a.m == 4) {
      batch.template operator()<4, 3>(e, n);
    } else {
      batch.template operator()<3, 3>(e, n);
    }
    e += n;
  }
}

// Pass 1: element forces into fr, fz.
void forces(const StepArrays& a, Session& s, bool variant) {
  int32_t first = 0;
  for (int32_t z = 0; z < a.ntel; ++z) {
    const int32_t end = std::clamp(a.last[z], first, a.n2);
    const ZoneModel zm = zone_model(somprop(s, z));
    const LinearYield yl = linear_yield(zm.yield);
    zone_elements(
        a, plain(zm), first, end, [&]<int K>(int32_t e) { element_forces<K>(a, zm, variant, e); },
        [&]<int M, int K>(int32_t e0, int n) { batch_forces<M, K>(a, zm, yl, variant, e0, n); });
    first = end;
  }
}

// Whether a triangle of the batch may be turned over by the new displacements (first_inverted
// then decides): one that keeps more than half its area by its velocity gradient is not, however
// its new positions round.
inline bool may_turn_over(const Lanes& x) {
  constexpr float kSureAreaRatio = 0.5f;
  bool doubt = false;
  for (int j = 0; j < kLanes; ++j) doubt |= !(x.area_ratio[j] > kSureAreaRatio);
  return doubt;
}

// Pass 2 on the batch of n elements of K nodes from e0 in a plain zone of a mesh of M; with
// doubt not null (a mesh of triangles), also whether one of them may be turned over.
template <int M, int K>
[[gnu::always_inline]] inline void batch_states(const StepArrays& a, const ZoneModel& zm,
                                                const LinearYield& yl, NodeSums* q, bool variant,
                                                bool* doubt, int32_t e0, int n) {
  Lanes x;
  gather_lanes<M, K>(a, e0, n, x);
  if (doubt != nullptr && may_turn_over(x)) *doubt = true;
  // SO3 brings back the changes, SO3I the new values themselves.
  Lanes::L base[9] = {};
  if (!variant) {
    std::copy_n(x.ep11, kLanes, base[0]);
    std::copy_n(x.ep33, kLanes, base[1]);
    std::copy_n(x.pore, kLanes, base[2]);
    std::copy_n(x.ep13, kLanes, base[3]);
    std::copy_n(x.rop, kLanes, base[4]);
    std::copy_n(x.ap, kLanes, base[5]);
    std::copy_n(x.ro, kLanes, base[6]);
    std::copy_n(x.ee, kLanes, base[7]);
    std::copy_n(x.crack, kLanes, base[8]);
  }
  plain_model<MaterialMode::state>(zm, yl, a.gn, x);
  // The elements' additions to a node, in the order of the sums, per unit weight: lane by lane,
  // then turned into one record an element.
  alignas(64) float add[16][16], rec[16][16];
  for (int j = 0; j < kLanes; ++j) {
    add[kSumWeight][j] = 1.0f;
    add[kSumEp11][j] = x.ep11[j] - base[0][j];
    add[kSumEp33][j] = x.ep33[j] - base[1][j];
    add[kSumPore][j] = x.pore[j] - base[2][j];
    add[kSumEp13][j] = x.ep13[j] - base[3][j];
    add[kSumRop][j] = x.rop[j] - base[4][j];
    add[kSumAp][j] = x.ap[j] - base[5][j];
    add[kSumRo][j] = x.ro[j] - base[6][j];
    add[kSumEe][j] = x.ee[j] - base[7][j];
    add[kSumCrack][j] = x.crack[j] - base[8][j];
    add[kSumEmx][j] = x.emx[j];
    add[kSumS11][j] = x.s11[j] + x.sm[j];
    add[kSumS33][j] = x.s33[j] + x.sm[j];
    add[kSumS13][j] = x.s13[j];
    add[kSumSm][j] = x.sm[j];
    add[15][j] = 0.0f;
  }
  transpose16(add, rec);
  for (int j = 0; j < n; ++j) {
    Record r;
    std::memcpy(&r, rec[j], sizeof r);
    const int64_t b = int64_t{e0 + j} * M;
    for (int i = 0; i < K; ++i) {
      float* sum = q[a.conn[b + i] - 1].v;
      Record t;
      std::memcpy(&t, sum, sizeof t);
      t += (a.dm[b + i] * x.volume[j]) * r;
      std::memcpy(sum, &t, sizeof t);
    }
  }
}

// Pass 2: each element's new state to its nodes. With doubt not null (a mesh of triangles, every
// zone plain), also whether an element may be turned over by the new displacements.
void states(const StepArrays& a, Session& s, NodeSums* q, bool variant, bool* doubt) {
  int32_t first = 0;
  for (int32_t z = 0; z < a.ntel; ++z) {
    const int32_t end = std::clamp(a.last[z], first, a.n2);
    const ZoneModel zm = zone_model(somprop(s, z));
    const LinearYield yl = linear_yield(zm.yield);
    zone_elements(
        a, plain(zm), first, end, [&]<int K>(int32_t e) { element_state<K>(a, zm, q, variant, e); },
        [&]<int M, int K>(int32_t e0, int n) {
          batch_states<M, K>(a, zm, yl, q, variant, doubt, e0, n);
        });
    first = end;
  }
}

// Twice the signed area of element e at the new positions r + gn ur, z + gn uz; M is the
// mesh's nodes per element (a triangle of a quadrilateral mesh repeats its third node, and its
// second half adds nothing).
template <int M>
inline bool turned_over(const StepArrays& a, int32_t e) {
  const int32_t* v = a.conn + int64_t{e} * M;
  float r[M], z[M];
  for (int i = 0; i < M; ++i) {
    const int32_t n = v[i] - 1;
    r[i] = a.rz[2 * n] + a.gn * a.u[0][n];
    z[i] = a.rz[2 * n + 1] + a.gn * a.u[1][n];
  }
  float a2 = (z[1] - z[0]) * (r[2] - r[0]) - (z[2] - z[0]) * (r[1] - r[0]);
  if constexpr (M == 4) {
    const float half = (z[2] - z[0]) * (r[3] - r[0]) - (z[3] - z[0]) * (r[2] - r[0]);
    a2 += v[2] != v[3] ? half : 0.0f;
  }
  return !(a2 > 0.0f);
}

// The first element (from 1) that the new displacements turn over; 0 when none. The elements
// go in batches without a branch each, so that their loads overlap; a batch with one turned
// over is then searched.
template <int M>
int32_t first_inverted_of(const StepArrays& a) {
  for (int32_t e0 = 0; e0 < a.n2; e0 += kLanes) {
    const int n = static_cast<int>(std::min<int32_t>(kLanes, a.n2 - e0));
    bool over[kLanes];
    bool any = false;
    for (int j = 0; j < n; ++j) {
      over[j] = turned_over<M>(a, e0 + j);
      any |= over[j];
    }
    if (!any) continue;
    for (int j = 0; j < n; ++j) {
      if (over[j]) return e0 + j + 1;
    }
  }
  return 0;
}

int32_t first_inverted(const StepArrays& a) {
  if (a.gn == 0.0f) return 0;
  return a.m == 4 ? first_inverted_of<4>(a) : first_inverted_of<3>(a);
}

int inverted(Session& s, int32_t e, float t) {
  clswnd3(s);
  locate1(s, 1, 18);
  return flag_on(
      s, " so3:element" + fmt_int(e, "(i8)") + " turned inside out at t=" + fmt_real(t, "(e10.3)"));
}

// Stops the step at the first element (from 1) that the new displacements turn over; 0 when
// none does.
int32_t stop_if_turned(Session& s, const StepArrays& a, float t) {
  const int32_t bad = first_inverted(a);
  if (bad != 0) inverted(s, bad, t);
  return bad;
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
  // A value that is not finite times zero is not a number, and so is any sum holding one:
  // whole records times zero summed in four accumulators, then the sums looked at.
  Record acc[4] = {};
  int32_t i = 0;
  for (; i + 4 <= n1; i += 4) {
    for (int u = 0; u < 4; ++u) {
      Record r;
      std::memcpy(&r, q[i + u].v, sizeof r);
      acc[u] += r * 0.0f;
    }
  }
  for (; i < n1; ++i) {
    Record r;
    std::memcpy(&r, q[i].v, sizeof r);
    acc[0] += r * 0.0f;
  }
  const Record all = (acc[0] + acc[1]) + (acc[2] + acc[3]);
  bool finite = true;
  for (int k = kSumEp11; k <= kSumEmx; ++k) finite &= all[k] == 0.0f;
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

// The velocities SOKC prescribes at boundary nodes, also into the nodes' motion records (ur,
// uz, vr, vz of each node).
void prescribed_motion(Session& s, float* motion) {
  const Cmesh& c = s.cmesh;
  const SolParm& p = parm(s);
  const int32_t* b = ints(s, c.jj2);
  const float* vr = reals(s, p.jf0[kVr]);
  const float* vz = reals(s, p.jf0[kVz]);
  for (int32_t k = 0; k < c.n3; ++k) {
    const int32_t node = b[2 * k + 1];
    if (node < 1) continue;
    motion[4 * int64_t{node - 1} + 2] = vr[node - 1];
    motion[4 * int64_t{node - 1} + 3] = vz[node - 1];
  }
}

// The records of the state fields, node by node: 16 nodes at a time, each field's 16 values a
// row, turned into one record a node by a transposition; the rest one node at a time.
[[gnu::noinline]] void state_records(const float* const (&from)[10], int32_t n1, NodeState* out) {
  alignas(64) float rows[16][16] = {}, rec[16][16];
  int32_t i0 = 0;
  for (; i0 + 16 <= n1; i0 += 16) {
    for (int k = kStateEp11; k <= kStateEmx; ++k)
      std::memcpy(rows[k], from[k] + i0, sizeof rows[k]);
    transpose16(rows, rec);
    std::memcpy(out + i0, rec, sizeof rec);
  }
  for (; i0 < n1; ++i0) {
    NodeState r{};
    for (int k = kStateEp11; k <= kStateEmx; ++k) r.v[k] = from[k][i0];
    out[i0] = r;
  }
}

// The sums of n nodes (at most kNodeBlock) as one row a sum, 16 nodes at a time by a
// transposition; the columns past n hold zeros.
[[gnu::noinline]] void sums_by_sum(const NodeSums* q, int32_t n, float (&col)[16][kNodeBlock]) {
  alignas(64) float rows[16][16], t[16][16];
  for (int32_t g0 = 0; g0 < n; g0 += 16) {
    const int32_t count = std::min<int32_t>(16, n - g0);
    std::memcpy(rows, q + g0, sizeof(NodeSums) * size_t(count));
    if (count < 16) std::fill_n(rows[count], 16 * (16 - count), 0.0f);
    transpose16(rows, t);
    for (int k = 0; k < 16; ++k) std::memcpy(&col[k][g0], t[k], sizeof t[k]);
  }
}

// A block of n node values at the new level from the sums of their changes times the inverse
// weights: SO3I takes the new values, SO3 adds the changes; a node of no element keeps its value.
// Inlined, so that each call's loop is vectorised with `variant` known.
[[gnu::always_inline]] inline void add_changes(float* out, const float* sums, const float* inv,
                                               const int32_t* has, int32_t n, bool variant) {
  for (int32_t j = 0; j < n; ++j) {
    const float change = sums[j] * inv[j];
    out[j] = has[j] ? (variant ? change : out[j] + change) : out[j];
  }
}

// The nodal smoothing of the fields at the given pointers, each on its own.
void smooth(Session& s, const NodeNeighbours& nb, std::span<const int32_t> fields) {
  asgl1_fields(s, nb, fields, s.cht.sgl1[0], 4);
}

// The new time level: the displacements and velocities from the step's copies, the state
// fields and stresses from the sums of pass 2, which it clears.
[[gnu::noinline]] void new_level(Session& s, NodeSums* q, bool variant) {
  const SolParm& p = parm(s);
  const int32_t n1 = s.cmesh.n1;
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
  // the same cache sets. The block's sums are first turned into one row a sum, so that every
  // update runs on whole vectors. A node of no element keeps its state; its stresses are the
  // (zero) sums.
  alignas(64) float col[16][kNodeBlock];
  alignas(64) float inv[kNodeBlock];
  alignas(64) int32_t has[kNodeBlock];  // ints, not bools: vectors of one width
  for (int32_t b0 = 0; b0 < n1; b0 += kNodeBlock) {
    const int32_t nb0 = std::min(kNodeBlock, n1 - b0);
    sums_by_sum(q + b0, nb0, col);
    for (int32_t j = 0; j < nb0; ++j) {
      const float sw = col[kSumWeight][j];
      has[j] = sw > 0.0f;
      inv[j] = has[j] ? 1.0f / sw : 0.0f;
    }
    add_changes(f[kEp11] + b0, col[kSumEp11], inv, has, nb0, variant);
    add_changes(f[kEp33] + b0, col[kSumEp33], inv, has, nb0, variant);
    add_changes(f[kEp13] + b0, col[kSumEp13], inv, has, nb0, variant);
    add_changes(f[kRop] + b0, col[kSumRop], inv, has, nb0, variant);
    add_changes(f[kAp] + b0, col[kSumAp], inv, has, nb0, variant);
    add_changes(f[kRo] + b0, col[kSumRo], inv, has, nb0, variant);
    add_changes(pore + b0, col[kSumPore], inv, has, nb0, variant);
    add_changes(crack + b0, col[kSumCrack], inv, has, nb0, variant);
    float* ee = f[kEe] + b0;
    float* ep11 = f[kEp11] + b0;
    float* ep33 = f[kEp33] + b0;
    float* ep22 = f[kEp22] + b0;
    float* em = emx + b0;
    for (int32_t j = 0; j < nb0; ++j) {
      const float change = col[kSumEe][j] * inv[j];
      ee[j] = has[j] ? (variant ? change : std::max(0.0f, ee[j] + change)) : ee[j];
      ep22[j] = has[j] ? -ep11[j] - ep33[j] : ep22[j];
      em[j] = has[j] ? col[kSumEmx][j] * inv[j] : em[j];
    }
    for (int k = 0; k < 4; ++k) {
      float* out = str[k] + b0;
      for (int32_t j = 0; j < nb0; ++j) {
        const float v = col[kSumS11 + k][j];
        out[j] = has[j] ? v * inv[j] : v;
      }
    }
    std::fill_n(q + b0, nb0, NodeSums{});
  }
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
  // The copies of the displacements and velocities of each node together, for the geometry
  // and pass 1, then for pass 2 with the new displacements.
  SolCache& scratch = sol_cache(s);
  scratch.motion.resize(4 * size_t(n1));
  float* const mo = scratch.motion.data();
  {
    const float* u[4];
    for (int i = 0; i < 4; ++i) u[i] = reals(s, p.jf0[i]);
    for (int32_t j = 0; j < n1; ++j) {
      for (int k = 0; k < 4; ++k) mo[4 * int64_t{j} + k] = u[k][j];
    }
  }
  // The geometry and the limits of the step in one sweep of the elements.
  StepLimits limits;
  if (const int32_t bad = soind3_limits(s, mo, limits); bad != 0) {
    return inverted(s, bad, s.cht.t);
  }
  sokc(s, p.jf0[kVr], p.jf0[kVz]);
  prescribed_motion(s, mo);
  // A failed step leaves the fields of the last level as they were: the step writes only the
  // copies until its new level.
  if (soht2(s, limits) || sogrb(s)) return 1;
  budget_loads(s);
  StepArrays a = arrays(s);
  // The state fields do not change until the new level: gathered node by node once.
  std::vector<NodeState>& state = scratch.state;
  state.resize(n1);
  const float* const from[10] = {a.f[kEp11], a.f[kEp33], a.f[kEp13], a.f[kRop], a.f[kAp],
                                 a.f[kRo],   a.f[kEe],   a.pore,     a.crack,   a.emx};
  state_records(from, n1, state.data());
  a.state = state.data();
  a.motion = mo;
  const float t_new = s.cht.t + a.dt;
  forces(a, s, variant);
  if (contin(s)) return 1;

  const float* mass = reals(s, c.jmm);
  float* vr = a.u[kVr];
  float* vz = a.u[kVz];
  for (int32_t i = 0; i < n1; ++i) {
    vr[i] -= a.fr[i] * mass[i] * a.dt;
    vz[i] -= a.fz[i] * mass[n1 + i] * a.dt;
  }
  budget_free_velocities(s, vr, vz);
  sokc(s, p.jf0[kVr], p.jf0[kVz]);
  const NodeNeighbours& nb = node_neighbours(s);
  smooth(s, nb, std::array{p.jf0[kVr], p.jf0[kVz]});
  sokc(s, p.jf0[kVr], p.jf0[kVz]);
  if (flag_tst(s) || sokn(s)) return 1;
  sokc(s, p.jf0[kVr], p.jf0[kVz]);
  for (int32_t i = 0; i < n1; ++i) {
    a.u[kUr][i] += vr[i] * a.dt;
    a.u[kUz][i] += vz[i] * a.dt;
    const Quad u = {a.u[kUr][i], a.u[kUz][i], vr[i], vz[i]};
    std::memcpy(mo + 4 * int64_t{i}, &u, sizeof u);
  }
  if (check_finite(s, p.jf0[0], 4, kFieldNames, t_new)) return 1;
  // Elements turned over by the new displacements stop the step. On a mesh of triangles whose
  // zones are all plain, pass 2 changes nothing but the sums and screens the triangles itself;
  // the exact test then runs only on a doubt. Otherwise it runs before pass 2, whose model may
  // mark destroyed cells. (Quadrilaterals in pass 2 would need the exact test there, which
  // costs pass 2 more than the sweep.)
  const bool screened = a.gn != 0.0f && a.m == 3 && batches_cover_mesh(s, a);
  if (!screened && stop_if_turned(s, a, t_new)) return 1;

  // Pass 2. The sums are cleared block by block at the new level, while they are in the cache;
  // a step that stopped between here and there leaves them to be cleared whole on the next.
  std::vector<NodeSums>& sums = scratch.sums;
  if (!scratch.sums_clear || std::ssize(sums) != n1) sums.assign(n1, NodeSums{});
  scratch.sums_clear = false;
  NodeSums* q = sums.data();
  bool doubt = false;
  states(a, s, q, variant, screened ? &doubt : nullptr);
  if (doubt && stop_if_turned(s, a, t_new)) return 1;
  if (flag_tst(s) || check_sums(s, q, n1, t_new)) return 1;
  // An element turned over says more than the energy it made on the way, so it is told first.
  if (budget_check(s, vr, vz, t_new)) return 1;

  new_level(s, q, variant);
  scratch.sums_clear = true;
  if (!variant) {
    smooth(s, nb, std::span(p.jf + kEp11, kEe - kEp11 + 1));
  }
  budget_step_done(s);
  return flag_tst(s) ? 1 : 0;
}

}  // namespace tivor::sol
