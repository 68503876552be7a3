// The diffusion class behind the task protocol: methods, published results, the time step
// choices, switched-off equations, the initial field of several subregions, data refused at
// input, values that are not finite, and Esc during a solve.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "classes/dif_fixture.hpp"
#include "classes/sample_files.hpp"

namespace tivor::dif_test {
namespace {

// A unit square of 8 x 8 cells, c1 held at 1 on r = 0 and starting at 0.
Task square() {
  Task t;
  t.regions = {{0, 0, 1, 1, 8, 8}};
  t.conc1 = {{0, 0, 0, 1, 1, 1}};
  return t;
}

TEST_F(DifTest, PreparationMakesTheFirstStepPublishesBothFieldsAndRunsOnlyItsMethod) {
  s->cls.nmethod = 7;
  dim1(*s, -1);  // no result functions of its own: nothing happens, nothing waits
  EXPECT_EQ(s->cls.nmethod, 1);
  EXPECT_EQ(host.waits, 0);
  ASSERT_TRUE(prepare(square()));
  EXPECT_TRUE(host.events.empty());  // exactly one pause: the last moment check
  EXPECT_EQ(s->cht.is, 1);
  EXPECT_FLOAT_EQ(s->cht.t, 0.01f);
  EXPECT_EQ(parm().jf[1], parm().jf[0] + n1());
  EXPECT_EQ(std::vector<int32_t>(s->cht.ipp, s->cht.ipp + s->cht.nipp),
            (std::vector<int32_t>{parm().jf[0], parm().jf[1]}));
  EXPECT_EQ(std::vector<int32_t>(s->cls.jfun, s->cls.jfun + s->cls.nfun),
            (std::vector<int32_t>{parm().jy[0], parm().jy[1]}));
  // Flag 0 on the 9 boundary elements whose second node lies on r = 0 (c1), none for c2.
  const int32_t* y1 = ints(*s, parm().jy[0]);
  const int32_t* y2 = ints(*s, parm().jy[1]);
  EXPECT_EQ(std::count(y1, y1 + mesh().n3, 0), 9);
  EXPECT_EQ(std::count(y2, y2 + mesh().n3, 0), 0);
  run(5);  // no pause after the first step
  EXPECT_EQ(s->cht.is, 6);
  EXPECT_NEAR(s->cht.t, 0.06, 1e-6);
  EXPECT_FALSE(flag_tst(*s));
  keys(1);
  s->cht.isp = s->cht.is + 3;
  dim1(*s, 2);
  EXPECT_TRUE(seen(" method not exist"));
  EXPECT_TRUE(flag_tst(*s));
  EXPECT_EQ(s->cht.is, 6);
}

TEST_F(DifTest, CourantNumberChoosesTheStep) {
  // Cells 0.1 x 0.2: every right triangle has sizes hr = 0.1, hz = 0.2, so h_e = 0.1; the largest
  // factor is |D21| = 3, and the stable explicit step is 0.1^2 / (6 * 3). A Courant number of 0
  // means the default 0.3; a negative one is a fixed step.
  Task t;
  Region g{0, 0, 1, 1, 10, 5};
  g.d11 = 2, g.d12 = 0.5f, g.d21 = -3, g.d22 = 1;
  t.regions = {g};
  t.conc1 = {{0, 0, 0, 1, 1, 1}};
  const double stable = 0.01 / 18;
  for (const auto& [cur, step] :
       {std::pair{0.0f, 0.3 * stable}, {2.0f, 2 * stable}, {-0.01f, 0.01}}) {
    fresh();
    t.cur = cur;
    ASSERT_TRUE(prepare(t));
    run(2);
    EXPECT_NEAR(s->cht.ht, step, 1e-5 * step) << cur;
    EXPECT_NEAR(s->cht.t, 3 * step, 3e-5 * step) << cur;
    EXPECT_NEAR(s->cht.hist.htdyn, stable, 1e-5 * stable) << cur;
  }
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
  const auto f1 = field(1), f2 = field(2);
  EXPECT_EQ(f1, std::vector<float>(n1(), 0.25f));
  run(4);
  EXPECT_EQ(s->cht.is, 5);
  EXPECT_NEAR(s->cht.t, 0.05, 1e-6);
  EXPECT_EQ(field(1), f1);
  EXPECT_EQ(field(2), f2);
  EXPECT_TRUE(seen("      0      0"));

  // c1 on, c2 off: c2 keeps all its values although c1 drives it (d21), it has a sink and
  // prescribed values.
  fresh();
  t.concent1 = 1;
  t.conc2 = {{1, 0, 1, 1, 9, 9}};
  ASSERT_TRUE(prepare(t));
  run(4);
  EXPECT_EQ(field(2), std::vector<float>(n1(), 0.75f));
  EXPECT_NE(field(1), f1);
  EXPECT_TRUE(seen("      1      0"));
}

TEST_F(DifTest, DataThatCannotDiffuseIsRefusedAtInput) {
  // Two subregions, the second at fault: a negative diagonal factor, then positive diagonals
  // whose symmetric part has a negative eigenvalue (1 - 1.5^2 < 0); with c2 off its factors are
  // unused and only d11 >= 0 matters. Axisymmetric elements may touch the axis, not lie at r < 0;
  // coordinates near 1e16 overflow their measures in single precision. The mesh refuses inverted
  // elements itself, so one is turned over behind its back, as a folding smoothing would leave
  // it: the first element's last two nodes swap.
  Task two;
  two.regions = {{0, 0, 1, 1, 2, 2}, {1, 0, 2, 1, 2, 2}};
  two.concent2 = 1;
  two.regions[1].d22 = -0.5f;
  Task indefinite = two, unused = two, touching = square(), huge, behind, plane;
  indefinite.regions[1].d22 = 1;
  indefinite.regions[1].d12 = indefinite.regions[1].d21 = 1.5f;
  unused.concent2 = 0;
  touching.symmetry = huge.symmetry = behind.symmetry = 1;
  huge.regions = {{1e8, 0, 2e8, 1e8, 2, 2}};
  std::string huge_text = huge.text();
  huge_text.replace(huge_text.find("scale=1 1"), 9, "scale=100000000 100000000");
  behind.regions = plane.regions = {{-1, 0, 0, 1, 2, 2}};
  const struct {
    std::string text;
    const char* message;
    bool invert = false;
  } cases[] = {
      {two.text(), " diin:subregion   2 diffc d22=-0.500E+00"},
      {indefinite.text(), " diin:subregion   2 diffc not positive definite, det=-0.125E+01"},
      {unused.text(), ""},
      {touching.text(), ""},
      {plane.text(), ""},
      {huge_text, " diin:conc1 not finite at node       1 t= 0.000E+00"},
      {square().text(), " diin:incorrect element:      1 sss=-0.156E-01", true},
      {behind.text(), " diin:incorrect element:"}};
  for (const auto& c : cases) {
    fresh();
    if (c.invert) {
      s->up.rtmr = [this](std::string_view name) {
        if (name == "diin") std::swap(ints(*s, mesh().jj1)[1], ints(*s, mesh().jj1)[2]);
        return 0;
      };
    }
    EXPECT_EQ(prepare(c.text), *c.message == '\0') << c.message;
    EXPECT_TRUE(seen(c.message)) << screen();
  }
  // The key went to the report's pause, and nothing of the task is left.
  EXPECT_TRUE(host.events.empty());
  EXPECT_EQ(s->cht.is, 0);
  EXPECT_NE(s->cht.itask, kTaskPrepared);
  EXPECT_FALSE(std::filesystem::exists("mesh.tmp"));
}

TEST_F(DifTest, ValuesThatAreNotFiniteStopTheRun) {
  // A value that overflows in the next step: the run stops before that step, which is not
  // counted, and the fields stay as they were.
  ASSERT_TRUE(prepare(square()));
  reals(*s, parm().jf[0])[40] = 3e38f;
  const auto f1 = field(1);
  keys(1);
  run(3);
  EXPECT_TRUE(seen(" dicon:conc1 not finite at node")) << screen();
  EXPECT_TRUE(seen(" t= 0.200E-01")) << screen();
  EXPECT_EQ(s->cht.is, 1);
  EXPECT_EQ(field(1), f1);
}

TEST_F(DifTest, TwoSubregionsStartFromTheVolumeWeightedMean) {
  // Cells 0.1 wide on the left, 0.2 on the right, axisymmetric: a node on r = 2 weighs the
  // elements around it by area times centroid radius. The equations are off so the first step
  // keeps the initial field.
  Task t;
  t.symmetry = 1;
  Region left{1, 0, 2, 1, 10, 10};
  left.f1 = 0.5f, left.f2 = 1;
  t.regions = {left, {2, 0, 4, 1, 10, 10}};
  t.concent1 = t.concent2 = 0;
  ASSERT_TRUE(prepare(t));
  const int32_t* conn = ints(*s, mesh().jj1);
  std::vector<double> weight(n1(), 0.0), sum1(n1(), 0.0), sum2(n1(), 0.0);
  for (int32_t e = 0; e < mesh().n2; ++e) {
    const Region& g = t.regions[e < ints(*s, mesh().jn2)[0] ? 0 : 1];
    int32_t nd[3];
    for (int k = 0; k < 3; ++k) nd[k] = std::abs(conn[3 * e + k]) - 1;
    const double vol = std::abs((r(nd[1]) - r(nd[0])) * (z(nd[2]) - z(nd[0])) -
                                (r(nd[2]) - r(nd[0])) * (z(nd[1]) - z(nd[0]))) *
                       (r(nd[0]) + r(nd[1]) + r(nd[2])) / 6;
    for (int32_t i : nd) weight[i] += vol, sum1[i] += vol * g.f1, sum2[i] += vol * g.f2;
  }
  for (int32_t i = 0; i < n1(); ++i) {
    ASSERT_NEAR(c1(i), sum1[i] / weight[i], 1e-6) << i;
    ASSERT_NEAR(c2(i), sum2[i] / weight[i], 1e-6) << i;
  }
}

TEST_F(DifTest, EscDuringASolveStopsTheRunWithoutChangingTheFields) {
  Task t = square();
  t.concent2 = 1;
  t.conc2 = {{1, 0, 1, 1, 1, 1}};
  ASSERT_TRUE(prepare(t));
  const auto f1 = field(1), f2 = field(2);
  host.polled.push_back(key::kEsc);
  keys(1);  // for "solution interrupted"
  run(5);
  EXPECT_TRUE(flag_tst(*s));
  EXPECT_EQ(s->cht.is, 1);
  EXPECT_FLOAT_EQ(s->cht.t, 0.01f);
  EXPECT_EQ(field(1), f1);
  EXPECT_EQ(field(2), f2);
}

TEST_F(DifTest, EverySamplePreparesAndRunsWithinItsHeldValues) {
  // Every sample prepares and runs. Those with c1 alone hold it at 0 and 1 on parts of their
  // boundary, with no sink: their field stays between them (the maximum principle).
  test::copy_mesh_files("dif");
  for (const auto& entry : std::filesystem::directory_iterator(
           std::filesystem::path(TIVOR_SOURCE_DIR) / "examples/dif")) {
    fresh();
    if (entry.path().extension() != ".dif") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    // Generator 5 shows its grid once, which takes a key.
    ASSERT_TRUE(prepare(text, text.find("tipm=5") != std::string::npos)) << entry.path();
    run(3);
    EXPECT_GT(s->cht.t, 0) << entry.path();
    const std::vector<float> f = field(1);
    const auto [lo, hi] = std::minmax_element(f.begin(), f.end());
    if (text.find("concent2=0") == std::string::npos) continue;
    EXPECT_TRUE(*lo > -1e-4f && *hi < 1 + 1e-4f) << entry.path() << " " << *lo << " " << *hi;
  }
}

}  // namespace
}  // namespace tivor::dif_test
