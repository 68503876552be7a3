// The new time level of an explicit step: the copies become the fields, and the nodes' state
// fields and stresses follow from the volume-weighted sums of pass 2.
#include <algorithm>
#include <cstdint>

#include "classes/sol/explicit_step.hpp"
#include "kernels/loop_hints.hpp"

namespace tivor::sol {
namespace {

// The nodes of a block that the loops over many arrays take one array at a time.
constexpr int32_t kNodeBlock = 256;

// The sums of n nodes (at most kNodeBlock) as one row a sum.
inline void sums_by_sum(const NodeSums* q, int32_t n, float (&col)[kSums][kNodeBlock]) {
  for (int32_t j = 0; j < n; ++j) {
    for (int k = 0; k < kSums; ++k) col[k][j] = q[j].v[k];
  }
}

// A block of n node values at the new level from the sums of their changes times the inverse
// weights: SO3I takes the new values, SO3 adds the changes; a node of no element keeps its value.
// Inlined, so that each call's loop is vectorised with `variant` known.
[[gnu::always_inline]] inline void add_changes(float* out, const float* sums, const float* inv,
                                               const int32_t* has, int32_t n, bool variant) {
  for (int32_t j = 0; j < n; ++j) {
    const float change = sums[j] * inv[j];
    out[j] = has[j] ? (variant ? change : out[j] + change) : out[j];
  }
}

}  // namespace

TIVOR_CLONES void new_level(Session& s, NodeSums* q, bool variant) {
  const SolParm& p = parm(s);
  const int32_t n1 = s.cmesh.n1;
  for (int i = 0; i < 4; ++i) std::copy_n(reals(s, p.jf0[i]), n1, reals(s, p.jf[i]));
  float* f[12];
  for (int i = 0; i < 12; ++i) f[i] = reals(s, p.jf[i]);
  float* pore = reals(s, p.jpore);
  float* crack = reals(s, p.jcrack);
  float* emx = reals(s, p.jemx);
  float* str[4];
  for (int i = 0; i < 4; ++i) str[i] = reals(s, p.jstr[i]);
  // Node by node, but in blocks that stay in the cache, one array at a time within a block: the
  // many arrays of n1 values side by side in the pool would otherwise compete for the same cache
  // sets. The block's sums are first turned into one row a sum, so that every update runs on
  // whole vectors. A node of no element keeps its state; its stresses are the (zero) sums.
  alignas(64) float col[kSums][kNodeBlock];
  alignas(64) float inv[kNodeBlock];
  alignas(64) int32_t has[kNodeBlock];  // ints, not bools: vectors of one width
  for (int32_t b0 = 0; b0 < n1; b0 += kNodeBlock) {
    const int32_t nb0 = std::min(kNodeBlock, n1 - b0);
    sums_by_sum(q + b0, nb0, col);
    for (int32_t j = 0; j < nb0; ++j) {
      const float sw = col[kSumWeight][j];
      has[j] = sw > 0.0f;
      inv[j] = has[j] ? 1.0f / sw : 0.0f;
    }
    add_changes(f[kEp11] + b0, col[kSumEp11], inv, has, nb0, variant);
    add_changes(f[kEp33] + b0, col[kSumEp33], inv, has, nb0, variant);
    add_changes(f[kEp13] + b0, col[kSumEp13], inv, has, nb0, variant);
    add_changes(f[kRop] + b0, col[kSumRop], inv, has, nb0, variant);
    add_changes(f[kAp] + b0, col[kSumAp], inv, has, nb0, variant);
    add_changes(f[kRo] + b0, col[kSumRo], inv, has, nb0, variant);
    add_changes(pore + b0, col[kSumPore], inv, has, nb0, variant);
    add_changes(crack + b0, col[kSumCrack], inv, has, nb0, variant);
    float* ee = f[kEe] + b0;
    float* ep11 = f[kEp11] + b0;
    float* ep33 = f[kEp33] + b0;
    float* ep22 = f[kEp22] + b0;
    float* em = emx + b0;
    for (int32_t j = 0; j < nb0; ++j) {
      const float change = col[kSumEe][j] * inv[j];
      ee[j] = has[j] ? (variant ? change : std::max(0.0f, ee[j] + change)) : ee[j];
      ep22[j] = has[j] ? -ep11[j] - ep33[j] : ep22[j];
      em[j] = has[j] ? col[kSumEmx][j] * inv[j] : em[j];
    }
    for (int k = 0; k < 4; ++k) {
      float* out = str[k] + b0;
      for (int32_t j = 0; j < nb0; ++j) {
        const float v = col[kSumS11 + k][j];
        out[j] = has[j] ? v * inv[j] : v;
      }
    }
    std::fill_n(q + b0, nb0, NodeSums{});
  }
}

}  // namespace tivor::sol
