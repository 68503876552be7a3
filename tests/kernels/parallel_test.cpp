// The block loops: every block runs exactly once, on any number of threads, loop after loop.
#include "kernels/parallel.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace tivor {
namespace {

TEST(BlockLoops, EveryBlockRunsOnceWhateverTheThreads) {
  for (const int threads : {1, 2, 3, 8}) {
    for (const size_t blocks : {size_t{0}, size_t{1}, size_t{2}, size_t{37}}) {
      std::vector<std::atomic<int>> runs(blocks);
      // Many short loops in a row: the hand-over from one loop to the next is where helpers race.
      for (int loop = 0; loop < 200; ++loop) {
        for_blocks(threads, blocks, [&](size_t k) { runs[k].fetch_add(1); });
      }
      for (size_t k = 0; k < blocks; ++k) {
        EXPECT_EQ(runs[k].load(), 200) << threads << " threads, block " << k << " of " << blocks;
      }
    }
  }
  EXPECT_EQ(block_count(2 * kBlockRows + 1), 3u);
  EXPECT_EQ(block_end(2, 2 * kBlockRows + 1), 2 * kBlockRows + 1);
}

}  // namespace
}  // namespace tivor
