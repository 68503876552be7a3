// DIHT_IMP: the time step of the implicit scheme, a multiple of the stable explicit step or a
// fixed value.
#include <algorithm>
#include <cmath>

#include "classes/dif/dif_internal.hpp"
#include "classes/dif/step_cache.hpp"
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
  float est = 1e18f;
  if (h.is == 0 && c.n2 > 0 && dcoef[0] > 0.0f) {
    // The first step also lets the first element with D11 of subregion 1 into the estimate
    // (a factor that is not positive would make the step negative, so it is left out).
    const float he = std::min(hr[0], hz[0]);
    est = std::min(est, he * he / (6.0f * dcoef[0] + kEpsilon));
  }
  // The estimate over every element, h_e^2 / (6 max |D| of its subregion), is kept with the
  // step cache: it changes only with the mesh and the factors. Without a cache the arrays do not
  // lie in the pools and the step that follows stops with its message.
  if (const StepCache* cache = step_cache(s); cache != nullptr) est = std::min(est, cache->est);
  h.hist.htdyn = est;
  h.ht = h.cur < 0.0f ? std::abs(h.cur) : h.cur * est;
}

}  // namespace tivor::dif
