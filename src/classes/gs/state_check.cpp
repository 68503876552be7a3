// The checks that keep the class's loops inside the pools (also for a task read from a buffer or
// changed in the memory checker) and the stop of a run whose values stopped being finite.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "classes/gs/gs.hpp"
#include "classes/gs/gs_internal.hpp"
#include "console/console.hpp"
#include "kernels/kernels.hpp"

namespace tivor::gs {

bool arrays_ok(const Session& s) {
  const GsParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  const int64_t n1 = c.n1, n2 = c.n2, n3 = c.n3, nt = c.ntel, m = c.m;
  if (!element_arrays_ok(s)) return false;
  const auto reals_ok = [&](int32_t j, int64_t n) { return real_array_ok(s, j, n); };
  const auto ints_ok = [&](int32_t j, int64_t n) { return int_array_ok(s, j, n); };
  if (!reals_ok(c.jmm, n1) || !reals_ok(c.jhr, n2) || !reals_ok(c.jhz, n2)) return false;
  for (const int32_t j : {p.jgam, p.jmu0, p.jkk0}) {
    if (!reals_ok(j, nt)) return false;
  }
  // The scheme and the publisher treat each set as consecutive arrays.
  for (const int32_t* set : {p.jf, p.jdf, p.jf0, p.jfg, p.jpg}) {
    const int64_t len = (set == p.jfg || set == p.jpg) ? n3 : n1;
    for (int i = 0; i < 11; ++i) {
      if (set[i] != set[0] + i * len || !reals_ok(set[i], len)) return false;
    }
  }
  for (int i = 0; i < 11; ++i) {
    if (!ints_ok(p.jy[i], n3)) return false;
  }
  if (!ints_ok(p.jwall, n3) || !reals_ok(p.jrz0, 2 * n1) || p.ntvrg < 0 || p.ntvzg < 0 ||
      !reals_ok(p.jtvrg, 2 * int64_t{p.ntvrg}) || !reals_ok(p.jtvzg, 2 * int64_t{p.ntvzg})) {
    return false;
  }
  for (const int32_t j : p.jrb) {
    if (!reals_ok(j, std::max(n1, n2))) return false;
  }
  const int32_t* conn = ints(s, c.jj1);
  for (int64_t k = 0; k < m * n2; ++k) {
    if (conn[k] < 1 || conn[k] > n1) return false;
  }
  const int32_t* b = ints(s, c.jj2);
  for (int64_t k = 0; k < 2 * n3; ++k) {
    if (std::abs(b[k]) > n1) return false;
  }
  return true;
}

int check_finite(Session& s, std::string_view routine, int32_t f, int fields) {
  static constexpr const char* kNames[] = {"ro", "u", "v", "e", "p"};
  const int64_t n1 = s.cmesh.n1;
  for (int i = 0; i < fields; ++i) {
    const int64_t node = first_nonfinite(reals(s, f + static_cast<int32_t>(i * n1)), n1);
    if (node < 0) continue;
    clswnd3(s);
    locate1(s, 1, 18);
    std::string message = " ";
    message += routine;
    message += ":";
    message += kNames[i % 5];
    message += " not finite at node";
    message += fmt_int(static_cast<int>(node + 1), "(i8)");
    message += " t=";
    message += fmt_real(s.cht.t + s.cht.ht, "(e10.3)");
    return flag_on(s, message);
  }
  return 0;
}

}  // namespace tivor::gs

namespace tivor {

bool gs_state_ok(const Session& s) {
  if (s.cht.itask != kTaskPrepared) return true;  // the next preparation reads the data anew
  return gs::arrays_ok(s);
}

}  // namespace tivor
