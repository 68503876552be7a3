// The block loops: every block runs exactly once, on any number of threads, loop after loop; idle
// helpers sleep; a helper that stalls sends the next loops to the calling thread for a while.
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

void spin_for(std::chrono::microseconds span) {
  const auto end = std::chrono::steady_clock::now() + span;
  while (std::chrono::steady_clock::now() < end) {
  }
}

TEST(BlockLoops, AStalledHelperSendsTheNextLoopsToTheCallerForAWhile) {
  const auto caller = std::this_thread::get_id();
  constexpr size_t kBlocks = 37;
  constexpr auto kBlock = std::chrono::microseconds(10);
  // A helper's block takes 20 ms, as when it loses its core on a busy machine; the caller's 10 us.
  std::atomic<int> stalled{0};
  const auto stalling = [&](size_t) {
    if (std::this_thread::get_id() == caller) return spin_for(kBlock);
    stalled.fetch_add(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  };
  for (int tries = 0; tries < 5000 && stalled.load() == 0; ++tries)
    for_blocks(2, kBlocks, stalling);
  ASSERT_GT(stalled.load(), 0) << "no helper ever joined a loop";
  std::atomic<int> helped{0};
  const auto block = [&](size_t) {
    spin_for(kBlock);
    if (std::this_thread::get_id() != caller) helped.fetch_add(1);
  };
  for (int loop = 0; loop < 64; ++loop) for_blocks(2, kBlocks, block);
  EXPECT_EQ(helped.load(), 0) << "a loop right after the stall had a helper";
  // Then the helpers are tried again.
  for (int loop = 0; loop < 1000 && helped.load() == 0; ++loop) for_blocks(2, kBlocks, block);
  EXPECT_GT(helped.load(), 0) << "the helpers were never tried again";
}

}  // namespace
}  // namespace tivor
