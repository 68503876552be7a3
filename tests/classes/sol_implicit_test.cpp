// The implicit scheme of the solids class: its start and its prescribed components, the
// thick-walled tube solved statically and dynamically, a block resting on another through
// penalty contact, and agreement with the explicit scheme on a slow loading and on gas pressure.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "classes/sol/sol_internal.hpp"
#include "console/console.hpp"
#include "sol_fixture.hpp"

namespace tivor::sol_test {
namespace {

// The data of t with the dynamics switch d and, for several zones, glued or not. Zones left at
// gamma 0 get 1: at 0 the pressure term (gamma - 1) ee ro turns the energy into tension.
std::string implicit(const Task& t, int d, bool glued = true) {
  std::string text = t.text();
  for (size_t at; (at = text.find("GAM=0.000000")) != std::string::npos;)
    text.replace(at, 12, "GAM=1");
  text.replace(text.find("dynamics=1"), 10, "dynamics=" + std::to_string(d));
  if (!glued) text.replace(text.find("skl=1\nm=-100 -100 100 100"), 25, "skl=0");
  return text;
}

// A boundary-condition line over (r0, z0)-(r1, z1) with the value v at both ends.
std::string line(double r0, double z0, double r1, double z1, double v) {
  return "m=" + num(r0) + " " + num(z0) + " " + num(r1) + " " + num(z1) + " " + num(v) + " " +
         num(v) + "\n";
}
// One normal load of value v over a line, by the time table tab.
std::string load(double r0, double z0, double r1, double z1, double v, const std::string& tab) {
  return "npn=1\npn=1\n" + line(r0, z0, r1, z1, v) + tab + "npt=0\nfr=0\nfz=0\nnqn=0\n";
}

// The thick tube a <= r <= 2a, a = 0.1 m (axisymmetric, held along z), under an inner pressure
// of 100 MPa, n cells across a slice one cell high; in m and GPa (unit 1) or mm and MPa (1000).
Task tube(int n, double unit = 1) {
  const double a = 0.1 * unit, b = 2 * a, h = a / n;
  Task t;
  t.symmetry = 1;
  t.zones = {{a, 0, b, h, n, 1}};
  t.zones[0].e = float(200 * unit), t.zones[0].nu = 0.3f, t.zones[0].c = -7.8f;
  t.vy = "vy=2\n" + line(a, 0, b, 0, 0) + line(a, h, b, h, 0);
  t.loads = load(a, 0, a, h, -0.1 * unit, "tpn=1\nm=1 1\n");
  t.cur = -1;
  return t;
}

class SolImplicit : public SolTest {
 protected:
  float* f(int k) const { return reals(*s, parm().jf[k]); }
  float str(int k, int32_t i) const { return reals(*s, parm().jstr[k])[i]; }
  void go(int n, int method = 2) {
    run(n, method);
    ASSERT_FALSE(flag_tst(*s)) << screen();
  }
  // The node stresses inside the wall against the tube's sigma_r = k(1 - b^2/r^2) and
  // sigma_theta = k(1 + b^2/r^2), k = p a^2/(b^2 - a^2): the largest difference over p.
  double stress_error(double unit = 1) const {
    const double a = 0.1 * unit, b = 2 * a, p = 0.1 * unit, k = p / 3;
    double worst = 0;
    for (int32_t i = 0; i < n1(); ++i) {
      const double x = r(i), sr = str(0, i), st = 3 * str(3, i) - sr - str(1, i);
      if (x > a * 1.0001 && x < b * 0.9999) {
        worst = std::max({worst, std::abs(sr - k * (1 - b * b / (x * x))),
                          std::abs(st - k * (1 + b * b / (x * x)))});
      }
    }
    return worst / p;
  }
  // Runs the task by the explicit and by the implicit scheme to time t; the largest difference
  // of the array that pick takes from the parameter record, over its largest value.
  double schemes_differ(const Task& task, float implicit_step, float t,
                        int32_t (*pick)(const SolParm&)) {
    std::vector<float> v[2];
    for (int method : {1, 2}) {
      fresh();
      Task q = task;
      q.cur = method == 1 ? 0.5f : -implicit_step;
      EXPECT_TRUE(prepare(implicit(q, 1))) << screen();
      while (s->cht.t < t && !HasFatalFailure()) go(1, method);
      v[method - 1] = values(pick(parm()));
    }
    double most = 0, diff = 0;
    for (size_t i = 0; i < v[0].size(); ++i) {
      most = std::max(most, double{std::abs(v[0][i])});
      diff = std::max(diff, double{std::abs(v[0][i] - v[1][i])});
    }
    return most > 0 ? diff / most : 1;
  }
};

TEST_F(SolImplicit, StartValuesAndPrescribedComponents) {
  // A block moving at (2, -1), free and unloaded: x = v dt is the solution (a zero residual), so
  // the step makes no iteration and goes straight to the new time level.
  Task t;
  t.zones = {{0, 0, 1, 1, 3, 3}};
  t.zones[0].vr = 2, t.zones[0].vz = -1;
  t.cur = -0.01f;
  ASSERT_TRUE(prepare(implicit(t, 1)));
  int it = -1;
  ASSERT_EQ(sol::so6(*s, &it), 0) << screen();
  EXPECT_EQ(it, 0);
  EXPECT_FLOAT_EQ(*std::min_element(f(sol::kUr), f(sol::kUr) + n1()), 0.02f);
  EXPECT_FLOAT_EQ(*std::max_element(f(sol::kUz), f(sol::kUz) + n1()), -0.01f);
  // Static: a loaded block pressed at v on half its top keeps x = v dt there; with v dt and the
  // load the same, the answer does not depend on the step (no inertia).
  std::vector<float> first;
  for (float dt : {1.0f, 0.01f}) {
    fresh();
    t.zones = {{0, 0, 1, 1, 4, 4}};
    t.cur = -dt;
    t.vx = "vx=1\n" + line(0, 0, 0, 1, 0);
    t.vy = "vy=2\n" + line(0, 0, 1, 0, 0) + line(0, 1, 0.5, 1, -0.003 / dt);
    t.ntvz = "ntvz=1\nm=1 1\n";
    t.loads = load(1, 0, 1, 1, -1000, "tpn=1\nm=1 1\n");
    ASSERT_TRUE(prepare(implicit(t, 2)));
    go(1);
    for (int32_t i = 0; i < n1(); ++i) {
      EXPECT_TRUE(z(i) < 1 || r(i) > 0.5f || f(sol::kUz)[i] == -0.003f) << i;
    }
    if (first.empty()) first = values(parm().jf[sol::kUr]);
    for (int32_t i = 0; i < n1(); ++i) EXPECT_NEAR(f(sol::kUr)[i], first[i], 1e-5 * std::abs(first.back()));
  }
  EXPECT_GT(std::abs(first.back()), 0);
}

TEST_F(SolImplicit, StaticTubeConvergesAtTheRateOfTheMesh) {
  // One static step takes the tube to its equilibrium. A node stress is the mean of the constant
  // stresses of the cells beside it, so it misses the closed form by about h^2/8 times its
  // curvature, largest at the first inner node: sigma_theta'' = 6kb^2/r^4 at r = a + h. Halving
  // h must divide the error by nearly 4.
  std::vector<double> err;
  for (int n : {5, 10, 20}) {
    fresh();
    ASSERT_TRUE(prepare(implicit(tube(n), 2))) << screen();
    go(1);
    const double h = 0.1 / n, curv = 6 * (0.1 / 3) * 0.04 / std::pow(0.1 + h, 4);
    err.push_back(stress_error());
    EXPECT_LT(err.back(), h * h / 8 * curv / 0.1) << n;
  }
  EXPECT_GT(err[0] / err[1], 2.8);
  EXPECT_GT(err[1] / err[2], 2.8);
  // Static steps after the first stay there (their start x = v dt is the whole first step).
  go(3);
  EXPECT_NEAR(stress_error(), err[2], 1e-3 * err[2]);
  // The same tube in millimetres and MPa: the same relative answer.
  fresh();
  ASSERT_TRUE(prepare(implicit(tube(10, 1000), 2))) << screen();
  go(1);
  EXPECT_NEAR(stress_error(1000), err[1], 1e-3 * err[1]);
}

TEST_F(SolImplicit, DynamicTubeSettlesToTheStaticAnswer) {
  // Steps of 1 ms are backward Euler far beyond the breathing period of the wall (w dt near
  // 40): the distance e_n to the equilibrium follows (1 + (w dt)^2) e_(n+1) = 2 e_n - e_(n-1), so
  // the first two steps stop short by about 1/(w dt)^2 and each later one divides the distance
  // by about (w dt)^2 / 2.
  ASSERT_TRUE(prepare(implicit(tube(10), 2)));
  go(1);
  const std::vector<float> fixed = values(parm().jf[sol::kUr]);
  fresh();
  ASSERT_TRUE(prepare(implicit(tube(10), 1)));
  std::vector<double> dist;
  for (int step = 0; step < 4; ++step) {
    go(1);
    double d = 0;
    for (int32_t i = 0; i < n1(); ++i) d = std::max(d, double{std::abs(f(sol::kUr)[i] - fixed[i])});
    dist.push_back(d / fixed[0]);
  }
  EXPECT_LT(dist[1], 2e-3);
  EXPECT_LT(dist[3], 1e-5);
}

TEST_F(SolImplicit, BlockOnBlockCarriesTheLoadThroughThePenalty) {
  // Two unglued blocks of 4 x 2 cells, one on the other, the lower held at its foot, both on the
  // symmetry line x = 0; q on the upper one's top goes through the contact springs into the
  // lower one: uniaxial compression, sigma_y = -q everywhere. The upper block sinks into the
  // lower by the force on a node over the springs that hold it: less than q h / penalty.
  const double q = 1e3, h = 0.25;
  std::vector<double> depth;
  for (float penalty : {1e7f, 2e7f}) {
    fresh();
    Task t;
    t.zones = {{0, 0, 1, 0.5, 4, 2}, {0, 0.5, 1, 1, 4, 2}};
    t.cur = -1;
    t.vx = "vx=1\n" + line(0, 0, 0, 1, 0);
    t.vy = "vy=1\n" + line(0, 0, 1, 0, 0);
    t.loads = load(0, 1, 1, 1, -q, "tpn=1\nm=1 1\n");
    t.contact = "contact=1\nm=-1 0.49 2 0.51\n";
    std::string text = implicit(t, 2, false);
    text.replace(text.find("penalty=0"), 9, "penalty=" + num(penalty));
    ASSERT_TRUE(prepare(text)) << screen();
    go(2);
    ASSERT_GT(parm().nce, 0);
    double lowest = 1e9, highest = -1e9;
    for (int32_t i = 0; i < n1(); ++i) {
      EXPECT_NEAR(str(1, i), -q, 0.01 * q) << r(i) << " " << z(i);
      const double y = z(i) + f(sol::kUz)[i];
      if (std::abs(z(i) - 0.5f) > 1e-6f) continue;
      if (i < ints(*s, mesh().jn1)[0]) highest = std::max(highest, y);
      if (i >= ints(*s, mesh().jn1)[0]) lowest = std::min(lowest, y);
    }
    depth.push_back(highest - lowest);
    EXPECT_GT(depth.back(), 0);
    EXPECT_LT(depth.back(), q * h / penalty);
  }
  EXPECT_NEAR(depth[0] / depth[1], 2, 0.1);
}

TEST_F(SolImplicit, SlowLoadingAndGasPressureAsInTheExplicitScheme) {
  // A steel square (m, ms, t) pressed at its top at 1 m/s, ramped in over 0.1 ms, for 1 ms: 60
  // transits of the sound. The explicit scheme's waves are at most rho c v against a stress of
  // E v t / L, about 2%; the implicit steps of 10 us lag by a hundredth: within twice the waves.
  Task t;
  t.zones = {{0, 0, 0.1, 0.1, 6, 6}};
  t.zones[0].e = 200, t.zones[0].nu = 0.3f, t.zones[0].c = -7.8f;
  t.vx = "vx=1\n" + line(0, 0, 0, 0.1, 0);
  t.vy = "vy=2\n" + line(0, 0, 0.1, 0, 0) + line(0, 0.1, 0.1, 0.1, -0.001);
  t.ntvz = "ntvz=3\nm=0 0 0.1 1 100 1\n";
  EXPECT_LT(schemes_differ(t, 0.01f, 1, [](const SolParm& p) { return p.jstr[1]; }), 0.05);
  // A gas column (gamma 1.4, energy 1, density 1000: a pressure of 400) held on three sides, the
  // fourth pressed by a load that starts at the gas pressure and rises by a tenth over 60 s, ten
  // periods of the column's vibration; on the current configuration the pressure grows with the
  // density and the column shrinks by a tenth to balance the load (without the gas term the
  // load would crush it). The explicit column keeps a vibration of the rise per period (1%) over
  // 2 pi, and the implicit steps of 1 s settle after the ramp: within 2%.
  Task g;
  g.gn = 1;
  g.zones = {{0, 0, 1, 1, 4, 4}};
  g.zones[0].gam = 1.4f, g.zones[0].en = 1, g.zones[0].e = 10;
  g.vx = "vx=1\n" + line(0, 0, 0, 1, 0);
  g.vy = "vy=2\n" + line(0, 0, 1, 0, 0) + line(0, 1, 1, 1, 0);
  g.loads = load(1, 0, 1, 1, -400, "tpn=3\nm=0 1 60 1.1 100000 1.1\n");
  EXPECT_LT(schemes_differ(g, 1, 80, [](const SolParm& p) { return p.jf[sol::kUr]; }), 0.02);
  EXPECT_NEAR(f(sol::kUr)[n1() - 1], -0.09, 0.005);
}

}  // namespace
}  // namespace tivor::sol_test
