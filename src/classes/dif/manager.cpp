// DIM1: the diffusion class behind the task protocol.
#include <string>

#include "classes/dif/dif.hpp"
#include "classes/dif/dif_internal.hpp"
#include "console/console.hpp"
#include "core/trace_hook.hpp"

namespace tivor {
namespace {

constexpr int kMethods = 1;
constexpr const char* kMethodNames[kMethods] = {"cj implicit"};

// Before the first step the user sees which equations are on and may still stop.
void last_moment_check(Session& s) {
  const DifParm& p = dif::parm(s);
  clswnd3(s);
  locate1(s, 1, 18);
  txtcon(s, "iconc1,iconc2");
  txtcon(s, fmt_int(p.iconc1, "(i7)") + fmt_int(p.iconc2, "(i7)"));
  txtcon(s, "last moment check: if necessary equations are on");
  paus(s, "if not then check equation switches in initial data");
}

}  // namespace

void dim1(Session& s, int itask) {
  s.cls.nmethod = kMethods;
  if (itask < 0) return;  // DITERM: the class has no result functions of its own
  if (itask == 0) {
    for (int k = 0; k < kMethods; ++k) set_field(s.cls.mtname[k], kMethodNames[k]);
    return;
  }
  if (rtmr(s, "dim") || flag_tst(s)) return;
  if (itask > kMethods) {
    static_cast<void>(flag_on(s, " method not exist"));
    return;
  }
  if (s.cht.itask != kTaskPrepared && dif::diin(s)) return;
  do {
    a_wait(s, s.cht.isp - s.cht.is);
    if (s.cht.is == 0) last_moment_check(s);
    dif::diht_imp(s, kMethodNames[itask - 1]);
    if (dif::dicon(s)) return;
    s.cht.t += s.cht.ht;
    s.cht.is += 1;
    dif::dip(s);
    if (flag_tst(s)) return;
  } while (s.cht.is < s.cht.isp);
}

}  // namespace tivor
