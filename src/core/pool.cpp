// One-array reservations in the pools.
#include "core/pool.hpp"

#include <limits>

#include "core/newarr.hpp"

namespace tivor {
namespace {

int32_t length32(int64_t len) {
  return static_cast<int32_t>(std::clamp<int64_t>(len, 0, std::numeric_limits<int32_t>::max()));
}

}  // namespace

int reserve_reals(Session& s, int32_t& ptr, int64_t len, std::string_view name) {
  // A length past the 32-bit range cannot fit: asking for the largest one reports the overflow.
  return newarr(s, &ptr, 1, 1, length32(len), s.csize.maxa, s.csize.na, name);
}

int reserve_ints(Session& s, int32_t& ptr, int64_t len, std::string_view name) {
  return newarr(s, &ptr, 1, 1, length32(len), s.csize.maxk, s.csize.nk, name);
}

}  // namespace tivor
