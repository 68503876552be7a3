// One refinement (MESHI) of a generator-2 triangle mesh of about N triangles (N = 12.5k, 50k,
// 200k; 50k is the reference size).
#include <benchmark/benchmark.h>

#include <cmath>

#include "mesh/mesh.hpp"
#include "mesh_bench_data.hpp"

namespace {

using namespace tivor;

void BM_Refine(benchmark::State& state) {
  const int cells = static_cast<int>(std::lround(std::sqrt(state.range(0) / 2.0)));
  bench::MeshBench b;
  const int64_t ints = 4 * (4 * int64_t{cells}) + 12 * 2 * int64_t{cells} * cells + 1000;
  if (ints >= kPoolInts) b.pools(kPoolReals, static_cast<int32_t>(ints + 1000));
  const std::string text = bench::square_block(0, 0, 100, cells);
  b.write(text);
  for (auto _ : state) {
    state.PauseTiming();
    if (!b.open()) state.SkipWithError("data file");
    b.s->csize.maxa = b.s->csize.maxk = 0;
    initmesh(*b.s);
    b.s->cmesh.m = 3;
    if (mesh23(*b.s, 1) != 0) state.SkipWithError("mesh23");
    state.ResumeTiming();
    if (meshi(*b.s) != 0) state.SkipWithError("meshi");
    benchmark::DoNotOptimize(b.s->cmesh.n1);
  }
  state.counters["triangles"] = 2.0 * cells * cells;
  state.counters["bigger_pool"] = ints >= kPoolInts ? 1 : 0;
}
BENCHMARK(BM_Refine)->Arg(12500)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace
