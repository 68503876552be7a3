// DIP: after each step the class publishes c1 and c2 to the results viewer, records the history
// points and lets the film take its frame.
#include <algorithm>

#include "classes/dif/dif_internal.hpp"
#include "classes/dif/step_cache.hpp"
#include "core/trace_hook.hpp"
#include "kernels/kernels.hpp"

namespace tivor::dif {
namespace {

// Without a film the redraw after a step is only there for the eye, which follows no more than
// this many seconds between pictures.
constexpr double kRedrawSeconds = 0.1;

// True when the film entry is to be called after this step: always while a film runs (it keeps
// its own frame rhythm) and at the last step of a run; otherwise when kRedrawSeconds, and at
// least nine times what the last redraw cost, have passed on the host's clock since that redraw
// ended. Redrawing a large mesh's picture after every step would cost more than the step.
bool film_due(Session& s) {
  StepCache* cache = step_cache(s);
  if (s.cht.ifilm != 0 || s.cht.is >= s.cht.isp || cache == nullptr) return true;
  const double now = s.host->clock();
  return now - cache->drawn_at >= std::max(kRedrawSeconds, 9.0 * cache->redraw_cost);
}

void redraw(Session& s) {
  const double start = s.host->clock();
  s.up.afilm();
  if (StepCache* cache = step_cache(s)) {
    cache->drawn_at = s.host->clock();
    cache->redraw_cost = cache->drawn_at - start;
  }
}

}  // namespace

void dip(Session& s) {
  if (rtmr(s, "dip")) return;
  const DifParm& p = parm(s);
  dibase(s);
  set_field(s.cls.ppname[0], "conc1");
  set_field(s.cls.ppname[1], "conc2");
  s.cht.ipp[0] = p.jf[0];
  s.cht.ipp[1] = p.jf[1];
  s.cht.nipp = 2;
  set_field(s.cls.funname[0], "conc1");
  set_field(s.cls.funname[1], "conc2");
  s.cls.jfun[0] = p.jy[0];
  s.cls.jfun[1] = p.jy[1];
  s.cls.nfun = 2;
  if (history(s)) return;
  if (s.up.afilm && film_due(s)) redraw(s);
}

}  // namespace tivor::dif
