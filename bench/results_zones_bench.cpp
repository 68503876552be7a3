// The contour-lines, mesh and contour-zones pictures of the results viewer on a large mesh: a
// prepared task whose mesh is a square of n by n cells, each cut into two triangles or left a
// quadrilateral, carrying a saddle with a ripple; the whole picture (positions, window, levels,
// lines, elements or zones, boundaries, scale, axes, title) is drawn. The first argument is the
// number of elements (the integer pool holds the connectivity of at most about 330000
// triangles).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "bench_host.hpp"
#include "core/pool.hpp"
#include "gfx/gfx.hpp"
#include "results/pictures.hpp"

namespace {

using namespace tivor;

// Lays the mesh, its boundary and one result function into the pools of a prepared task.
void square_task(Session& s, int cells, bool quads) {
  const int n = cells + 1;
  Cmesh& c = s.cmesh;
  c.n1 = n * n;
  c.n2 = (quads ? 1 : 2) * cells * cells;
  c.n3 = 4 * cells;
  c.m = quads ? 4 : 3;
  c.jrz = 0;
  const int32_t jf = 2 * c.n1;
  s.csize.maxa = jf + c.n1;
  c.jj2 = 0;
  c.jj1 = 2 * c.n3;
  s.csize.maxk = c.jj1 + c.m * c.n2;
  float* rz = reals(s, c.jrz);
  float* f = reals(s, jf);
  int32_t* conn = ints(s, c.jj1);
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      const int k = i + j * n;
      const float x = -1.0f + 2.0f * i / cells, y = -1.0f + 2.0f * j / cells;
      rz[2 * k] = x;
      rz[2 * k + 1] = y;
      f[k] = x * x - y * y + 0.1f * std::sin(9.0f * x * y);
      if (i > 0 && j > 0) {
        const int a = i + (j - 1) * n, b = a + 1, cc = i + 1 + j * n, d = i + j * n;
        if (quads) {
          for (int v : {a, b, cc, d}) *conn++ = v;
        } else {
          for (int v : {a, b, cc, a, cc, d}) *conn++ = v;
        }
      }
    }
  }
  int32_t* be = ints(s, c.jj2);
  auto edge = [&](int a, int b) {
    *be++ = a + 1;
    *be++ = b + 1;
  };
  for (int i = 0; i < cells; ++i) {
    edge(i, i + 1);
    edge(cells + i * n, cells + (i + 1) * n);
    edge(n * n - 1 - i, n * n - 2 - i);
    edge((cells - i) * n, (cells - i - 1) * n);
  }
  s.cht.nipp = 1;
  s.cht.ipp[0] = jf;
  s.cht.itask = kTaskPrepared;
  Cterm& t = s.cterm;
  t.nf = 1;
  t.nl = 16;
  t.rlim[1] = -1.0f;
  t.reg[2] = -1.0f;
  t.isymg = 1;
  t.rtmesh = 0.5f;
  for (int k = 0; k < 95; ++k) t.icolor[k] = 1 + k % 15;
}

// Arguments: elements, quadrilaterals (0 or 1), picture (the viewer's number: 1 contour lines,
// 3 mesh, 7 contour zones).
void BM_ResultsPicture(benchmark::State& state) {
  const bool quads = state.range(1) != 0;
  const int cells = static_cast<int>(std::lround(std::sqrt(state.range(0) / (quads ? 1.0 : 2.0))));
  bench::BenchHost host;
  auto s = std::make_unique<Session>(host);
  dinit1(*s, "bench", 0.8f, 0.8f);
  square_task(*s, cells, quads);
  void (*const draw)(Session&) = state.range(2) == 1   ? linur2
                                 : state.range(2) == 3 ? lmesh
                                                       : linurc2;
  for (auto _ : state) {
    draw(*s);
    benchmark::DoNotOptimize(s->frame.raster.data());
  }
  state.SetItemsProcessed(state.iterations() * s->cmesh.n2);
  state.counters["elements"] = s->cmesh.n2;
}
BENCHMARK(BM_ResultsPicture)
    ->ArgsProduct({{25000, 100000, 200000}, {0, 1}, {1, 3, 7}})
    ->ArgNames({"elements", "quads", "picture"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
