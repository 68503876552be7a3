// One implicit step of the diffusion class (DICON) on generator-2 squares of about 50k, 200k and
// 1M triangles, both components on with cross diffusion or c2 switched off, on one thread and on
// two; the test for values that are not finite that ends every step; and a plain copy and a triad
// loop as the machine's memory bandwidth for comparison, measured in the same run.
//
// Counters: time per step (the benchmark's own column), CG iterations per step, the time of a
// step per CG iteration and per unknown (the nodes times the components solved), the share of
// column groups that are listed rather than consecutive, and the bytes the iterations move per
// second, and those of bench::BoundTimer: a step's processor and wall-clock time and its ratio to
// the time the iterations' bytes take at the copy loop's rate. The bytes of one iteration per node
// are counted as what the rows stream:
//   per component solved, the values of the row (about 6, 4 B each) and its diagonal, 4 B;
//   the product: direction read, result written, 8 B;
//   the update: direction, product, residual, iterate and preconditioner read, residual, iterate
//   and preconditioned residual written, 32 B;
//   the new direction: direction and preconditioned residual read, direction written, 12 B;
//   once for both components, the columns: 4 B per group of 16 rows, and 4 B per row of a
//   listed group.
// The values and columns are taken from the stored rows. The boundary rows are left out.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench_host.hpp"
#include "classes/dif/dif.hpp"
#include "classes/dif/dif_internal.hpp"
#include "classes/dif/element_loops.hpp"
#include "classes/dif/step_cache.hpp"
#include "console/console.hpp"
#include "core/pool.hpp"
#include "reader/reader.hpp"
#include "stream_bench.hpp"

namespace {

using namespace tivor;

// Bytes of one iteration per node and component solved besides the row's values (see the head
// of the file): the diagonal and the vectors.
constexpr double kVectorBytes = 4 + 8 + 32 + 12;

// The benchmark host counts the keyboard polls: the scheme polls once per CG iteration.
class CountingHost : public bench::BenchHost {
 public:
  int poll_key() override {
    ++polls;
    return 0;
  }
  int64_t polls = 0;
};

// Fixed-point digits, as the sample data files write their values.
std::string num(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.12f", v);
  return buf;
}

// The data of a unit square of cells x cells, c1 held at 1 on r = 0, c2 at 1 on r = 1, cross
// diffusion, a sink of c2 and a fixed step of ten times h^2 (60 explicit stable steps); c2 is
// solved when c2_on.
std::string task(int cells, bool c2_on) {
  const double h = 1.0 / cells;
  const double ht = 10 * h * h;
  return "ntel=1\nm=3\ntipm=2\nrz=0 0 0 0.5 0 1 0.5 1 1 1 1 0.5 1 0 0.5 0\nnksi=" +
         std::to_string(cells) + " neta=" + std::to_string(cells) +
         "\nturn=0 0 0 0 0 nyt=0 rzcor=0\nskl=0\nscale=1 1\nrzcor=0\n"
         "symmetry=0\nconcent1=1\nconcent2=" +
         std::string(c2_on ? "1" : "0") +
         "\n"
         "conc1=1\nm=0 0 0 1 1 1\nconc2=1\nm=1 0 1 1 1 1\n"
         "f0=0 0\ndiffc=1 0.2 0.1 0.5\nfc1=0\nfc2=0.1\ncur=-" +
         num(ht) + "\nbet=0\nsgl=0 0 0\ninitc=0\nnthist=0\n";
}

// A prepared task in a temporary working directory.
class DiconBench {
 public:
  DiconBench(int cells, bool c2_on, int threads = 1) : s(std::make_unique<Session>(host)) {
    console_install(*s);
    // The program's real pool holds about 150k triangles of this class; larger pools here.
    s->a.assign(32000001, 0.0f);
    s->km.assign(8000001, 0);
    s->csize = Csize{32000000, 8000000, 0, 0};
    s->threads = threads;
    std::ofstream("bench.dif", std::ios::binary) << task(cells, c2_on);
    int unit = 0;
    if (readfrom(*s, unit, "bench.dif") != 0) return;
    dim1(*s, 1);  // the data, the arrays and the first step
    int keyboard = kKeyboardUnit;
    static_cast<void>(readfrom(*s, keyboard, "keyboard"));
    ok = !flag_tst(*s);
    // The message area, for the report of a task that was not prepared.
    for (int row = 18; row <= kRows; ++row) {
      for (int col = 1; col <= kCols; ++col) {
        const uint8_t ch = s->text.char_at(col, row);
        message += ch >= ' ' ? static_cast<char>(ch) : ' ';
      }
    }
    s->cht.itask = kTaskPrepared;
    const DifParm& p = s->cparm.dif;
    const float* c = reals(*s, p.jf[0]);
    start.assign(c, c + 2 * int64_t{s->cmesh.n1});
  }
  // Both fields back to where the prepared task left them, so every step does the same work.
  void restore() { std::copy(start.begin(), start.end(), reals(*s, s->cparm.dif.jf[0])); }

  // First member: entered before the task is made, left after it is gone.
  bench::ScratchDir scratch;
  CountingHost host;
  std::unique_ptr<Session> s;
  std::vector<float> start;
  bool ok = false;
  std::string message;
};

// Arguments: triangles, c2 (1 both components solved, 0 c2 switched off), threads.
void BM_Dicon(benchmark::State& state) {
  const int cells = static_cast<int>(std::lround(std::sqrt(state.range(0) / 2.0)));
  DiconBench b(cells, state.range(1) != 0, static_cast<int>(state.range(2)));
  if (!b.ok) {
    state.SkipWithError(("the task was not prepared: " + b.message).c_str());
    return;
  }
  const int64_t polls0 = b.host.polls;
  bench::BoundTimer timer;
  for (auto _ : state) {
    state.PauseTiming();
    b.restore();
    state.ResumeTiming();
    timer.start();
    if (dif::dicon(*b.s) != 0) state.SkipWithError("dicon");
    timer.stop();
  }
  const double n1 = b.s->cmesh.n1, n2 = b.s->cmesh.n2;
  const double iters = static_cast<double>(b.host.polls - polls0) / state.iterations();
  const double solved = (b.s->cparm.dif.iconc1 != 0) + (b.s->cparm.dif.iconc2 != 0);
  const auto* rows = dynamic_cast<const dif::StepCache*>(b.s->class_cache.held.get());
  if (rows == nullptr) {
    state.SkipWithError("no stored rows");
    return;
  }
  const double entries = rows->slice_at.back(), groups = static_cast<double>(rows->group.size());
  const double listed = static_cast<double>(rows->listed.size());
  const double bytes = solved * (4 * entries + n1 * kVectorBytes) + 4 * (groups + listed);
  using C = benchmark::Counter;
  state.counters["elements"] = n2;
  state.counters["nodes"] = n1;
  state.counters["cg_iters"] = iters;
  state.counters["listed"] = groups > 0 ? listed / 16 / groups : 0;
  // Rates print with SI prefixes: "per_iter=1.5ms" is the time of one CG iteration,
  // "per_unknown_iter=4n" that per unknown of it in seconds, "bytes=16G/s" the bytes moved per
  // second.
  state.counters["per_iter"] = C(iters, C::kIsIterationInvariantRate | C::kInvert);
  state.counters["per_unknown_iter"] =
      C(iters * n1 * solved, C::kIsIterationInvariantRate | C::kInvert);
  state.counters["bytes"] = C(iters * bytes, C::kIsIterationInvariantRate);
  timer.report(state, iters * bytes);
}
// On one thread the time is the benchmark's processor time, which a busy machine disturbs least;
// the comparison of one thread with two takes the wall-clock time.
BENCHMARK(BM_Dicon)
    ->ArgsProduct({{50000, 200000, 1000000}, {1, 0}, {1}})
    ->ArgNames({"triangles", "c2", "threads"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dicon)
    ->Name("BM_DiconWall")
    ->ArgsProduct({{50000, 200000, 1000000}, {1, 0}, {1, 2}})
    ->ArgNames({"triangles", "c2", "threads"})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The test of both new fields for values that are not finite, as one step ends with it.
void BM_NonfiniteCheck(benchmark::State& state) {
  const int cells = static_cast<int>(std::lround(std::sqrt(state.range(0) / 2.0)));
  DiconBench b(cells, true);
  if (!b.ok) {
    state.SkipWithError("the task was not prepared");
    return;
  }
  const float* x = reals(*b.s, b.s->cparm.dif.jf0[0]);
  const int64_t n = 2 * int64_t{b.s->cmesh.n1};
  for (auto _ : state) benchmark::DoNotOptimize(first_nonfinite(x, n));
  state.counters["values"] = static_cast<double>(n);
}
BENCHMARK(BM_NonfiniteCheck)->Arg(50000)->Arg(200000)->Unit(benchmark::kMicrosecond);

}  // namespace
