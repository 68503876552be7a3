// The block loops: every block runs exactly once, on any number of threads, loop after loop, and
// idle helpers sleep.
#include "kernels/parallel.hpp"

#include <gtest/gtest.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <thread>
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

double cpu_seconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

TEST(BlockLoops, IdleHelpersTakeNoProcessorTime) {
  // Short loops with pauses between them, as a solver's serial work leaves: the helpers' share
  // of the processor (the process's time less the calling thread's), which waking them costs,
  // stays small against the pauses, where a helper that spun while it waited would take them.
  constexpr int kLoops = 50;
  constexpr auto kPause = std::chrono::milliseconds(2);
  std::atomic<int> runs{0};
  for_blocks(3, 4, [&](size_t) { runs.fetch_add(1); });  // the helpers exist
  const double process0 = cpu_seconds(CLOCK_PROCESS_CPUTIME_ID);
  const double caller0 = cpu_seconds(CLOCK_THREAD_CPUTIME_ID);
  for (int loop = 0; loop < kLoops; ++loop) {
    for_blocks(3, 4, [&](size_t) { runs.fetch_add(1); });
    std::this_thread::sleep_for(kPause);
  }
  const double helpers = (cpu_seconds(CLOCK_PROCESS_CPUTIME_ID) - process0) -
                         (cpu_seconds(CLOCK_THREAD_CPUTIME_ID) - caller0);
  EXPECT_EQ(runs.load(), 4 * (kLoops + 1));
  EXPECT_LT(helpers, 0.1 * kLoops * std::chrono::duration<double>(kPause).count());
}

}  // namespace
}  // namespace tivor
