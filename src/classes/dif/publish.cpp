// DIP: after each step the class publishes c1 and c2 to the results viewer, records the history
// points and lets the film take its frame.
#include "classes/dif/dif_internal.hpp"
#include "core/trace_hook.hpp"
#include "kernels/kernels.hpp"

namespace tivor::dif {

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
  if (s.up.afilm) s.up.afilm();
}

}  // namespace tivor::dif
