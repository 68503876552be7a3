// The nodal smoothing of several fields at once from the neighbour lists (asgl1_fields, mode 4),
// as the explicit solids step smooths its two velocities and its eight state fields, on squares
// of quadrilaterals or triangles; and the look-up of the kept neighbour lists.
//
// Counter: "per_node", the time of one node of one call.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "bench_host.hpp"
#include "core/pool.hpp"
#include "kernels/kernels.hpp"

namespace {

using namespace tivor;

// A square of cells x cells, nodes row by row, and ten fields of rough values, laid out in the
// pools.
class SmoothingBench {
 public:
  SmoothingBench(int cells, bool triangles) : s(std::make_unique<Session>(host)) {
    s->a.assign(12000001, 0.0f);
    s->km.assign(5000001, 0);
    s->csize = Csize{12000000, 5000000, 0, 0};
    Cmesh& c = s->cmesh;
    c.m = triangles ? 3 : 4;
    c.n1 = (cells + 1) * (cells + 1);
    c.ntel = 1;
    c.jj1 = 0;
    int32_t* conn = ints(*s, c.jj1);
    int64_t at = 0;
    const auto node = [&](int i, int j) { return 1 + j * (cells + 1) + i; };
    for (int j = 0; j < cells; ++j) {
      for (int i = 0; i < cells; ++i) {
        const int32_t a = node(i, j), b = node(i + 1, j), d = node(i + 1, j + 1),
                      e = node(i, j + 1);
        if (triangles) {
          for (int32_t v : {a, b, d, a, d, e}) conn[at++] = v;
        } else {
          for (int32_t v : {a, b, d, e}) conn[at++] = v;
        }
      }
    }
    c.n2 = static_cast<int32_t>(at / c.m);
    s->csize.maxk = static_cast<int32_t>(at);
    for (int k = 0; k < 10; ++k) {
      fields.push_back(static_cast<int32_t>(int64_t{k} * c.n1));
      float* f = reals(*s, fields.back());
      for (int32_t i = 0; i < c.n1; ++i) f[i] = std::sin(1.3f * static_cast<float>(i * (k + 1)));
    }
    s->csize.maxa = static_cast<int32_t>(10 * int64_t{c.n1});
  }
  bench::BenchHost host;
  std::unique_ptr<Session> s;
  std::vector<int32_t> fields;
};

// Arguments: elements, triangles (0 or 1), fields (2 or 8).
void BM_SmoothFields(benchmark::State& state) {
  const bool triangles = state.range(1) != 0;
  const int cells =
      static_cast<int>(std::lround(std::sqrt(state.range(0) / (triangles ? 2.0 : 1.0))));
  SmoothingBench b(cells, triangles);
  const std::span<const int32_t> fields(b.fields.data(), static_cast<size_t>(state.range(2)));
  for (auto _ : state) {
    asgl1_fields(*b.s, node_neighbours(*b.s), fields, 0.3f, 4);
  }
  using C = benchmark::Counter;
  state.counters["per_node"] = C(b.s->cmesh.n1, C::kIsIterationInvariantRate | C::kInvert);
}
BENCHMARK(BM_SmoothFields)
    ->ArgsProduct({{10000, 200000, 1000000}, {0, 1}, {2, 8}})
    ->ArgNames({"elements", "triangles", "fields"})
    ->Unit(benchmark::kMicrosecond);

// The look-up of the kept neighbour lists of an unchanged mesh, as every step makes it.
void BM_NeighbourLookup(benchmark::State& state) {
  const int cells = static_cast<int>(std::lround(std::sqrt(static_cast<double>(state.range(0)))));
  SmoothingBench b(cells, false);
  for (auto _ : state) benchmark::DoNotOptimize(&node_neighbours(*b.s));
  using C = benchmark::Counter;
  state.counters["per_node"] = C(b.s->cmesh.n1, C::kIsIterationInvariantRate | C::kInvert);
}
BENCHMARK(BM_NeighbourLookup)->Arg(200000)->Unit(benchmark::kMicrosecond);

}  // namespace
