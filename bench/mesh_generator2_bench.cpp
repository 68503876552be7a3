// Generator 2 in triangles on a square of about N cells (N = 10k, 100k, 1M); sizes beyond the
// program's integer pool run with a larger pool so that the growth can be seen.
#include <benchmark/benchmark.h>

#include <cmath>

#include "mesh/mesh.hpp"
#include "mesh_bench_data.hpp"

namespace {

using namespace tivor;

void BM_Generator2(benchmark::State& state) {
  const int cells = static_cast<int>(std::lround(std::sqrt(static_cast<double>(state.range(0)))));
  bench::MeshBench b;
  const int64_t ints = 2 * int64_t{cells} * cells * 3 + 8 * int64_t{cells} + 16;
  if (ints >= kPoolInts) b.pools(kPoolReals, static_cast<int32_t>(ints + 1000));
  const std::string text = bench::square_block(0, 0, 100, cells);
  b.write(text);
  for (auto _ : state) {
    if (!b.open()) state.SkipWithError("data file");
    b.s->csize.maxa = b.s->csize.maxk = 0;
    initmesh(*b.s);
    b.s->cmesh.m = 3;
    if (mesh23(*b.s, 1) != 0) state.SkipWithError("mesh23");
    benchmark::DoNotOptimize(b.s->cmesh.n2);
  }
  state.counters["cells"] = static_cast<double>(cells) * cells;
  state.counters["ns_per_cell"] = benchmark::Counter(
      static_cast<double>(cells) * cells,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["bigger_pool"] = ints >= kPoolInts ? 1 : 0;
}
BENCHMARK(BM_Generator2)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
