// Bounds of the workspace pools as the checker sees them: a pointer read from a record is used
// only when the words it names lie inside the pool. Internal to the shell.
#pragma once

#include <algorithm>
#include <cstdint>

#include "core/pool.hpp"
#include "core/session.hpp"

namespace tivor::pool_view {

// Element i of the array at pointer j, when it is a pool word.
inline bool real_at(const Session& s, int64_t j, int64_t i, float& v) {
  const int64_t k = j + i;
  if (k < 1 || k > real_words(s)) return false;
  v = s.a[static_cast<size_t>(k)];
  return true;
}
inline bool int_at(const Session& s, int64_t j, int64_t i, int32_t& v) {
  const int64_t k = j + i;
  if (k < 1 || k > int_words(s)) return false;
  v = s.km[static_cast<size_t>(k)];
  return true;
}

}  // namespace tivor::pool_view
