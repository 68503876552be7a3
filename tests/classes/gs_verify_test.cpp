// Verification of the euler scheme: the shock tube against the exact solution of its Riemann
// problem, states that must not change, and the conservation of the scheme's update.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "classes/gs/gs_internal.hpp"
#include "classes/gs/scheme.hpp"
#include "classes/gs_fixture.hpp"

namespace tivor::gs_test {
namespace {

// The exact density at x, t = 0.2 (star state of the problem: p = 0.30313, u = 0.92745).
double exact_density(double x) {
  const double t = 0.2, g = 1.4, cl = std::sqrt(g), ustar = 0.92745;
  if (x < 0.5 - cl * t) return 1.0;
  if (x < 0.5 + (ustar - 0.99772) * t) {  // inside the rarefaction, whose tail moves at u - c
    return std::pow(1 - (g - 1) / (g + 1) * (1 + (x - 0.5) / (t * cl)), 2 / (g - 1));
  }
  if (x < 0.5 + ustar * t) return 0.42632;
  if (x < 0.5 + 1.75216 * t) return 0.26557;
  return 0.125;
}

class GsVerifyTest : public GsTest {
 protected:
  // The tube 0 <= x <= 1 of n cells (two across) closed by slip walls, ro = 1, p = 1 left of
  // the diaphragm at x = 0.5, ro = 0.125, p = 0.1 right of it (gamma 1.4); its density along the
  // bottom at t = 0.2, by x.
  std::vector<std::pair<double, double>> sod(int n, float dt) {
    fresh();
    Task t;
    t.g = {0, 0, 1, 2.0 / n, n, 2};
    t.g.ro = 0.125f, t.g.e = 2.0f, t.cur = -dt;
    EXPECT_TRUE(prepare(t.closed()));
    for (int32_t i = 0; i < n1(); ++i) {
      for (int f : {0, 3, 4})
        reals(*s, parm().jf[f])[i] = r(i) < 0.5f ? (f == 3 ? 2.5f : 1) : at(f, i);
    }
    run(static_cast<int>(std::lround(0.2 / dt)));
    EXPECT_NEAR(s->cht.t, 0.2, 1e-4);
    std::vector<std::pair<double, double>> line;
    for (int32_t i = 0; i < n1(); ++i) {
      if (z(i) < 1e-6f) line.emplace_back(r(i), at(0, i));
    }
    std::sort(line.begin(), line.end());
    return line;
  }
  // The first x beyond x0 where the density falls through the level.
  static double crossing(const std::vector<std::pair<double, double>>& line, double x0,
                         double level) {
    for (size_t k = 1; k < line.size(); ++k) {
      if (line[k].first > x0 && line[k - 1].second >= level && line[k].second < level) {
        const double f = (line[k - 1].second - level) / (line[k - 1].second - line[k].second);
        return line[k - 1].first + f * (line[k].first - line[k - 1].first);
      }
    }
    return -1;
  }
};

TEST_F(GsVerifyTest, ShockTubeMeetsTheExactSolution) {
  double previous = 1e30;
  for (int n : {100, 200, 400}) {
    const double h = 1.0 / n;
    const auto line = sod(n, static_cast<float>(0.2 * h));
    double l1 = 0;
    for (size_t k = 1; k < line.size(); ++k) {
      const double x = 0.5 * (line[k].first + line[k - 1].first);
      const double mid = 0.5 * (line[k].second + line[k - 1].second);
      l1 += std::abs(mid - exact_density(x)) * (line[k].first - line[k - 1].first);
    }
    // First order at the discontinuities: the error must fall clearly under refinement.
    EXPECT_LT(l1, 0.8 * previous) << n;
    previous = l1;
    if (n != 400) continue;
    // Plateaus, away from the fronts by 8 cells, within 3 per cent.
    const auto value = [&](double x) {
      return std::lower_bound(line.begin(), line.end(), std::make_pair(x, -1e30))->second;
    };
    EXPECT_NEAR(value(0.15), 1.0, 0.03);
    EXPECT_NEAR(value(0.6), 0.42632, 0.03 * 0.42632);
    EXPECT_NEAR(value(0.77), 0.26557, 0.03 * 0.26557);
    EXPECT_NEAR(value(0.95), 0.125, 0.03 * 0.125);
    // A front smeared over a few cells stands where its mid level is crossed: the shock within
    // 3 cells, the contact (which spreads as the square root of the steps) within 4; inside the
    // rarefaction the level 0.7 within 2 cells.
    EXPECT_NEAR(crossing(line, 0.75, (0.26557 + 0.125) / 2), 0.85043, 3 * h);
    EXPECT_NEAR(crossing(line, 0.6, (0.42632 + 0.26557) / 2), 0.68549, 4 * h);
    EXPECT_NEAR(crossing(line, 0.1, 0.7), 0.36111, 2 * h);
  }
}

TEST_F(GsVerifyTest, UniformStatesStayUnchanged) {
  // A uniform flow on a mesh of triangles with all its values prescribed on the boundary, and a
  // gas at rest at the reference energy under thermal gravity in an axisymmetric closed box:
  // residuals, gradients and the gravity term vanish, so only rounding may move a value.
  for (const bool moving : {true, false}) {
    fresh();
    Task t;
    t.g = {0.5, 0, 1.5, 1, 8, 7};
    t.m = 3;
    const std::string all = "=1\nm=-10 -10 10 10 ";
    if (moving) {
      t.g.u = 0.3f, t.g.v = -0.2f, t.ro = "ro" + all + "1 1\n";
      t.vr = "vr" + all + "0.3 0.3\ntvr=2\nm=0 1 1 1\n", t.ee = "ee" + all + "2.5 2.5\n";
      t.vz = "vz" + all + "-0.2 -0.2\ntvz=2\nm=0 1 1 1\n";
    } else {
      t.symmetry = 1, t.tfz = 3, t.closed();
    }
    ASSERT_TRUE(prepare(t));
    run(20);
    const float expect[5] = {1, t.g.u, t.g.v, 2.5f, 1};
    for (int f = 0; f < 5; ++f) {
      for (int32_t i = 0; i < n1(); ++i) ASSERT_NEAR(at(f, i), expect[f], 2e-6f) << f << moving;
    }
  }
}

TEST_F(GsVerifyTest, StagesConserveMassMomentumAndEnergyInAClosedBox) {
  // A pressure bump in the middle of a box of slip walls, plane and axisymmetric. The stages
  // without the extremum limiter (which flattens extrema node by node and is not conservative)
  // keep the mass and the energy, and the momentum of the symmetric flow at zero, to rounding.
  for (const int symmetry : {2, 1}) {
    fresh();
    Task t;
    t.g = {0, 0, 1, 1, 12, 12};
    t.symmetry = symmetry;
    t.cur = 0.4f;
    ASSERT_TRUE(prepare(t.closed()));
    float* f = reals(*s, parm().jf[0]);
    for (int32_t i = 0; i < n1(); ++i) {
      const float d2 = (r(i) - 0.5f) * (r(i) - 0.5f) + (z(i) - 0.5f) * (z(i) - 0.5f);
      f[3 * n1() + i] = d2 < 0.05f ? 10.0f : 2.5f;
    }
    const auto sums = [&] {
      std::vector<float> mass(n1()), mom(n1()), en(n1());
      for (int32_t i = 0; i < n1(); ++i) {
        const float ro = mass[i] = at(0, i), u = at(1, i), v = at(2, i);
        mom[i] = ro * (symmetry == 1 ? v : u), en[i] = ro * (at(3, i) + (u * u + v * v) / 2);
      }
      return std::vector<double>{total(mass), total(mom), total(en)};
    };
    const std::vector<double> before = sums();
    for (int step = 0; step < 30; ++step) {
      gs::gsht(*s);
      gs::gsl10(*s, s->cht.ht / 2, parm().jf[0], parm().jf[0], parm().jf0[0], 0);
      gs::gsl10(*s, s->cht.ht, parm().jf0[0], parm().jf[0], parm().jf0[0], 0);
      std::copy_n(reals(*s, parm().jf0[0]), 5 * n1(), f);
    }
    const std::vector<double> after = sums();
    EXPECT_GT(*std::max_element(f + n1(), f + 2 * n1()), 0.1f);  // the gas moves
    EXPECT_NEAR(after[0], before[0], 1e-5 * before[0]) << symmetry;
    EXPECT_NEAR(after[1], 0.0, 1e-5 * before[0]) << symmetry;
    EXPECT_NEAR(after[2], before[2], 1e-5 * before[2]) << symmetry;
  }
}

TEST_F(GsVerifyTest, StepLeavesTheSmallestElementSizesAroundTheNodes) {
  Task t;
  t.g = {0, 0, 1, 1, 6, 4};
  t.m = 3;
  ASSERT_TRUE(prepare(t.closed()));
  gs::gsht(*s);
  gs::gsl1(*s, s->cht.ht);
  const Cmesh& c = s->cmesh;
  std::vector<float> hr(n1(), 1e18f), hz(n1(), 1e18f);
  for (int32_t e = 0; e < c.n2; ++e) {
    for (int i = 0; i < 3; ++i) {
      const int32_t n = ints(*s, c.jj1)[3 * e + i] - 1;
      hr[n] = std::min(hr[n], reals(*s, c.jhr)[e]);
      hz[n] = std::min(hz[n], reals(*s, c.jhz)[e]);
    }
  }
  EXPECT_EQ(std::vector<float>(reals(*s, parm().jdf[4]), reals(*s, parm().jdf[4]) + n1()), hr);
  EXPECT_EQ(std::vector<float>(reals(*s, parm().jdf[5]), reals(*s, parm().jdf[5]) + n1()), hz);
}

TEST_F(GsVerifyTest, LimiterPullsOnlyStrictExtrema) {
  // On squares of 0.25 with 1 everywhere but: a peak P = 3 at (0.5, 0.5); A = 2 beside it and
  // B = 2 beside A, so that B equals its neighbours' maximum; D = 2 on P's diagonal, which is no
  // outline neighbour of D. P and D are pulled a quarter of the way to the middle of their
  // neighbours' range, every other node stays.
  Task t;
  t.g = {0, 0, 1, 1, 4, 4};
  ASSERT_TRUE(prepare(t.closed()));
  const int32_t j = parm().jf[0];
  float* f = reals(*s, j);
  const auto node = [&](float x, float y) {
    int32_t i = 0;
    while (std::abs(r(i) - x) + std::abs(z(i) - y) > 1e-3f) ++i;
    return i;
  };
  std::fill_n(f, n1(), 1.0f);
  const int32_t p = node(0.5f, 0.5f), d = node(0.75f, 0.75f);
  f[p] = 3;
  f[node(0.25f, 0.5f)] = f[node(0.25f, 0.75f)] = f[d] = 2;
  std::vector<float> expect(f, f + n1());
  expect[p] = 0.75f * 3 + 0.25f * 1.5f;
  expect[d] = 0.75f * 2 + 0.25f * 1;
  gs::gssgl1(*s, j, j, parm().jrb[0], parm().jrb[1]);
  for (int32_t i = 0; i < n1(); ++i) ASSERT_FLOAT_EQ(f[i], expect[i]) << i;
}

TEST_F(GsVerifyTest, StageLimiterIsTheOneFieldLimiterOnEachField) {
  // Rough fields on triangles whose nodes have from two to six neighbours and do not fill the
  // last batch of four, with no boundary conditions: the stage's limiter on records of four
  // fields gives bit for bit what the one-field limiter gives on each field.
  Task t;
  t.g = {0, 0, 1, 1, 6, 4};
  t.m = 3;
  ASSERT_TRUE(prepare(t));
  ASSERT_NE(n1() % 4, 0);
  float* f = reals(*s, parm().jf[0]);
  for (int32_t i = 0; i < 4 * n1(); ++i) f[i] = 1.0f + static_cast<float>((i * 7919) % 13) / 8;
  const auto stage = [&](int passes) {
    gs::gsl10(*s, 1e-3f, parm().jf[0], parm().jf[0], parm().jf0[0], passes);
    for (int pass = passes; pass < 3; ++pass) {
      for (int k = 0; k < 4; ++k)
        gs::gssgl1(*s, parm().jf0[k], parm().jf0[k], parm().jrb[0], parm().jrb[1]);
    }
    const float* out = reals(*s, parm().jf0[0]);
    return std::vector<float>(out, out + 4 * n1());
  };
  const std::vector<float> one_field = stage(0);
  EXPECT_NE(one_field, std::vector<float>(f, f + 4 * n1()));
  EXPECT_EQ(stage(3), one_field);
}

// The shock tube sample at a Courant number of exactly 1: its first step is the whole stable step
// of the sound speed on its cells of 0.0125 in the gas at rest, h / sqrt(1.4), and it reaches
// t = 0.2 with the density between its two states. With cells of 0.005, finer than the distance
// within which glued nodes merge, its blocks share the 5 nodes of the diaphragm and keep every
// cell.
TEST_F(GsVerifyTest, ShockTubeAtTheWholeStableStepAndWithFineCells) {
  const auto prepare_sample = [&](const std::string& from, const std::string& to) {
    std::ifstream in(std::filesystem::path(TIVOR_SOURCE_DIR) / "examples/gs/shock_tube.gs");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at))
      text.replace(at, from.size(), to);
    return test::prepare_like_shell(*s, text, [&] { gsm(*s, 1); });
  };
  ASSERT_TRUE(prepare_sample("cur=0.4", "cur=1"));
  run(1);
  EXPECT_NEAR(s->cht.ht, 0.0125 / std::sqrt(1.4), 1e-5 * s->cht.ht);
  while (s->cht.t < 0.2 && !flag_tst(*s)) run(1);
  ASSERT_FALSE(flag_tst(*s)) << screen();
  for (int32_t i = 0; i < n1(); ++i) ASSERT_TRUE(at(0, i) > 0.1f && at(0, i) < 1.01f) << i;
  fresh();
  ASSERT_TRUE(prepare_sample("nksi=40", "nksi=100")) << screen();
  EXPECT_EQ(n1(), 2 * 101 * 5 - 5);
  EXPECT_EQ(s->cmesh.n2, 2 * 100 * 4);
}

TEST_F(GsVerifyTest, EverySamplePreparesAndRuns) {
  for (const auto& entry : std::filesystem::directory_iterator(
           std::filesystem::path(TIVOR_SOURCE_DIR) / "examples/gs")) {
    if (entry.path().extension() != ".gs") continue;
    fresh();
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    ASSERT_TRUE(test::prepare_like_shell(
        *s, text,
        [&] {
          keys(text.find("tipm=5") != std::string::npos);  // generator 5 shows its grid once
          gsm(*s, 1);
        }))
        << entry.path() << screen();
    run(5);
    EXPECT_GT(s->cht.t, 0) << entry.path();
  }
}

}  // namespace
}  // namespace tivor::gs_test
