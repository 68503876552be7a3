// The stage of the euler scheme and its view of the arrays, for the class's schemes and tests.
#pragma once

#include <cstdint>

#include "core/session.hpp"

namespace tivor::gs {

// Passes of the extremum limiter after each stage.
inline constexpr int kLimiterPasses = 5;

// The mesh arrays and the state fields ro, u, v, e one stage reads.
struct StageView {
  int32_t n1 = 0, m = 0;
  const int32_t* conn = nullptr;
  const float *d1 = nullptr, *d2 = nullptr, *vol = nullptr, *rmin1 = nullptr;
  const float *hr = nullptr, *hz = nullptr;
  const float *ro = nullptr, *u = nullptr, *v = nullptr, *e = nullptr;
};
StageView stage_view(Session& s, int32_t in);

// GSL10: one stage: the residuals of the fields at in (five consecutive arrays ro, u, v, e, p)
// applied over dt to the fields at base, the result at out; limiter_passes passes of the
// extremum limiter (the scheme makes kLimiterPasses), then the boundary values and the pressure.
// With sizes false the smallest element sizes around the nodes (jdf(5), jdf(6)) are left as an
// earlier stage on the same mesh made them.
void gsl10(Session& s, float dt, int32_t in, int32_t base, int32_t out, int limiter_passes,
           bool sizes = true);

}  // namespace tivor::gs
