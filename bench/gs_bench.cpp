// One step of the euler scheme of the gas-flow class (its stable step, then GSL1: two stages, each
// with five passes of the extremum limiter) on generator-2 squares of about 10k, 50k, 200k and 1M
// elements, quadrilaterals and triangles, and on the jet sample scaled to those sizes (the task
// bench/whole_program.sh times whole); and the copy and triad loops as the machine's memory
// bandwidth, measured in the same run.
//
// Counters: the time per element and step, and the bytes a step moves as counted here, also as
// a rate to set against the copy loop's. Every array a sweep touches counts as streamed once per
// sweep; node values gathered through the connectivity or the neighbour lists count once per
// node, as if the cache kept them between neighbours. 4 B a value. Per stage:
//   per element-node: the connectivity, d1 and d2, 12 B;
//   per element: V and 1/r, 8 B;
//   per node: the four nodal sums cleared, 16 B; ro, u, v, e gathered, 16 B; the sums read
//     and written, 32 B; the update reads the mass, the base state and four sums and writes
//     the four new values, 52 B; each of the five limiter passes reads the offsets of the
//     batches of four nodes (1 B a node), their neighbour slots (4 B a slot, d slots a node with
//     the padding of the batches), four values and writes four, 1 + 4 d + 32 B; the pressure
//     reads two fields and writes one, 12 B.
// The first stage also finds the smallest element sizes around the nodes: hr and hz, 8 B an
// element; the two minima cleared, 8 B a node, and read and written, 16 B a node. The second
// stage keeps them.
// Per step besides the two stages: the stable step before them, as the class takes it at every
// step (per element-node the connectivity and the weights, 8 B; per element hr and hz, 8 B; per
// node ro, u, v, p gathered, 16 B); five fields copied back, 40 B a node.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench_host.hpp"
#include "classes/gs/gs.hpp"
#include "classes/gs/gs_internal.hpp"
#include "console/console.hpp"
#include "core/pool.hpp"
#include "reader/reader.hpp"
#include "stream_bench.hpp"

namespace {

using namespace tivor;

// A closed box of gas at rest (its middle made hot once prepared), so that waves
// run, the limiter finds extrema and the viscosity varies from element to element.
std::string task(int cells, bool triangles) {
  const std::string c = std::to_string(cells);
  std::string t = "ntel=1\nm=" + std::string(triangles ? "3" : "4") +
                  "\ntipm=2\nrz=0 0 0 0.5 0 1 0.5 1 1 1 1 0.5 1 0 0.5 0\nnksi=" + c + " neta=" + c +
                  "\nturn=0 0 0 0 0 nyt=0 rzcor=0\nskl=0\nscale=1 1\nrzcor=0\n";
  t += "symmetry=2\ntfz=0\nro=0\nwall=1\nm=-1 -1 2 2\nvr=0\ntvr=0\nvz=0\ntvz=0\nee=0\nqn=0\n"
       "p=0\npsi=0\nadaption=0\nwr=0\nwz=0\ngam=1.4\nnu=0\nkk=0\nf0=1 0 0 2.5 1\n";
  return t + "cur=0.4\nbet=0\nsgl=0 0 0\ngstr4=0\nnthist=0\n";
}

// A prepared task in a temporary working directory, its middle made hot.
class GsBench {
 public:
  GsBench(const std::string& data, double elements, bool hot_middle)
      : s(std::make_unique<Session>(host)) {
    console_install(*s);
    bench::size_pools(*s, elements);
    std::ofstream("bench.gs", std::ios::binary) << data;
    int unit = 0;
    if (readfrom(*s, unit, "bench.gs") != 0) return;
    gsm(*s, 1);
    int keyboard = kKeyboardUnit;
    static_cast<void>(readfrom(*s, keyboard, "keyboard"));
    ok = !flag_tst(*s);
    s->cht.itask = kTaskPrepared;
    if (!ok || !hot_middle) return;
    const GsParm& p = s->cparm.gs;
    const float* rz = reals(*s, s->cmesh.jrz);
    float* e = reals(*s, p.jf[gs::kE]);
    for (int32_t i = 0; i < s->cmesh.n1; ++i) {
      if (std::abs(rz[2 * i] - 0.5f) < 0.2f && std::abs(rz[2 * i + 1] - 0.5f) < 0.2f) e[i] = 10;
    }
  }
  // First member: entered before the task is made, left after it is gone.
  bench::ScratchDir scratch;
  bench::BenchHost host;
  std::unique_ptr<Session> s;
  bool ok = false;
};

// The jet sample (examples/gs/jet.gs), its domain of 1 x 3 cells scaled to about `elements`
// elements, in triangles or quadrilaterals.
std::string jet_task(double elements, bool triangles) {
  const int nksi = static_cast<int>(std::lround(std::sqrt(elements / (triangles ? 6.0 : 3.0))));
  return bench::sample_task("examples/gs/jet.gs",
                            {{"m=4 ", triangles ? "m=3 " : "m=4 "},
                             {"nksi=20 ", "nksi=" + std::to_string(nksi) + " "},
                             {"neta=60 ", "neta=" + std::to_string(3 * nksi) + " "}});
}

// Arguments: elements, triangles (0 quadrilaterals, 1 triangles), task (0 the box above, 1 the
// jet sample, the task bench/whole_program.sh runs whole).
void BM_Gsl1(benchmark::State& state) {
  const bool triangles = state.range(1) != 0, box = state.range(2) == 0;
  const double per_cell = triangles ? 2.0 : 1.0;
  const int cells = static_cast<int>(std::lround(std::sqrt(state.range(0) / per_cell)));
  const auto elements = static_cast<double>(state.range(0));
  GsBench b(box ? task(cells, triangles) : jet_task(elements, triangles), elements, box);
  if (!b.ok) {
    state.SkipWithError("the task was not prepared");
    return;
  }
  Session& s = *b.s;
  const GsParm& p = s.cparm.gs;
  const Cmesh& c = s.cmesh;
  const auto step = [&] {
    gs::gsht(s);
    gs::gsl1(s, s.cht.ht);
    std::copy_n(reals(s, p.jf0[0]), 5 * int64_t{c.n1}, reals(s, p.jf[0]));
  };
  // The first step also builds what the next ones keep: one before the clock starts.
  step();
  bench::BoundTimer timer;
  for (auto _ : state) {
    timer.start();
    step();
    timer.stop();
  }
  const double n1 = c.n1, n2 = c.n2, k = triangles ? 3 : 4;
  const double slots = static_cast<double>(gs::gs_cache(s).batch_next.size()) / n1;
  const double node_bytes = 16 + 16 + 32 + 52 + 5 * (1 + 4 * slots + 32) + 12;
  const double stage = n1 * node_bytes + n2 * (k * 12 + 8);
  const double stable_step = n2 * (k * 8 + 8) + 16 * n1;
  const double bytes = (stable_step + 2 * stage + 8 * n2 + 24 * n1 + 40 * n1) / n2;
  using C = benchmark::Counter;
  state.counters["elements"] = n2;
  state.counters["nodes"] = n1;
  state.counters["bytes_per_element"] = bytes;
  // "per_element=150n" is the time of one element-step in seconds, "bytes=8G/s" the counted
  // bytes moved per second.
  state.counters["per_element"] = C(n2, C::kIsIterationInvariantRate | C::kInvert);
  state.counters["bytes"] = C(n2 * bytes, C::kIsIterationInvariantRate);
  timer.report(state, n2 * bytes);
}
BENCHMARK(BM_Gsl1)
    ->ArgsProduct({{10000, 50000, 200000, 1000000}, {0, 1}, {0}})
    ->ArgsProduct({{10000, 200000, 1000000}, {0, 1}, {1}})
    ->ArgNames({"elements", "triangles", "jet"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
