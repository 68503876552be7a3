// The value types the element formulas of the classes are written for: a float, one element (or
// node); Lane, four side by side in one vector register, which every x86-64 processor has; or
// Wide, eight side by side in one register of a processor with 256-bit vectors, for the versions
// of the element passes built for those (TIVOR_WIDE). The formulas use only arithmetic and the
// functions below, so that the same source serves one element and a batch, and every lane
// computes what one element alone would. Every function that takes or returns a Wide is always
// inlined: called out of line from a version built for 256-bit vectors, a Wide would pass in
// another way than the callee's version expects.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

namespace tivor {

typedef float Lane __attribute__((vector_size(16)));
using LaneMask = decltype(Lane{} < Lane{});
constexpr int kLaneWidth = 4;

typedef float Wide __attribute__((vector_size(32)));

// The elements side by side in a value of type V.
template <class V>
constexpr int kWidth = int{sizeof(V) / sizeof(float)};

template <class V>
concept FloatVector = std::is_same_v<V, Lane> || std::is_same_v<V, Wide>;

// v in every lane.
template <class T>
[[gnu::always_inline]] inline T splat(float v) {
  return T{} + v;
}

// a where c holds, b elsewhere.
[[gnu::always_inline]] inline float pick(bool c, float a, float b) {
  return c ? a : b;
}
template <FloatVector V>
[[gnu::always_inline]] inline V pick(decltype(V{} < V{}) c, V a, V b) {
  return c ? a : b;
}

// std::max(a, b), lane by lane: b where a < b, else a.
[[gnu::always_inline]] inline float max_of(float a, float b) {
  return std::max(a, b);
}
template <FloatVector V>
[[gnu::always_inline]] inline V max_of(V a, V b) {
  return a < b ? b : a;
}

// |a|, lane by lane: the sign bit cleared.
[[gnu::always_inline]] inline float abs_of(float a) {
  return std::abs(a);
}
template <FloatVector V>
[[gnu::always_inline]] inline V abs_of(V a) {
  decltype(V{} < V{}) bits;
  std::memcpy(&bits, &a, sizeof bits);
  bits &= 0x7fffffff;
  std::memcpy(&a, &bits, sizeof a);
  return a;
}

[[gnu::always_inline]] inline float sqrt_of(float a) {
  return std::sqrt(a);
}
template <FloatVector V>
[[gnu::always_inline]] inline V sqrt_of(V a) {
  V r;
  for (int i = 0; i < kWidth<V>; ++i) r[i] = std::sqrt(a[i]);
  return r;
}

// Four vectors as the rows of a 4 x 4 block turned into its columns: x[c][r] becomes x[r][c].
inline void transpose4(Lane (&x)[4]) {
  const Lane t0 = __builtin_shufflevector(x[0], x[1], 0, 4, 1, 5);
  const Lane t1 = __builtin_shufflevector(x[0], x[1], 2, 6, 3, 7);
  const Lane t2 = __builtin_shufflevector(x[2], x[3], 0, 4, 1, 5);
  const Lane t3 = __builtin_shufflevector(x[2], x[3], 2, 6, 3, 7);
  x[0] = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
  x[1] = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
  x[2] = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
  x[3] = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
}

// The values at p, and stores to p.
template <class T>
[[gnu::always_inline]] inline T load(const float* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <class T, class Value>
[[gnu::always_inline]] inline void store(Value* p, const T& v) {
  std::memcpy(p, &v, sizeof v);
}

}  // namespace tivor
