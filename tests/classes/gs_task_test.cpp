// The gas-flow class behind the task protocol: methods, the record and its card, the initial
// state, the time-step rules and data refused at input.
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "classes/gs/gs_internal.hpp"
#include "classes/gs_fixture.hpp"
#include "core/function_read.hpp"
#include "shell/declaration.hpp"

namespace tivor::gs_test {
namespace {

Task box() {
  Task t;
  t.g = {0, 0, 1, 0.5, 10, 5};
  return t.closed();
}

TEST_F(GsTest, MethodsCardInitialStateAndPreparation) {
  gsm(*s, 0);
  EXPECT_EQ(field_str(s->cls.mtname[1]) + std::to_string(s->cls.nmethod),
            " implicit velocity scheme2");
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
  EXPECT_NEAR(total(std::vector<float>(n1(), 1.0f)), 0.5, 1e-5);  // the lumped volumes
}

TEST_F(GsTest, CourantRules) {
  // The stable step of a gas at rest with sound speed a = sqrt(1.4) on cells of 0.1: h / a
  // with the sound speed, h / 1e-6 (huge) without it; a Courant number of exactly 1 is the whole
  // step with the sound speed.
  const double h = 0.1, a = std::sqrt(1.4);
  for (const auto& [cur, ht] :
       {std::pair{0.5f, 0.5 * h / a}, std::pair{1.0f, h / a}, std::pair{1.5f, 0.5 * h / 1e-6},
        std::pair{-0.001f, 0.001}, std::pair{0.0f, 0.4 * h / a}}) {
    fresh();
    Task t = box();
    t.cur = cur;
    ASSERT_TRUE(prepare(t));
    EXPECT_NEAR(s->cht.ht, ht, 1e-5 * ht) << cur;
  }
}

TEST_F(GsTest, BadDataIsRefusedAndAdaptionStaysOff) {
  // gamma 1, a negative density, a negative energy.
  for (const char* bad : {"gam", "ro", "ee"}) {
    fresh();
    Task t = box();
    float& v = *bad == 'g' ? t.g.gam : *bad == 'r' ? t.g.ro : t.g.e;
    v = *bad == 'g' ? 1 : -1;
    EXPECT_FALSE(prepare(t, 1));
    EXPECT_TRUE(seen(std::string("gsin:subregion   1 ") + bad + "=")) << bad;
  }
  fresh();
  Task t = box();
  t.adaption = 1;
  ASSERT_TRUE(prepare(t, 1));
  EXPECT_TRUE(seen("adaption is not available"));
  EXPECT_EQ(parm().iadapt, 0);
  // The energy at t = 0 from the pressure of f0 through the gas law.
  fresh();
  t = box();
  t.gstr4 = 1;
  t.g.p = 2;
  ASSERT_TRUE(prepare(t));
  EXPECT_FLOAT_EQ(at(3, 0), 5.0f);
  EXPECT_FLOAT_EQ(at(4, 0), 2.0f);
  // A step whose values overflow stops with the node and the time, and keeps the last state.
  float* f = reals(*s, parm().jf[0]);
  f[3 * n1() + 7] = 1e30f;
  const std::vector<float> before(f, f + 5 * n1());
  keys(1);
  run(1);
  EXPECT_TRUE(seen(" gsl1:") && seen("not finite at node") && s->cht.t == 0.0f);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), f));
  flag_off(*s);
}

TEST_F(GsTest, PublishedFields) {
  // A uniform flow along a channel of slip walls, its velocity held at both ends: the stream
  // function is constant along each wall and differs between them by the mass flux ro u H; the Mach
  // number and the temperature follow from the gas law.
  Task t{.g = {0, 0, 2, 0.5, 16, 5, 1.4f, 0, 0, 1, 0.6f}};
  t.wall = "wall=2\nm=-1 -0.01 3 0.01\nm=-1 0.49 3 0.51\n";
  t.vr = "vr=2\nm=0 0 0 0.5 0.6 0.6\nm=2 0 2 0.5 0.6 0.6\ntvr=2\nm=0 1 1 1\n";
  ASSERT_TRUE(prepare(t));
  run(3);
  const float flux = 0.6f * 0.5f, bottom = at(6, 0);  // node 1 is the bottom left corner
  for (int32_t i = 0; i < n1(); ++i) {
    const float wall = z(i) < 1e-6f ? bottom : z(i) > 0.5f - 1e-6f ? bottom + flux : at(6, i);
    ASSERT_NEAR(at(6, i), wall, 1e-3 * flux) << r(i) << " " << z(i);
    ASSERT_NEAR(at(7, i), 0.6f / std::sqrt(1.4f * 0.4f * 2.5f), 1e-4);
    ASSERT_NEAR(at(8, i), at(4, i) / at(0, i), 1e-5);
  }
  // A shear flow u = z has the vorticity -1 at every node.
  for (int32_t i = 0; i < n1(); ++i) reals(*s, parm().jf[1])[i] = z(i);
  gsm(*s, -1);  // the results hook has nothing of its own
  gs::gsp(*s);
  for (int32_t i = 0; i < n1(); ++i) ASSERT_NEAR(at(5, i), -1.0f, 1e-4f);
}

TEST_F(GsTest, DerivedFieldsWaitForTheEndOfARunUnlessSomethingReadsThem) {
  const auto field = [&](int f) {
    const float* v = reals(*s, parm().jf[f]);
    return std::vector<float>(v, v + n1());
  };
  // Inside a run (isp beyond is) a shear flow u = z leaves the vorticity (-1 everywhere) and the
  // Mach number to the end of the run, unless a history graph samples the vorticity or a
  // picture reads the Mach number.
  for (const bool sampled : {false, true}) {
    Task t = box();
    if (sampled) t.history = "nthist=10\nnhist=1\nf=6\nx=0.5\ny=0.25\n";
    ASSERT_TRUE(prepare(t));
    float* u = reals(*s, parm().jf[1]);
    for (int32_t i = 0; i < n1(); ++i) u[i] = sampled ? 2 * z(i) : z(i);
    const std::vector<float> vort = field(5), mach = field(7);
    // The first of ten steps, as a run makes it.
    s->cht.isp = s->cht.is + 10;
    s->cht.is += 1;
    gs::gsp(*s);
    EXPECT_EQ(field(5) == vort, !sampled);
    EXPECT_EQ(field(7), mach);
    // A picture of the Mach number makes that field alone.
    function_read(*s, 8);
    EXPECT_NE(field(7), mach);
    EXPECT_EQ(field(5) == vort, !sampled);
    gs::publish_stale(*s);
    for (int32_t i = 0; i < n1(); ++i) {
      ASSERT_NEAR(at(5, i), sampled ? -2.0f : -1.0f, 1e-4f);
      ASSERT_NEAR(at(7, i), (sampled ? 2 : 1) * z(i) / std::sqrt(1.4f * 0.4f * 2.5f), 1e-4f);
    }
  }
  // A run publishes at its end what publishing at every step gives.
  s->cht.isp = s->cht.is;
  run(3);
  const std::vector<float> after_run = field(5);
  gs::gsp(*s);
  EXPECT_EQ(field(5), after_run);
}

}  // namespace
}  // namespace tivor::gs_test
