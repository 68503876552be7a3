// One conjugate-gradient solve of an implicit diffusion step, (M + dt K) u = M u0, on a square
// block of generator 2 in about N linear triangles (N = 10k, 50k, 200k). M is the lumped mass,
// K the stiffness of the Laplacian; the operator applies them element by element from the
// shape-function derivatives and areas kept per element in the real pool (one array each, as the
// diffusion class keeps them), without a stored matrix.
//
// Reported: CG iterations per solve, time per CG iteration, time per element and iteration, and
// the bytes one iteration streams divided by its time. Bytes counted per iteration: the operator
// reads 40 per element (3 node numbers, 3 + 3 derivatives, the area) and 12 per node (mass, v,
// w); the solver's three vector passes move 52 per node (p, w; r twice, w, d, z, p, x twice;
// p twice, z). Gathers and scatters at the nodes of an element are taken to hit the cache, so
// this is the streaming traffic, not a count of every load.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

#include "core/pool.hpp"
#include "kernels/kernels.hpp"
#include "mesh/mesh.hpp"
#include "mesh_bench_data.hpp"

namespace {

using namespace tivor;

constexpr double kStreamBytesPerElement = 40;
constexpr double kStreamBytesPerNode = 12 + 52;

// The element data and the vectors of one solve, all in the real pool.
struct Step {
  int32_t jdr[3], jdz[3], jsss, jmass, jrhs, ju0, jvec[6];
};

bool prepare(Session& s, Step& st, float dt) {
  const Cmesh& c = s.cmesh;
  const int n1 = c.n1, n2 = c.n2;
  for (int k = 0; k < 3; ++k) {
    if (reserve_reals(s, st.jdr[k], n2, "jdr") || reserve_reals(s, st.jdz[k], n2, "jdz")) {
      return false;
    }
  }
  if (reserve_reals(s, st.jsss, n2, "jsss") || reserve_reals(s, st.jmass, n1, "jmass") ||
      reserve_reals(s, st.jrhs, n1, "rhs") || reserve_reals(s, st.ju0, n1, "u0")) {
    return false;
  }
  for (int32_t& j : st.jvec) {
    if (reserve_reals(s, j, n1, "cj")) return false;
  }
  const float* rz = reals(s, c.jrz);
  const int32_t* conn = ints(s, c.jj1);
  float* mass = reals(s, st.jmass);
  float* diag = reals(s, st.jvec[1]);
  std::fill_n(mass, n1, 0.0f);
  std::fill_n(diag, n1, 0.0f);
  for (int e = 0; e < n2; ++e) {
    const int32_t* v = conn + 3 * e;
    float r[3], z[3];
    for (int k = 0; k < 3; ++k) {
      r[k] = rz[2 * (v[k] - 1)];
      z[k] = rz[2 * (v[k] - 1) + 1];
    }
    const float twice = (r[1] - r[0]) * (z[2] - z[0]) - (r[2] - r[0]) * (z[1] - z[0]);
    const float area = std::abs(twice) / 2;
    reals(s, st.jsss)[e] = area;
    for (int k = 0; k < 3; ++k) {
      const int a = (k + 1) % 3, b = (k + 2) % 3;
      const float dr = (z[a] - z[b]) / twice, dz = (r[b] - r[a]) / twice;
      reals(s, st.jdr[k])[e] = dr;
      reals(s, st.jdz[k])[e] = dz;
      mass[v[k] - 1] += area / 3;
      diag[v[k] - 1] += dt * area * (dr * dr + dz * dz);
    }
  }
  float* u0 = reals(s, st.ju0);
  float* rhs = reals(s, st.jrhs);
  for (int i = 0; i < n1; ++i) {
    const float r = rz[2 * i], z = rz[2 * i + 1];
    u0[i] = std::sin(0.05f * r) * std::cos(0.03f * z) + 0.01f * r;
    rhs[i] = mass[i] * u0[i];
    diag[i] = 1 / (mass[i] + diag[i]);
  }
  return true;
}

void BM_CjDiffusionStep(benchmark::State& state) {
  const int cells = static_cast<int>(std::lround(std::sqrt(state.range(0) / 2.0)));
  constexpr float kDt = 20.0f;
  bench::MeshBench b;
  b.write(bench::square_block(0, 0, 100, cells));
  Session& s = *b.s;
  initmesh(s);
  s.cmesh.m = 3;
  if (!b.open() || mesh23(s, 1) != 0) {
    state.SkipWithError("mesh");
    return;
  }
  Step st{};
  if (!prepare(s, st, kDt)) {
    state.SkipWithError("pool");
    return;
  }
  const Cmesh& c = s.cmesh;
  const int n1 = c.n1, n2 = c.n2;
  const int32_t* conn = ints(s, c.jj1);
  const float* dr[3] = {reals(s, st.jdr[0]), reals(s, st.jdr[1]), reals(s, st.jdr[2])};
  const float* dz[3] = {reals(s, st.jdz[0]), reals(s, st.jdz[1]), reals(s, st.jdz[2])};
  const float* area = reals(s, st.jsss);
  const float* mass = reals(s, st.jmass);
  const float* rhs = reals(s, st.jrhs);
  int iterations = 0;
  // w = (M + dt K) v, or at it = 0 the residual (M + dt K) v - M u0.
  const CjOperator op = [&](std::span<const float> v, std::span<float> w, int it, unsigned) {
    const int n = static_cast<int>(v.size());
    for (int i = 0; i < n; ++i) w[i] = mass[i] * v[i];
    for (int e = 0; e < n2; ++e) {
      const int32_t a = conn[3 * e] - 1, bb = conn[3 * e + 1] - 1, cc = conn[3 * e + 2] - 1;
      const float va = v[a], vb = v[bb], vc = v[cc];
      const float gr = dr[0][e] * va + dr[1][e] * vb + dr[2][e] * vc;
      const float gz = dz[0][e] * va + dz[1][e] * vb + dz[2][e] * vc;
      const float k = kDt * area[e];
      w[a] += k * (dr[0][e] * gr + dz[0][e] * gz);
      w[bb] += k * (dr[1][e] * gr + dz[1][e] * gz);
      w[cc] += k * (dr[2][e] * gr + dz[2][e] * gz);
    }
    if (it == 0) {
      for (int i = 0; i < n; ++i) w[i] -= rhs[i];
    }
  };
  float* x = reals(s, st.jvec[0]);
  const float* d = reals(s, st.jvec[1]);
  float* w = reals(s, st.jvec[2]);
  float* r = reals(s, st.jvec[3]);
  float* p = reals(s, st.jvec[4]);
  float* z = reals(s, st.jvec[5]);
  const float* u0 = reals(s, st.ju0);
  // Start from a field off the solution, so that every size solves the same kind of problem.
  auto start = [&] {
    for (int i = 0; i < n1; ++i) x[i] = u0[i] + 0.1f;
  };
  for (auto _ : state) {
    state.PauseTiming();
    start();
    state.ResumeTiming();
    const auto vec = [n1](float* v) { return std::span<float>(v, n1); };
    CjOptions opt;
    opt.eps = 1e-10;
    opt.max_iterations = 2 * n1;
    const CjResult res =
        cj(s, vec(x), {d, static_cast<size_t>(n1)}, vec(w), vec(r), vec(p), vec(z), op, opt);
    iterations = res.iterations;
    benchmark::DoNotOptimize(x[0]);
  }
  if (flag_tst(s)) state.SkipWithError("flag");
  const double its = std::max(iterations, 1);
  state.counters["triangles"] = n2;
  state.counters["nodes"] = n1;
  state.counters["cg_iters"] = iterations;
  state.counters["s_per_iter"] = benchmark::Counter(
      its, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["s_per_elem_iter"] = benchmark::Counter(
      its * n2, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["bytes_per_s"] = benchmark::Counter(
      its * (kStreamBytesPerElement * n2 + kStreamBytesPerNode * n1),
      benchmark::Counter::kIsIterationInvariantRate, benchmark::Counter::kIs1000);
}
BENCHMARK(BM_CjDiffusionStep)->Arg(10000)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace
