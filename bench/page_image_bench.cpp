// Coding and decoding a full page image: the standard picture page (488 by 238 points) holding
// contour zones and level lines of a grid, coded into runs and drawn back.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "bench_host.hpp"
#include "gfx/gfx.hpp"

namespace {

using namespace tivor;

std::unique_ptr<Session> zone_page(bench::BenchHost& host) {
  auto s = std::make_unique<Session>(host);
  dinit1(*s, "bench", 0.6f, 0.6f);
  lpg(*s, 1);
  limits(*s, 0.0f, 6.3f, 0.0f, 6.3f);
  constexpr int n = 40;
  std::vector<float> x(n * n), y(n * n), f(n * n);
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      x[i + j * n] = 6.3f * i / (n - 1);
      y[i + j * n] = 6.3f * j / (n - 1);
      f[i + j * n] = std::sin(x[i + j * n]) * std::cos(y[i + j * n]);
    }
  }
  float lev[12];
  int32_t col[13];
  for (int k = 0; k < 12; ++k) lev[k] = -0.9f + 0.16f * k;
  for (int k = 0; k < 13; ++k) col[k] = k + 1;
  izolc(*s, f.data(), x.data(), y.data(), n, n, lev, col, 12);
  izol(*s, f.data(), x.data(), y.data(), n, n, lev, col, 12);
  return s;
}

void BM_CodePage(benchmark::State& state) {
  bench::BenchHost host;
  auto s = zone_page(host);
  for (auto _ : state) {
    benchmark::DoNotOptimize(getpage(*s));
  }
  state.counters["bytes"] = s->frame.kadr.image_size;
  state.SetBytesProcessed(state.iterations() * 488 * 238);
}
BENCHMARK(BM_CodePage)->Unit(benchmark::kMicrosecond);

void BM_DecodePage(benchmark::State& state) {
  bench::BenchHost host;
  auto s = zone_page(host);
  if (!getpage(*s)) state.SkipWithError("page image too large");
  for (auto _ : state) {
    putkdr(*s);
    benchmark::DoNotOptimize(s->frame.raster.data());
  }
  state.counters["bytes"] = s->frame.kadr.image_size;
  state.SetBytesProcessed(state.iterations() * 488 * 238);
}
BENCHMARK(BM_DecodePage)->Unit(benchmark::kMicrosecond);

}  // namespace
