// Contour zones of a large element mesh onto the raster: a square of n by n cells, each cut into
// two triangles, carrying a saddle with a ripple; 16 levels, the level lines drawn over the
// zones. The argument is the number of triangles.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "bench_host.hpp"
#include "gfx/gfx.hpp"

namespace {

using namespace tivor;

struct Field {
  std::vector<float> x, y, f;
  std::vector<int32_t> nodes;
  int triangles = 0;
};

Field saddle(int cells) {
  Field m;
  const int n = cells + 1;
  m.x.resize(static_cast<size_t>(n) * n);
  m.y.resize(m.x.size());
  m.f.resize(m.x.size());
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      const size_t k = static_cast<size_t>(i + j * n);
      m.x[k] = -1.0f + 2.0f * i / cells;
      m.y[k] = -1.0f + 2.0f * j / cells;
      m.f[k] = m.x[k] * m.x[k] - m.y[k] * m.y[k] + 0.1f * std::sin(9.0f * m.x[k] * m.y[k]);
      if (i > 0 && j > 0) {
        const int a = i + (j - 1) * n, b = a + 1, c = i + 1 + j * n, d = i + j * n;
        m.nodes.insert(m.nodes.end(), {a, b, c, a, c, d});
      }
    }
  }
  m.triangles = static_cast<int>(m.nodes.size() / 3);
  return m;
}

void BM_ContourZones(benchmark::State& state) {
  const int cells = static_cast<int>(std::lround(std::sqrt(state.range(0) / 2.0)));
  const Field m = saddle(cells);
  bench::BenchHost host;
  auto s = std::make_unique<Session>(host);
  dinit1(*s, "bench", 0.6f, 0.6f);
  lpg(*s, 1);
  limits(*s, -1.0f, 1.0f, -1.0f, 1.0f);
  float lev[16];
  int32_t col[17];
  for (int k = 0; k < 16; ++k) lev[k] = -0.9f + 1.8f * k / 15.0f;
  for (int k = 0; k < 17; ++k) col[k] = k % 15 + 1;
  for (auto _ : state) {
    tvfe1(*s, m.x.data(), m.y.data(), m.f.data(), m.nodes.data(), m.triangles, 3,
          static_cast<int>(m.x.size()), lev, col, 16);
    benchmark::DoNotOptimize(s->frame.raster.data());
  }
  state.SetItemsProcessed(state.iterations() * m.triangles);
  state.counters["triangles"] = m.triangles;
}
BENCHMARK(BM_ContourZones)->Arg(25000)->Arg(100000)->Arg(400000)->Unit(benchmark::kMillisecond);

}  // namespace
