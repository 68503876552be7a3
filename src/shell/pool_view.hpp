// Bounds of the workspace pools as the checker sees them: a pointer read from a record is used
// only when the words it names lie inside the pool. Internal to the shell.
#pragma once

#include <algorithm>
#include <cstdint>

#include "core/session.hpp"

namespace tivor::pool_view {

// Words 1..size of each pool exist (the vectors hold one more word, index 0, unused).
inline int64_t real_size(const Session& s) {
  return std::clamp<int64_t>(s.csize.na, 0, static_cast<int64_t>(s.a.size()) - 1);
}
inline int64_t int_size(const Session& s) {
  return std::clamp<int64_t>(s.csize.nk, 0, static_cast<int64_t>(s.km.size()) - 1);
}

// True when elements 1..n of the array at pointer j are pool words (n = 0 asks nothing).
inline bool real_array(const Session& s, int64_t j, int64_t n) {
  return j >= 0 && n >= 0 && j + n <= real_size(s);
}
inline bool int_array(const Session& s, int64_t j, int64_t n) {
  return j >= 0 && n >= 0 && j + n <= int_size(s);
}

// Element i of the array at pointer j, when it is a pool word.
inline bool real_at(const Session& s, int64_t j, int64_t i, float& v) {
  const int64_t k = j + i;
  if (k < 1 || k > real_size(s)) return false;
  v = s.a[static_cast<size_t>(k)];
  return true;
}
inline bool int_at(const Session& s, int64_t j, int64_t i, int32_t& v) {
  const int64_t k = j + i;
  if (k < 1 || k > int_size(s)) return false;
  v = s.km[static_cast<size_t>(k)];
  return true;
}

}  // namespace tivor::pool_view
