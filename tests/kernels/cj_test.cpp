// The conjugate-gradient solver: how it ends (solved start value, squared tolerances, stagnation,
// the iteration limit, Esc, a failing operator), a system solved against its closed form, and
// the progress line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "kernel_session.hpp"
#include "kernels/kernels.hpp"

namespace tivor {
namespace {

using kernels_fixture::KernelSession;

class CjTest : public KernelSession {
 protected:
  // A matrix A (row by row) and right-hand side b as the solver's operator; it counts its calls
  // and remembers the last iteration number it was given.
  void system(std::vector<float> matrix, std::vector<float> rhs) {
    a = std::move(matrix);
    b = std::move(rhs);
    n = static_cast<int>(b.size());
    x.assign(n, 0);
    d.assign(n, 0);
    for (int i = 0; i < n; ++i) d[i] = 1 / a[i * n + i];
    w.assign(n, 0), r.assign(n, 0), p.assign(n, 0), z.assign(n, 0);
  }
  // The tridiagonal (-1, 2, -1) matrix of size k with b = 1: u_i = i (k + 1 - i) / 2.
  void laplacian(int k) {
    std::vector<float> m(k * k, 0);
    for (int i = 0; i < k; ++i) {
      m[i * k + i] = 2;
      if (i > 0) m[i * k + i - 1] = -1;
      if (i + 1 < k) m[i * k + i + 1] = -1;
    }
    system(m, std::vector<float>(k, 1));
  }
  void solve(float eps, int nprint = 1) {
    const CjOperator op = [this](const float* v, const float*, float* out, int size, int it) {
      ++calls;
      last_it = it;
      if (on_call) on_call(it);
      for (int i = 0; i < size; ++i) {
        float sum = 0;
        for (int j = 0; j < size; ++j) sum += a[i * size + j] * v[j];
        out[i] = it == 0 ? sum - b[i] : sum;
      }
    };
    cj(*s, x.data(), d.data(), w.data(), r.data(), p.data(), z.data(), n, op, eps, nprint);
  }
  std::string progress() const { return row_text(18).substr(0, 51); }

  std::vector<float> a, b, x, d, w, r, p, z;
  int n = 0, calls = 0, last_it = -1;
  std::function<void(int)> on_call;
};

TEST_F(CjTest, SolvedStartValueAndSquaredToleranceEndAfterTheResidual) {
  system({2, 0, 0, 0, 3, 0, 0, 0, 4}, {2, 3, 4});
  x = {1, 1, 1};
  solve(1e-12f);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(x, (std::vector<float>{1, 1, 1}));
  EXPECT_EQ(progress().substr(0, 24), " cj :       ii=     0 gg");

  // The same residual 0.01 is small against the start value (1, 1) but not against a start of
  // zeros, which must be iterated to the answer (0.01, 0).
  system({1, 0, 0, 1}, {1.01f, 1});
  x = {1, 1};
  calls = 0;
  solve(1e-3f);
  EXPECT_EQ(calls, 1);
  system({1, 0, 0, 1}, {0.01f, 0});
  calls = 0;
  solve(1e-3f);
  EXPECT_GT(calls, 1);
  EXPECT_NEAR(x[0], 0.01f, 1e-9);
}

TEST_F(CjTest, RelativeErrorDoesNotDependOnTheScaleOfTheSystem) {
  // The Laplacian scaled by a (the unit of the operator) with b scaled by v (the unit of the
  // values): x = v/a times the unscaled solution, to the same relative error in every unit.
  for (const float a : {1e-12f, 1.0f, 1e12f}) {
    for (const float v : {1e-12f, 1.0f, 1e12f}) {
      laplacian(20);
      for (float& e : this->a) e *= a;
      for (float& e : b) e *= v;
      for (int i = 0; i < n; ++i) d[i] /= a;
      solve(1e-12f);
      double err = 0;
      for (int i = 0; i < 20; ++i)
        err = std::max(err, std::abs(x[i] * a / v / ((i + 1) * (20 - i) / 2.0) - 1));
      EXPECT_LT(err, 1e-5) << "a = " << a << " v = " << v;
    }
  }
}

TEST_F(CjTest, DiagonalSystemIsSolvedInTheFirstIteration) {
  system({1, 0, 0, 0, 0, 2, 0, 0, 0, 0, 4, 0, 0, 0, 0, 8}, {3, -2, 1, 5});
  std::vector<float> after_first;
  on_call = [&](int it) {
    if (it == 2) after_first = x;
  };
  solve(1e-8f);
  ASSERT_EQ(after_first.size(), 4u);
  const std::vector<float> exact = {3, -1, 0.25f, 0.625f};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(after_first[i], exact[i], 1e-6) << i;
    EXPECT_NEAR(x[i], exact[i], 1e-6) << i;
  }
  EXPECT_LE(calls, 3);  // the second direction stagnates
  EXPECT_FALSE(flag_tst(*s));
}

TEST_F(CjTest, LaplacianIsSolved) {
  // Constant b: the solution is symmetric, so 10 directions span it; the eleventh stagnates.
  laplacian(20);
  solve(1e-12f, 5);
  for (int i = 0; i < 20; ++i) EXPECT_NEAR(x[i], (i + 1) * (20 - i) / 2.0, 1e-3) << i;
  EXPECT_LE(last_it, 21);
  EXPECT_FALSE(flag_tst(*s));
}

TEST_F(CjTest, IterationLimitIsTwiceTheSize) {
  // A non-symmetric operator (identity plus a skew part) never meets the step criterion.
  system({1, 5, 0, -5, 1, 5, 0, -5, 1}, {1, 2, 3});
  solve(1e-30f, 100);
  EXPECT_EQ(last_it, 6);
  EXPECT_EQ(calls, 7);
  EXPECT_EQ(progress().substr(0, 21), " cjend :    ii=     6");
}

TEST_F(CjTest, EscStopsWithTheFlagAndKeepsTheIterate) {
  laplacian(10);
  host.polled.push_back(key::kEsc);
  host.press(' ');
  solve(1e-12f);
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(flag_tst(*s));
  EXPECT_TRUE(seen("solution interrupted"));
  // The first iterate: x = alpha d r0 with r0 = b, d = 1/2: a multiple of the ones vector.
  for (float v : x) EXPECT_NEAR(v, x[0], 1e-6);
  EXPECT_GT(x[0], 0);
}

TEST_F(CjTest, OperatorRaisingTheFlagStops) {
  laplacian(10);
  on_call = [&](int it) {
    if (it == 2) set_flag(*s, 1);
  };
  solve(1e-12f);
  EXPECT_EQ(calls, 3);
  EXPECT_TRUE(flag_tst(*s));
  for (float v : x) EXPECT_TRUE(std::isfinite(v));
}

}  // namespace
}  // namespace tivor
