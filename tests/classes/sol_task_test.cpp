// The solids class behind the task protocol: methods, the record and its card, the data and its
// corrections, the state after set-up, the step control, and data refused at input.
#include <cmath>
#include <string>

#include "classes/sol_fixture.hpp"
#include "shell/declaration.hpp"

namespace tivor::sol_test {
namespace {

// A plate 1 x 0.5 of 10 x 5 square cells.
Task plate() {
  Task t;
  t.zones = {{0, 0, 1, 0.5, 10, 5}};
  return t;
}

TEST_F(SolTest, MethodsRecordCardAndPublishedResults) {
  som(*s, -1);
  EXPECT_EQ(s->cls.nmethod, 3);
  EXPECT_EQ(field_str(s->cls.mtname[2]), " implicit scheme 2");
  Task t = plate();
  t.zones[0].en = 7, t.zones[0].gam = 1;
  ASSERT_TRUE(prepare(t));
  // The card names every word of the record, the last one where the record has it.
  const Declaration d = parse_declaration(s->cmemo.lines, s->cmemo.nlines, "cparm");
  ASSERT_FALSE(d.malformed);
  EXPECT_EQ(s->cmemo.nlines, 13);
  EXPECT_EQ(d.names.back().name, "eps2");
  EXPECT_EQ(d.names.back().offset * 4, static_cast<int>(offsetof(SolParm, eps2)));
  EXPECT_EQ(d.names[d.names.size() - 8].offset * 4, static_cast<int>(offsetof(SolParm, jrb)));
  EXPECT_EQ(s->cht.nipp, 20);
  EXPECT_EQ(field_str(s->cls.ppname[15]), "dest.cells");
  EXPECT_EQ(field_str(s->cls.funname[1]) + field_str(s->cls.funname[2]), "Velocity VxVelocity Vy");
  // After set-up: no stress, each node the zone's density and energy, no destroyed cell.
  const float ro = at(parm().jrom, 0);
  EXPECT_FLOAT_EQ(ro, 1000.0f);
  for (int32_t i = 0; i < n1(); ++i) {
    for (int f : {4, 5, 6, 7, 8}) ASSERT_EQ(at(s->cht.ipp[f], i), 0.0f);
    ASSERT_EQ(at(s->cht.ipp[10], i), ro);
    ASSERT_EQ(at(s->cht.ipp[11], i), 7.0f);
    ASSERT_EQ(at(s->cht.ipp[15], i), 1.0f);
  }
  // The lumped masses add up to the plate's mass.
  double mass = 0;
  for (int32_t i = 0; i < n1(); ++i) mass += 1 / at(mesh().jmm, i);
  EXPECT_NEAR(mass, 0.5 * ro, 1e-3 * ro);
  // A destroyed element (its flag 0, or below) marks its nodes unless a later element shares them.
  reals(*s, mesh().jdest_cell)[0] = -1;
  run(1);
  const int32_t* conn = ints(*s, mesh().jj1);
  EXPECT_EQ(at(s->cht.ipp[15], conn[0] - 1), 0.0f);
  EXPECT_EQ(at(s->cht.ipp[15], conn[4] - 1), 1.0f);
  // The implicit scheme continues the same task.
  run(2, 2);
  EXPECT_EQ(s->cht.is, 3);
}

TEST_F(SolTest, MaterialConstantsAreCorrectedSilently) {
  // Negative C is minus the density; C = 0 becomes 1e-6; nu = 0.5 and -0.1 become 0.
  Task t;
  t.zones = {{0, 0, 1, 1, 2, 2}, {1, 0, 2, 1, 2, 2}, {2, 0, 3, 1, 2, 2}};
  t.zones[0].nu = 0.5f;
  t.zones[1].nu = -0.1f, t.zones[1].c = 0;
  t.zones[2].c = 100;
  ASSERT_TRUE(prepare(t));
  const float e = 1e6f, lambda = e * 0.25f / (1.25f * 0.5f), g2 = e / 1.25f;
  EXPECT_FLOAT_EQ(at(parm().ja5m, 0), e);  // nu = 0: 2G = E, 3 lambda + 2G = E
  EXPECT_FLOAT_EQ(at(parm().ja6m, 1), e);
  EXPECT_FLOAT_EQ(at(parm().jc0m, 0), std::sqrt(e / 1000));
  EXPECT_FLOAT_EQ(at(parm().jc0m, 1), 1e-6f);
  EXPECT_NEAR(at(parm().jrom, 1), e / 1e-12, 1e-5 * e / 1e-12);
  EXPECT_FLOAT_EQ(at(parm().jrom, 2), (g2 + lambda) / 1e4f);
  EXPECT_FLOAT_EQ(at(parm().ja6m, 2), 3 * lambda + g2);
}

TEST_F(SolTest, VelocityConditionsAxisAndTables) {
  // Axisymmetric: every boundary node on the axis has its radial velocity prescribed. The
  // one-point table of vz gives its first number, an empty one zero.
  Task t;
  t.symmetry = 1;
  t.zones = {{0, 0, 1, 1, 4, 4}};
  t.zones[0].vr = 2, t.zones[0].vz = 5;
  t.vy = "vy=1\nm=0 1 1 1 -1 -1\n";
  t.ntvz = "ntvz=1\nm=3 7\n";
  ASSERT_TRUE(prepare(t));
  EXPECT_EQ(field_str(s->cls.funname[1]), "Velocity Vr");
  const int32_t* b = ints(*s, mesh().jj2);
  for (int32_t k = 0; k < mesh().n3; ++k) {
    const int32_t node = b[2 * k + 1] - 1;
    EXPECT_EQ(ints(*s, parm().jy[1])[k] == 0, r(node) < 1e-7f) << k;
    EXPECT_EQ(at(parm().jf[2], node), r(node) < 1e-7f ? 0.0f : 2.0f);
    EXPECT_EQ(at(parm().jf[3], node), z(node) > 0.999f ? -3.0f : 5.0f);
  }
  fresh();
  t.ntvz = "ntvz=0\n";
  ASSERT_TRUE(prepare(t));
  for (int32_t i = 0; i < n1(); ++i) EXPECT_EQ(at(parm().jf[3], i), z(i) > 0.999f ? 0.0f : 5.0f);
}

TEST_F(SolTest, StepControl) {
  // Square cells of h = 0.1: the stable step is (2 / sqrt 3) / (c sqrt 8 / h) = h / (c sqrt 6).
  // A negative CUR is a fixed step, limited by the largest strain increment; CUR = 0 chooses no
  // step.
  Task t = plate();
  ASSERT_TRUE(prepare(t));
  const float c = at(parm().jc0m, 0);
  const double stable = 0.1 / (c * std::sqrt(6.0));
  EXPECT_NEAR(s->cht.ht, 0.5 * stable, 1e-5 * stable);
  run(2);
  EXPECT_NEAR(s->cht.t, stable, 1e-4 * stable);
  fresh();
  t.cur = -1e-3f;
  ASSERT_TRUE(prepare(t));
  EXPECT_FLOAT_EQ(s->cht.ht, 1e-3f);
  // A fixed step above half the stable one raises each cell's mass to what makes it half the
  // stable step, rho (2 c dt sqrt 6 / h)^2 h^2, and leaves the density field alone.
  const double scaled = 1000 * std::pow(2 * c * 1e-3 * std::sqrt(6.0) / 0.1, 2) * 0.01;
  const int32_t inner = node_at(0.5f, 0.2f);
  EXPECT_NEAR(1 / at(mesh().jmm, inner), scaled, 1e-5 * scaled);
  for (int32_t i = 0; i < n1(); ++i) ASSERT_EQ(at(parm().jf[10], i), 1000.0f);
  // Axisymmetric and moving outwards: the hoop strain rate vr / r limits the step.
  fresh();
  t.symmetry = 1;
  t.zones = {{1, 0, 2, 1, 4, 4}};
  t.zones[0].vr = 1;
  t.demax = 1e-6f;
  ASSERT_TRUE(prepare(t));
  float rate = 0;
  for (int32_t e = 0; e < mesh().n2; ++e) rate = std::max(rate, at(mesh().jrmin1, e));
  EXPECT_NEAR(s->cht.ht, 1e-6 / rate, 1e-4 * 1e-6 / rate);
  fresh();
  t.cur = 0;
  EXPECT_FALSE(prepare(t, 1));
  EXPECT_TRUE(seen("soht2:cur=0, no time step"));
}

TEST_F(SolTest, AnErrorInAnyKeywordStopsThePreparation) {
  // Each of the class's keywords in turn spelled wrongly: the reader's report, no task.
  Task small;
  small.zones = {{0, 0, 1, 0.5, 2, 1}};
  const std::string good = small.text();
  const size_t from = good.find("symmetry=");
  int tried = 0;
  for (size_t at = good.find('=', from); at != std::string::npos; at = good.find('=', at + 1)) {
    const size_t start = good.find_last_of("\n ", at) + 1;
    const std::string key = good.substr(start, at - start);
    if (key == "nthist") break;
    flag_off(*s);
    screens.clear();
    std::string bad = good;
    bad.insert(start, "x");
    host.spare_enters = 20;
    EXPECT_FALSE(prepare(bad)) << key;
    EXPECT_TRUE(seen("x" + key)) << key << screen();
    ++tried;
  }
  EXPECT_EQ(tried, 37);
}

}  // namespace
}  // namespace tivor::sol_test
