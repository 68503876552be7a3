// GSHT: the time step of the gas-flow class: a multiple of the stable step of the explicit
// scheme (convection with or without the sound speed, and diffusion), or a fixed step.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "classes/gs/gs_internal.hpp"
#include "core/trace_hook.hpp"

namespace tivor::gs {

void gsht(Session& s, bool viscous_limit) {
  if (rtmr(s, "gsht")) return;
  const GsParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  Cht& h = s.cht;
  // cur > 1: cur - 1 times the step of the flow speed alone (the sound speed left out); up to
  // and including 1 the sound speed counts, so that cur = 1 is the whole stable step.
  const bool sound = h.cur <= 1.0f;
  float factor = h.cur > 1.0f ? h.cur - 1.0f : h.cur;
  if (std::abs(factor) < 1e-6f) factor = 0.4f;
  const int32_t m = c.m, n1 = c.n1;
  const int32_t* conn = ints(s, c.jj1);
  const int32_t* last = ints(s, c.jn2);
  const float* dm = reals(s, c.jdm);
  const float* hr = reals(s, c.jhr);
  const float* hz = reals(s, c.jhz);
  const float* gam = reals(s, p.jgam);
  const float* mu0 = reals(s, p.jmu0);
  const float* kk0 = reals(s, p.jkk0);
  const float* f = reals(s, p.jf[0]);
  const float* ro = f + kRo * int64_t{n1};
  const float* u = f + kU * int64_t{n1};
  const float* v = f + kV * int64_t{n1};
  const float* pr = f + kP * int64_t{n1};
  float est = 1e18f;
  int32_t first = 0;
  for (int32_t sub = 0; sub < c.ntel; ++sub) {
    const int32_t end = range_end(last, sub, first, c.n2);
    const float nu = viscous_limit ? std::max({mu0[sub], kk0[sub], 1e-18f}) : 1e-18f;
    const float g = gam[sub];
    for (int32_t e = first; e < end; ++e) {
      const int32_t* vv = conn + int64_t{e} * m;
      const float* w = dm + int64_t{e} * m;
      const int k = corners(vv, m);
      float pe = 0, re = 0, ue = 0, ve = 0;
      for (int i = 0; i < k; ++i) {
        const int32_t n = vv[i] - 1;
        pe += w[i] * std::max(pr[n], 1e-10f);
        re += w[i] * std::max(ro[n], 0.001f);
        ue += w[i] * u[n];
        ve += w[i] * v[n];
      }
      const float a =
          (g >= 0 && sound) ? std::sqrt(std::abs(pe) * g / (re + kEpsilon) + kEpsilon) : 1e-6f;
      const float hmin = std::min(hr[e], hz[e]);
      est = std::min({est, hz[e] / (std::abs(ve) + a), hr[e] / (std::abs(ue) + a),
                      hmin * hmin / (2 * nu + kEpsilon)});
    }
    first = end;
  }
  h.hist.htdyn = est;
  h.ht = factor < 0 ? std::abs(factor) : est * factor;
  static_cast<void>(rtmr(s, "gsht-end"));
}

}  // namespace tivor::gs
