// A checksum of arrays of 4-byte words, for caches that must notice when the arrays they were
// built from have changed.
#include <cstring>

#include "kernels/kernels.hpp"

namespace tivor {

TIVOR_CLONES uint64_t words_checksum(const void* words, int64_t count) {
  // 32 independent lanes, so that the loop runs at the speed of reading the words (built for each
  // x86-64 level: the multiplications of eight lanes take one instruction from AVX2 on). Each step
  // (xor, multiply by an odd number, xor-shift) is one to one in the lane and in the word: a
  // single changed word always changes the sum.
  constexpr int kLanes = 32;
  uint32_t lane[kLanes];
  for (int l = 0; l < kLanes; ++l) lane[l] = 2166136261u + 0x9e3779b9u * static_cast<uint32_t>(l);
  const auto* bytes = static_cast<const unsigned char*>(words);
  const auto word = [&](int64_t k) {
    uint32_t w;
    std::memcpy(&w, bytes + 4 * k, sizeof w);
    return w;
  };
  int64_t k = 0;
  for (; k + kLanes <= count; k += kLanes) {
    for (int l = 0; l < kLanes; ++l) {
      const uint32_t v = (lane[l] ^ word(k + l)) * 16777619u;
      lane[l] = v ^ (v >> 15);
    }
  }
  uint64_t sum = 1469598103934665603ull ^ static_cast<uint64_t>(count);
  for (; k < count; ++k) sum = (sum ^ word(k)) * 1099511628211ull;
  for (int l = 0; l < kLanes; ++l) sum = (sum ^ lane[l]) * 1099511628211ull;
  return sum;
}

}  // namespace tivor
