// Generators 3 (advancing front) and 4 (boundary, lattice, node connecting) on the unit square,
// the unit disk and a 2 x 2 plate with a round hole of radius 0.5 (circles as polygons of sides
// about one cell) at about N triangles (N = 10k, 100k, 1M;
// the largest with larger pools), timed with their smoothing and storing, and the quality of what
// they made: the smallest and largest angle, the share of triangles with an angle under 30 degrees,
// and the mean and worst radius ratio (2 inradius / circumradius, 1 for the equilateral triangle).
// The rate counts triangles per second of the process's CPU time, which others sharing the
// machine disturb less than the wall time printed beside it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>
#include <sstream>

#include "mesh/mesh.hpp"
#include "mesh_bench_data.hpp"

namespace {

using namespace tivor;

// A contour from the fuzz corpus (r, z pairs) whose first three points lie within 3e-4 of each
// other: a spike of almost no width.
constexpr double kSpiky[] = {
    -5.02945805, -4.97416067, -5.02958202, -4.97418737,  -5.029706,   -4.97421408,
    -5.33237505, -3.84836555, -5.22624731, -4.2544117,   -5.04479933, -4.92993355,
    -9.28153229, 1.99398184,  -12.0306368, -0.753256381, -13.2075081, -4.45729017,
    -12.5482254, -8.2874651,  -10.2006378, -11.3848381,  -6.69120598, -13.0548038,
    -2.80694485, -12.9228601, 0.581073999, -11.0185957,  2.71306467,  -7.76905632,
    3.11091399,  -3.90297174, 1.68540156,  -0.287337929, -1.24379206, 2.26701474};

// The circle of the given centre and radius as "ng" and "m" with one point per cell.
void circle(std::ostringstream& o, double rc, double zc, double radius, double del) {
  const int n = std::max(16, static_cast<int>(std::lround(2 * std::numbers::pi * radius / del)));
  o << "ng=" << n << " m=";
  for (int k = 0; k < n; ++k) {
    const double a = 2 * std::numbers::pi * k / n;
    o << rc + radius * std::sin(a) << ' ' << zc + radius * std::cos(a) << (k % 2 == 1 ? "\n" : " ");
  }
  o << "del=" << del << '\n';
}

// The data of one subregion: "pic", "nc" and its contours with their cell size. Region 0 is the
// unit square, region 1 the disk of radius 1 with one contour point per cell (the boundary
// nodes skip sides shorter than 0.7 of a cell), region 2 the plate [0, 2] x [0, 2] with a hole
// of radius 0.5 round its centre, region 3 the contour with
// spikes.
std::string region(int shape, double del) {
  std::ostringstream o;
  o << std::fixed;
  o.precision(9);
  o << "pic=0 nc=" << (shape == 2 ? 2 : 1) << '\n';
  if (shape == 3) {
    o << "ng=" << std::size(kSpiky) / 2 << " m=";
    for (size_t k = 0; k < std::size(kSpiky); ++k) o << kSpiky[k] << (k % 4 == 3 ? "\n" : " ");
    o << "del=" << del << '\n';
    return o.str();
  }
  if (shape == 1) {
    circle(o, 0, 0, 1, del);
    return o.str();
  }
  o << (shape == 0 ? "ng=4 m=0 0 0 1 1 1 1 0" : "ng=4 m=0 0 0 2 2 2 2 0") << " del=" << del << '\n';
  if (shape == 2) circle(o, 1, 1, 0.5, del);
  return o.str();
}

// The last line of the text screen that holds something: the generator's message.
std::string screen_line(const Session& s) {
  std::string last = "generator";
  for (int row = 0; row < kRows; ++row) {
    std::string line;
    for (int col = 0; col < kCols; ++col) {
      const char ch = static_cast<char>(s.text.ch[row * kCols + col]);
      line += ch == '\0' ? ' ' : ch;
    }
    if (line.find_first_not_of(' ') != std::string::npos) last = line;
  }
  return last;
}

// The quality of the triangles in the pools.
struct Quality {
  double smallest = 180, largest = 0, under30 = 0, mean_ratio = 0, worst_ratio = 1;
};

Quality quality(const Session& s) {
  const Cmesh& c = s.cmesh;
  Quality q;
  const float* rz = &s.a[static_cast<size_t>(c.jrz) + 1];
  const int32_t* el = &s.km[static_cast<size_t>(c.jj1) + 1];
  int64_t under = 0;
  double sum = 0;
  for (int64_t e = 0; e < c.n2; ++e) {
    double x[3], y[3];
    for (int i = 0; i < 3; ++i) {
      const int32_t n = el[c.m * e + i] - 1;
      x[i] = rz[2 * n + 1], y[i] = rz[2 * n];
    }
    double l[3], lo = 180, hi = 0;
    for (int i = 0; i < 3; ++i) l[i] = std::hypot(x[(i + 1) % 3] - x[i], y[(i + 1) % 3] - y[i]);
    for (int i = 0; i < 3; ++i) {
      const double ax = x[(i + 1) % 3] - x[i], ay = y[(i + 1) % 3] - y[i];
      const double bx = x[(i + 2) % 3] - x[i], by = y[(i + 2) % 3] - y[i];
      const double ang =
          std::atan2(std::abs(ax * by - ay * bx), ax * bx + ay * by) * 180 / std::numbers::pi;
      lo = std::min(lo, ang), hi = std::max(hi, ang);
    }
    const double twice = std::abs((x[1] - x[0]) * (y[2] - y[0]) - (y[1] - y[0]) * (x[2] - x[0]));
    const double ratio = 4 * twice * twice / ((l[0] + l[1] + l[2]) * l[0] * l[1] * l[2]);
    q.smallest = std::min(q.smallest, lo), q.largest = std::max(q.largest, hi);
    under += lo < 30;
    sum += ratio;
    q.worst_ratio = std::min(q.worst_ratio, ratio);
  }
  q.under30 = c.n2 > 0 ? static_cast<double>(under) / static_cast<double>(c.n2) : 0;
  q.mean_ratio = c.n2 > 0 ? sum / static_cast<double>(c.n2) : 0;
  return q;
}

double spiky_area() {
  double twice = 0;
  const size_t n = std::size(kSpiky) / 2;
  for (size_t i = 0; i < n; ++i) {
    const size_t j = (i + 1) % n;
    twice += kSpiky[2 * i] * kSpiky[2 * j + 1] - kSpiky[2 * j] * kSpiky[2 * i + 1];
  }
  return std::abs(twice) / 2;
}

// Args: the generator (3 or 4), the region (0 square, 1 disk, 2 plate, 3 spikes), the triangles
// wanted.
void BM_Triangulation(benchmark::State& state) {
  const int gen = static_cast<int>(state.range(0)), shape = static_cast<int>(state.range(1));
  const double n = static_cast<double>(state.range(2));
  const double area = shape == 0   ? 1.0
                      : shape == 1 ? std::numbers::pi
                      : shape == 2 ? 4 - std::numbers::pi / 4
                                   : spiky_area();
  // Generator 3 makes near-equilateral triangles of side h, generator 4 two triangles a
  // lattice square.
  const double del =
      gen == 3 ? std::sqrt(area / (n * std::sqrt(3.0) / 4)) : std::sqrt(2 * area / n);
  bench::MeshBench b;
  const bool bigger = n > 2e5;
  if (bigger) b.pools(4 * static_cast<int32_t>(n), 4 * static_cast<int32_t>(n));
  b.write(region(shape, del));
  for (auto _ : state) {
    if (!b.open()) state.SkipWithError("data file");
    b.s->csize.maxa = b.s->csize.maxk = 0;
    initmesh(*b.s);
    b.s->cmesh.m = 3;
    if ((gen == 3 ? mgrid(*b.s, 1) : mesh4(*b.s, 1)) != 0) {
      state.SkipWithError(screen_line(*b.s).c_str());
      break;
    }
    benchmark::DoNotOptimize(b.s->cmesh.n2);
  }
  const Quality q = quality(*b.s);
  const auto tri = static_cast<double>(b.s->cmesh.n2);
  state.counters["triangles"] = tri;
  // The count against the 2 area / del^2 that the cell size asks for.
  state.counters["per_del"] = tri * del * del / (2 * area);
  state.counters["tri_per_s"] =
      benchmark::Counter(tri, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["min_angle"] = q.smallest;
  state.counters["max_angle"] = q.largest;
  state.counters["share_under30"] = q.under30;
  state.counters["mean_ratio"] = q.mean_ratio;
  state.counters["worst_ratio"] = q.worst_ratio;
  state.counters["bigger_pool"] = bigger ? 1 : 0;
}
BENCHMARK(BM_Triangulation)
    ->ArgsProduct({{3, 4}, {0, 1, 2, 3}, {10000, 100000, 1000000}})
    ->ArgNames({"gen", "shape", "n"})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

}  // namespace
