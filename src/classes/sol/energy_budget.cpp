// The energy check of the explicit schemes. An explicit step beyond its stable size makes motion
// out of nothing: its kinetic energy grows step by step, faster than any load feeds it. The
// kinetic energy of a sound run never exceeds the energy the body had when the budget was
// opened (kinetic, elastic and internal) plus the work done on it since by the loads and by the
// prescribed velocities; twice that is room for the scheme's own exchange between its half-step
// velocities and its stresses.
#include <algorithm>
#include <cstdint>

#include "classes/sol/sol_internal.hpp"
#include "console/console.hpp"

namespace tivor::sol {
namespace {

constexpr double kRoom = 2.0;

double kinetic(const float* inv_mass, const float* vr, const float* vz, int32_t n1) {
  double e = 0;
  for (int32_t i = 0; i < n1; ++i) {
    e += 0.5 * (double{vr[i]} * vr[i] + double{vz[i]} * vz[i]) / inv_mass[i];
  }
  return e;
}

// The elastic energy of the nodal stresses and the internal energy, node by node: the node's
// volume is its mass over its density, its moduli those of its zone.
double stored(Session& s) {
  const SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  const float* inv_mass = reals(s, c.jmm);
  const float* ro = reals(s, p.jf[kRo]);
  const float* ee = reals(s, p.jf[kEe]);
  const float* str[4];
  for (int k = 0; k < 4; ++k) str[k] = reals(s, p.jstr[k]);
  const int32_t* last = ints(s, c.jn1);
  const float* g2s = reals(s, p.ja5m);
  const float* k3s = reals(s, p.ja6m);
  double e = 0;
  int32_t first = 0;
  for (int32_t z = 0; z < c.ntel; ++z) {
    const int32_t end = std::clamp(last[z], first, c.n1);
    const double g2 = std::max(g2s[z], 1e-30f), k3 = std::max(k3s[z], 1e-30f);
    for (int32_t i = first; i < end; ++i) {
      const double mass = 1.0 / inv_mass[i], sm = str[3][i];
      const double s11 = str[0][i] - sm, s33 = str[1][i] - sm, s13 = str[2][i];
      const double s22 = -s11 - s33;
      // s:s / (2 2G) + sm^2 / (2K), K = 3K / 3.
      const double w =
          (s11 * s11 + s33 * s33 + s22 * s22 + 2 * s13 * s13) / (2 * g2) + 1.5 * sm * sm / k3;
      if (ro[i] > 0) e += w * mass / ro[i];
      e += mass * std::max(ee[i], 0.0f);
    }
    first = end;
  }
  return e;
}

// True while the budget follows the state in the pools.
bool following(const Session& s, const SolCache& c) {
  return c.budget_open && c.budget_stamp == s.pool_stamp && c.budget_step == s.cht.is;
}

}  // namespace

SolCache& sol_cache(Session& s) {
  return class_cache_of<SolCache>(s.class_cache);
}

void budget_loads(Session& s) {
  SolCache& c = sol_cache(s);
  const int32_t n = 2 * s.cmesh.n1;
  const float* jgr = reals(s, parm(s).jgr);
  c.loads.assign(jgr, jgr + n);
}

void budget_free_velocities(Session& s, const float* vr, const float* vz) {
  SolCache& c = sol_cache(s);
  const int32_t n1 = s.cmesh.n1;
  c.free_v.resize(2 * size_t(n1));
  std::copy_n(vr, n1, c.free_v.begin());
  std::copy_n(vz, n1, c.free_v.begin() + n1);
}

int budget_check(Session& s, const float* vr, const float* vz, float t_new) {
  SolCache& c = sol_cache(s);
  if (!following(s, c)) return 0;
  const int32_t n1 = s.cmesh.n1;
  const float* inv_mass = reals(s, s.cmesh.jmm);
  const double dt = s.cht.ht;
  // The loads work on the step's displacement v dt; the prescribed velocities (and whatever
  // else changed the velocities after the forces) on the velocities they set, with the
  // reaction m (v - v_free) / dt. Work taken out counts nothing: the budget never shrinks.
  double loads = 0, reactions = 0;
  for (int32_t i = 0; i < n1; ++i) {
    loads -= double{c.loads[i]} * vr[i] + double{c.loads[n1 + i]} * vz[i];
    reactions +=
        (double{vr[i]} * (vr[i] - c.free_v[i]) + double{vz[i]} * (vz[i] - c.free_v[n1 + i])) /
        inv_mass[i];
  }
  const double budget = c.budget + std::max(loads * dt, 0.0) + std::max(reactions, 0.0);
  if (kinetic(inv_mass, vr, vz, n1) > kRoom * budget + 1e-30) {
    c.budget_open = false;
    return flag_on(
        s, " so3:energy grows out of nothing, step unstable at t=" + fmt_real(t_new, "(e10.3)"));
  }
  c.budget = budget;
  return 0;
}

void budget_step_done(Session& s) {
  SolCache& c = sol_cache(s);
  if (!following(s, c)) {
    const SolParm& p = parm(s);
    c.budget =
        kinetic(reals(s, s.cmesh.jmm), reals(s, p.jf[kVr]), reals(s, p.jf[kVz]), s.cmesh.n1) +
        stored(s);
    c.budget_open = true;
  }
  c.budget_stamp = s.pool_stamp;
  c.budget_step = s.cht.is + 1;  // the manager counts the step after the scheme
}

}  // namespace tivor::sol
