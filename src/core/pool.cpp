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

bool element_arrays_ok(const Session& s) {
  const Cmesh& c = s.cmesh;
  const int64_t n1 = c.n1, n2 = c.n2, n3 = c.n3, nt = c.ntel, m = c.m;
  if ((m != 3 && m != 4) || n1 < 1 || n2 < 1 || n3 < 0 || nt < 1) return false;
  const auto reals_ok = [&](int32_t j, int64_t n) { return real_array_ok(s, j, n); };
  const auto ints_ok = [&](int32_t j, int64_t n) { return int_array_ok(s, j, n); };
  return reals_ok(c.jrz, 2 * n1) && ints_ok(c.jj1, m * n2) && ints_ok(c.jn1, nt) &&
         ints_ok(c.jn2, nt) && ints_ok(c.jn3, nt) && ints_ok(c.jj2, 2 * n3) &&
         reals_ok(c.jsss, n2) && reals_ok(c.jsss0, n2) && reals_ok(c.jrmin1, n2) &&
         reals_ok(c.jd1, m * n2) && reals_ok(c.jd2, m * n2) && reals_ok(c.jdm, m * n2);
}

}  // namespace tivor
