// The test that stops a run when a concentration has overflowed or become NaN, and its report.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <string>

#include "classes/dif/element_loops.hpp"
#include "console/console.hpp"

namespace tivor::dif {

int64_t first_nonfinite(const float* v, int64_t n) {
  // The largest magnitude as bits: NaN and infinity have every exponent bit set, so they are the
  // only values at or above the bits of infinity. An unsigned maximum vectorises.
  constexpr uint32_t kInf = 0x7f800000u;
  uint32_t top = 0;
  for (int64_t i = 0; i < n; ++i) top = std::max(top, std::bit_cast<uint32_t>(v[i]) & 0x7fffffffu);
  if (top < kInf) return -1;
  for (int64_t i = 0; i < n; ++i) {
    if (!std::isfinite(v[i])) return i;
  }
  return -1;
}

int nonfinite(Session& s, std::string_view routine, int ic, int64_t node, float t) {
  clswnd3(s);
  locate1(s, 1, 18);
  return flag_on(s, " " + std::string(routine) + ":conc" + std::to_string(ic) +
                        " not finite at node" + fmt_int(static_cast<int>(node + 1), "(i8)") +
                        " t=" + fmt_real(t, "(e10.3)"));
}

}  // namespace tivor::dif
