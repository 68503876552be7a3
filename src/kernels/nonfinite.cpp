// The scan that finds a value which stopped being finite in a nodal array.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "kernels/kernels.hpp"

namespace tivor {

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

}  // namespace tivor
