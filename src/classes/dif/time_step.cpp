// DIHT_IMP: the time step of the implicit scheme, a multiple of the stable explicit step or a
// fixed value.
#include <algorithm>
#include <cmath>

#include "classes/dif/dif_internal.hpp"
#include "core/pool.hpp"

namespace tivor::dif {

void diht_imp(Session& s, std::string_view /*method*/) {
  Cht& h = s.cht;
  const Cmesh& c = s.cmesh;
  const DifParm& p = parm(s);
  if (std::abs(h.cur) < 1e-6f) h.cur = 0.3f;
  const float* hr = reals(s, c.jhr);
  const float* hz = reals(s, c.jhz);
  const float* dcoef = reals(s, p.jdiffc);
  const int32_t* last = ints(s, c.jn2);
  float est = 1e18f;
  if (h.is == 0 && c.n2 > 0 && dcoef[0] > 0.0f) {
    // The first step also lets the first element with D11 of subregion 1 into the estimate
    // (a factor that is not positive would make the step negative, so it is left out).
    const float he = std::min(hr[0], hz[0]);
    est = std::min(est, he * he / (6.0f * dcoef[0] + kEpsilon));
  }
  int32_t first = 0;
  for (int32_t sub = 0; sub < c.ntel; ++sub) {
    const float* d = dcoef + 4 * sub;
    const float dmax = std::max({std::abs(d[0]), std::abs(d[1]), std::abs(d[2]), std::abs(d[3])});
    const float scale = 1.0f / (6.0f * dmax + kEpsilon);
    const int32_t end = std::clamp(last[sub], first, c.n2);
    for (int32_t e = first; e < end; ++e) {
      const float he = std::min(hr[e], hz[e]);
      est = std::min(est, he * he * scale);
    }
    first = end;
  }
  h.hist.htdyn = est;
  h.ht = h.cur < 0.0f ? std::abs(h.cur) : h.cur * est;
}

}  // namespace tivor::dif
