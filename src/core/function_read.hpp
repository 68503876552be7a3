// The gate every reader of the published result functions passes first: during a run a class
// may leave functions that nothing has read yet unmade, and makes them here when they are read.
#pragma once

#include "core/session.hpp"

namespace tivor {

// Result function k (from 1) is about to be read.
inline void function_read(Session& s, int k) {
  if (s.up.function_read) s.up.function_read(k);
}

}  // namespace tivor
