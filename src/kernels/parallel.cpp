// The persistent helper threads of the block loops. A loop is published to the helpers, which
// join it while it is open and claim blocks from a shared counter together with the calling
// thread; the caller closes the loop once every block is claimed and waits for the helpers still
// inside. Which thread runs a block does not matter: a block's result depends on its rows alone.
//
// Every wait sleeps in the kernel (std::atomic wait, a futex on Linux) instead of spinning: a
// spinning helper takes a core from the calling thread, and from other work, on a busy machine.
//
// On a busy machine a helper may also lose its core in the middle of a block it claimed; the
// caller then waits until the kernel runs it again, often milliseconds, where one thread would
// long have finished. So a loop whose caller waited for the helpers longer than it worked itself,
// and longer than waking a helper takes, sends the next loops to the calling thread alone: 64 of
// them, twice as many each time the helpers stall again, up to 4096; then the helpers are tried
// again. Which thread runs a block changes no result.
#include "kernels/parallel.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace tivor {
namespace {

class Helpers {
 public:
  ~Helpers() {
    stop_.store(true);
    generation_.fetch_add(1, std::memory_order_release);
    generation_.notify_all();
    threads_.clear();  // joins
  }

  void run(int threads, size_t blocks, BlockBody body, const void* context) {
    const std::lock_guard lock(dispatch_);
    if (solo_left_ > 0) {
      --solo_left_;
      for (size_t k = 0; k < blocks; ++k) body(context, k);
      return;
    }
    const int helpers = std::min(threads - 1, static_cast<int>(blocks) - 1);
    while (static_cast<int>(threads_.size()) < helpers) {
      // The helper starts from the generation before this loop's, even when it is scheduled
      // only after the loop (or the destructor) has moved the generation on.
      threads_.emplace_back([this, seen = generation_.load()] { serve(seen); });
    }
    body_ = body;
    context_ = context;
    blocks_ = blocks;
    seats_.store(static_cast<uint32_t>(helpers), std::memory_order_relaxed);
    next_.store(0, std::memory_order_relaxed);
    entry_.store(kOpen, std::memory_order_release);
    generation_.fetch_add(1, std::memory_order_release);
    generation_.notify_all();
    const auto start = Clock::now();
    work();
    const auto worked = Clock::now();
    // Every block is claimed: no helper may join any more; sleep until those inside have left.
    uint32_t inside = entry_.fetch_and(~kOpen, std::memory_order_acq_rel) & ~kOpen;
    if (inside == 0) return;
    while (inside != 0) {
      entry_.wait(inside, std::memory_order_acquire);
      inside = entry_.load(std::memory_order_acquire);
    }
    const auto waited = Clock::now() - worked;
    if (waited > kStall && waited > worked - start) {
      solo_left_ = solo_span_;
      solo_span_ = std::min(2 * solo_span_, kLongestSolo);
    } else {
      solo_span_ = kFirstSolo;
    }
  }

 private:
  static constexpr uint32_t kOpen = uint32_t{1} << 31;
  using Clock = std::chrono::steady_clock;
  // Longer than a sleeping helper takes to wake and finish a block on an idle machine.
  static constexpr auto kStall = std::chrono::microseconds(500);
  static constexpr int kFirstSolo = 64, kLongestSolo = 4096;

  void work() {
    for (;;) {
      const size_t k = next_.fetch_add(1, std::memory_order_relaxed);
      if (k >= blocks_) return;
      body_(context_, k);
    }
  }

  // Joins the open loop while it has a free seat.
  bool join() {
    uint32_t v = entry_.load(std::memory_order_acquire);
    do {
      if ((v & kOpen) == 0 || (v & ~kOpen) >= seats_.load(std::memory_order_relaxed)) return false;
    } while (!entry_.compare_exchange_weak(v, v + 1, std::memory_order_acq_rel));
    return true;
  }

  void serve(uint32_t seen) {
    for (;;) {
      generation_.wait(seen, std::memory_order_acquire);
      seen = generation_.load(std::memory_order_acquire);
      if (stop_.load()) return;
      if (!join()) continue;
      work();
      // The last helper out of a closed loop wakes the caller.
      if (entry_.fetch_sub(1, std::memory_order_acq_rel) == 1) entry_.notify_one();
    }
  }

  std::mutex dispatch_;
  std::vector<std::jthread> threads_;
  // 32-bit words: std::atomic waits on them directly with the kernel's futex.
  std::atomic<uint32_t> generation_{0};  // moves on when a loop opens or the helpers are to stop
  std::atomic<uint32_t> entry_{0};       // kOpen while helpers may join, plus the helpers inside
  std::atomic<uint32_t> seats_{0};
  std::atomic<size_t> next_{0};
  std::atomic<bool> stop_{false};
  // The loop; written only while no helper is inside and the loop is closed.
  BlockBody body_ = nullptr;
  const void* context_ = nullptr;
  size_t blocks_ = 0;
  // The loops still to run on the calling thread alone, and how many the next stall sends there.
  int solo_left_ = 0;
  int solo_span_ = kFirstSolo;
};

}  // namespace

void run_blocks(int threads, size_t blocks, BlockBody body, const void* context) {
  if (threads <= 1 || blocks <= 1) {
    for (size_t k = 0; k < blocks; ++k) body(context, k);
    return;
  }
  static Helpers helpers;
  helpers.run(threads, blocks, body, context);
}

}  // namespace tivor
