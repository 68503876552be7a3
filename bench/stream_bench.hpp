// The machine's memory bandwidth, measured in the same run as a benchmark that compares itself
// with it: a copy and a triad over arrays far larger than the caches. The comparison is made in
// processor time, which the load of a shared host disturbs far less than the wall clock; the
// wall-clock figures are shown beside it.
#pragma once

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace tivor::bench {

// A moment in processor time and in wall-clock time, in seconds.
struct Times {
  double cpu = 0, wall = 0;
};
inline double seconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}
// The processor time of the whole process (every thread of a step, its helpers included), or of
// the calling thread alone.
inline Times now(bool whole_process = true) {
  return {seconds(whole_process ? CLOCK_PROCESS_CPUTIME_ID : CLOCK_THREAD_CPUTIME_ID),
          seconds(CLOCK_MONOTONIC)};
}

// The best rates, in bytes read and written per second of processor time and of wall-clock time,
// of `copies` copies of 64 MB, the same copy as BM_StreamCopy's.
inline Times copy_rate(int copies) {
  constexpr size_t n = (64 << 20) / sizeof(float);
  static std::vector<float> src(n, 1.0f), dst(n, 0.0f);
  constexpr double bytes = 2.0 * sizeof(float) * n;
  Times best;
  for (int k = 0; k < copies; ++k) {
    const Times start = now(false);
    std::copy(src.begin(), src.end(), dst.begin());
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
    const Times end = now(false);
    best.cpu = std::max(best.cpu, bytes / (end.cpu - start.cpu));
    best.wall = std::max(best.wall, bytes / (end.wall - start.wall));
  }
  return best;
}

// The steps of a benchmark set against the copy loop. Construct it before the timed loop (it
// measures the copy there), put start() and stop() around each step, and call report() after the
// loop (it measures the copy again and keeps the better rates). Counters: "cpu_step" and
// "wall_step", a step's mean processor and wall-clock time in seconds; "copy", the copy's rate in
// bytes per processor second; "ratio", a step's processor time over the processor time its
// counted bytes take at the copy's rate, "best_ratio" the same for the step that took the least,
// and "ratio_wall", the mean from wall-clock times.
class BoundTimer {
 public:
  BoundTimer() : rate_(copy_rate(3)) {}
  void start() { begin_ = now(); }
  void stop() {
    const Times end = now();
    total_.cpu += end.cpu - begin_.cpu;
    total_.wall += end.wall - begin_.wall;
    fastest_ = std::min(fastest_, end.cpu - begin_.cpu);
    ++steps_;
  }
  void report(benchmark::State& state, double bytes_per_step) {
    const Times again = copy_rate(3);
    rate_.cpu = std::max(rate_.cpu, again.cpu);
    rate_.wall = std::max(rate_.wall, again.wall);
    const double steps = std::max(steps_, 1.0);
    state.counters["cpu_step"] = total_.cpu / steps;
    state.counters["wall_step"] = total_.wall / steps;
    state.counters["copy"] = rate_.cpu;
    state.counters["ratio"] = total_.cpu / steps / (bytes_per_step / rate_.cpu);
    state.counters["best_ratio"] = fastest_ / (bytes_per_step / rate_.cpu);
    state.counters["ratio_wall"] = total_.wall / steps / (bytes_per_step / rate_.wall);
  }

 private:
  Times rate_, begin_, total_;
  double fastest_ = 1e300, steps_ = 0;
};

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
