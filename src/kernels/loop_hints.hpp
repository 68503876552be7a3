// Hints for the compilers about loops. TIVOR_IVDEP before a loop says that its iterations do
// not depend on one another through memory, so GCC may vectorise it without proving that the
// arrays do not overlap. Clang does not know GCC's pragma and warns; its own hint also forces
// vectorisation and warns where that fails, so under clang the hint is left out.
//
// TIVOR_CLONES before a function (not a template: clang cannot clone those) compiles it once for
// each level of the x86-64 instruction sets, and the loader picks the widest the processor has:
// the portable build's hot loops then run with the vector instructions of the machine. The
// results are the same on every level, since no build contracts a * b + c into one instruction.
#pragma once

#if defined(__clang__)
#define TIVOR_IVDEP
#else
#define TIVOR_IVDEP _Pragma("GCC ivdep")
#endif

// TIVOR_NO_UNROLL before a loop keeps it a loop, in each compiler's own words.
#if defined(__clang__)
#define TIVOR_NO_UNROLL _Pragma("clang loop unroll(disable)")
#else
#define TIVOR_NO_UNROLL _Pragma("GCC unroll 1")
#endif

#if defined(__x86_64__) && defined(__linux__) && !defined(TIVOR_NO_CLONES)
#define TIVOR_CLONES __attribute__((target_clones("default", "arch=x86-64-v3", "arch=x86-64-v4")))
#else
#define TIVOR_CLONES
#endif

// The element passes that run their formulas on Wide lanes are built twice: for processors with
// 256-bit vectors (TIVOR_WIDE before the function) on Wide lanes, and for the others on Lane
// lanes, since without those registers a Wide lives in memory and every operation on it goes
// through the stack. wide_vectors() tells which of the two runs: the wide ones where the processor
// has AVX2. A build for one processor (TIVOR_NO_CLONES) builds both for it and takes the wide ones
// when it has AVX2. Tests take the narrow ones (use_wide_vectors(false)) to check them.
#if defined(__x86_64__) && defined(__linux__) && !defined(TIVOR_NO_CLONES)
#define TIVOR_WIDE __attribute__((target("avx2")))
namespace tivor {
// The wide versions are built for AVX2: they can run, and then pay, where the processor has it.
inline bool wide_vectors_run() {
  return __builtin_cpu_supports("avx2");
}
constexpr bool kWideVectorsPay = true;
}  // namespace tivor
#else
#define TIVOR_WIDE
namespace tivor {
// The wide versions are built for this build's processor: they always run, and pay where it has
// AVX2.
inline bool wide_vectors_run() {
  return true;
}
#if defined(__AVX2__)
constexpr bool kWideVectorsPay = true;
#else
constexpr bool kWideVectorsPay = false;
#endif
}  // namespace tivor
#endif

namespace tivor {
inline bool& wide_vectors_chosen() {
  static bool wide = kWideVectorsPay && wide_vectors_run();
  return wide;
}
inline bool wide_vectors() {
  return wide_vectors_chosen();
}
// Takes the wide versions (where this processor runs them) or the narrow ones.
inline void use_wide_vectors(bool wide) {
  wide_vectors_chosen() = wide && wide_vectors_run();
}
}  // namespace tivor
