// One refinement (MESHI) of a generator-2 triangle mesh of about N triangles (N = 12.5k, 50k,
// 200k; 50k is the reference size), and on the same meshes one smoothing pass (ARZCOR, with its
// orientation guard) and one mesh test (MESHTEST).
#include <benchmark/benchmark.h>

#include <cmath>

#include "mesh/mesh.hpp"
#include "mesh_bench_data.hpp"

namespace {

using namespace tivor;

// Reads the data file again and generates the block mesh into emptied pools, outside the timing.
void generate_square(benchmark::State& state, bench::MeshBench& b) {
  if (!b.open()) state.SkipWithError("data file");
  b.s->csize.maxa = b.s->csize.maxk = 0;
  initmesh(*b.s);
  b.s->cmesh.m = 3;
  if (mesh23(*b.s, 1) != 0) state.SkipWithError("mesh23");
}

void BM_Refine(benchmark::State& state) {
  const int cells = static_cast<int>(std::lround(std::sqrt(state.range(0) / 2.0)));
  bench::MeshBench b;
  const int64_t ints = 4 * (4 * int64_t{cells}) + 12 * 2 * int64_t{cells} * cells + 1000;
  if (ints >= kPoolInts) b.pools(kPoolReals, static_cast<int32_t>(ints + 1000));
  const std::string text = bench::square_block(0, 0, 100, cells);
  b.write(text);
  for (auto _ : state) {
    state.PauseTiming();
    generate_square(state, b);
    state.ResumeTiming();
    if (meshi(*b.s) != 0) state.SkipWithError("meshi");
    benchmark::DoNotOptimize(b.s->cmesh.n1);
  }
  state.counters["triangles"] = 2.0 * cells * cells;
  state.counters["bigger_pool"] = ints >= kPoolInts ? 1 : 0;
}
BENCHMARK(BM_Refine)->Arg(12500)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);

// The generator-2 mesh of about N triangles with every interior node moved off its place, so
// that the smoothing has work to do; the benchmark then times op on it.
template <typename Op>
void on_mesh(benchmark::State& state, Op op) {
  const int cells = static_cast<int>(std::lround(std::sqrt(state.range(0) / 2.0)));
  bench::MeshBench b;
  b.write(bench::square_block(0, 0, 100, cells));
  for (auto _ : state) {
    state.PauseTiming();
    generate_square(state, b);
    const float h = 100.0f / static_cast<float>(cells);
    float* rz = &b.s->a[static_cast<size_t>(b.s->cmesh.jrz) + 1];
    for (int64_t k = 0; k < b.s->cmesh.n1; ++k) {
      const bool inside =
          rz[2 * k] > 0 && rz[2 * k] < 100 && rz[2 * k + 1] > 0 && rz[2 * k + 1] < 100;
      if (inside) rz[2 * k] += 0.3f * h * static_cast<float>(k % 3 - 1);
    }
    state.ResumeTiming();
    if (op(*b.s) != 0) state.SkipWithError("op");
    benchmark::DoNotOptimize(b.s->a[static_cast<size_t>(b.s->cmesh.jrz) + 1]);
  }
  state.counters["triangles"] = 2.0 * cells * cells;
}

void BM_Smooth(benchmark::State& state) {
  on_mesh(state, [](Session& s) { return arzcor(s, 1); });
}
BENCHMARK(BM_Smooth)->Arg(12500)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_MeshTest(benchmark::State& state) {
  on_mesh(state, [](Session& s) { return meshtest(s); });
}
BENCHMARK(BM_MeshTest)->Arg(12500)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace
