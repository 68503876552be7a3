// The routines of the solids class behind its manager. Internal to src/classes/sol.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "classes/sol/material.hpp"
#include "core/pool.hpp"
#include "core/session.hpp"
#include "kernels/lane.hpp"
#include "kernels/multigrid.hpp"

namespace tivor::sol {

inline SolParm& parm(Session& s) {
  return s.cparm.sol;
}
inline const SolParm& parm(const Session& s) {
  return s.cparm.sol;
}

// The mesh arrays of the element loops, looked up once per step or solve.
struct MeshArrays {
  int32_t m, n1, n2, ntel;
  const int32_t* conn;
  const int32_t* last;
  const float* d1;
  const float* d2;
  const float* dm;
  const float* vol;
  const float* vol0;
  const float* rmin1;
};
MeshArrays mesh_arrays(Session& s);

// Field numbers (from 0) of the twelve nodal state fields jf.
enum Field : int {
  kUr = 0,
  kUz = 1,
  kVr = 2,
  kVz = 3,
  kEp11 = 4,
  kEp33 = 5,
  kEp22 = 6,
  kEp13 = 7,
  kRop = 8,
  kAp = 9,
  kRo = 10,
  kEe = 11,
};

// SOIN: the mesh, the class's keywords and every array of the task; 1 on the error exit.
[[nodiscard]] int soin(Session& s);
// SOIN1: the zones' materials, the scheme coefficients, the geometry and the contact set-up.
[[nodiscard]] int soin1(Session& s);
// SOBASE: the class's memory card (13 lines).
void sobase(Session& s);
// SOMPROP: the constants of zone k (from 0) for the material model.
ZoneMaterial somprop(const Session& s, int32_t k);
// True when the class's arrays lie in the pools as SOIN lays them out and the mesh's arrays
// match the counts of the mesh record (the condition of every step).
bool arrays_ok(const Session& s);

// SOIND3: element geometry on the mesh coordinates plus gn times the displacements (fields ur,
// uz at pointers fr, fz); at set-up also the initial volumes and the inverse nodal masses.
// Returns the element (from 1) whose area is not positive, 0 when every element is sound.
int32_t soind3(Session& s, int32_t fr, int32_t fz, bool setup);
// The element sweep of SOHT2: the smallest stable step of an element, kept as its inverse so
// that the sweep takes no division, and the largest strain rate.
struct StepLimits {
  float inv_stable = 1e-18f;
  float rate = 0.0f;
};
struct LimitArrays {
  int32_t m;
  const int32_t* conn;
  const float* d1;
  const float* d2;
  const float* dm;
  const float* rmin1;
  const float* vr;  // the start-of-step velocities and energy
  const float* vz;
  const float* ee;
};
LimitArrays limit_arrays(Session& s);
struct ZoneLimits {
  float gg = 0.0f;     // gamma (gamma - 1)
  float c0 = 0.0f;     // sound speed
  float sound = 0.0f;  // the signal speed of a zone with gg = 0, which no energy raises
};
ZoneLimits zone_limits(const Session& s, int32_t z);

// The stable step of an element. Its fastest motion, on the lumped masses w_i V rho of its
// nodes, has a frequency of at most c sqrt(sum_i (d1_i^2 + d2_i^2 + h_i^2) / w_i), h_i the hoop
// coefficient R |d1_i| / sum |d1| (0 in plane tasks); the assembled mesh moves no faster than
// its fastest element. The explicit forces take the stress at the start of the step plus the
// strain of v dt, which is stable up to w dt = 2 / sqrt 3 (plain leapfrog: 2). The element's
// term of that sum for node i:
template <class T>
[[gnu::always_inline]] inline T mode_term(T d1, T d2, T hoop, T w) {
  return (d1 * d1 + d2 * d2 + hoop * hoop) / max_of(w, splat<T>(1e-30f));
}
// The inverse of the stable step times the signal speed, from the sum of the terms. The sum
// bounds the frequency from above (by about a third on generated blocks, whatever Poisson's
// ratio), so a Courant factor up to 1 keeps that margin.
template <class T>
[[gnu::always_inline]] inline T inverse_size(T mode_sum) {
  constexpr float kMostStable = 1.1547005f;  // 2 / sqrt 3
  return sqrt_of(mode_sum + 1e-20f) / kMostStable;
}

// The sum of mode_term over the K nodes of an element with coefficients d1, d2, weights w and
// inverse mean radius rmin1.
template <int K, class T>
[[gnu::always_inline]] inline T mode_sum(const T (&d1)[K], const T (&d2)[K], const T (&w)[K],
                                         T rmin1) {
  T s1{}, sum{};
  for (int i = 0; i < K; ++i) s1 += abs_of(d1[i]);
  const T hoop = rmin1 / max_of(s1, splat<T>(1e-30f));
  for (int i = 0; i < K; ++i) sum += mode_term(d1[i], d2[i], hoop * abs_of(d1[i]), w[i]);
  return sum;
}

// The inverse nodal masses (both halves of jmm) of the lumped element masses rho0 V0. With a
// fixed step dt > 0 each element's mass is raised where needed to what makes dt half its stable
// step; the density field stays the material's.
void nodal_masses(Session& s, float fixed_dt);

// The shape of an element of K nodes at positions r, z: derivative coefficients d1, d2 (the mean
// derivatives of the shape functions over the element), weights w (the nodes' shares of its
// mass), volume and inverse mean radius. shaped: its area is positive; sound: also, in
// axisymmetry, its mean radius. A flat or turned element's other values are not to be used.
template <int K, class T = float>
struct ElementShape {
  T d1[K], d2[K], w[K];
  T volume, rmin1;
  decltype(T{} > 0.0f) shaped, sound;
};
template <int K, class T>
[[gnu::always_inline]] inline void element_shape(const T (&r)[K], const T (&z)[K], bool axisym,
                                                 ElementShape<K, T>& out) {
  T a2 = (z[1] - z[0]) * (r[2] - r[0]) - (z[2] - z[0]) * (r[1] - r[0]);
  if constexpr (K == 4) a2 += (z[2] - z[0]) * (r[3] - r[0]) - (z[3] - z[0]) * (r[2] - r[0]);
  const T inv = 1.0f / a2;
  T sum{}, s1{}, s1r{};
  for (int i = 0; i < K; ++i) {
    const int prev = (i + K - 1) % K, next = (i + 1) % K;
    out.d1[i] = (z[prev] - z[next]) * inv;
    out.d2[i] = (r[next] - r[prev]) * inv;
    const T a1 = abs_of(out.d1[i]);
    sum += a1 + abs_of(out.d2[i]);
    s1 += a1;
    s1r += a1 * r[i];
  }
  const T inv_sum = 1.0f / sum;
  for (int i = 0; i < K; ++i) out.w[i] = (abs_of(out.d1[i]) + abs_of(out.d2[i])) * inv_sum;
  const T area = 0.5f * a2;
  out.shaped = a2 > 0.0f;
  // Area times the mean radius in axisymmetry; an element reaching below the axis has none.
  out.sound = axisym ? out.shaped & (s1r > 0.0f) : out.shaped;
  const T volume = area * s1r / s1, rmin1 = s1 / s1r;
  out.volume = axisym ? volume : area;
  out.rmin1 = axisym ? rmin1 : T{};
}

// The step limits of an element of K nodes of a zone from its shape coefficients and its nodes'
// velocities and energies: its largest strain rate, and the inverse of its stable step (the
// element's size over the signal speed).
template <int K, class T>
[[gnu::always_inline]] inline void element_limits(const T (&d1)[K], const T (&d2)[K],
                                                  const T (&w)[K], T rmin1, const T (&vr)[K],
                                                  const T (&vz)[K], const T (&ee)[K],
                                                  const ZoneLimits& zl, T& rate, T& inv_stable) {
  T vre{}, eee{}, drr{}, drz{}, dzr{}, dzz{};
  for (int i = 0; i < K; ++i) {
    vre += w[i] * vr[i];
    eee += w[i] * ee[i];
    drr += d1[i] * vr[i];
    drz += d2[i] * vr[i];
    dzr += d1[i] * vz[i];
    dzz += d2[i] * vz[i];
  }
  const T modes = mode_sum<K>(d1, d2, w, rmin1);
  rate = max_of(
      max_of(max_of(max_of(T{}, abs_of(vre * rmin1)), abs_of(0.5f * (drz + dzr))), abs_of(dzz)),
      abs_of(drr));
  const T sound =
      zl.gg == 0.0f ? splat<T>(zl.sound) : sqrt_of(zl.gg * max_of(eee, T{}) + 1e-18f) + zl.c0;
  inv_stable = inverse_size(modes) * sound;
}

inline bool is_quadrilateral(const int32_t* conn, int32_t m, int32_t e) {
  const int32_t* v = conn + int64_t{e} * m;
  return m == 4 && v[2] != v[3];
}

// SOIND3 (not at set-up) and the element sweep of SOHT2 in one pass over the elements, the
// limits taken on the new geometry. Returns as SOIND3; the limits are whole only when it
// returns 0. The displacements are the copies (fields jf0); motion holds each node's ur, uz, vr,
// vz as four values together, as the step starts.
int32_t soind3_limits(Session& s, const float* motion, StepLimits& limits);
// SOKC: the prescribed velocities at t + ht on the velocity arrays vr, vz.
void sokc(Session& s, int32_t vr, int32_t vz);

// SOCZON at set-up: lays out and reads the contact data; 1 on the error exit.
[[nodiscard]] int soczon_setup(Session& s);
// SOCZON during a step: the contact list of the predicted positions; 1 when it is full.
[[nodiscard]] int soczon_list(Session& s);
// SOKN: the contact correction of the velocities vr, vz (fields of jf); 1 on the error exit.
[[nodiscard]] int sokn(Session& s);

// A node's state fields as one record, and its sums of pass 2, for the explicit step.
struct alignas(64) NodeState {
  float v[16];
};
struct alignas(64) NodeSums {
  float v[16];
};

struct KeptMultigrid;  // implicit_multigrid.hpp

// What the class keeps between steps outside the pools: the clock of the film's redraws, the
// energy budget and the scratch of the explicit schemes.
struct SolCache : ClassCache {
  double drawn_at = -1e30;  // when the last redraw ended, and what it cost
  double cost = 0.0;
  // The most kinetic energy the explicit run can have: its energy (kinetic, elastic, internal)
  // when the budget was opened, plus the work of the loads and of the prescribed velocities
  // since. It is open while the pools hold the state it followed: the same pool stamp, the
  // step count it expects next.
  bool budget_open = false;
  uint64_t budget_stamp = 0;
  int32_t budget_step = 0;
  double budget = 0.0;
  std::vector<float> loads, free_v;  // -external forces and velocities of the step, 2 n1 each
  // The step's node records: ur, uz, vr, vz of each node together; the state fields; the sums
  // of pass 2, which the new level clears block by block (sums_clear: they are all zero).
  std::vector<float> motion;
  std::vector<NodeState> state;
  std::vector<NodeSums> sums;
  bool sums_clear = false;
  // The elements of each zone that the boundary force sums take, found once for the mesh (the
  // pool stamp and counts it was found at): zone z's are boundary_elements[boundary_first[z] ..
  // boundary_first[z + 1]).
  struct BoundaryElement {
    int32_t e;
    int32_t times[4];  // how many times each of its nodes counts in the zone's sums
  };
  std::vector<BoundaryElement> boundary_elements;
  std::vector<int64_t> boundary_first;
  std::array<uint64_t, 5> boundary_key{};
  // The multigrid of the implicit solves, kept from step to step while it serves.
  std::shared_ptr<KeptMultigrid> multigrid;
};
SolCache& sol_cache(Session& s);

// The energy check of an explicit step, in its three places: the loads of the step (jgr before
// the element forces), the velocities the forces alone make, and the final velocities, whose
// kinetic energy must stay within twice the budget. 1 with the flag set when it does not.
void budget_loads(Session& s);
void budget_free_velocities(Session& s, const float* vr, const float* vz);
[[nodiscard]] int budget_check(Session& s, const float* vr, const float* vz, float t_new);
// After the new level: opens the budget from the state if it is not open, and expects the next
// step.
void budget_step_done(Session& s);

// SOHT2: the step of the explicit schemes and, with CUR < 0, the masses of a stable fixed step.
// 1 on the error exit (no step can be chosen).
[[nodiscard]] int soht2(Session& s);
// SOHT2 with its element sweep already made (soind3_limits).
[[nodiscard]] int soht2(Session& s, const StepLimits& limits);
// SOGRB: the surface and body loads at t + ht subtracted from the force array jgr, and hgmin.
[[nodiscard]] int sogrb(Session& s);
// CONTIN: the interior stresses acting on the continued boundary, added to jgr.
[[nodiscard]] int contin(Session& s);

// SO3 (variant false) and SO3I (variant true): one explicit step; 1 on the error exit.
[[nodiscard]] int so3(Session& s, bool variant);

// SOHT1: the step of the implicit scheme; 1 on the error exit (no step can be chosen).
[[nodiscard]] int soht1(Session& s);
// SOL4: the operator of the implicit scheme on the displacement increments x (2 n1 values,
// radial then axial). Mode 0: the residual of x into res (jgr), with the loads at t + ht, the
// contact list and the inverse diagonal d. Mode > 0: the product of the elastic increments
// (with inertia in the dynamic mode and the contact penalty) with x into res. Both zero the
// prescribed components. Mode 0 also leaves in jf0(5..6) the sum of the magnitudes of the terms
// of each residual component, the scale of its rounding. Mode -1: x becomes the new time level.
// 1 on the error exit.
[[nodiscard]] int sol4(Session& s, const float* x, float* d, float* res, int mode);
// SOMADK: the penalty terms of the contact list added to the diagonal d.
void somadk(Session& s, float* d);
// SOKNTG1: the penalty forces of the contact list added to res; v holds the increments of the
// step (positions true: the gaps are taken on the displaced positions) or a direction.
void sokntg1(Session& s, const float* v, float* res, bool positions);
// The matrix of SOL4's iteration mode in the current step, after the step's mode-0 call (which
// builds the contact list); unknown 2i + c is component c (0 radial, 1 axial) of node i. The rows
// and columns of prescribed components hold their diagonal alone: the matrix is symmetric, and
// on vectors that are zero on those components its product is SOL4's. stop is asked now and
// then; false, with k unfinished, when it said yes.
bool sol_matrix(Session& s, SparseMatrix& k, const std::function<bool()>& stop = {});
// Whether stop (when given) says yes, asked at every 16,384th i only: a few milliseconds of a
// long loop apart.
inline bool stop_at(const std::function<bool()>& stop, int64_t i) {
  return stop && i % 16384 == 16383 && stop();
}
// The entries sol_matrix makes without contacts (from the mesh alone).
int64_t sol_matrix_entries(Session& s);
// SO6: one step of the implicit scheme; 1 on the error exit (the time level is then unchanged).
// iterations, when given, receives the solver's operator products.
[[nodiscard]] int so6(Session& s, int* iterations = nullptr);

// SOP: publishes the result functions and boundary lists, the boundary force sums, the history
// and the film.
void sop(Session& s);

}  // namespace tivor::sol
