// One step of the explicit scheme of the solids class (SO3) on generator-2 squares of about 10k,
// 50k, 200k and 1M elements, quadrilaterals and triangles, elastic and elasto-plastic, and on the
// punch sample scaled to those sizes (the task bench/whole_program.sh times whole); and a plain
// copy loop as the machine's memory bandwidth for comparison, measured in the same run.
//
// Counters: the time per element and step, and the bytes a step moves per element as counted
// here, also as a rate to set against the copy loop's; and those of bench::BoundTimer: the
// processor and wall-clock time of a step, the copy loop's best rate in processor time just
// before and after the steps of the same run, and the ratio of a step's processor time (mean and
// least) to the time its counted bytes take at that rate, and from wall-clock times. The count
// takes every array a sweep of the step touches as streamed once per sweep; node values gathered
// through the connectivity or the neighbour lists count once per node, as if the cache kept them
// between neighbouring elements. 4 B a value. Per element-node: the connectivity in 5 sweeps (the
// check of the task's arrays, the checksum that finds the kept neighbour lists still fit it,
// geometry with the step limits, both passes), 20 B, and in a 6th for quadrilaterals (the test for
// inverted elements; pass 2 tests triangles), 4 B; d1, d2, w written once (the step limits read
// them back in the same sweep) and read in both passes, 36 B. Per element: V and 1/R written,
// V, V0 and 1/R read in both passes, 32 B (the elements of these zones, which take no damage,
// leave the destroyed flag alone). The two smoothing sweeps read the neighbour lists (8 B a node,
// 4 B a neighbour), counted from the lists themselves. Per node:
//   set-up: forces cleared, fields 1-4 copied: 8 + 32 B (the density is kept only for a fixed
//     step, CUR < 0, which scales it);
//   fields 1-4 read into one record of 4 a node (ur, uz, vr, vz), 16 + 16 B;
//   geometry with the step limits: coordinates, those records, ee, 8 + 16 + 4 B;
//   (the loads sweep the boundary only: there are no body loads here);
//   the 10 state fields read into one record of 16 values a node, 40 + 64 B;
//   pass 1: the records of 4 and of 16 gathered, the forces read and written, 16 + 64 + 16 B;
//   new velocities 32 B; contact copy 16 B; new displacements, also into the records of 4,
//     24 + 16 B;
//   smoothing of the velocities: both read into records of 2, the records read back, the new
//     values written, 8 + 8 + 8 + 8 B; of the 8 state fields likewise with records of 8,
//     32 + 32 + 32 + 32 B;
//   test of finite values: 4 fields after pass 1, 16 B; the sums of pass 2, 64 B;
//   pass 2: the records of 4 and of 16 gathered, the sums (one record of 16 values) read and
//     written, 16 + 64 + 128 B;
//   quadrilaterals, the test for inverted elements: coordinates and displacements, 16 B;
//   the new level: fields 1-4 copied back, the sums read and cleared, 9 state fields read and
//     10 written, the stresses written, 32 + 128 + 36 + 40 + 16 B.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench_host.hpp"
#include "classes/sol/sol.hpp"
#include "classes/sol/sol_internal.hpp"
#include "console/console.hpp"
#include "core/pool.hpp"
#include "kernels/kernels.hpp"
#include "reader/reader.hpp"
#include "stream_bench.hpp"

namespace {

using namespace tivor;

// Bytes of one step per node, per element-node and per element (see the head of the file).
constexpr double kNodeBytes = 40 + 16 + 12 + (40 + 64 + 16 + 16) + (16 + 64 + 16) + 32 + 16 +
                              (24 + 16) + (8 + 8 + 8 + 8) + (32 + 32 + 32 + 32) + 16 + 64 +
                              (16 + 64 + 128) + (32 + 128 + 36 + 40 + 16);
constexpr double kElementNodeBytes = 20 + 36;
// The test for inverted elements of a quadrilateral mesh, a node and an element-node.
constexpr double kQuadrilateralTestBytes[2] = {16, 4};
constexpr double kElementBytes = 32;

// A steel square of cells x cells, its bottom held, its top driven down at 1 m/s; elasto-plastic
// with a low yield stress when plastic, so that a part of it flows. Units: metres,
// milliseconds, tonnes (stresses in GPa): the data hold no exponents.
std::string task(int cells, bool triangles, bool plastic) {
  std::string t =
      "ntel=1\nm=" + std::string(triangles ? "3" : "4") +
      "\ntipm=2\nrz=0 0 0 0.5 0 1 0.5 1 1 1 1 0.5 1 0 0.5 0\nnksi=" + std::to_string(cells) +
      " neta=" + std::to_string(cells) +
      "\nturn=0 0 0 0 0 nyt=0 rzcor=0\nskl=0\nscale=1 1\nrzcor=0\n"
      "symmetry=2\ngn=1\nvx=0\nntvr=0\nvy=2\nm=0 0 1 0 0 0\nm=0 1 1 1 -0.001 -0.001\n"
      "ntvz=2\nm=0 1 1 1\ncontin=0\nnpn=0\nnpt=0\nfr=0\nfz=0\nnqn=0\n";
  t += plastic ? "MAT=2\nE=200\nNU=0.3\nplast=1\nnsk=2\nm=0 0.001 1000 0.001\n"
               : "MAT=1\nE=200\nNU=0.3\nplast=0\nnsk=0\n";
  return t +
         "C=-7.8\nVR=0\nVZ=0\nEN=0\nGAM=1\nEMAX=1000\nrpres=0\nskpres=0\nEEWZR=0\n"
         "damage=0 0 0\ncompact=0 0 0\ndynamics=1\nCUR=0.5\nDEMAX=1\nBET=0\nSGL=0 0 0\n"
         "contact=0\npenalty=0\nfrict=0\nnbforce=0\nnthist=0\n";
}

// A prepared task in a temporary working directory.
class So3Bench {
 public:
  So3Bench(const std::string& data, double elements) : s(std::make_unique<Session>(host)) {
    console_install(*s);
    bench::size_pools(*s, elements);
    std::ofstream("bench.sol", std::ios::binary) << data;
    int unit = 0;
    if (readfrom(*s, unit, "bench.sol") != 0) return;
    som(*s, 1);
    int keyboard = kKeyboardUnit;
    static_cast<void>(readfrom(*s, keyboard, "keyboard"));
    ok = !flag_tst(*s);
    s->cht.itask = kTaskPrepared;
  }
  // First member: entered before the task is made, left after it is gone.
  bench::ScratchDir scratch;
  bench::BenchHost host;
  std::unique_ptr<Session> s;
  bool ok = false;
};

// The punch sample (examples/sol/punch.sol), its plate of 2 x 1 cells scaled to about `elements`
// elements, in triangles or quadrilaterals, elasto-plastic as it stands or elastic.
std::string punch_task(double elements, bool triangles, bool plastic) {
  const int neta = static_cast<int>(std::lround(std::sqrt(elements / (triangles ? 4.0 : 2.0))));
  std::vector<bench::LineEdit> edits = {{"m=4 ", triangles ? "m=3 " : "m=4 "},
                                        {"nksi=40 ", "nksi=" + std::to_string(2 * neta) + " "},
                                        {"neta=20 ", "neta=" + std::to_string(neta) + " "}};
  if (!plastic) {
    edits.insert(edits.end(), {{"MAT=2 ", "MAT=1 "},
                               {"plast=1 ", "plast=0 "},
                               {"nsk=2 ", "nsk=0 "},
                               {"m=0 .1  1000 .1", "", true}});
  }
  return bench::sample_task("examples/sol/punch.sol", edits);
}

// Arguments: elements, triangles (0 quadrilaterals, 1 triangles), plastic (0 or 1), task (0 the
// steel square above, 1 the punch sample, the task bench/whole_program.sh runs whole).
void BM_So3(benchmark::State& state) {
  const bool triangles = state.range(1) != 0, plastic = state.range(2) != 0;
  const double per_cell = triangles ? 2.0 : 1.0;
  const int cells = static_cast<int>(std::lround(std::sqrt(state.range(0) / per_cell)));
  So3Bench b(state.range(3) == 0
                 ? task(cells, triangles, plastic)
                 : punch_task(static_cast<double>(state.range(0)), triangles, plastic),
             static_cast<double>(state.range(0)));
  if (!b.ok) {
    state.SkipWithError("the task was not prepared");
    return;
  }
  const auto step = [&] {
    if (sol::so3(*b.s, false) != 0) state.SkipWithError("so3");
    b.s->cht.t += b.s->cht.ht;
    ++b.s->cht.is;
  };
  // The first step also builds what the next ones keep (neighbour lists, scratch): one step
  // before the clock starts, so that the figures are those of a running task's steps.
  step();
  bench::BoundTimer timer;  // the copy loop before and after the steps: the better is the bound
  for (auto _ : state) {
    timer.start();
    step();
    timer.stop();
  }
  const Cmesh& c = b.s->cmesh;
  const double n1 = c.n1, n2 = c.n2, k = triangles ? 3 : 4;
  const NodeNeighbours& nb = node_neighbours(*b.s);
  const double lists = 2 * (8.0 * n1 + 4.0 * static_cast<double>(nb.list.size()));
  const double quad = triangles ? 0 : 1;
  const double node_bytes = kNodeBytes + quad * kQuadrilateralTestBytes[0];
  const double element_node_bytes = kElementNodeBytes + quad * kQuadrilateralTestBytes[1];
  const double bytes =
      (n1 * node_bytes + n2 * (k * element_node_bytes + kElementBytes) + lists) / n2;
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
BENCHMARK(BM_So3)
    ->ArgsProduct({{10000, 50000, 200000, 1000000}, {0, 1}, {0, 1}, {0}})
    ->ArgsProduct({{10000, 200000, 1000000}, {0, 1}, {0, 1}, {1}})
    ->ArgNames({"elements", "triangles", "plastic", "punch"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
