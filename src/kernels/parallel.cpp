// The persistent helper threads of the block loops. A loop is published to the helpers, which
// join it while it is open and claim blocks from a shared counter together with the calling
// thread; the caller closes the loop once every block is claimed and waits for the helpers still
// inside. Which thread runs a block does not matter: a block's result depends on its rows alone.
#include "kernels/parallel.hpp"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace tivor {
namespace {

// Waits spin a little before they sleep: the next loop of a solver follows within microseconds.
constexpr int kSpins = 4000;

inline void cpu_relax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

class Helpers {
 public:
  ~Helpers() {
    stop_.store(true);
    generation_.fetch_add(1);
    wake(opened_);
    threads_.clear();  // joins
  }

  void run(int threads, size_t blocks, BlockBody body, const void* context) {
    const std::lock_guard lock(dispatch_);
    const int helpers = std::min(threads - 1, static_cast<int>(blocks) - 1);
    while (static_cast<int>(threads_.size()) < helpers) {
      // The helper starts from the generation before this loop's, even when it is scheduled
      // only after the loop (or the destructor) has moved the generation on.
      threads_.emplace_back([this, seen = generation_.load()] { serve(seen); });
    }
    body_ = body;
    context_ = context;
    blocks_ = blocks;
    seats_.store(helpers, std::memory_order_relaxed);
    next_.store(0, std::memory_order_relaxed);
    entry_.store(kOpen, std::memory_order_release);
    generation_.fetch_add(1, std::memory_order_release);
    wake(opened_);
    work();
    // Every block is claimed: no helper may join any more; wait for those still inside.
    entry_.fetch_and(~kOpen, std::memory_order_acq_rel);
    const auto all_left = [this] { return entry_.load(std::memory_order_acquire) == 0; };
    wait_for(all_left, closed_);
  }

 private:
  static constexpr int64_t kOpen = int64_t{1} << 32;

  void work() {
    for (;;) {
      const size_t k = next_.fetch_add(1, std::memory_order_relaxed);
      if (k >= blocks_) return;
      body_(context_, k);
    }
  }

  // Joins the open loop while it has a free seat.
  bool join() {
    int64_t v = entry_.load(std::memory_order_acquire);
    do {
      if ((v & kOpen) == 0 || (v & ~kOpen) >= seats_.load(std::memory_order_relaxed)) return false;
    } while (!entry_.compare_exchange_weak(v, v + 1, std::memory_order_acq_rel));
    return true;
  }

  void serve(uint64_t seen) {
    for (;;) {
      wait_for([&] { return generation_.load(std::memory_order_acquire) != seen; }, opened_);
      seen = generation_.load(std::memory_order_acquire);
      if (stop_.load()) return;
      if (!join()) continue;
      work();
      if (entry_.fetch_sub(1, std::memory_order_acq_rel) == 1) wake(closed_);
    }
  }

  // Spins a little, then sleeps on the condition until done() holds. A condition variable, not
  // an atomic wait: the sleeper checks done() under the mutex that wake() takes, so no wake-up
  // is lost between the check and the sleep.
  template <class Done>
  void wait_for(const Done& done, std::condition_variable& cv) {
    for (int spin = 0; spin < kSpins; ++spin) {
      if (done()) return;
      cpu_relax();
    }
    std::unique_lock lock(sleep_);
    cv.wait(lock, done);
  }
  void wake(std::condition_variable& cv) {
    { const std::lock_guard lock(sleep_); }
    cv.notify_all();
  }

  std::mutex dispatch_;
  std::mutex sleep_;                // guards the sleeps of wait_for against lost wake-ups
  std::condition_variable opened_;  // a new loop was published, or the helpers are to stop
  std::condition_variable closed_;  // the last helper inside a closed loop left it
  std::vector<std::jthread> threads_;
  std::atomic<uint64_t> generation_{0};
  std::atomic<int64_t> entry_{0};  // kOpen while helpers may join, plus the helpers inside
  std::atomic<size_t> next_{0};
  std::atomic<bool> stop_{false};
  std::atomic<int64_t> seats_{0};
  // The loop; written only while no helper is inside and the loop is closed.
  BlockBody body_ = nullptr;
  const void* context_ = nullptr;
  size_t blocks_ = 0;
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
