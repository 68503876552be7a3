// The extremum limiter's passes over one field and over records of four fields, and GSSGL1.
#include "classes/gs/limiter.hpp"

#include <algorithm>
#include <cstdint>

#include "kernels/loop_hints.hpp"

namespace tivor::gs {
namespace {

constexpr float kBig = 1e18f;

// The pass on records. The nodes go in batches of four whose neighbours come slot by slot, the
// k-th neighbours of the four nodes together, so that four independent ranges grow at once. The
// nodes after the last whole batch take their neighbours one by one. The result goes to records
// (split false) or to four separate arrays (split true). The records go as whole vectors of four:
// written as plain loops over the four fields, GCC keeps the sixteen ranges of a batch in scalar
// registers, and the whole step takes 1.6 times as long (portable and x86-64-v3 builds alike).
template <bool split>
[[gnu::always_inline]] inline void record_pass(const GsCache& nb, int64_t n1,
                                               const float* __restrict src, float* __restrict dst) {
  constexpr int kB = GsCache::kNodeBatch;
  const Lane big = {kBig, kBig, kBig, kBig};
  const auto put = [&](int64_t n, Lane out) {
    if constexpr (split) {
      for (int f = 0; f < 4; ++f) dst[f * n1 + n] = out[f];
    } else {
      store(dst + 4 * n, out);
    }
  };
  const int32_t* bstart = nb.batch_start.data();
  const int32_t* bnext = nb.batch_next.data();
  const int64_t batches = n1 / kB;
  for (int64_t g = 0; g < batches; ++g) {
    Lane lo[kB], hi[kB];
    for (int l = 0; l < kB; ++l) lo[l] = big, hi[l] = -big;
    const int32_t* k_end = bnext + kB * int64_t{bstart[g + 1]};
    for (const int32_t* k = bnext + kB * int64_t{bstart[g]}; k < k_end; k += kB) {
      for (int l = 0; l < kB; ++l) widen(load<Lane>(src + k[l]), lo[l], hi[l]);
    }
    for (int l = 0; l < kB; ++l) {
      const int64_t n = kB * g + l;
      put(n, limited(load<Lane>(src + 4 * n), lo[l], hi[l]));
    }
  }
  const int32_t* start = nb.start.data();
  const int32_t* next = nb.next.data();
  for (int64_t n = kB * batches; n < n1; ++n) {
    Lane lo = big, hi = -big;
    for (int32_t j = start[n]; j < start[n + 1]; ++j) {
      widen(load<Lane>(src + 4 * int64_t{next[j]}), lo, hi);
    }
    put(n, limited(load<Lane>(src + 4 * n), lo, hi));
  }
}

}  // namespace

void limit_pass(const GsCache& nb, int64_t n1, const float* src, float* dst) {
  const int32_t* start = nb.start.data();
  const int32_t* next = nb.next.data();
  for (int64_t n = 0; n < n1; ++n) {
    float lo = kBig, hi = -kBig;
    for (int32_t j = start[n]; j < start[n + 1]; ++j) widen(src[next[j]], lo, hi);
    dst[n] = limited(src[n], lo, hi);
  }
}

TIVOR_CLONES void limit_records(const GsCache& nb, int64_t n1, const float* src, float* dst) {
  record_pass<false>(nb, n1, src, dst);
}

TIVOR_CLONES void limit_records_to_fields(const GsCache& nb, int64_t n1, const float* src,
                                          float* dst) {
  record_pass<true>(nb, n1, src, dst);
}

void gssgl1(Session& s, int32_t f, int32_t g, int32_t wmax, int32_t wmin) {
  static_cast<void>(wmax);
  const int64_t n1 = s.cmesh.n1;
  // The old values go to wmin first, so that g may be f.
  float* old = reals(s, wmin);
  std::copy_n(reals(s, f), n1, old);
  limit_pass(gs_cache(s), n1, old, reals(s, g));
}

}  // namespace tivor::gs
