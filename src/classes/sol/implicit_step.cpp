// SOHT1: the time step of the implicit scheme. The sound speed and the gas pressure give each
// element a stable step that the Courant factor scales; the largest strain increment allowed a
// step limits it. Nothing is rescaled: the implicit scheme is stable at any step.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "classes/sol/sol_internal.hpp"
#include "console/console.hpp"
#include "core/trace_hook.hpp"

namespace tivor::sol {

int soht1(Session& s) {
  if (rtmr(s, "soht1")) return 1;
  SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  Cht& h = s.cht;
  if (h.cur == 0.0f) return flag_on(s, "soht1:cur=0, no time step");
  const int32_t m = c.m, n2 = c.n2;
  const int32_t* conn = ints(s, c.jj1);
  const int32_t* last = ints(s, c.jn2);
  const float* d1 = reals(s, c.jd1);
  const float* d2 = reals(s, c.jd2);
  const float* dm = reals(s, c.jdm);
  const float* rmin1 = reals(s, c.jrmin1);
  // The velocity gradient from the two velocities, the gas term from the specific energy.
  const float* vr = reals(s, p.jf[kVr]);
  const float* vz = reals(s, p.jf[kVz]);
  const float* ee = reals(s, p.jf[kEe]);
  const float* gam = reals(s, p.jgam);
  const float* c0 = reals(s, p.jc0m);
  float stable = 1e18f, rate = 0.0f;
  int32_t first = 0;
  for (int32_t z = 0; z < c.ntel; ++z) {
    const int32_t end = std::clamp(last[z], first, n2);
    const float gg = gam[z] * (gam[z] - 1.0f), c2 = c0[z] * c0[z];
    for (int32_t e = first; e < end; ++e) {
      const int32_t* v = conn + int64_t{e} * m;
      const float* e1 = d1 + int64_t{e} * m;
      const float* e2 = d2 + int64_t{e} * m;
      const float* ew = dm + int64_t{e} * m;
      const int k = (m == 4 && v[2] != v[3]) ? 4 : 3;
      float vre = 0, eee = 0, drr = 0, drz = 0, dzr = 0, dzz = 0, big = 0;
      for (int i = 0; i < k; ++i) {
        const int32_t n = v[i] - 1;
        vre += ew[i] * vr[n];
        eee += ew[i] * ee[n];
        drr += e1[i] * vr[n];
        drz += e2[i] * vr[n];
        dzr += e1[i] * vz[n];
        dzz += e2[i] * vz[n];
        big = std::max({big, std::abs(e1[i]), std::abs(e2[i])});
      }
      const float size = (k == 4 ? 0.5f : 1.0f) / (big + 1e-10f);
      rate = std::max({rate, std::abs(vre * rmin1[e]), std::abs(0.5f * (drz + dzr)), std::abs(dzz),
                       std::abs(drr)});
      // A negative energy makes no gas pressure (and no root of a negative number).
      stable = std::min(stable, size / std::sqrt(std::max(gg * eee, 0.0f) + c2 + kEpsilon));
    }
    first = end;
  }
  h.hist.htdyn = stable;
  float dt = h.cur > 0 ? h.cur * stable : -h.cur;
  if (p.demax > 0) dt = std::min(dt, p.demax / (rate + kEpsilon));
  h.ht = dt;
  return 0;
}

}  // namespace tivor::sol
