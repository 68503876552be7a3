// One implicit viscous and heat-conduction step of the gas-flow class on a unit square of about
// 10k, 50k, 200k and 1M elements (triangles, or quadrilaterals, each of which the stiffness sees as
// four triangles), with the step ten times the explicit viscous limit (nu dt / h^2 = 10) and
// Prandtl number 1: a swirl inside no-slip walls held at a fixed temperature.
//
// With "fresh" the geometry and the vectors are laid out anew in every step, as the class does.
// Counters: time per step (the benchmark's own column), the CG iterations of the velocity system
// (2 n1 unknowns) and of the energy system (n1), and the time per iteration and unknown.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "bench_host.hpp"
#include "classes/gs/viscous.hpp"
#include "console/console.hpp"

namespace {

using namespace tivor;

struct Square {
  int cells;
  std::vector<float> rz, u, v, e, rho;
  std::vector<int32_t> conn;
  std::vector<uint8_t> wall;
  int32_t n2 = 0;
  gs::ViscousMesh mesh;

  Square(int cells_, int m) : cells(cells_) {
    const int side = cells + 1;
    for (int j = 0; j < side; ++j) {
      for (int i = 0; i < side; ++i) {
        const double r = static_cast<double>(i) / cells, z = static_cast<double>(j) / cells;
        rz.push_back(static_cast<float>(r));
        rz.push_back(static_cast<float>(z));
        const bool edge = i == 0 || j == 0 || i == cells || j == cells;
        wall.push_back(edge);
        const double sr = std::sin(M_PI * r), sz = std::sin(M_PI * z);
        u.push_back(static_cast<float>(sr * sr * std::sin(2 * M_PI * z)));
        v.push_back(static_cast<float>(-sz * sz * std::sin(2 * M_PI * r)));
        e.push_back(static_cast<float>(2.5 + 0.1 * sr * sz));
        rho.push_back(static_cast<float>(1 + 0.1 * r));
      }
    }
    for (int j = 0; j < cells; ++j) {
      for (int i = 0; i < cells; ++i) {
        const int32_t a = j * side + i + 1, b = a + side, c = b + 1, d = a + 1;
        if (m == 4) conn.insert(conn.end(), {a, b, c, d});
        if (m == 3) conn.insert(conn.end(), {a, b, c, a, c, d});
      }
    }
    n2 = static_cast<int32_t>(conn.size() / m);
    mesh = {rz.data(), conn.data(), &n2, side * side, n2, m, 1, false};
  }
};

// Arguments: elements, nodes per element, 1 to lay out the geometry and the vectors anew in
// every step (as the class does) rather than once.
void BM_GsViscousStep(benchmark::State& state) {
  const int m = static_cast<int>(state.range(1));
  const double per_cell = m == 3 ? 2.0 : 1.0;
  const int cells = static_cast<int>(std::lround(std::sqrt(state.range(0) / per_cell)));
  bench::BenchHost host;
  auto s = std::make_unique<Session>(host);
  console_install(*s);
  s->threads = 1;  // the processor time of one thread is what a busy machine disturbs least
  Square sq(cells, m);
  const Square start = sq;
  const float h = 1.0f / static_cast<float>(cells), dt = 1e-3f;
  const float nu = 10 * h * h / dt, kappa = nu;
  gs::ViscousStep step{sq.rho.data(),  &nu,     &kappa, sq.wall.data(), sq.wall.data(),
                       sq.wall.data(), nullptr, dt};
  gs::ViscousWork work;
  gs::ViscousStats stats;
  double iters_v = 0, iters_e = 0;
  for (auto _ : state) {
    state.PauseTiming();
    sq.u = start.u, sq.v = start.v, sq.e = start.e;
    state.ResumeTiming();
    if (state.range(2) != 0) work = gs::ViscousWork{};
    if (gs::viscous_step(*s, sq.mesh, step, sq.u.data(), sq.v.data(), sq.e.data(), work, &stats) !=
        0) {
      state.SkipWithError("gsvis");
      return;
    }
    iters_v = stats.iterations[0], iters_e = stats.iterations[1];
  }
  const double n1 = static_cast<double>(sq.u.size());
  using C = benchmark::Counter;
  state.counters["elements"] = sq.n2;
  state.counters["nodes"] = n1;
  state.counters["cg_iters_v"] = iters_v;
  state.counters["cg_iters_e"] = iters_e;
  // "per_unknown_iter=20n": seconds per CG iteration and unknown, the setup included.
  state.counters["per_unknown_iter"] =
      C(iters_v * 2 * n1 + iters_e * n1, C::kIsIterationInvariantRate | C::kInvert);
}
BENCHMARK(BM_GsViscousStep)
    ->ArgsProduct({{10000, 50000, 200000}, {3, 4}, {0, 1}})
    ->Args({1000000, 3, 1})
    ->Args({1000000, 4, 1})
    ->ArgNames({"elements", "m", "fresh"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
