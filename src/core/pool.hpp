// Access to the workspace pools with the 1-based pointer convention, the bounds checks that keep
// every pointer read from a record inside its pool, and one-array reservations at the marks.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "core/session.hpp"

namespace tivor {

// Element 1 of the array at pointer j (element i is at index i - 1).
inline float* reals(Session& s, int64_t j) {
  return s.a.data() + j + 1;
}
inline int32_t* ints(Session& s, int64_t j) {
  return s.km.data() + j + 1;
}
inline const float* reals(const Session& s, int64_t j) {
  return s.a.data() + j + 1;
}
inline const int32_t* ints(const Session& s, int64_t j) {
  return s.km.data() + j + 1;
}

// Words 1..size of each pool that exist (the vectors hold an unused word 0).
inline int64_t real_words(const Session& s) {
  return std::clamp<int64_t>(s.csize.na, 0, static_cast<int64_t>(s.a.size()) - 1);
}
inline int64_t int_words(const Session& s) {
  return std::clamp<int64_t>(s.csize.nk, 0, static_cast<int64_t>(s.km.size()) - 1);
}
// True when elements 1..n of the array at pointer j are pool words (n = 0 asks nothing).
inline bool real_array_ok(const Session& s, int64_t j, int64_t n) {
  return j >= 0 && n >= 0 && j + n <= real_words(s);
}
inline bool int_array_ok(const Session& s, int64_t j, int64_t n) {
  return j >= 0 && n >= 0 && j + n <= int_words(s);
}
// True when a prepared task has a mesh (counts sane) and the arrays every element loop reads lie in
// the pools: coordinates, connectivity, subregion ranges, boundary, volumes, 1/r, shape
// derivatives.
bool element_arrays_ok(const Session& s);

// NEWARR of one array at the pool's mark; lengths beyond the 32-bit range are refused as an
// overflow of the pool.
[[nodiscard]] int reserve_reals(Session& s, int32_t& ptr, int64_t len, std::string_view name);
[[nodiscard]] int reserve_ints(Session& s, int32_t& ptr, int64_t len, std::string_view name);

}  // namespace tivor
