// The conjugate-gradient solver: how it ends and what it reports (solved start value, squared
// tolerances, stagnation, the iteration limit, Esc, a failing operator), systems solved against
// their closed form, two systems sharing the operator, and the progress line.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <span>
#include <tuple>
#include <vector>

#include "kernel_session.hpp"
#include "kernels/kernels.hpp"

namespace tivor {
namespace {

using kernels_fixture::KernelSession;

class CjTest : public KernelSession {
 protected:
  // Matrices A_j (row by row) of the systems and their right-hand sides laid one after the
  // other, as the solver's operator, with the inverse diagonal as preconditioner; the operator
  // counts its calls and remembers the last iteration number and the live masks it was given.
  void systems(std::vector<std::vector<float>> matrices, std::vector<float> rhs) {
    a = std::move(matrices);
    b = std::move(rhs);
    n = static_cast<int>(b.size() / a.size());
    x.assign(b.size(), 0);
    d.assign(b.size(), 0);
    for (size_t i = 0; i < b.size(); ++i) d[i] = 1 / a[i / n][(i % n) * (n + 1)];
    calls = 0;
    lives.clear();
  }
  void system(std::vector<float> matrix, std::vector<float> rhs) {
    systems({std::move(matrix)}, std::move(rhs));
  }
  // The tridiagonal (-1, 2, -1) matrix of size k; with b = 1, u_i = i (k + 1 - i) / 2.
  static std::vector<float> tridiagonal(int k) {
    std::vector<float> m(k * k, 0);
    for (int i = 0; i < k * k; ++i)
      m[i] = i / k == i % k ? 2 : std::abs(i / k - i % k) == 1 ? -1 : 0;
    return m;
  }
  void laplacian(int k) { system(tridiagonal(k), std::vector<float>(k, 1)); }
  CjResult solve(double eps, int nprint = 1) {
    const CjOperator op = [this](std::span<const float> v, std::span<float> out, int it,
                                 unsigned live) {
      ++calls;
      last_it = it;
      lives.push_back(live);
      if (on_call) on_call(it);
      for (size_t i = 0; i < b.size(); ++i) {
        if ((live & (1u << (i / n))) == 0) continue;
        float sum = 0;
        for (size_t k = 0; k < size_t(n); ++k) sum += a[i / n][(i % n) * n + k] * v[i - i % n + k];
        out[i] = it == 0 ? sum - b[i] : sum;
      }
    };
    std::vector<float> w(x.size()), r(x.size()), p(x.size()), z(x.size());
    const CjOptions opt{.eps = eps,
                        .max_iterations = 2 * n,
                        .end_text = " cjend :",
                        .nprint = nprint,
                        .systems = static_cast<int>(a.size()),
                        .precondition = precondition};
    return cj(*s, x, d, w, r, p, z, op, opt);
  }
  std::string progress() const { return row(18); }

  std::vector<std::vector<float>> a;
  std::vector<float> b, x, d;
  std::vector<unsigned> lives;
  int n = 0, calls = 0, last_it = -1;
  std::function<void(int)> on_call;
  std::function<void(std::span<const float>, std::span<float>)> precondition;
};

TEST_F(CjTest, SolvedStartValueAndSquaredToleranceEndAfterTheResidual) {
  system({2, 0, 0, 0, 3, 0, 0, 0, 4}, {2, 3, 4});
  x = {1, 1, 1};
  const CjResult solved = solve(1e-12);
  EXPECT_EQ(std::tuple(solved.end, solved.iterations, calls), std::tuple(CjEnd::converged, 0, 1));
  EXPECT_EQ(x, (std::vector<float>{1, 1, 1}));
  EXPECT_EQ(progress().substr(0, 24), " cj :       ii=     0 gg");

  // The same residual 0.01 is small against the start value (1, 1) but not against a start of
  // zeros, which must be iterated to the answer (0.01, 0).
  system({1, 0, 0, 1}, {1.01f, 1});
  x = {1, 1};
  solve(1e-3);
  EXPECT_EQ(calls, 1);
  system({1, 0, 0, 1}, {0.01f, 0});
  EXPECT_TRUE(solve(1e-3).end == CjEnd::converged && calls > 1) << calls;
  EXPECT_NEAR(x[0], 0.01f, 1e-9);
}

TEST_F(CjTest, LaplacianIsSolvedToTheSameRelativeErrorInAnyUnit) {
  // The Laplacian scaled by a (the unit of the operator) with b scaled by v (the unit of the
  // values): x = v/a times the unscaled solution, to the same relative error in every unit. The
  // solution is symmetric, so 10 directions span it; the eleventh stagnates.
  for (const float a : {1e-12f, 1.0f, 1e12f}) {
    for (const float v : {1e-12f, 1.0f, 1e12f}) {
      laplacian(20);
      for (float& e : this->a[0]) e *= a;
      for (float& e : b) e *= v;
      for (int i = 0; i < n; ++i) d[i] /= a;
      EXPECT_TRUE(solve(1e-12, 5).end == CjEnd::converged && last_it <= 21) << last_it;
      double err = 0;
      for (int i = 0; i < 20; ++i)
        err = std::max(err, std::abs(x[i] * a / v / ((i + 1) * (20 - i) / 2.0) - 1));
      EXPECT_LT(err, 1e-5) << "a = " << a << " v = " << v;
    }
  }
  EXPECT_FALSE(flag_tst(*s));
}

TEST_F(CjTest, SingularOrIndefiniteSystemStagnates) {
  // diag(1, -1) with a positive preconditioner: p^T A p vanishes along the first direction.
  system({1, 0, 0, -1}, {1, 1});
  d = {1, 1};
  EXPECT_EQ(solve(1e-12).end, CjEnd::stagnated);
  // A singular matrix whose range misses b: the second direction lies in its null space.
  system({1, 1, 1, 1}, {1, 0});
  const CjResult res = solve(1e-12);
  EXPECT_EQ(std::tuple(res.end, res.iterations), std::tuple(CjEnd::stagnated, 2));
  EXPECT_FALSE(flag_tst(*s));
}

TEST_F(CjTest, ACallersPreconditionerSetsTheStepsAndTheDiagonalStillTheTests) {
  // The Laplacian of size 20 preconditioned by its exact inverse, (A^-1)_ij = min(i, j) (21 -
  // max(i, j)) / 21 from 1: the first step lands on the solution, which the diagonal's residual
  // test then accepts; the Jacobi preconditioner needs ten.
  laplacian(20);
  precondition = [](std::span<const float> r, std::span<float> z) {
    for (int i = 1; i <= 20; ++i) {
      double sum = 0;
      for (int j = 1; j <= 20; ++j) sum += std::min(i, j) * (21.0 - std::max(i, j)) / 21 * r[j - 1];
      z[i - 1] = static_cast<float>(sum);
    }
  };
  const CjResult res = solve(1e-10);
  EXPECT_EQ(std::tuple(res.end, res.iterations), std::tuple(CjEnd::converged, 1));
  for (int i = 0; i < 20; ++i) EXPECT_NEAR(x[i], (i + 1) * (20 - i) / 2.0, 1e-4 * 55) << i;
  EXPECT_LE(res.rho[0], 1e-10 * 20);
  // A start value that is already the solution asks nothing of the preconditioner.
  const std::vector<float> solved = x;
  precondition = [](std::span<const float>, std::span<float>) { FAIL() << "preconditioned"; };
  laplacian(20);
  x = solved;
  EXPECT_EQ(solve(1e-10).iterations, 0);
}

TEST_F(CjTest, TwoSystemsShareEachOperatorCallAndStopOnTheirOwn) {
  // A diagonal system, solved in the first iteration, beside a Laplacian that needs five: the
  // second runs alone after the first has converged, and its answer is that of a separate solve.
  std::vector<float> diagonal(100, 0);
  const float values[10] = {1, 2, 4, 8, 1, 1, 1, 1, 1, 1};
  for (int i = 0; i < 10; ++i) diagonal[i * 11] = values[i];
  laplacian(10);
  ASSERT_EQ(solve(1e-12).end, CjEnd::converged);
  const std::vector<float> alone = x;
  std::vector<float> rhs = {3, -2, 1, 5, 1, 1, 1, 1, 1, 1};
  rhs.resize(20, 1);
  systems({diagonal, tridiagonal(10)}, rhs);
  const CjResult res = solve(1e-12);
  EXPECT_EQ(std::tuple(res.end, calls), std::tuple(CjEnd::converged, res.iterations + 1));
  ASSERT_GE(lives.size(), 4u);
  EXPECT_EQ((std::array{lives[0], lives[1], lives[2], lives.back()}), (std::array{3u, 3u, 2u, 2u}));
  expect_near({x.begin(), x.begin() + 10}, {3, -1, 0.25, 0.625, 1, 1, 1, 1, 1, 1});
  EXPECT_EQ(std::vector<float>(x.begin() + 10, x.end()), alone);
}

TEST_F(CjTest, IterationLimitIsTwiceTheSize) {
  // A non-symmetric operator (identity plus a skew part) never meets the step criterion.
  system({1, 5, 0, -5, 1, 5, 0, -5, 1}, {1, 2, 3});
  const CjResult res = solve(1e-30, 100);
  EXPECT_EQ(std::tuple(res.end, res.iterations, last_it, calls),
            std::tuple(CjEnd::iteration_limit, 6, 6, 7));
  EXPECT_EQ(progress().substr(0, 21), " cjend :    ii=     6");
}

TEST_F(CjTest, EscOrAnOperatorRaisingTheFlagStopsAndKeepsTheIterate) {
  // Esc seen before the second call, or the flag raised by the operator in its third call.
  for (const bool esc : {true, false}) {
    laplacian(10);
    flag_off(*s);
    if (esc) host.polled.push_back(key::kEsc), host.press(' ');
    on_call = [&](int it) {
      if (!esc && it == 2) set_flag(*s, 1);
    };
    const CjEnd end = solve(1e-12).end;
    EXPECT_EQ(std::tuple(end, calls, flag_tst(*s)),
              std::tuple(CjEnd::interrupted, esc ? 2 : 3, true));
    // The first iterate: x = alpha d r0 with r0 = b, d = 1/2: a multiple of the ones vector.
    EXPECT_TRUE(std::all_of(x.begin(), x.end(), [](float v) { return std::isfinite(v); }));
    EXPECT_TRUE(!esc || (x == std::vector<float>(10, x[0]) && x[0] > 0)) << x[0];
  }
  EXPECT_TRUE(seen("solution interrupted"));
}

}  // namespace
}  // namespace tivor
