// Hints for the compilers about loops. TIVOR_IVDEP before a loop says that its iterations do
// not depend on one another through memory, so GCC may vectorise it without proving that the
// arrays do not overlap. Clang does not know GCC's pragma and warns; its own hint also forces
// vectorisation and warns where that fails, so under clang the hint is left out.
#pragma once

#if defined(__clang__)
#define TIVOR_IVDEP
#else
#define TIVOR_IVDEP _Pragma("GCC ivdep")
#endif
