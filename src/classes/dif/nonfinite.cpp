// The test that stops a run when a concentration has overflowed or become NaN, and its report.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <string>

#include "classes/dif/element_loops.hpp"
#include "console/console.hpp"

namespace tivor::dif {

int nonfinite(Session& s, std::string_view routine, int ic, int64_t node, float t) {
  clswnd3(s);
  locate1(s, 1, 18);
  return flag_on(s, " " + std::string(routine) + ":conc" + std::to_string(ic) +
                        " not finite at node" + fmt_int(static_cast<int>(node + 1), "(i8)") +
                        " t=" + fmt_real(t, "(e10.3)"));
}

}  // namespace tivor::dif
