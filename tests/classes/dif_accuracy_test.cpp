// The diffusion class against closed-form solutions: steady linear and logarithmic profiles, the
// transient erfc profile of a half-space, the rates at which the errors fall, mass balance with
// a sink, cross diffusion and independence of the units of length and values.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "classes/dif/dif_internal.hpp"
#include "classes/dif_fixture.hpp"

namespace tivor::dif_test {
namespace {

// The c1 = 1 on r = r_in, c1 = 0 on r = r_out conditions of a block spanning [r_in, r_out].
std::vector<Interval> two_faces(double r_in, double r_out, double height) {
  return {{r_in, 0, r_in, height, 1, 1}, {r_out, 0, r_out, height, 0, 0}};
}

// Linear functions lie in the space of linear triangles, so a linear steady profile comes out
// exact up to float rounding: values near 1 carry about 1.2e-7 each, a few tens of rounding
// steps through the solver stay below 4e-6.
constexpr double kRounding = 4e-6;

TEST_F(DifTest, SteadyLinearProfileIsReachedExactlyWithHugeSteps) {
  // From c1 = 0 with huge steps: each backward-Euler step divides the slowest transient
  // (sin(pi r)) by 1 + ht pi^2, so five steps of 1e4 leave nothing of it. (The steady initial
  // field kept by the steps is checked with the cross-diffusion test's held component.)
  Task t;
  t.regions = {{0, 0, 1, 1, 8, 8}};
  t.conc1 = two_faces(0, 1, 1);
  t.cur = -1e4f;
  ASSERT_TRUE(prepare(t));
  run(4);
  EXPECT_LT(max_error(1, [](double r, double) { return 1 - r; }), kRounding);
}

class DifAccuracy : public DifTest {
 protected:
  double annulus_error(int n);
  double strip_error(int n, float ht, double end = 0.1);
  std::vector<float> scaled_run(double length, double value, bool held);
};

// The steady field of a hollow cylinder 1 <= r <= 2 held at 1 inside and 0 outside, on square
// cells of side h = 1 / n; returns the largest nodal error.
double DifAccuracy::annulus_error(int n) {
  Task t;
  t.symmetry = 1;
  t.regions = {{1, 0, 2, 0.25, n, n / 4}};
  t.conc1 = two_faces(1, 2, 0.25);
  t.initc = 1;
  t.cur = -1;
  fresh();
  EXPECT_TRUE(prepare(t));
  return max_error(1, [](double r, double) { return std::log(2 / r) / std::numbers::ln2; });
}

TEST_F(DifAccuracy, AxisymmetricSteadyProfileIsSecondOrder) {
  // u = ln(2/r)/ln 2 has |u''| <= 1/ln 2; linear triangles err at the nodes by at most about
  // the interpolation bound h^2 |u''| / 8 (0.0028 at h = 1/8). A plane solution (the straight
  // line 2 - r) would be 0.085 off, a measure without the radius O(h).
  const int n[3] = {8, 16, 32};
  double err[3];
  for (int k = 0; k < 3; ++k) {
    err[k] = annulus_error(n[k]);
    const double h = 1.0 / n[k];
    EXPECT_LT(err[k], h * h / (8 * std::numbers::ln2)) << "h = 1/" << n[k];
  }
  // Halving h divides an O(h^2) error by about 4 (measured 3.8 and 3.7).
  EXPECT_NEAR(err[0] / err[1], 4.0, 1.0);
  EXPECT_NEAR(err[1] / err[2], 4.0, 1.0);

  // The time steps keep the steady field.
  run(3);
  EXPECT_LT(max_error(1, [](double r, double) { return std::log(2 / r) / std::numbers::ln2; }),
            1.0 / (32 * 32 * 8 * std::numbers::ln2));
}

// c1 = 1 held on r = 0 of a strip 0 <= r <= 3 that starts empty, D = 1, fixed steps up to T:
// until T = 0.1 the far end (erfc(1.5 / sqrt(T)) ~ 1e-11) does not matter, so the exact field is
// erfc(r / (2 sqrt(T))). Returns the largest nodal error at T.
double DifAccuracy::strip_error(int n, float ht, double end) {
  Task t;
  t.regions = {{0, 0, 3, 0.1, n, 2}};
  t.conc1 = {{0, 0, 0, 0.1, 1, 1}};
  t.cur = -ht;
  fresh();
  EXPECT_TRUE(prepare(t));
  run(static_cast<int>(std::lround(end / ht)) - 1);
  const double time = s->cht.t;
  EXPECT_NEAR(time, end, 1e-5);
  return max_error(1, [time](double r, double) { return std::erfc(r / (2 * std::sqrt(time))); });
}

TEST_F(DifAccuracy, TransientProfileFollowsErfc) {
  // At T = 0.1 max|u_t| = max|u_rr| = e^(-1/2) / (sqrt(2 pi) T) = 2.42. Backward Euler errs by
  // about ht/2 |u_t| and lumped linear triangles by about h^2/12 |u_rr|; the bound takes
  // (ht + h^2/4) max|u_t| = 0.0039 for h = 0.05, ht = 0.001 (measured 0.0015).
  const double peak = std::exp(-0.5) / (std::sqrt(2 * std::numbers::pi) * 0.1);
  EXPECT_LT(strip_error(60, 0.001f), (0.001 + 0.05 * 0.05 / 4) * peak);

  // The time error is first order: with h = 0.025 halving ht about halves the error (measured
  // 0.0028 -> 0.0014).
  const double coarse = strip_error(120, 0.002f);
  const double fine = strip_error(120, 0.001f);
  EXPECT_NEAR(coarse / fine, 2.0, 0.4);
}

TEST_F(DifTest, SinkLowersTheMeanByItsRateOnAnIsolatedBody) {
  // Nothing prescribed and zero flux everywhere: the stiffness rows sum to zero, so the
  // mass-weighted mean changes only by the sink, fc * ht per step, while the two halves of
  // different values and factors mix. A node value near 0.5 rounds by 3e-8 in float, and the
  // mean of the changes stays well below 1e-7 (measured 1e-8).
  Task t;
  t.symmetry = 1;
  Region left{0, 0, 1, 1, 8, 8};
  left.f1 = 1, left.f2 = 0.5f;
  left.d12 = 0.3f;
  Region right{1, 0, 2, 1, 8, 8};
  right.d11 = 0.2f, right.d22 = 3, right.d21 = -0.4f;
  t.regions = {left, right};
  t.concent2 = 1;
  t.fc1 = 0.5f;
  t.fc2 = -0.25f;  // a source
  t.cur = -0.01f;
  ASSERT_TRUE(prepare(t));
  for (int step = 0; step < 5; ++step) {
    const double m1 = mean(1), m2 = mean(2);
    run(1);
    EXPECT_NEAR(mean(1) - m1, -0.5 * 0.01, 1e-7) << "step " << step;
    EXPECT_NEAR(mean(2) - m2, 0.25 * 0.01, 1e-7) << "step " << step;
  }
  // The halves do mix: c1 is no longer piecewise constant.
  const auto f = field(1);
  EXPECT_GT(*std::max_element(f.begin(), f.end()) - *std::min_element(f.begin(), f.end()), 0.1);
  EXPECT_LT(*std::max_element(f.begin(), f.end()), 1.0f);
}

// A linear c_b = 1 - r held by its faces drives the other component c_a, which has no
// prescribed value, through the cross factor d: the zero total flux D_aa c_a' + d c_b' = 0 with
// c_b' = -1 gives c_a' = d / D_aa, and with mean 0 the steady c_a = (d / D_aa)(r - 1/2). Steps
// of 1 divide the slowest free mode (cos(pi r)) by 1 + 2 pi^2 each, so eleven leave 1e-14 of it;
// far larger steps would leave c_a's mean resting on a mass term 1e-5 of the stiffness, where
// float rounding shifts it by some 1e-5.
TEST_F(DifTest, CrossDiffusionDrivesTheOtherComponentDownItsGradient) {
  for (int driven = 1; driven <= 2; ++driven) {
    fresh();
    Task t;
    Region g{0, 0, 1, 1, 8, 8};
    if (driven == 1) {
      g.d11 = 2, g.d12 = 0.5f;
      t.conc2 = two_faces(0, 1, 1);
    } else {
      g.d22 = 2, g.d21 = 0.5f;
      t.conc1 = two_faces(0, 1, 1);
    }
    g.f1 = g.f2 = 0;
    t.regions = {g};
    t.concent1 = t.concent2 = 1;
    t.initc = 1;  // the held component starts linear, the free one at 0
    t.cur = -1;
    const int held = 3 - driven;
    const auto linear = [](double r, double) { return 1 - r; };
    ASSERT_TRUE(prepare(t));
    EXPECT_LT(max_error(held, linear), kRounding) << driven;  // exact from the first step on
    run(10);
    EXPECT_LT(max_error(held, linear), kRounding) << driven;
    EXPECT_LT(max_error(driven, [](double r, double) { return 0.25 * (r - 0.5); }), kRounding)
        << driven;
  }
}

// The cylinder 1 <= r/L <= 2, 0 <= z/L <= 0.5, both components coupled, from c1 = v (r/L - 1)^2,
// c2 = v z/L with a sink and a source of v / L^2 (the Courant step grows as L^2); with `held` c1
// is held at v inside, 0 outside, and starts steady. Returns c1 / v, c2 / v after eight steps.
// Lengths are scaled at the class's first gate (the mesh check and the interval reader take
// absolute tolerances), values in the pool (data files cannot spell 1e12).
std::vector<float> DifAccuracy::scaled_run(double length, double value, bool held) {
  fresh();
  Task t;
  t.symmetry = 1;
  t.concent2 = 1;
  t.cur = 3;
  Region g{1, 0, 2, 0.5, 16, 8};
  g.d12 = 0.1f, g.d21 = 0.2f, g.d22 = 0.5f;
  t.regions = {g};
  if (held) t.conc1 = two_faces(1, 2, 0.5);
  s->up.rtmr = [this, length](std::string_view name) {
    float* rz = reals(*s, mesh().jrz);
    if (name == "diin") std::for_each(rz, rz + 2 * n1(), [&](float& x) { x *= length; });
    return 0;
  };
  EXPECT_TRUE(prepare(t));
  s->up.rtmr = nullptr;
  float* c = reals(*s, parm().jf[0]);
  for (int32_t i = 0; i < n1(); ++i) {
    c[i] = static_cast<float>(value * std::pow(r(i) / length - 1, 2));
    c[n1() + i] = static_cast<float>(value * z(i) / length);
  }
  for (int k = 0; k < 2; ++k) {
    std::for_each(reals(*s, parm().jfg[k]), reals(*s, parm().jfg[k]) + mesh().n3,
                  [&](float& f) { f = static_cast<float>(f * value); });
  }
  s->cparm.dif.fc1 = static_cast<float>(0.5 * value / (length * length));
  s->cparm.dif.fc2 = static_cast<float>(-0.25 * value / (length * length));
  EXPECT_EQ(held ? dif::dicon0(*s, 1, 1) : 0, 0);
  run(8);
  EXPECT_FALSE(flag_tst(*s));
  std::vector<float> f = field(1), f2 = field(2);
  f.insert(f.end(), f2.begin(), f2.end());
  for (float& x : f) x = static_cast<float>(x / value);
  return f;
}

TEST_F(DifAccuracy, ResultDoesNotDependOnTheUnitsOfLengthAndValues) {
  // Values of order 1 after some thirty solves agree to a few float roundings (measured 7e-7).
  const auto agree = [](const std::vector<float>& a, const std::vector<float>& b) {
    double e = a.size() == b.size() ? 0 : 1;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
      e = std::max(e, double{std::abs(a[i] - b[i])});
    return e;
  };
  const auto free_unit = scaled_run(1, 1, false);
  for (const double length : {1e-6, 1e6}) {
    EXPECT_LT(agree(scaled_run(length, 1, false), free_unit), 5e-6) << "L = " << length;
  }
  const auto held_unit = scaled_run(1, 1, true);
  for (const double value : {1e-12, 1e-8, 1e12}) {
    EXPECT_LT(agree(scaled_run(1, value, true), held_unit), 5e-6) << "v = " << value;
  }
}

}  // namespace
}  // namespace tivor::dif_test
