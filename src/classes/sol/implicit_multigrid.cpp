// The kept multigrid of the implicit solves (implicit_multigrid.hpp).
#include "classes/sol/implicit_multigrid.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "classes/sol/implicit_element.hpp"
#include "console/console.hpp"

namespace tivor::sol {
namespace {

// Below this many unknowns the Jacobi iterations cost about what building the multigrid does
// (10k quadrilaterals, one thread: 0.08 s a static step with Jacobi, 0.05 s with the multigrid,
// whose first step also starts the message-passing layer, 0.4 s once).
constexpr int64_t kMultigridUnknowns = 20000;

// Kept levels serve while a solve takes at most this many times the iterations of the first
// solve after their build, plus a few.
constexpr double kSlowerBy = 1.5;
constexpr int kSlack = 5;

// The turned matrix keeps a free pattern as a smooth field of zero energy, which the coarsest
// level would have to invert; its diagonal is raised by this share to keep that level regular.
constexpr double kTurnedShift = 1e-6;

// A solve of more iterations than this on a checkerboard mesh asks for the turned levels (the
// plain ones take 14-24 where they serve well, 100 and more where the family they miss is soft).
constexpr int kSlowSolve = 40;

KeptMultigrid& kept_of(Session& s) {
  std::shared_ptr<KeptMultigrid>& held = sol_cache(s).multigrid;
  if (!held) held = std::make_shared<KeptMultigrid>();
  return *held;
}

// A zero-energy pattern must strain nothing to within the rounding of the single-precision
// element terms, relative to the sum of their magnitudes.
constexpr double kNullRatio = 1e-6;

// +1 and -1 alternating along the sides of the elements (0 at nodes of no element), found by a
// walk over the sides; where the sides do not allow it (triangles) some sides join equal signs,
// and the pattern is then no zero-energy mode. alternates tells whether every side joins
// opposite signs.
std::vector<double> checkerboard(Session& s, bool& alternates, const std::function<bool()>& stop) {
  const MeshArrays g = mesh_arrays(s);
  std::vector<int64_t> first(size_t(g.n1) + 1, 0);
  std::vector<int32_t> next;
  const auto sides = [&](const auto& visit) {
    for (int32_t e = 0; e < g.n2; ++e) {
      const int32_t* v = g.conn + int64_t{e} * g.m;
      const int k = (g.m == 4 && v[2] != v[3]) ? 4 : 3;
      for (int i = 0; i < k; ++i) {
        const int32_t a = v[i] - 1, b = v[(i + 1) % k] - 1;
        if (a >= 0 && a < g.n1 && b >= 0 && b < g.n1) visit(a, b);
      }
    }
  };
  sides([&](int32_t a, int32_t b) { ++first[a + 1], ++first[b + 1]; });
  for (int32_t i = 0; i < g.n1; ++i) first[i + 1] += first[i];
  next.resize(size_t(first[g.n1]));
  std::vector<int64_t> at(first.begin(), first.end() - 1);
  sides([&](int32_t a, int32_t b) { next[at[a]++] = b, next[at[b]++] = a; });
  std::vector<double> sign(g.n1, 0.0);
  std::vector<int32_t> queue;
  for (int32_t start = 0; start < g.n1; ++start) {
    if (stop_at(stop, start)) return {};
    if (sign[start] != 0.0 || first[start] == first[start + 1]) continue;
    sign[start] = 1.0;
    queue.assign(1, start);
    while (!queue.empty()) {
      const int32_t i = queue.back();
      queue.pop_back();
      for (int64_t q = first[i]; q < first[i + 1]; ++q) {
        if (sign[next[q]] == 0.0) sign[next[q]] = -sign[i], queue.push_back(next[q]);
      }
    }
  }
  alternates = true;
  sides([&](int32_t a, int32_t b) { alternates = alternates && sign[a] != sign[b]; });
  return sign;
}

// True when some element of the mesh has four distinct corners.
bool has_quadrilaterals(Session& s) {
  const MeshArrays g = mesh_arrays(s);
  if (g.m != 4) return false;
  for (int32_t e = 0; e < g.n2; ++e) {
    if (g.conn[4 * int64_t{e} + 2] != g.conn[4 * int64_t{e} + 3]) return true;
  }
  return false;
}

// The radial and the axial checkerboard sign, each without its prescribed components, that the
// matrix k strains by nothing, with their weights.
std::vector<KeptMultigrid::Pattern> zero_energy_patterns(const std::vector<double>& sign,
                                                         const SparseMatrix& k,
                                                         const std::vector<float>& free,
                                                         const std::function<bool()>& stop) {
  const auto n1 = static_cast<int32_t>(sign.size());
  std::array<KeptMultigrid::Pattern, 2> p;
  for (int c = 0; c < 2; ++c) {
    p[c] = {std::vector<double>(size_t(k.rows), 0.0), std::vector<double>(size_t(k.rows), 0.0)};
    for (int32_t i = 0; i < n1; ++i) p[c].h[2 * i + c] = sign[i] * free[c * n1 + i];
  }
  // Row by row, both patterns in one pass (pattern c lives on the columns of component c): the
  // strain k h, the magnitudes of its terms, and the diagonal's measure.
  std::array<double, 2> sum{}, terms{}, measure{};
  for (int32_t row = 0; row < k.rows; ++row) {
    if (stop_at(stop, row)) return {};
    std::array<double, 2> strain{};
    for (int64_t q = k.first[row]; q < k.first[row + 1]; ++q) {
      const int c = k.col[q] % 2;
      const double term = k.val[q] * p[c].h[k.col[q]];
      strain[c] += term;
      terms[c] += std::abs(term);
      if (k.col[q] == row) p[c].weight[row] = term;
    }
    for (int c = 0; c < 2; ++c) {
      sum[c] += std::abs(strain[c]);
      measure[c] += p[c].weight[row] * p[c].h[row];
    }
  }
  std::vector<KeptMultigrid::Pattern> found;
  for (int c = 0; c < 2; ++c) {
    if (!(measure[c] > 0) || !(sum[c] <= kNullRatio * terms[c])) continue;
    for (double& v : p[c].weight) v /= measure[c];
    found.push_back(std::move(p[c]));
  }
  return found;
}

// Builds the levels of the turned matrix from the step's matrix (turned in place) and the mesh's
// checkerboard signs, when the memory allows a second set; false only when Esc stopped it
// (without them the plain levels serve alone).
bool build_turned(Session& s, KeptMultigrid& k, const std::shared_ptr<SparseMatrix>& held,
                  const std::vector<double>& sign) {
  SparseMatrix& matrix = *held;
  const size_t free_memory = free_memory_bytes();
  if (free_memory != 0 &&
      multigrid_bytes(matrix.rows, int64_t(matrix.val.size())) > free_memory / 2) {
    return true;
  }
  k.flip.resize(size_t(matrix.rows));
  for (int32_t row = 0; row < matrix.rows; ++row) k.flip[row] = sign[row / 2] < 0 ? -1.0 : 1.0;
  for (int32_t row = 0; row < matrix.rows; ++row) {
    for (int64_t q = matrix.first[row]; q < matrix.first[row + 1]; ++q) {
      matrix.val[q] *=
          matrix.col[q] == row ? 1 + kTurnedShift : k.flip[row] * k.flip[matrix.col[q]];
    }
  }
  k.turned_built = k.turned.setup(held, 2, Coarsening::unknowns, [&s] { return a_interrupt(s); });
  k.turned_r.resize(size_t(matrix.rows));
  k.turned_z.resize(size_t(matrix.rows));
  return !k.turned.interrupted();
}

// Builds the levels of the step's matrix, whose prescribed components are free's zeros, and
// those of the turned matrix where a pattern is free or the plain levels were slow on a mesh of
// quadrilaterals; false when Esc stopped it or the library could not.
bool build(Session& s, KeptMultigrid& k, std::vector<float>& free) {
  ++k.builds;
  k.built = k.turned_built = false;
  k.n1 = s.cmesh.n1;
  k.stamp = s.pool_stamp;
  k.reference = -1;
  k.stale = false;
  k.free = std::move(free);
  const auto stop = [&s] { return a_interrupt(s); };
  const auto matrix = std::make_shared<SparseMatrix>();
  if (!sol_matrix(s, *matrix, stop)) return false;
  // A triangle's three sides cannot all join opposite signs, and a field that is not constant on
  // a triangle strains it: on a mesh of triangles alone there is no pattern to look for.
  std::vector<double> sign;
  k.alternates = false;
  k.patterns.clear();
  const bool quadrilaterals = has_quadrilaterals(s);
  if (quadrilaterals) {
    sign = checkerboard(s, k.alternates, stop);
    if (flag_tst(s)) return false;
    k.patterns = zero_energy_patterns(sign, *matrix, k.free, stop);
  }
  const Coarsening coarsening = quadrilaterals ? Coarsening::unknowns : Coarsening::nodes;
  if (flag_tst(s) || !k.levels.setup(matrix, 2, coarsening, stop)) return false;
  k.built = true;
  if (k.patterns.empty() && !(k.alternates && k.slow)) return true;
  k.built = build_turned(s, k, matrix, sign);
  return k.built;
}

// Adds the turned levels to kept plain ones that were slow; false when Esc stopped it.
bool add_turned(Session& s, KeptMultigrid& k) {
  const auto stop = [&s] { return a_interrupt(s); };
  const auto matrix = std::make_shared<SparseMatrix>();
  if (!sol_matrix(s, *matrix, stop)) return false;
  bool alternates = false;
  const std::vector<double> sign = checkerboard(s, alternates, stop);
  if (flag_tst(s)) return false;
  k.reference = -1;
  return build_turned(s, k, matrix, sign);
}

}  // namespace

bool use_multigrid(Session& s, int64_t n) {
  switch (s.solver) {
    case SolverChoice::jacobi:
      return false;
    case SolverChoice::multigrid:
      return true;
    case SolverChoice::automatic:
      break;
  }
  if (n < kMultigridUnknowns) return false;
  const size_t free = free_memory_bytes();
  return free == 0 || multigrid_bytes(n, sol_matrix_entries(s)) <= free / 2;
}

StepMultigrid::StepMultigrid(Session& s) : s_(s), kept_(kept_of(s)) {}

void StepMultigrid::apply(std::span<const float> d, std::span<const float> rv,
                          std::span<float> zv) {
  KeptMultigrid& k = kept_;
  if (!tried_) {
    tried_ = true;
    const int32_t n1 = s_.cmesh.n1;
    std::vector<float> free(2 * size_t(n1), 1.0f);
    zero_prescribed(s_, free.data());
    const bool serves =
        k.built && !k.stale && k.n1 == n1 && k.stamp == s_.pool_stamp && k.free == free;
    if (!serves) {
      if (!build(s_, k, free) && !flag_tst(s_)) {
        s_.notice = " so6:multigrid not built (" + k.levels.error_text() + "), jacobi used";
      }
    } else if (k.slow && k.alternates && !k.turned_built && !add_turned(s_, k)) {
      k.built = false;
    }
    k.r.resize(2 * size_t(n1));
    k.z.resize(k.r.size());
  }
  if (!k.built) {
    for (size_t i = 0; i < rv.size(); ++i) zv[i] = d[i] * rv[i];
    return;
  }
  const int32_t n1 = k.n1;
  for (int32_t i = 0; i < n1; ++i) k.r[2 * i] = rv[i], k.r[2 * i + 1] = rv[n1 + i];
  k.levels.apply(k.r.data(), k.z.data());
  if (k.turned_built) {
    for (size_t i = 0; i < k.r.size(); ++i) k.turned_r[i] = k.flip[i] * k.r[i];
    k.turned.apply(k.turned_r.data(), k.turned_z.data());
    for (size_t i = 0; i < k.z.size(); ++i) k.z[i] += k.flip[i] * k.turned_z[i];
  }
  for (const KeptMultigrid::Pattern& p : k.patterns) {
    double along = 0;
    for (size_t i = 0; i < p.h.size(); ++i) along += p.weight[i] * k.z[i];
    for (size_t i = 0; i < p.h.size(); ++i) k.z[i] -= along * p.h[i];
  }
  for (int32_t i = 0; i < n1; ++i) {
    zv[i] = static_cast<float>(k.z[2 * i]) * k.free[i];
    zv[n1 + i] = static_cast<float>(k.z[2 * i + 1]) * k.free[n1 + i];
  }
}

void StepMultigrid::solved(int iterations) {
  KeptMultigrid& k = kept_;
  if (!tried_ || !k.built) return;
  if (k.reference < 0) {
    k.reference = iterations;
  } else if (iterations > kSlowerBy * k.reference + kSlack) {
    k.stale = true;
  }
  // Slow on a checkerboard mesh without the turned levels: the next step adds them.
  if (k.alternates && !k.turned_built && iterations > kSlowSolve) k.slow = true;
}

}  // namespace tivor::sol
