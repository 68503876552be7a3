// SOM: the solids class behind the task protocol.
#include "classes/sol/sol.hpp"
#include "classes/sol/sol_internal.hpp"
#include "console/console.hpp"
#include "core/trace_hook.hpp"

namespace tivor {
namespace {

constexpr int kMethods = 3;
constexpr const char* kMethodNames[kMethods] = {" explicit scheme", " implicit scheme",
                                                " implicit scheme 2"};

}  // namespace

void som(Session& s, int itask) {
  s.cls.nmethod = kMethods;
  if (itask <= 0) {
    for (int k = 0; k < kMethods; ++k) set_field(s.cls.mtname[k], kMethodNames[k]);
    return;
  }
  if (itask > kMethods) return;
  if (rtmr(s, "som") || flag_tst(s)) return;
  if (s.cht.itask != kTaskPrepared) {
    // The step control of the method chosen: the implicit scheme's has no masses to raise.
    if (sol::soin(s) || flag_tst(s) || (itask == 2 ? sol::soht1(s) : sol::soht2(s))) return;
    sol::sop(s);
    return;
  }
  while (s.cht.is < s.cht.isp) {
    a_wait(s, s.cht.isp - s.cht.is);
    if (itask == 2 ? sol::so6(s) : sol::so3(s, itask == 3)) return;
    s.cht.is += 1;
    s.cht.t += s.cht.ht;
    sol::sop(s);
    if (flag_tst(s)) return;
  }
}

}  // namespace tivor
