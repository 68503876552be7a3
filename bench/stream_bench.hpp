// The machine's memory bandwidth, measured in the same run as a benchmark that compares itself
// with it: a copy and a triad over arrays far larger than the caches.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <vector>

namespace tivor::bench {

// The best rate, in bytes read and written per second, of `copies` copies of 64 MB, the same copy
// as BM_StreamCopy's. A benchmark that sets itself against the bandwidth calls it around its own
// timed loop, so that both see the same load of the host.
inline double copy_bytes_per_second(int copies) {
  constexpr size_t n = (64 << 20) / sizeof(float);
  static std::vector<float> src(n, 1.0f), dst(n, 0.0f);
  double best = 0.0;
  for (int k = 0; k < copies; ++k) {
    const auto start = std::chrono::steady_clock::now();
    std::copy(src.begin(), src.end(), dst.begin());
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::max(best, 2.0 * sizeof(float) * n / took.count());
  }
  return best;
}

// Copying 64 MB (read 64 MB, write 64 MB per pass).
inline void BM_StreamCopy(benchmark::State& state) {
  const size_t n = static_cast<size_t>(state.range(0)) / sizeof(float);
  std::vector<float> src(n, 1.0f), dst(n, 0.0f);
  for (auto _ : state) {
    std::copy(src.begin(), src.end(), dst.begin());
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  state.counters["bytes"] = benchmark::Counter(2.0 * static_cast<double>(n * sizeof(float)),
                                               benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_StreamCopy)->Arg(64 << 20)->Unit(benchmark::kMillisecond);

// The triad a = b + s c on three arrays of the given bytes each (read 2, write 1 per pass).
inline void BM_StreamTriad(benchmark::State& state) {
  const size_t n = static_cast<size_t>(state.range(0)) / sizeof(float);
  std::vector<float> a(n, 0.0f), b(n, 1.0f), c(n, 2.0f);
  const float scalar = 3.0f;
  for (auto _ : state) {
    for (size_t i = 0; i < n; ++i) a[i] = b[i] + scalar * c[i];
    benchmark::DoNotOptimize(a.data());
    benchmark::ClobberMemory();
  }
  state.counters["bytes"] = benchmark::Counter(3.0 * static_cast<double>(n * sizeof(float)),
                                               benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_StreamTriad)->Arg(64 << 20)->Unit(benchmark::kMillisecond);

}  // namespace tivor::bench
