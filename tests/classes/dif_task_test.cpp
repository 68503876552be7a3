// The diffusion class behind the task protocol: method list, memory card and published results,
// the time step choices, switched-off equations, the initial field of several subregions,
// elements refused at input, and Esc during a solve.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "classes/dif_fixture.hpp"

namespace tivor::dif_test {
namespace {

std::string field_text(const char* f, size_t n) {
  return std::string(f, n);
}
std::string padded(const std::string& text, size_t n) {
  return text + std::string(n - text.size(), ' ');
}

// A unit square of 8 x 8 cells, c1 held at 1 on r = 0 and starting at 0.
Task square() {
  Task t;
  t.regions = {{0, 0, 1, 1, 8, 8}};
  t.conc1 = {{0, 0, 0, 1, 1, 1}};
  return t;
}

TEST_F(DifTest, ManagerListsOneMethodAndRefusesOthers) {
  dim1(*s, 0);
  EXPECT_EQ(s->cls.nmethod, 1);
  EXPECT_EQ(field_text(s->cls.mtname[0], 72), padded("cj implicit", 72));
  s->cls.nmethod = 7;
  dim1(*s, -1);  // no result functions of its own: nothing happens, nothing waits
  EXPECT_EQ(s->cls.nmethod, 1);
  EXPECT_EQ(host.waits, 0);

  ASSERT_TRUE(prepare(square()));
  const float t = s->cht.t;
  keys(1);
  s->cht.isp = s->cht.is + 3;
  dim1(*s, 2);
  EXPECT_TRUE(seen(" method not exist"));
  EXPECT_TRUE(flag_tst(*s));
  EXPECT_EQ(s->cht.is, 1);
  EXPECT_EQ(s->cht.t, t);
}

TEST_F(DifTest, PreparationPublishesResultsAndMemoryCard) {
  ASSERT_TRUE(prepare(square()));
  EXPECT_TRUE(host.events.empty());  // exactly one pause: the last moment check
  EXPECT_TRUE(seen("last moment check: if necessary equations are on"));
  EXPECT_TRUE(seen("if not then check equation switches in initial data"));
  // The preparing call makes the first step.
  EXPECT_EQ(s->cht.is, 1);
  EXPECT_EQ(s->cht.isp, 1);
  EXPECT_FLOAT_EQ(s->cht.t, 0.01f);

  EXPECT_EQ(s->cmemo.nlines, 5);
  EXPECT_EQ(field_text(s->cmemo.lines[0], 7), "c  1  2");
  EXPECT_EQ(field_text(s->cmemo.lines[1], 7), "c c1 c2");
  EXPECT_NE(field_text(s->cmemo.lines[2], 80).find("common/cparm/jfna,jy(2),"), std::string::npos);
  EXPECT_EQ(field_text(s->cmemo.lines[5], 80), std::string(80, ' '));

  EXPECT_EQ(s->cht.nipp, 2);
  EXPECT_EQ(field_text(s->cls.ppname[0], 48), padded("conc1", 48));
  EXPECT_EQ(field_text(s->cls.ppname[1], 48), padded("conc2", 48));
  EXPECT_EQ(s->cht.ipp[0], parm().jf[0]);
  EXPECT_EQ(s->cht.ipp[1], parm().jf[1]);
  EXPECT_EQ(parm().jf[1], parm().jf[0] + n1());
  EXPECT_EQ(s->cls.nfun, 2);
  EXPECT_EQ(field_text(s->cls.funname[0], 24), padded("conc1", 24));
  EXPECT_EQ(field_text(s->cls.funname[1], 24), padded("conc2", 24));
  EXPECT_EQ(s->cls.jfun[0], parm().jy[0]);
  EXPECT_EQ(s->cls.jfun[1], parm().jy[1]);
  // Flag 0 on the 9 boundary elements whose second node lies on r = 0 (c1), none for c2.
  int held1 = 0, held2 = 0;
  for (int32_t k = 0; k < mesh().n3; ++k) {
    held1 += ints(*s, parm().jy[0])[k] == 0;
    held2 += ints(*s, parm().jy[1])[k] == 0;
  }
  EXPECT_EQ(held1, 9);
  EXPECT_EQ(held2, 0);

  // A run of 5 more steps.
  run(5);
  EXPECT_EQ(s->cht.is, 6);
  EXPECT_EQ(s->cht.isp, 6);
  EXPECT_NEAR(s->cht.t, 0.06, 1e-6);
  EXPECT_FALSE(flag_tst(*s));
  EXPECT_TRUE(host.events.empty());  // no pause after the first step
}

TEST_F(DifTest, CourantNumberChoosesTheStep) {
  // Cells 0.1 x 0.2: every right triangle has sizes hr = 0.1, hz = 0.2, so h_e = 0.1; the largest
  // factor is |D21| = 3, and the stable explicit step is 0.1^2 / (6 * 3).
  Task t;
  Region g{0, 0, 1, 1, 10, 5};
  g.d11 = 2, g.d12 = 0.5f, g.d21 = -3, g.d22 = 1;
  t.regions = {g};
  t.conc1 = {{0, 0, 0, 1, 1, 1}};
  const double stable = 0.01 / 18;

  t.cur = 0;  // the default Courant number 0.3
  ASSERT_TRUE(prepare(t));
  EXPECT_FLOAT_EQ(s->cht.cur, 0.3f);
  EXPECT_NEAR(s->cht.hist.htdyn, stable, 1e-5 * stable);
  EXPECT_NEAR(s->cht.ht, 0.3 * stable, 1e-5 * stable);
  EXPECT_NEAR(s->cht.t, 0.3 * stable, 1e-5 * stable);

  fresh();
  t.cur = 2;
  ASSERT_TRUE(prepare(t));
  EXPECT_NEAR(s->cht.ht, 2 * stable, 1e-5 * stable);

  fresh();
  t.cur = -0.01f;  // a fixed step
  ASSERT_TRUE(prepare(t));
  run(2);
  EXPECT_FLOAT_EQ(s->cht.ht, 0.01f);
  EXPECT_FLOAT_EQ(s->cht.cur, -0.01f);
  EXPECT_NEAR(s->cht.t, 0.03, 1e-6);
}

TEST_F(DifTest, SwitchedOffEquationsKeepTheirFields) {
  // Both off: the step changes nothing, time and step count go on.
  Task t = square();
  t.regions[0].f1 = 0.25f, t.regions[0].f2 = 0.75f;
  t.regions[0].d21 = 0.5f;
  t.concent1 = t.concent2 = 0;
  t.fc1 = t.fc2 = 1;
  ASSERT_TRUE(prepare(t));
  // The field after input: c1 = 0.25 inside, the held value 1 is not written when nothing runs.
  for (int32_t i = 0; i < n1(); ++i) ASSERT_FLOAT_EQ(c1(i), 0.25f);
  const auto f1 = field(1), f2 = field(2);
  run(4);
  EXPECT_EQ(s->cht.is, 5);
  EXPECT_NEAR(s->cht.t, 0.05, 1e-6);
  EXPECT_EQ(field(1), f1);
  EXPECT_EQ(field(2), f2);
  EXPECT_TRUE(seen("iconc1,iconc2"));
  EXPECT_TRUE(seen("      0      0"));

  // c1 on, c2 off: c2 keeps all its values although c1 drives it (d21), it has a sink and
  // prescribed values; its halves of the solver's vectors are never touched.
  fresh();
  t.concent1 = 1;
  t.conc2 = {{1, 0, 1, 1, 9, 9}};
  ASSERT_TRUE(prepare(t));
  const auto c2_half = [&](int32_t j) { return reals(*s, j) + n1(); };
  for (int32_t j :
       {parm().jf0[0], parm().jdf[0], parm().jdf[2], parm().jdf[4], parm().jdf[6], parm().jdf[8]}) {
    std::fill_n(c2_half(j), n1(), -7.0f);
  }
  run(4);
  for (int32_t i = 0; i < n1(); ++i) ASSERT_FLOAT_EQ(c2(i), 0.75f) << i;
  for (int32_t j : {parm().jf0[0], parm().jdf[0], parm().jdf[4], parm().jdf[8]}) {
    EXPECT_EQ(std::count(c2_half(j), c2_half(j) + n1(), -7.0f), n1());
  }
  EXPECT_NE(field(1), f1);
  EXPECT_TRUE(seen("      1      0"));
}

TEST_F(DifTest, FactorsThatDoNotDiffuseAreRefusedAtInput) {
  // The second of two subregions is at fault; the message names it and the value.
  Task t;
  t.regions = {{0, 0, 1, 1, 2, 2}, {1, 0, 2, 1, 2, 2}};
  t.concent2 = 1;
  t.regions[1].d22 = -0.5f;
  EXPECT_FALSE(prepare(t));
  EXPECT_TRUE(seen(" diin:subregion   2 diffc d22=-0.500E+00")) << screen();
  // Positive diagonals but a symmetric part with a negative eigenvalue: 1 - 1.5^2 < 0.
  fresh();
  t.regions[1].d22 = 1;
  t.regions[1].d12 = t.regions[1].d21 = 1.5f;
  EXPECT_FALSE(prepare(t));
  EXPECT_TRUE(seen(" diin:subregion   2 diffc not positive definite, det=-0.125E+01")) << screen();
  // With c2 off its factors are not used: only d11 >= 0 matters.
  fresh();
  t.concent2 = 0;
  t.regions[1].d22 = -0.5f;
  EXPECT_TRUE(prepare(t));
}

TEST_F(DifTest, InvertedElementsAreRefused) {
  // The mesh refuses inverted elements itself, so one is turned over behind its back, as a
  // folding smoothing would leave it: the first element's last two nodes swap.
  s->up.rtmr = [this](std::string_view name) {
    if (name == "diin") std::swap(ints(*s, mesh().jj1)[1], ints(*s, mesh().jj1)[2]);
    return 0;
  };
  EXPECT_FALSE(prepare(square()));
  EXPECT_TRUE(seen(" diin:incorrect element:      1 sss=-0.156E-01")) << screen();
}

TEST_F(DifTest, ValuesThatAreNotFiniteStopTheRun) {
  // Axisymmetric coordinates near 1e16: element measures overflow single precision.
  Task t;
  t.symmetry = 1;
  t.regions = {{1e8, 0, 2e8, 1e8, 2, 2}};
  std::string text = t.text();
  text.replace(text.find("scale=1 1"), 9, "scale=100000000 100000000");
  EXPECT_FALSE(prepare(text));
  EXPECT_TRUE(seen(" diin:conc1 not finite at node       1 t= 0.000E+00")) << screen();

  // A value that overflows in the next step: the run stops before that step, which is not
  // counted, and the fields stay as they were.
  fresh();
  ASSERT_TRUE(prepare(square()));
  reals(*s, parm().jf[0])[40] = 3e38f;
  const auto f1 = field(1);
  keys(1);
  run(3);
  EXPECT_TRUE(seen(" dicon:conc1 not finite at node")) << screen();
  EXPECT_TRUE(seen(" t= 0.200E-01")) << screen();
  EXPECT_EQ(s->cht.is, 1);
  EXPECT_FLOAT_EQ(s->cht.t, 0.01f);
  EXPECT_EQ(field(1), f1);
}

TEST_F(DifTest, UniformFieldMatchingItsBoundaryValuesStaysUniform) {
  Task t;
  t.symmetry = 1;
  Region g{0, 0, 1, 2, 6, 10};
  g.f1 = 0.7f, g.f2 = 0.3f;
  g.d11 = 1.5f, g.d12 = 0.2f, g.d21 = 0.1f, g.d22 = 0.5f;
  t.regions = {g};
  t.concent1 = t.concent2 = 1;
  t.conc1 = {{0, 0, 0, 2, 0.7, 0.7}};
  t.conc2 = {{1, 0, 1, 2, 0.3, 0.3}, {0, 2, 1, 2, 0.3, 0.3}};
  t.cur = 1;
  ASSERT_TRUE(prepare(t));
  run(5);
  EXPECT_LT(max_error(1, [](double, double) { return 0.7; }), 1e-6);
  EXPECT_LT(max_error(2, [](double, double) { return 0.3; }), 1e-6);
}

TEST_F(DifTest, TwoSubregionsStartFromTheVolumeWeightedMean) {
  // Cells 0.1 wide on the left, 0.2 on the right, axisymmetric: a node on r = 2 weighs the
  // elements around it by area times centroid radius. The equations are off so the first step
  // keeps the initial field.
  Task t;
  t.symmetry = 1;
  Region left{1, 0, 2, 1, 10, 10};
  left.f1 = 0.5f, left.f2 = 1;
  Region right{2, 0, 4, 1, 10, 10};
  t.regions = {left, right};
  t.concent1 = t.concent2 = 0;
  ASSERT_TRUE(prepare(t));

  // Each node's mean from the mesh, element by element.
  const Cmesh& c = mesh();
  const int32_t* conn = ints(*s, c.jj1);
  const int32_t* last = ints(*s, c.jn2);
  std::vector<double> weight(n1(), 0.0), sum1(n1(), 0.0), sum2(n1(), 0.0);
  for (int32_t e = 0; e < c.n2; ++e) {
    const int sub = e < last[0] ? 0 : 1;
    int32_t nd[3];
    for (int k = 0; k < 3; ++k) nd[k] = std::abs(conn[3 * e + k]) - 1;
    const double area = std::abs((r(nd[1]) - r(nd[0])) * (z(nd[2]) - z(nd[0])) -
                                 (r(nd[2]) - r(nd[0])) * (z(nd[1]) - z(nd[0]))) /
                        2;
    const double vol = area * (r(nd[0]) + r(nd[1]) + r(nd[2])) / 3;
    for (int32_t i : nd) {
      weight[i] += vol;
      sum1[i] += vol * t.regions[sub].f1;
      sum2[i] += vol * t.regions[sub].f2;
    }
  }
  int shared = 0;
  float off_average = 0;
  for (int32_t i = 0; i < n1(); ++i) {
    ASSERT_NEAR(c1(i), sum1[i] / weight[i], 1e-6) << i;
    ASSERT_NEAR(c2(i), sum2[i] / weight[i], 1e-6) << i;
    if (std::abs(r(i) - 2) < 1e-4) {
      ++shared;
      // Strictly between the two values, and not their plain average.
      EXPECT_GT(c1(i), 0.05f);
      EXPECT_LT(c1(i), 0.45f);
      off_average = std::max(off_average, std::abs(c1(i) - 0.25f));
    } else {
      EXPECT_NEAR(c1(i), r(i) < 2 ? 0.5f : 0.0f, 1e-6) << i;
    }
  }
  EXPECT_EQ(shared, 11);
  EXPECT_GT(off_average, 0.05f);
}

TEST_F(DifTest, AxisymmetricElementsOffTheAxisSideAreRefused) {
  // Touching the axis is fine.
  Task t = square();
  t.symmetry = 1;
  ASSERT_TRUE(prepare(t));

  // Lying at r < 0 (centroid radius below zero) is not.
  fresh();
  t.regions = {{-1, 0, 0, 1, 2, 2}};
  t.conc1 = {};
  EXPECT_FALSE(prepare(t));  // the key goes to the report's pause
  EXPECT_TRUE(host.events.empty());
  EXPECT_TRUE(seen(" diin:incorrect element:"));
  EXPECT_TRUE(seen(" nel= "));
  EXPECT_TRUE(flag_tst(*s));
  EXPECT_EQ(s->cht.is, 0);
  EXPECT_NE(s->cht.itask, kTaskPrepared);
  EXPECT_FALSE(std::filesystem::exists("mesh.tmp"));

  // The same block is a valid plane task.
  fresh();
  t.symmetry = 0;
  EXPECT_TRUE(prepare(t));
}

TEST_F(DifTest, EscDuringASolveStopsTheRunWithoutAdvancing) {
  Task t = square();
  t.concent2 = 1;
  t.conc2 = {{1, 0, 1, 1, 1, 1}};
  ASSERT_TRUE(prepare(t));
  const auto f1 = field(1), f2 = field(2);
  const float time = s->cht.t;

  host.polled.push_back(key::kEsc);
  keys(1);  // for "solution interrupted"
  run(5);
  EXPECT_TRUE(seen("solution interrupted"));
  EXPECT_TRUE(flag_tst(*s));
  EXPECT_TRUE(host.events.empty());
  EXPECT_EQ(s->cht.is, 1);
  EXPECT_EQ(s->cht.isp, 1);
  EXPECT_EQ(s->cht.t, time);
  EXPECT_EQ(field(1), f1);
  EXPECT_EQ(field(2), f2);

  // The task stays prepared: "go" continues.
  flag_off(*s);
  run(2);
  EXPECT_FALSE(flag_tst(*s));
  EXPECT_EQ(s->cht.is, 3);
  EXPECT_NE(field(1), f1);
}

}  // namespace
}  // namespace tivor::dif_test
