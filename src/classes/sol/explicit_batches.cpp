// The element passes of the explicit step in batches: gathers from the nodes, the element
// formulas over the lanes of a batch, and the additions back to the nodes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "classes/sol/explicit_step.hpp"
#include "kernels/kernels.hpp"
#include "kernels/lane.hpp"
#include "kernels/loop_hints.hpp"

namespace tivor::sol {

StepArrays step_arrays(Session& s) {
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

namespace {

// An element's sums over its nodes of the copies ur, uz, vr, vz times d1, times d2 and times
// |d1|, and of |d1|: all its kinematics take from the motion.
enum MotionSum : int {
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
  kMotionSums,
};

// The kinematics of an element from its motion sums m: strain increments of the step, total
// displacement gradients and the mean radial displacement (the hoop weights |d1| / sum |d1|).
// T is float for one element, Lane or Wide for several.
template <class T>
[[gnu::always_inline]] inline void element_kinematics(const T (&m)[kMotionSums], float dt, float gn,
                                                      T r, T volume, T volume0, Kinematics<T>& k) {
  const T e11 = dt * m[kD1Vr], e33 = dt * m[kD2Vz];
  const T e13 = 0.5f * dt * (m[kD2Vr] + m[kD1Vz]);
  const T inv_s1 = pick(m[kA1] > 0.0f, 1.0f / m[kA1], T{});
  const T e22 = r * dt * m[kA1Vr] * inv_s1;
  const T em = (e11 + e22 + e33) * (1.0f / 3.0f);
  k.de11 = e11 - em;
  k.de33 = e33 - em;
  k.de13 = e13;
  k.dem = em;
  k.durdr = m[kD1Ur];
  k.durdz = m[kD2Ur];
  k.duzdr = m[kD1Uz];
  k.duzdz = m[kD2Uz];
  k.ubar = m[kA1Ur] * inv_s1;
  k.rmin1 = r;
  k.volume = volume;
  k.volume0 = volume0;
  k.dt = dt;
  k.gn = gn;
}

// What a batch gathers: each element's motion sums and weighted state values, and its own
// values, one array a value, one lane an element. The rows past kMotionSums and kStateValues
// are room for the whole vectors the gather moves.
struct alignas(64) Gathered {
  float motion[16][kLanes];
  float state[12][kLanes];
  float rmin1[kLanes], volume[kLanes], volume0[kLanes], dest[kLanes];
};

// The n elements of K nodes from e0 (M node numbers an element in the mesh) into g; the lanes
// after n repeat the first element, so that every loop runs over whole vectors. Element by
// element, a node's four copies (ur, uz, vr, vz) are taken by each coefficient as one vector,
// and its state record likewise; four elements' vectors are then turned into lanes.
template <int M, int K>
[[gnu::always_inline]] inline void gather(const StepArrays& a, int32_t e0, int n, Gathered& g) {
  Lane motion[kLanes][4], state[kLanes][3];
  for (int j = 0; j < n; ++j) {
    const int64_t b = int64_t{e0 + j} * M;
    Lane q1{}, q2{}, qa{}, s0{}, s1{}, s2{};
    float sa = 0.0f;
    for (int i = 0; i < K; ++i) {
      const int32_t node = a.conn[b + i] - 1;
      const float c1 = a.d1[b + i], c2 = a.d2[b + i], w = a.dm[b + i], a1 = std::abs(c1);
      const Lane u = load<Lane>(a.motion + 4 * int64_t{node});
      q1 += c1 * u;
      q2 += c2 * u;
      qa += a1 * u;
      sa += a1;
      const float* r = a.state[node].v;
      s0 += w * load<Lane>(r);
      s1 += w * load<Lane>(r + 4);
      s2 += w * load<Lane>(r + 8);
    }
    motion[j][0] = q1;
    motion[j][1] = q2;
    motion[j][2] = qa;
    motion[j][3] = Lane{sa, 0.0f, 0.0f, 0.0f};
    state[j][0] = s0;
    state[j][1] = s1;
    state[j][2] = s2;
  }
  // A whole batch's own values as fixed-size copies, which become vector moves; a copy of n
  // values would be a string move, whose start-up costs more than the 64 bytes it moves.
  const auto own_values = [&](int count) __attribute__((always_inline)) {
    std::memcpy(g.rmin1, a.rmin1 + e0, count * sizeof(float));
    std::memcpy(g.volume, a.vol + e0, count * sizeof(float));
    std::memcpy(g.volume0, a.vol0 + e0, count * sizeof(float));
    std::memcpy(g.dest, a.dest + e0, count * sizeof(float));
  };
  if (n == kLanes) {
    own_values(kLanes);
  } else {
    own_values(n);
  }
  for (int j = n; j < kLanes; ++j) {
    for (int v = 0; v < 4; ++v) motion[j][v] = motion[0][v];
    for (int v = 0; v < 3; ++v) state[j][v] = state[0][v];
    g.rmin1[j] = g.rmin1[0];
    g.volume[j] = g.volume[0];
    g.volume0[j] = g.volume0[0];
    g.dest[j] = g.dest[0];
  }
  for (int j = 0; j < kLanes; j += kLaneWidth) {
    for (int v = 0; v < 4; ++v) {
      Lane x[4] = {motion[j][v], motion[j + 1][v], motion[j + 2][v], motion[j + 3][v]};
      transpose4(x);
      for (int c = 0; c < 4; ++c) store(&g.motion[4 * v + c][j], x[c]);
    }
    for (int v = 0; v < 3; ++v) {
      Lane x[4] = {state[j][v], state[j + 1][v], state[j + 2][v], state[j + 3][v]};
      transpose4(x);
      for (int c = 0; c < 4; ++c) store(&g.state[4 * v + c][j], x[c]);
    }
  }
}

// Lanes j.. of g (one for float, kWidth<T> for a vector) as the model's input.
template <class T>
[[gnu::always_inline]] inline void lane_input(const Gathered& g, int j, const StepArrays& a,
                                              Kinematics<T>& k, State<T>& st) {
  T m[kMotionSums];
  for (int v = 0; v < kMotionSums; ++v) m[v] = load<T>(&g.motion[v][j]);
  element_kinematics<T>(m, a.dt, a.gn, load<T>(&g.rmin1[j]), load<T>(&g.volume[j]),
                        load<T>(&g.volume0[j]), k);
  st.ep11 = load<T>(&g.state[kStateEp11][j]);
  st.ep33 = load<T>(&g.state[kStateEp33][j]);
  st.ep13 = load<T>(&g.state[kStateEp13][j]);
  st.rop = load<T>(&g.state[kStateRop][j]);
  st.ap = load<T>(&g.state[kStateAp][j]);
  st.ro = load<T>(&g.state[kStateRo][j]);
  st.ee = load<T>(&g.state[kStateEe][j]);
  st.pore = load<T>(&g.state[kStatePore][j]);
  st.crack = load<T>(&g.state[kStateCrack][j]);
  st.emx = load<T>(&g.state[kStateEmx][j]);
}

// The terms of an element's nodal forces: node i takes d1_i a11 + d2_i a13 + w_i hoop radially,
// d1_i a13 + d2_i a33 axially.
struct ForceTerms {
  float a11[kLanes], a13[kLanes], a33[kLanes], hoop[kLanes];
};

// Pass 1 on lanes j.. of g: the model in force mode, and the forces of its stresses with the
// gas pressure. The mean stress is the small-strain one, unless strains are taken on the current
// configuration: then the model's own, so that a turned body stays free of stress in either
// scheme.
template <bool Plain, class T>
[[gnu::always_inline]] inline void forces_of(const ZoneModel& zone, const StepArrays& a,
                                             bool own_mean, Gathered& g, int j, ForceTerms& f) {
  const float bulk = zone.k3 / 3.0f, gam1 = zone.gam - 1.0f;
  Kinematics<T> k;
  State<T> st;
  Stresses<T> out;
  lane_input<T>(g, j, a, k, st);
  material_model<MaterialMode::force, Plain>(zone, k, st, out, g.dest[j]);
  const T pres = gam1 * st.ee * st.ro;
  const T sm = own_mean ? out.inc[3] : bulk * (k.rmin1 * k.ubar + k.durdr + k.duzdz + 3.0f * k.dem);
  const T v = k.volume, s11 = out.inc[0], s33 = out.inc[1];
  store(&f.a11[j], (s11 + sm - pres) * v);
  store(&f.a13[j], out.inc[2] * v);
  store(&f.a33[j], (s33 + sm - pres) * v);
  store(&f.hoop[j], (sm - pres - s11 - s33) * v * k.rmin1);
}

// The additions of pass 2 per unit weight (weight 1, the state's changes or values, the
// stresses), one array a sum.
struct StateTerms {
  float add[16][kLanes];     // the last row is room for whole vectors
  float area_ratio[kLanes];  // a triangle's area after the step over its area before
};

// Pass 2 on lanes j.. of g: the model in state mode; SO3 brings back the changes of the state,
// SO3I the new values themselves.
template <bool Plain, class T>
[[gnu::always_inline]] inline void states_of(const ZoneModel& zone, const StepArrays& a,
                                             bool variant, Gathered& g, int j, StateTerms& t) {
  Kinematics<T> k;
  State<T> st;
  Stresses<T> out;
  lane_input<T>(g, j, a, k, st);
  const State<T> base = variant ? State<T>{} : st;
  material_model<MaterialMode::state, Plain>(zone, k, st, out, g.dest[j]);
  const T tm = out.total[3];
  store(&t.add[kSumWeight][j], splat<T>(1.0f));
  store(&t.add[kSumEp11][j], st.ep11 - base.ep11);
  store(&t.add[kSumEp33][j], st.ep33 - base.ep33);
  store(&t.add[kSumPore][j], st.pore - base.pore);
  store(&t.add[kSumEp13][j], st.ep13 - base.ep13);
  store(&t.add[kSumRop][j], st.rop - base.rop);
  store(&t.add[kSumAp][j], st.ap - base.ap);
  store(&t.add[kSumRo][j], st.ro - base.ro);
  store(&t.add[kSumEe][j], st.ee - base.ee);
  store(&t.add[kSumS11][j], out.total[0] + tm);
  store(&t.add[kSumS33][j], out.total[1] + tm);
  store(&t.add[kSumS13][j], out.total[2]);
  store(&t.add[kSumSm][j], tm);
  store(&t.add[kSumCrack][j], st.crack - base.crack);
  store(&t.add[kSumEmx][j], st.emx);
  store(&t.add[kSums][j], T{});
  // The nodes move by gn dt v in the step: a triangle's map is linear, and its area changes by
  // the determinant of I + gn dt grad v.
  const float h = a.gn * a.dt;
  const T d1vr = load<T>(&g.motion[kD1Vr][j]), d2vz = load<T>(&g.motion[kD2Vz][j]);
  const T d2vr = load<T>(&g.motion[kD2Vr][j]), d1vz = load<T>(&g.motion[kD1Vz][j]);
  store(&t.area_ratio[j], (1.0f + h * d1vr) * (1.0f + h * d2vz) - (h * d2vr) * (h * d1vz));
}

// A plain zone's batch runs on vectors V of several elements; any other zone's element by
// element, through the full model.
template <bool Plain, class V, typename Body>
[[gnu::always_inline]] inline void over_lanes(Body body) {
  if constexpr (Plain) {
    for (int j = 0; j < kLanes; j += kWidth<V>) body.template operator()<V>(j);
  } else {
    for (int j = 0; j < kLanes; ++j) body.template operator()<float>(j);
  }
}

// The damage model of a zone that is not plain may destroy cells: their flags go back.
inline void put_dest(const StepArrays& a, const Gathered& g, int32_t e0, int n) {
  for (int j = 0; j < n; ++j) a.dest[e0 + j] = g.dest[j];
}

// Pass 1 on the batch of n elements of K nodes from e0 in a zone of a mesh of M, on vectors V.
template <int M, int K, class V>
[[gnu::always_inline]] inline void batch_forces(const StepArrays& a, const ZoneModel& zone,
                                                bool own_mean, int32_t e0, int n) {
  Gathered g;
  ForceTerms f;
  gather<M, K>(a, e0, n, g);
  if (zone.plain) {
    over_lanes<true, V>([&]<class T>(int j) __attribute__((always_inline)) {
      forces_of<true, T>(zone, a, own_mean, g, j, f);
    });
  } else {
    over_lanes<false, V>([&]<class T>(int j) __attribute__((always_inline)) {
      forces_of<false, T>(zone, a, own_mean, g, j, f);
    });
    put_dest(a, g, e0, n);
  }
  for (int j = 0; j < n; ++j) {
    const int64_t b = int64_t{e0 + j} * M;
    for (int i = 0; i < K; ++i) {
      const int32_t node = a.conn[b + i] - 1;
      const float c1 = a.d1[b + i], c2 = a.d2[b + i];
      a.fr[node] += c1 * f.a11[j] + c2 * f.a13[j] + a.dm[b + i] * f.hoop[j];
      a.fz[node] += c1 * f.a13[j] + c2 * f.a33[j];
    }
  }
}

// Pass 2 on the batch of n elements of K nodes from e0 in a zone of a mesh of M; with doubt not
// null, also whether one of its elements may be turned over: one that keeps more than half its
// area by its velocity gradient is not, however its new positions round. On vectors V.
template <int M, int K, class V>
[[gnu::always_inline]] inline void batch_states(const StepArrays& a, const ZoneModel& zone,
                                                NodeSums* q, bool variant, bool* doubt, int32_t e0,
                                                int n) {
  Gathered g;
  StateTerms t;
  gather<M, K>(a, e0, n, g);
  if (zone.plain) {
    over_lanes<true, V>([&]<class T>(int j) __attribute__((always_inline)) {
      states_of<true, T>(zone, a, variant, g, j, t);
    });
  } else {
    over_lanes<false, V>([&]<class T>(int j) __attribute__((always_inline)) {
      states_of<false, T>(zone, a, variant, g, j, t);
    });
    put_dest(a, g, e0, n);
  }
  if (doubt != nullptr) {
    constexpr float kSureAreaRatio = 0.5f;
    bool any = false;
    for (int j = 0; j < kLanes; ++j) any |= !(t.area_ratio[j] > kSureAreaRatio);
    if (any) *doubt = true;
  }
  // Each element's additions as one row, four elements' lanes turned at a time, so that a
  // node's sums take them as whole vectors.
  Lane row[kLanes][4];
  for (int j = 0; j < kLanes; j += kLaneWidth) {
    for (int v = 0; v < 4; ++v) {
      Lane x[4];
      for (int c = 0; c < 4; ++c) x[c] = load<Lane>(&t.add[4 * v + c][j]);
      transpose4(x);
      for (int c = 0; c < 4; ++c) row[j + c][v] = x[c];
    }
  }
  for (int j = 0; j < n; ++j) {
    const int64_t b = int64_t{e0 + j} * M;
    for (int i = 0; i < K; ++i) {
      float* sum = q[a.conn[b + i] - 1].v;
      const float w = a.dm[b + i] * g.volume[j];
      const auto* add = reinterpret_cast<const float*>(row[j]);
      for (int v = 0; v < int{std::size(NodeSums{}.v)}; v += kWidth<V>) {
        store(sum + v, load<V>(sum + v) + w * load<V>(add + v));
      }
    }
  }
}

// The batches of every zone's elements, each of at most kLanes elements of one kind: batch(zone,
// e0, n) with the mesh's node numbers an element M and the element's nodes K as parameters. The
// batch and this loop are inlined (the lambda too, by its attribute), so that all of a batch's
// work goes into the narrow and the wide version of the pass.
template <typename Batch>
[[gnu::always_inline]] inline void zone_batches(const StepArrays& a, Session& s, Batch batch) {
  int32_t first = 0;
  for (int32_t z = 0; z < a.ntel; ++z) {
    const int32_t end = std::clamp(a.last[z], first, a.n2);
    // A copy of the zone's model: through a reference the compiler would have to load its
    // values again after every store to the lanes.
    const ZoneModel zone = zone_model(somprop(s, z));
    for (int32_t e = first, n = 1; e < end; e += n) {
      const bool quad = is_quadrilateral(a.conn, a.m, e);
      n = 1;
      while (n < kLanes && e + n < end && is_quadrilateral(a.conn, a.m, e + n) == quad) ++n;
      if (quad) {
        batch.template operator()<4, 4>(zone, e, n);
      } else if (a.m == 4) {
        batch.template operator()<4, 3>(zone, e, n);
      } else {
        batch.template operator()<3, 3>(zone, e, n);
      }
    }
    first = end;
  }
}

// The passes on vectors V, and their narrow and wide versions (TIVOR_WIDE).
template <class V>
[[gnu::always_inline]] inline void forces_on(const StepArrays& a, Session& s, bool variant) {
  const bool own_mean = variant || a.gn != 0.0f;
  zone_batches(
      a, s,
      [&]<int M, int K>(const ZoneModel& zone, int32_t e0, int n)
          __attribute__((always_inline)) { batch_forces<M, K, V>(a, zone, own_mean, e0, n); });
}
void forces_narrow(const StepArrays& a, Session& s, bool variant) {
  forces_on<Lane>(a, s, variant);
}
TIVOR_WIDE void forces_wide(const StepArrays& a, Session& s, bool variant) {
  forces_on<Wide>(a, s, variant);
}

template <class V>
[[gnu::always_inline]] inline void states_on(const StepArrays& a, Session& s, NodeSums* q,
                                             bool variant, bool* doubt) {
  zone_batches(
      a, s,
      [&]<int M, int K>(const ZoneModel& zone, int32_t e0, int n) __attribute__((always_inline)) {
        batch_states<M, K, V>(a, zone, q, variant, doubt, e0, n);
      });
}
void states_narrow(const StepArrays& a, Session& s, NodeSums* q, bool variant, bool* doubt) {
  states_on<Lane>(a, s, q, variant, doubt);
}
TIVOR_WIDE void states_wide(const StepArrays& a, Session& s, NodeSums* q, bool variant,
                            bool* doubt) {
  states_on<Wide>(a, s, q, variant, doubt);
}

}  // namespace

void element_forces(const StepArrays& a, Session& s, bool variant) {
  if (wide_vectors()) {
    forces_wide(a, s, variant);
  } else {
    forces_narrow(a, s, variant);
  }
}

void element_states(const StepArrays& a, Session& s, NodeSums* q, bool variant, bool* doubt) {
  if (wide_vectors()) {
    states_wide(a, s, q, variant, doubt);
  } else {
    states_narrow(a, s, q, variant, doubt);
  }
}

bool plain_zones_cover_mesh(Session& s, const MeshArrays& a) {
  if (a.ntel < 1 || a.last[a.ntel - 1] < a.n2) return false;
  for (int32_t z = 0; z < a.ntel; ++z) {
    if (!zone_model(somprop(s, z)).plain) return false;
  }
  return true;
}

void state_records(const float* const (&from)[kStateValues], int32_t n1, NodeState* out) {
  for (int32_t i = 0; i < n1; ++i) {
    NodeState r{};
    for (int k = 0; k < kStateValues; ++k) r.v[k] = from[k][i];
    out[i] = r;
  }
}

}  // namespace tivor::sol
