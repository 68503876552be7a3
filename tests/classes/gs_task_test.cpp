// The gas-flow class behind the task protocol: methods, the record and its card, the initial
// state, the time-step rules and data refused at input.
#include <cmath>
#include <string>

#include "classes/gs_fixture.hpp"
#include "shell/declaration.hpp"

namespace tivor::gs_test {
namespace {

Task box() {
  Task t;
  t.regions = {{0, 0, 1, 0.5, 10, 5}};
  return t.closed();
}

TEST_F(GsTest, MethodsCardInitialStateAndPreparation) {
  gsm(*s, 0);
  EXPECT_EQ(s->cls.nmethod, 2);
  EXPECT_EQ(field_str(s->cls.mtname[1]), " implicit velocity scheme");
  keys(1);
  gsm(*s, 3);
  EXPECT_TRUE(seen(" method not exist"));
  flag_off(*s);
  ASSERT_TRUE(prepare(box()));
  // The card names every word of the record where the record has it.
  const Declaration d = parse_declaration(s->cmemo.lines, s->cmemo.nlines, "cparm");
  ASSERT_FALSE(d.malformed);
  EXPECT_EQ(d.names.back().name, "iadapt");
  EXPECT_EQ(d.names.back().offset * 4, static_cast<int>(offsetof(GsParm, iadapt)));
  EXPECT_EQ(d.names[11].offset * 4, static_cast<int>(offsetof(GsParm, jrb)));
  // f0 = 1 0 0 2.5 with gamma 1.4 starts every node at p = 1; the preparation leaves is = 1.
  EXPECT_EQ(s->cht.is, 1);
  EXPECT_EQ(s->cht.t, 0.0f);
  for (int32_t i = 0; i < n1(); ++i) ASSERT_FLOAT_EQ(at(4, i), 1.0f);
  EXPECT_EQ(field_str(s->cls.ppname[8]), "temperature");
  EXPECT_EQ(s->cht.nipp, 9);
  // The lumped volumes add up to the box.
  EXPECT_NEAR(total(std::vector<float>(n1(), 1.0f)), 0.5, 1e-5);
}

TEST_F(GsTest, CourantRules) {
  // The stable step of a gas at rest with sound speed a = sqrt(1.4) on cells of 0.1: h / a
  // with the sound speed, h / 1e-6 (huge) without it.
  const double h = 0.1, a = std::sqrt(1.4);
  struct Rule {
    float cur;
    double ht;
  };
  for (const Rule& rule : {Rule{0.5f, 0.5 * h / a}, Rule{1.5f, 0.5 * h / 1e-6},
                           Rule{-0.001f, 0.001}, Rule{0.0f, 0.4 * h / a}}) {
    fresh();
    Task t = box();
    t.cur = rule.cur;
    ASSERT_TRUE(prepare(t));
    EXPECT_NEAR(s->cht.ht, rule.ht, 1e-5 * rule.ht) << rule.cur;
  }
}

TEST_F(GsTest, BadDataIsRefusedAndAdaptionStaysOff) {
  const auto refused = [&](Task t, const char* text) {
    fresh();
    EXPECT_FALSE(prepare(t, 1));
    EXPECT_TRUE(seen(text)) << text;
  };
  Task t = box();
  t.regions[0].gam = 1.0f;
  refused(t, "gsin:subregion   1 gam=");
  t = box();
  t.regions[0].ro = -1;
  refused(t, "ro=");
  t = box();
  t.regions[0].e = -2;
  refused(t, "ee=");
  fresh();
  t = box();
  t.adaption = 1;
  ASSERT_TRUE(prepare(t, 1));
  EXPECT_TRUE(seen("adaption is not available"));
  EXPECT_EQ(parm().iadapt, 0);
  // The energy at t = 0 from the pressure of f0 through the gas law.
  fresh();
  t = box();
  t.gstr4 = 1;
  t.regions[0].p = 2;
  ASSERT_TRUE(prepare(t));
  EXPECT_FLOAT_EQ(at(3, 0), 5.0f);
  EXPECT_FLOAT_EQ(at(4, 0), 2.0f);
}

}  // namespace
}  // namespace tivor::gs_test
