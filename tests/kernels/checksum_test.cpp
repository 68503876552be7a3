// The checksum of kept caches: any one changed word, or two words swapped, changes it.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "kernels/kernels.hpp"

namespace tivor {
namespace {

TEST(WordsChecksum, EveryChangedWordAndEverySwapChangesTheSum) {
  // A length that leaves words past the last whole group of lanes.
  std::vector<int32_t> w(101);
  for (size_t k = 0; k < w.size(); ++k) w[k] = static_cast<int32_t>(k * 7 % 101 + 1);
  const uint64_t sum = words_checksum(w.data(), std::ssize(w));
  EXPECT_NE(words_checksum(w.data(), std::ssize(w) - 1), sum);
  for (size_t k = 0; k < w.size(); ++k) {
    for (const int32_t change : {1, -1, 1 << 31}) {
      std::vector<int32_t> v = w;
      v[k] = static_cast<int32_t>(static_cast<uint32_t>(v[k]) ^ static_cast<uint32_t>(change));
      EXPECT_NE(words_checksum(v.data(), std::ssize(v)), sum) << k << " " << change;
    }
    for (size_t j = 0; j < k; ++j) {
      std::vector<int32_t> v = w;
      std::swap(v[j], v[k]);
      EXPECT_NE(words_checksum(v.data(), std::ssize(v)), sum) << j << " " << k;
    }
  }
}

}  // namespace
}  // namespace tivor
