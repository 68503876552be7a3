// SO3 and SO3I: one explicit step of the solid. Pass 1 turns the element stresses into nodal
// forces and moves the nodes; pass 2 brings the elements' new state back to the nodes as
// volume-weighted averages. The passes, checks and new level are in the explicit_* files.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "classes/sol/explicit_step.hpp"
#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "kernels/kernels.hpp"

namespace tivor::sol {
namespace {

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

// The nodal smoothing of the fields at the given pointers, each on its own.
void smooth(Session& s, const NodeNeighbours& nb, std::span<const int32_t> fields) {
  asgl1_fields(s, nb, fields, s.cht.sgl1[0], 4);
}

constexpr const char* kFieldNames[4] = {"ur", "uz", "vr", "vz"};

// Stops the step at the first element (from 1) that the new displacements turn over; 0 when
// none does.
int32_t stop_if_turned(Session& s, const StepArrays& a, float t) {
  const int32_t bad = first_inverted(a);
  if (bad != 0) inverted(s, bad, t);
  return bad;
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
  StepArrays a = step_arrays(s);
  // The state fields do not change until the new level: gathered node by node once.
  std::vector<NodeState>& state = scratch.state;
  state.resize(n1);
  const float* const from[kStateValues] = {a.f[kEp11], a.f[kEp33], a.f[kEp13], a.f[kRop], a.f[kAp],
                                           a.f[kRo],   a.f[kEe],   a.pore,     a.crack,   a.emx};
  state_records(from, n1, state.data());
  a.state = state.data();
  a.motion = mo;
  const float t_new = s.cht.t + a.dt;
  element_forces(a, s, variant);
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
    float* m = mo + 4 * int64_t{i};
    m[0] = a.u[kUr][i];
    m[1] = a.u[kUz][i];
    m[2] = vr[i];
    m[3] = vz[i];
  }
  if (check_finite(s, p.jf0[0], 4, kFieldNames, t_new)) return 1;
  // Elements turned over by the new displacements stop the step. On a mesh of triangles whose
  // zones are all plain, pass 2 changes nothing but the sums and screens the triangles itself;
  // the exact test then runs only on a doubt. Otherwise it runs before pass 2, whose model may
  // mark destroyed cells. (Quadrilaterals in pass 2 would need the exact test there, which
  // costs pass 2 more than the sweep.)
  const bool screened = a.gn != 0.0f && a.m == 3 && plain_zones_cover_mesh(s, a);
  if (!screened && stop_if_turned(s, a, t_new)) return 1;

  // Pass 2. The sums are cleared block by block at the new level, while they are in the cache;
  // a step that stopped between here and there leaves them to be cleared whole on the next.
  std::vector<NodeSums>& sums = scratch.sums;
  if (!scratch.sums_clear || std::ssize(sums) != n1) sums.assign(n1, NodeSums{});
  scratch.sums_clear = false;
  NodeSums* q = sums.data();
  bool doubt = false;
  element_states(a, s, q, variant, screened ? &doubt : nullptr);
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
