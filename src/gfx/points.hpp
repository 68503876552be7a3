// Conversions shared by the primitives: real canvas coordinates to integer points, and the
// drawing colour standing in for a negative colour.
#pragma once

#include "core/session.hpp"

namespace tivor {

// Truncates a real coordinate towards zero. Values far off the canvas are held at +-1e8 (NaN
// goes to the far negative side) so the conversion is defined for any input; such points are
// dropped by clipping anyway.
inline int trunc_point(double v) {
  constexpr double kFar = 1.0e8;
  if (!(v > -kFar)) return -100000000;
  if (v > kFar) return 100000000;
  return static_cast<int>(v);
}

// A primitive's colour: the drawing colour when the given one is negative.
inline int resolve_colour(const Session& s, int ic) {
  return ic < 0 ? s.grf.igcolor : ic;
}

}  // namespace tivor
