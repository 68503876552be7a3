// The implicit scheme of the solids class (SO6) on generator-2 squares of about 10k, 50k and 200k
// quadrilaterals: one product of its operator (SOL4 in iteration mode) and one whole static step
// with its conjugate-gradient iterations; and the copy and triad loops as the machine's memory
// bandwidth for comparison, measured in the same run.
//
// Counters: the time per element of one product, and the bytes a product moves per element as
// counted here, also as a rate to set against the copy loop's, and those of bench::BoundTimer (a
// product's processor and wall-clock time, and its ratio to the copy loop's time for its bytes,
// from processor time and from wall-clock time). The count takes every array the product
// touches as streamed once; node values gathered or scattered through the connectivity count
// once per node, as if the cache kept them between neighbouring elements. 4 B a value.
// Per element-node: the connectivity, d1 and d2, 12 B. Per element: V and 1/R, 8 B. Per node:
// the product cleared, 8 B; the direction gathered, 8 B; the product read and written by the
// scatter, 16 B. The step also reports its iterations and its time per iteration and element.
//
// The static step runs on one thread with either preconditioner (Jacobi or multigrid, the latter
// built in the step or kept from an earlier one) on quadrilaterals and on triangles (the squares
// cut in two, about twice the elements per node). Its memory counter is the growth of the process's
// peak resident memory over the step, per element: meaningful only for the first step a process
// runs, so run one case per process
// (--benchmark_filter) to read it.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench_host.hpp"
#include "classes/sol/sol.hpp"
#include "classes/sol/sol_internal.hpp"
#include "console/console.hpp"
#include "core/pool.hpp"
#include "kernels/multigrid.hpp"
#include "reader/reader.hpp"
#include "stream_bench.hpp"

namespace {

using namespace tivor;

constexpr double kNodeBytes = 8 + 8 + 16;
constexpr double kElementNodeBytes = 12;
constexpr double kElementBytes = 8;

// A steel square of cells x cells (m, GPa), static: its bottom held, its side x = 0 a line of
// symmetry (the axis, when the task is axisymmetric: symmetry 1), its top pressed down by 1 mm in
// the step.
std::string task(int cells, int m = 4, int symmetry = 2) {
  return "ntel=1\nm=" + std::to_string(m) +
         "\ntipm=2\nrz=0 0 0 0.5 0 1 0.5 1 1 1 1 0.5 1 0 0.5 0\nnksi=" + std::to_string(cells) +
         " neta=" + std::to_string(cells) +
         "\nturn=0 0 0 0 0 nyt=0 rzcor=0\nskl=0\nscale=1 1\nrzcor=0\n"
         "symmetry=" +
         std::to_string(symmetry) +
         "\ngn=0\nvx=1\nm=0 0 0 1 0 0\nntvr=0\nvy=2\nm=0 0 1 0 0 0\n"
         "m=0 1 1 1 -0.001 -0.001\nntvz=2\nm=0 1 1000 1\ncontin=0\nnpn=0\nnpt=0\nfr=0\nfz=0\n"
         "nqn=0\nMAT=1\nE=200\nNU=0.3\nplast=0\nnsk=0\nC=-7.8\nVR=0\nVZ=0\nEN=0\nGAM=1\n"
         "EMAX=1000\nrpres=0\nskpres=0\nEEWZR=0\ndamage=0 0 0\ncompact=0 0 0\ndynamics=2\n"
         "CUR=-1\nDEMAX=0\nBET=0\nSGL=0 0 0\ncontact=0\npenalty=0\nfrict=0\nnbforce=0\n"
         "nthist=0\n";
}

// A prepared task in a temporary working directory.
class So6Bench {
 public:
  explicit So6Bench(int cells, int m = 4, int symmetry = 2) : s(std::make_unique<Session>(host)) {
    console_install(*s);
    bench::size_pools(*s, static_cast<double>(cells) * cells * (m == 3 ? 2 : 1));
    std::ofstream("bench.sol", std::ios::binary) << task(cells, m, symmetry);
    int unit = 0;
    if (readfrom(*s, unit, "bench.sol") != 0) return;
    som(*s, 2);
    int keyboard = kKeyboardUnit;
    static_cast<void>(readfrom(*s, keyboard, "keyboard"));
    ok = !flag_tst(*s);
    s->cht.itask = kTaskPrepared;
  }
  // Back to rest before a step.
  void rest() {
    for (int i = 0; i < 4; ++i) std::fill_n(reals(*s, s->cparm.sol.jf[i]), s->cmesh.n1, 0.0f);
  }

  // First member: entered before the task is made, left after it is gone.
  bench::ScratchDir scratch;
  bench::BenchHost host;
  std::unique_ptr<Session> s;
  bool ok = false;
};

int cells_of(const benchmark::State& state) {
  return static_cast<int>(std::lround(std::sqrt(static_cast<double>(state.range(0)))));
}

// Argument: elements.
void BM_So6Operator(benchmark::State& state) {
  So6Bench b(cells_of(state), 4, state.range(1) == 1 ? 1 : 2);
  if (!b.ok) {
    state.SkipWithError("the task was not prepared");
    return;
  }
  const int32_t n1 = b.s->cmesh.n1;
  std::vector<float> p(2 * static_cast<size_t>(n1)), q(p.size()), d(p.size());
  for (size_t i = 0; i < p.size(); ++i) p[i] = 1e-4f * std::sin(0.001f * static_cast<float>(i));
  bench::BoundTimer timer;
  for (auto _ : state) {
    timer.start();
    if (sol::sol4(*b.s, p.data(), d.data(), q.data(), 1) != 0) state.SkipWithError("sol4");
    benchmark::DoNotOptimize(q.data());
    timer.stop();
  }
  const double n2 = b.s->cmesh.n2;
  const double bytes = (n1 * kNodeBytes + n2 * (4 * kElementNodeBytes + kElementBytes)) / n2;
  using C = benchmark::Counter;
  state.counters["elements"] = n2;
  state.counters["bytes_per_element"] = bytes;
  // "per_element=10n" is the time of one element in one product, "bytes=8G/s" the counted bytes
  // moved per second.
  state.counters["per_element"] = C(n2, C::kIsIterationInvariantRate | C::kInvert);
  state.counters["bytes"] = C(n2 * bytes, C::kIsIterationInvariantRate);
  timer.report(state, n2 * bytes);
}
// Arguments: elements, symmetry (2 plane strain, 1 axisymmetric: the hoop terms too).
BENCHMARK(BM_So6Operator)
    ->ArgsProduct({{10000, 50000, 200000}, {2}})
    ->Args({200000, 1})
    ->ArgNames({"elements", "symmetry"})
    ->Unit(benchmark::kMicrosecond);

// Arguments: elements, element nodes (4 quadrilaterals, 3 triangles), symmetry. The matrix the
// multigrid is built from, assembled anew.
void BM_So6Matrix(benchmark::State& state) {
  const int m = static_cast<int>(state.range(1));
  const double cells = std::sqrt(static_cast<double>(state.range(0)) / (m == 3 ? 2 : 1));
  So6Bench b(static_cast<int>(std::lround(cells)), m, static_cast<int>(state.range(2)));
  if (!b.ok) {
    state.SkipWithError("the task was not prepared");
    return;
  }
  for (auto _ : state) {
    SparseMatrix k;
    if (!sol::sol_matrix(*b.s, k)) state.SkipWithError("sol_matrix");
    benchmark::DoNotOptimize(k.val.data());
  }
  const double n2 = b.s->cmesh.n2;
  using C = benchmark::Counter;
  state.counters["elements"] = n2;
  state.counters["per_element"] = C(n2, C::kIsIterationInvariantRate | C::kInvert);
}
BENCHMARK(BM_So6Matrix)
    ->ArgsProduct({{200000}, {4, 3}, {2, 1}})
    ->ArgNames({"elements", "m", "symmetry"})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

// The process's resident memory now and at its peak, in bytes.
double resident_bytes() {
  std::ifstream in("/proc/self/statm");
  double pages = 0, resident = 0;
  in >> pages >> resident;
  return resident * static_cast<double>(sysconf(_SC_PAGESIZE));
}
double peak_resident_bytes() {
  rusage use{};
  getrusage(RUSAGE_SELF, &use);
  return static_cast<double>(use.ru_maxrss) * 1024.0;
}

// Arguments: elements, element nodes (4 quadrilaterals, 3 triangles), preconditioner (0 Jacobi,
// 1 multigrid built in the step, 2 multigrid kept from an earlier step, as the steps after the
// first of a run find it). One static step from rest on one thread.
void BM_So6Step(benchmark::State& state) {
  const int m = static_cast<int>(state.range(1));
  // Triangles: half the squares for the same count of elements.
  const double cells = std::sqrt(static_cast<double>(state.range(0)) / (m == 3 ? 2 : 1));
  So6Bench b(static_cast<int>(std::lround(cells)), m);
  if (!b.ok) {
    state.SkipWithError("the task was not prepared");
    return;
  }
  b.s->threads = 1;
  b.s->solver = state.range(2) >= 1 ? SolverChoice::multigrid : SolverChoice::jacobi;
  const double before = resident_bytes();
  int iterations = 0;
  // The first multigrid step also starts the message-passing layer, once per process: a step
  // before the timed ones.
  if (b.s->solver == SolverChoice::multigrid && sol::so6(*b.s, &iterations) != 0) {
    state.SkipWithError("so6");
  }
  for (auto _ : state) {
    state.PauseTiming();
    b.rest();
    // Pool words changed from outside the steps: the step builds its multigrid anew.
    if (state.range(2) == 1) ++b.s->pool_stamp;
    state.ResumeTiming();
    if (sol::so6(*b.s, &iterations) != 0) state.SkipWithError("so6");
  }
  const double n2 = b.s->cmesh.n2;
  using C = benchmark::Counter;
  state.counters["elements"] = n2;
  state.counters["iterations"] = iterations;
  // The time of one element in one iteration of the step.
  state.counters["per_element_iteration"] =
      C(n2 * std::max(iterations, 1), C::kIsIterationInvariantRate | C::kInvert);
  state.counters["peak_growth_per_element"] = std::max(peak_resident_bytes() - before, 0.0) / n2;
}
BENCHMARK(BM_So6Step)
    ->ArgsProduct({{10000, 50000, 200000}, {4, 3}, {0, 1, 2}})
    ->Args({1000000, 4, 1})
    ->Args({1000000, 3, 1})
    ->ArgNames({"elements", "m", "multigrid"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->MeasureProcessCPUTime();  // the multigrid's set-up runs on a thread of its own

}  // namespace
