// MESH on four square blocks of generator 2 in a 2 by 2 arrangement, N triangles in all (N =
// 50k, 100k, 200k; 200k is the reference size), glued along their common lines (arg 1) or not
// (arg 0): the difference is the cost of merging, hanging nodes and interfaces. The assembly
// needs 6 integers per triangle of scratch, so these sizes run with a larger integer pool.
#include <benchmark/benchmark.h>

#include <cmath>

#include "mesh/mesh.hpp"
#include "mesh_bench_data.hpp"

namespace {

using namespace tivor;

void BM_Assembly(benchmark::State& state) {
  const int cells = static_cast<int>(std::lround(std::sqrt(state.range(0) / 8.0)));
  const bool glue = state.range(1) != 0;
  bench::MeshBench b;
  b.pools(kPoolReals, 4 * kPoolInts);
  std::string text = "ntel=4 m=3\n";
  for (int k = 0; k < 4; ++k) {
    text += "tipm=2\n" + bench::square_block(100.0 * (k % 2), 100.0 * (k / 2), 100, cells) +
            "turn=0 0 0 0 0 nyt=0 rzcor=0\n";
  }
  text += glue ? "skl=1 m=-1 -1 201 201\n" : "skl=0\n";
  text += "scale=1 1 rzcor=0\n";
  b.write(text);
  for (auto _ : state) {
    if (!b.open()) state.SkipWithError("data file");
    b.s->csize.maxa = b.s->csize.maxk = 0;
    if (mesh(*b.s) != 0) state.SkipWithError("mesh");
    benchmark::DoNotOptimize(b.s->cmesh.n1);
  }
  state.counters["triangles"] = 8.0 * cells * cells;
  state.counters["nodes"] = b.s->cmesh.n1;
}
BENCHMARK(BM_Assembly)
    ->ArgsProduct({{50000, 100000, 200000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
