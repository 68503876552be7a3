// SOHT2: the time step of the explicit schemes from the sound speed and the element sizes, the
// largest strain increment allowed a step, and the density scaling of a fixed step.
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
      if (is_quadrilateral(l.conn, l.m, e)) {
        element_limits<4>(l, zl, e, x);
      } else {
        element_limits<3>(l, zl, e, x);
      }
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
  SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  Cht& h = s.cht;
  const int32_t m = c.m, n1 = c.n1, n2 = c.n2;
  const int32_t* conn = ints(s, c.jj1);
  const int32_t* last = ints(s, c.jn2);
  const float* d1 = reals(s, c.jd1);
  const float* d2 = reals(s, c.jd2);
  const float* dm = reals(s, c.jdm);
  const float* c0 = reals(s, p.jc0m);
  const float stable = 1.0f / limits.inv_stable, rate = limits.rate;
  int32_t first = 0;
  h.hist.htdyn = stable;
  // A positive factor scales the stable step; a negative one is minus a fixed step. A largest
  // strain increment of 0 or less sets no limit.
  float dt = h.cur > 0 ? h.cur * stable : -h.cur;
  if (p.demax > 0) dt = std::min(dt, p.demax / (rate + 1e-10f));
  h.ht = dt;
  if (h.cur > 0) return 0;

  // With a fixed step, each element's density is raised to what makes the step stable there,
  // and each node takes the volume-weighted mean of its elements' densities.
  float* ro = reals(s, p.jf[kRo]);
  float* sum = reals(s, p.jas);
  float* weight = sum + n1;
  std::fill_n(sum, 2 * int64_t{n1}, 0.0f);
  const float* vol = reals(s, c.jsss);
  const float* rom = reals(s, p.jrom);
  for (int32_t z = 0; z < c.ntel; ++z) {
    const int32_t end = std::clamp(last[z], first, n2);
    const float scale = 20.0f * dt * dt * rom[z] * c0[z] * c0[z];
    for (int32_t e = first; e < end; ++e) {
      const int32_t* v = conn + int64_t{e} * m;
      const float* e1 = d1 + int64_t{e} * m;
      const float* e2 = d2 + int64_t{e} * m;
      const float* ew = dm + int64_t{e} * m;
      const int k = (m == 4 && v[2] != v[3]) ? 4 : 3;
      float roe = 0, dmax = -1e37f;
      for (int i = 0; i < k; ++i) {
        roe += ew[i] * ro[v[i] - 1];
        dmax = std::max({dmax, e1[i], e2[i]});
      }
      const float q = dmax / (k == 3 ? 1.0f : 0.5f);
      const float scaled = std::max(roe, scale * q * q);
      for (int i = 0; i < k; ++i) {
        const float wv = ew[i] * vol[e];
        sum[v[i] - 1] += wv * scaled;
        weight[v[i] - 1] += wv;
      }
    }
    first = end;
  }
  for (int32_t i = 0; i < n1; ++i) {
    if (weight[i] > 0) ro[i] = sum[i] / weight[i];
  }
  return 0;
}

}  // namespace
}  // namespace tivor::sol
