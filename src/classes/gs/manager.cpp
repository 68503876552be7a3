// GSM: the gas-flow class behind the task protocol.
#include <algorithm>

#include "classes/gs/gs.hpp"
#include "classes/gs/gs_internal.hpp"
#include "classes/gs/viscous.hpp"
#include "console/console.hpp"
#include "core/trace_hook.hpp"

namespace tivor {
namespace {

constexpr int kMethods = 2;
constexpr const char* kMethodNames[kMethods] = {" euler scheme", " implicit velocity scheme"};

// The steps of method itask up to step isp; returns at the first error.
void steps(Session& s, int itask, bool prepared) {
  GsParm& p = gs::parm(s);
  const int64_t n1 = s.cmesh.n1;
  // The preparation makes one pass with the scheme left out, so that the task starts at is = 1
  // with its results published; the clock starts when the first step is made.
  do {
    a_wait(s, s.cht.isp - s.cht.is);
    if (s.cht.is == 0) {
      p.imach = 1;
      gs::gsb(s, p.jf[0]);
    }
    // The implicit velocity scheme takes viscosity and conduction implicitly: they do not
    // limit its step.
    gs::gsht(s, itask != 2);
    if (flag_tst(s)) return;
    if (prepared) {
      gs::gsl1(s, s.cht.ht);
      if (flag_tst(s) || gs::check_finite(s, "gsl1", p.jf0[0], 5)) return;
      // A viscous step that does not finish leaves the state as it was before the step.
      if (itask == 2 && gs::gsvis(s, p.jf0[0])) return;
      std::copy_n(reals(s, p.jf0[0]), 5 * n1, reals(s, p.jf[0]));
      s.cht.t += s.cht.ht;
    }
    s.cht.is += 1;
    gs::gsp(s);
    if (flag_tst(s)) return;
  } while (s.cht.is < s.cht.isp);
}

}  // namespace

void gsm(Session& s, int itask) {
  s.cls.nmethod = kMethods;
  // GSTERM: every result of the class is a result function of the shared viewer.
  if (itask < 0) return;
  if (itask == 0) {
    for (int k = 0; k < kMethods; ++k) set_field(s.cls.mtname[k], kMethodNames[k]);
    return;
  }
  if (rtmr(s, "gsm") || flag_tst(s)) return;
  if (itask > kMethods) {
    static_cast<void>(flag_on(s, " method not exist"));
    return;
  }
  const bool prepared = s.cht.itask == kTaskPrepared;
  if (!prepared && gs::gsin(s)) return;
  if (flag_tst(s)) return;
  if (prepared && !gs::arrays_ok(s)) {
    static_cast<void>(flag_on(s, " gsm:the task's arrays are not in order, prepare it again"));
    return;
  }
  steps(s, itask, prepared);
  // A run stopped by Esc or by an error leaves the derived fields of its last steps unmade.
  gs::publish_stale(s);
}
}  // namespace tivor
