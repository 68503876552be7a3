// The extremum limiter of the euler scheme: its rule for one node, and its passes over one field
// and over records of four fields. Internal to src/classes/gs.
#pragma once

#include <cstdint>

#include "classes/gs/gs_internal.hpp"
#include "kernels/lane.hpp"

namespace tivor::gs {

// The range [lo, hi] of a node's neighbours widened by the value w of one more of them; T is
// float or Lane (four fields at once).
template <class T>
inline void widen(T w, T& lo, T& hi) {
  lo = w < lo ? w : lo;
  hi = w > hi ? w : hi;
}

// The test of one node against the range [lo, hi] of its neighbours: a strict extremum is pulled
// a quarter of the way to the middle of the range. A node of no element (lo > hi) keeps its
// value. T is float or Lane; the test has no branches, so that it runs in vector registers.
template <class T>
inline T limited(T x, T lo, T hi) {
  const auto strict = ((x < lo) | (x > hi)) & (lo <= hi);
  return strict ? T(0.75f * x + 0.125f * (lo + hi)) : x;
}

// One pass of the limiter on one field, from src into dst (never the same array): each node
// compares its value with the range of its neighbours along the element outlines (the diagonal
// of a quadrilateral is not an outline edge).
void limit_pass(const GsCache& nb, int64_t n1, const float* src, float* dst);

// The same pass on the four fields ro, u, v, e held as one record of four values a node (src, n1
// records), into records at dst.
void limit_records(const GsCache& nb, int64_t n1, const float* src, float* dst);
// The same, its result as four separate arrays dst, dst + n1, dst + 2 n1, dst + 3 n1.
void limit_records_to_fields(const GsCache& nb, int64_t n1, const float* src, float* dst);

}  // namespace tivor::gs
