// SOHT2: the time step of the explicit schemes from the sound speed and the element sizes, the
// largest strain increment allowed a step, and the masses that make a fixed step stable.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "classes/sol/sol_internal.hpp"
#include "console/console.hpp"
#include "core/trace_hook.hpp"

namespace tivor::sol {

LimitArrays limit_arrays(Session& s) {
  const SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  return {c.m,
          ints(s, c.jj1),
          reals(s, c.jd1),
          reals(s, c.jd2),
          reals(s, c.jdm),
          reals(s, c.jrmin1),
          reals(s, p.jf[kVr]),
          reals(s, p.jf[kVz]),
          reals(s, p.jf[kEe])};
}

ZoneLimits zone_limits(const Session& s, int32_t z) {
  const SolParm& p = parm(s);
  const float g = reals(s, p.jgam)[z];
  const float c0 = reals(s, p.jc0m)[z];
  return {g * (g - 1), c0, std::sqrt(1e-18f) + c0};
}

namespace {

// The limits of element e (of K nodes) on its stored geometry.
template <int K>
StepLimits stored_limits(const LimitArrays& l, const ZoneLimits& zl, int32_t e) {
  const int64_t at = int64_t{e} * l.m;
  float d1[K], d2[K], w[K], vr[K], vz[K], ee[K];
  for (int i = 0; i < K; ++i) {
    const int32_t n = l.conn[at + i] - 1;
    d1[i] = l.d1[at + i];
    d2[i] = l.d2[at + i];
    w[i] = l.dm[at + i];
    vr[i] = l.vr[n];
    vz[i] = l.vz[n];
    ee[i] = l.ee[n];
  }
  StepLimits x;
  element_limits<K>(d1, d2, w, l.rmin1[e], vr, vz, ee, zl, x.rate, x.inv_stable);
  return x;
}

// The step from the limits of the element sweep, and the scaled density of a fixed step.
int choose_step(Session& s, const StepLimits& limits);

}  // namespace

int soht2(Session& s) {
  if (rtmr(s, "soht2")) return 1;
  // Without a Courant factor and without a fixed step no step can be chosen.
  if (s.cht.cur == 0.0f) return flag_on(s, "soht2:cur=0, no time step");
  const Cmesh& c = s.cmesh;
  const LimitArrays l = limit_arrays(s);
  const int32_t* last = ints(s, c.jn2);
  StepLimits x;
  int32_t first = 0;
  for (int32_t z = 0; z < c.ntel; ++z) {
    const int32_t end = std::clamp(last[z], first, c.n2);
    const ZoneLimits zl = zone_limits(s, z);
    for (int32_t e = first; e < end; ++e) {
      const StepLimits y = is_quadrilateral(l.conn, l.m, e) ? stored_limits<4>(l, zl, e)
                                                            : stored_limits<3>(l, zl, e);
      x.rate = std::max(x.rate, y.rate);
      x.inv_stable = std::max(x.inv_stable, y.inv_stable);
    }
    first = end;
  }
  return choose_step(s, x);
}

int soht2(Session& s, const StepLimits& limits) {
  if (rtmr(s, "soht2")) return 1;
  if (s.cht.cur == 0.0f) return flag_on(s, "soht2:cur=0, no time step");
  return choose_step(s, limits);
}

namespace {

int choose_step(Session& s, const StepLimits& limits) {
  const SolParm& p = parm(s);
  Cht& h = s.cht;
  const float stable = 1.0f / limits.inv_stable, rate = limits.rate;
  h.hist.htdyn = stable;
  // A positive factor scales the stable step; a negative one is minus a fixed step. A largest
  // strain increment of 0 or less sets no limit.
  float dt = h.cur > 0 ? h.cur * stable : -h.cur;
  if (p.demax > 0) dt = std::min(dt, p.demax / (rate + 1e-10f));
  h.ht = dt;
  // A fixed step is made stable by the masses of the nodes, raised where the elements need it.
  if (h.cur < 0) nodal_masses(s, dt);
  return 0;
}

}  // namespace
}  // namespace tivor::sol
