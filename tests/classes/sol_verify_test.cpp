// The solids class against physics: the speed of an elastic wave in a bar and the displacement
// ramp behind it, the thick-walled tube under internal pressure, rigid motions that make no
// stress, the energy of a free vibration, and the yield stress capping the deviator; and the
// help file knowing every keyword of the class's samples.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "classes/sample_files.hpp"
#include "classes/sol/sol.hpp"
#include "classes/sol/sol_internal.hpp"
#include "console/console.hpp"
#include "core/pool.hpp"
#include "support/mesh_block.hpp"
#include "support/prepare_task.hpp"
#include "support/screen_session.hpp"

namespace tivor {
namespace {

// A value as the reader takes it: fixed point, no exponent.
std::string num(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.9f", v);
  std::string t = buf;
  t.erase(t.find_last_not_of('0') + 1);
  if (t.back() == '.') t.pop_back();
  return t;
}

// A boundary interval (r0, z0)-(r1, z1) with the values v0, v1 at its ends.
struct Interval {
  double r0, z0, r1, z1, v0, v1;
};

// One block of one zone, of steel unless said. Units: metres, milliseconds and tonnes, so
// stresses are in GPa and velocities in m/ms (the data hold no exponents).
struct Zone {
  double r0, z0, r1, z1;
  int nksi, neta;
  float e = 200, nu = 0, rho = 7.8f;
  float yield = 0;  // von Mises yield stress; 0: elastic
  float vr = 0, vz = 0;
};

// A data file of the class: one zone, velocity conditions, one normal load.
struct Task {
  Zone zone;
  int m = 4, symmetry = 2;
  float gn = 0, cur = 0.5f;
  std::string damage = "0 0 0";
  std::vector<Interval> vx, vy, pn;
  std::vector<float> tvr, tvz, tpn;  // time tables, (t, f) pairs

  static std::string list(const std::string& key, const std::vector<Interval>& v) {
    std::string t = key + "=" + std::to_string(v.size()) + "\n";
    for (const Interval& i : v) {
      t += "m=" + num(i.r0) + " " + num(i.z0) + " " + num(i.r1) + " " + num(i.z1) + " " +
           num(i.v0) + " " + num(i.v1) + "\n";
    }
    return t;
  }
  static std::string table(const std::string& key, const std::vector<float>& v) {
    std::string t = key + "=" + std::to_string(v.size() / 2) + "\n";
    for (size_t k = 0; k < v.size(); ++k) t += (k == 0 ? "m=" : k % 4 ? " " : "\n") + num(v[k]);
    return v.empty() ? t : t + "\n";
  }
  std::string text() const {
    const Zone& z = zone;
    std::string t = "ntel=1\nm=" + std::to_string(m) + "\n" +
                    test::block(z.r0, z.z0, z.r1, z.z1, z.nksi, z.neta) +
                    "skl=0\nscale=1 1\nrzcor=0\nsymmetry=" + std::to_string(symmetry) +
                    "\ngn=" + num(gn) + "\n" + list("vx", vx) + table("ntvr", tvr) +
                    list("vy", vy) + table("ntvz", tvz) + "contin=0\n";
    t += pn.empty() ? "npn=0\n" : "npn=1\n" + list("pn", pn) + table("tpn", tpn);
    t += "npt=0\nfr=0\nfz=0\nnqn=0\nMAT=" + std::string(z.yield > 0 ? "2" : "1") +
         "\nE=" + num(z.e) + "\nNU=" + num(z.nu) +
         (z.yield > 0 ? "\nplast=1\nnsk=2\nm=0 " + num(z.yield) + " 1000 " + num(z.yield)
                      : "\nplast=0\nnsk=0") +
         "\nC=" + num(-z.rho) + "\nVR=" + num(z.vr) + "\nVZ=" + num(z.vz) +
         "\nEN=0\nGAM=1\nEMAX=1000\nrpres=0\nskpres=0\nEEWZR=0\ndamage=" + damage +
         "\ncompact=0 0 0\ndynamics=1\nCUR=" + num(cur) +
         "\nDEMAX=1\nBET=0\nSGL=0 0 0\ncontact=0\npenalty=0\nfrict=0\nnbforce=0\nnthist=0\n";
    return t;
  }
};

class SolVerify : public test::ScreenSession {
 protected:
  bool prepare(const Task& t) {
    task = t;
    const bool ok = test::prepare_like_shell(*s, t.text(), [&] {
      keys(1);
      som(*s, 1);
    });
    EXPECT_TRUE(ok) << screen();
    return ok;
  }
  // "go" with n steps of method 1 (the explicit scheme) or 3 (its variant).
  void run(int n, int method = 1) {
    s->cht.isp = s->cht.is + n;
    som(*s, method);
    s->cht.isp = s->cht.is;
    ASSERT_FALSE(flag_tst(*s)) << screen();
  }
  // Steps until the time reaches t.
  void run_to(double t) {
    while (s->cht.t < t && !HasFatalFailure()) run(1);
  }
  const SolParm& p() const { return s->cparm.sol; }
  int32_t n1() const { return s->cmesh.n1; }
  // Node i from 0: coordinates, field k (sol::Field), stress k (s11, s33, s13, mean).
  float r(int32_t i) const { return reals(*s, s->cmesh.jrz)[2 * i]; }
  float z(int32_t i) const { return reals(*s, s->cmesh.jrz)[2 * i + 1]; }
  float* f(int k) const { return reals(*s, p().jf[k]); }
  float str(int k, int32_t i) const { return reals(*s, p().jstr[k])[i]; }
  // The kinetic energy of the velocities before and after a step (the velocities of a step lie
  // half a step away from its displacements; their product makes the energy of a leapfrog
  // scheme exact), and the elastic energy of the small strains of the displacements.
  double kinetic(const std::vector<float>& before) const {
    double e = 0;
    for (int32_t i = 0; i < n1(); ++i) {
      e += 0.5 / reals(*s, s->cmesh.jmm)[i] * before[static_cast<size_t>(i)] * f(sol::kVr)[i];
    }
    return e;
  }
  double elastic() const {
    const Cmesh& c = s->cmesh;
    const double g = task.zone.e / (2 * (1 + task.zone.nu));
    const double lambda = 2 * g * task.zone.nu / (1 - 2 * task.zone.nu);
    double e = 0;
    for (int32_t el = 0; el < c.n2; ++el) {
      double e11 = 0, e33 = 0, e13 = 0;
      for (int k = 0; k < c.m; ++k) {
        const int64_t at = int64_t{el} * c.m + k;
        const int32_t node = ints(*s, c.jj1)[at] - 1;
        const double d1 = reals(*s, c.jd1)[at], d2 = reals(*s, c.jd2)[at];
        e11 += d1 * f(sol::kUr)[node], e33 += d2 * f(sol::kUz)[node];
        e13 += d2 * f(sol::kUr)[node] + d1 * f(sol::kUz)[node];
      }
      const double w =
          lambda / 2 * (e11 + e33) * (e11 + e33) + g * (e11 * e11 + e33 * e33) + g / 2 * e13 * e13;
      e += w * reals(*s, c.jsss)[el];
    }
    return e;
  }
  double c_bar() const { return std::sqrt(task.zone.e / task.zone.rho); }

  Task task;
};

TEST_F(SolVerify, ElasticWaveRunsAtTheSoundSpeedAndLeavesTheRampBehind) {
  // A bar of 80 cells of h = 12.5 mm, nu = 0 (a plain longitudinal wave at c = sqrt(E/rho)),
  // its end x = 0 driven at v0 = 10 m/s from t = 0.
  Task t;
  t.zone = {0, 0, 1, 0.05, 80, 4};
  t.vx = {{0, 0, 0, 0.05, 0.01, 0.01}};
  t.tvr = {0, 1, 1, 1};
  ASSERT_TRUE(prepare(t));
  run_to(0.6 / c_bar());
  const double h = 0.0125, v0 = 0.01, time = s->cht.t, front = c_bar() * time;
  // The front is where the velocity passes v0/2 along the bottom row. The scheme spreads it over
  // a few cells but carries its middle at c: within 2 cells (the driven end starts a step late).
  double found = 0;
  for (int32_t i = 0; i < n1(); ++i) {
    if (z(i) == 0 && f(sol::kVr)[i] >= v0 / 2) found = std::max(found, double{r(i)});
  }
  EXPECT_NEAR(found, front, 2 * h);
  // Behind the front, u = v0 (t - x/c). The ringing behind a spread front is of a few cells'
  // length; integrated it makes at most a cell's travel time times its amplitude, which is about
  // a tenth of v0: 0.1 v0 h/c, 2% of the largest displacement v0 t here.
  for (int32_t i = 0; i < n1(); ++i) {
    if (r(i) < front - 4 * h) {
      EXPECT_NEAR(f(sol::kUr)[i], v0 * (time - r(i) / c_bar()), 0.02 * v0 * time) << r(i);
      EXPECT_NEAR(f(sol::kUz)[i], 0, 1e-3 * v0 * time);
    }
  }
}

TEST_F(SolVerify, StableStepsKeepThePushedBarsVelocityBetweenRestAndThePush) {
  // The bar above pushed at v0, along x in a plane task and along the axis z in an axisymmetric
  // one, on quadrilaterals and on triangles: behind the front every speed lies between 0 and v0,
  // up to the ringing of the front. A Courant factor below 1 must keep it there, and so must a
  // fixed step ten times the stable one, whose nodes take the masses that make it stable while
  // the density stays the material's.
  const double v0 = 0.01;
  for (int m : {4, 3}) {
    for (int sym : {2, 1}) {
      for (float cur : {0.95f, -0.025f}) {
        fresh();
        Task t;
        t.m = m, t.symmetry = sym, t.cur = cur;
        if (sym == 2) {
          t.zone = {0, 0, 1, 0.05, 80, 4};
          t.vx = {{0, 0, 0, 0.05, v0, v0}};
          t.tvr = {0, 1, 1, 1};
        } else {
          t.zone = {0, 0, 0.05, 1, 4, 80};
          t.vy = {{0, 0, 0.05, 0, v0, v0}};
          t.tvz = {0, 1, 1, 1};
        }
        ASSERT_TRUE(prepare(t));
        run(60);
        const float* v = f(sym == 2 ? sol::kVr : sol::kVz);
        const auto [lo, hi] = std::minmax_element(v, v + n1());
        EXPECT_GT(*lo, -0.2 * v0) << m << " " << sym << " " << cur;
        EXPECT_LT(*hi, 1.2 * v0) << m << " " << sym << " " << cur;
        EXPECT_GT(*hi, 0.9 * v0) << m << " " << sym << " " << cur;
        const float* ro = f(sol::kRo);
        for (int32_t i = 0; i < n1(); ++i) ASSERT_NEAR(ro[i], 7.8f, 1e-4f) << i;
      }
    }
  }
}

TEST_F(SolVerify, AGrowingEnergyStopsTheRunAndKeepsTheLastGoodState) {
  // A Courant factor of 3 is beyond the stable step: the bar's motion grows without bound out
  // of what the push puts in. The run must stop on that with its message, before any value
  // leaves the range of single precision, and keep the state of the step before.
  Task t;
  t.zone = {0, 0, 1, 0.05, 80, 4};
  t.vx = {{0, 0, 0, 0.05, 0.01, 0.01}};
  t.tvr = {0, 1, 1, 1};
  t.cur = 3.0f;
  ASSERT_TRUE(prepare(t));
  std::vector<float> last;
  int steps = 0;
  for (; steps < 200 && !flag_tst(*s); ++steps) {
    last.assign(f(sol::kVr), f(sol::kVr) + n1());
    keys(1);
    s->cht.isp = s->cht.is + 1;
    som(*s, 1);
    s->cht.isp = s->cht.is;
  }
  ASSERT_TRUE(flag_tst(*s)) << "no stop in " << steps << " steps";
  EXPECT_TRUE(screen().find("energy") != std::string::npos) << screen();
  for (int32_t i = 0; i < n1(); ++i) ASSERT_EQ(f(sol::kVr)[i], last[static_cast<size_t>(i)]);
  // The kept state is still a plausible one: the speeds are within a hundred pushes.
  const auto [lo, hi] = std::minmax_element(last.begin(), last.end());
  EXPECT_LT(std::max(-*lo, *hi), 1.0);
}

TEST_F(SolVerify, ThickWalledTubeSettlesToItsClosedFormState) {
  // The wall a = 0.1 <= r <= b = 0.2, 10 cells of h = 1 cm across, held along z (plane strain),
  // an inner pressure p = 100 MPa raised smoothly over 1 ms (five periods of the wall's breathing
  // mode, so the wave left behind is a few per cent of the state and the smoothing damps it).
  const double a = 0.1, b = 0.2, pr = 0.1, e = 200, nu = 0.3;
  Task t;
  t.symmetry = 1;
  t.zone = {a, 0, b, 0.01, 10, 1, float(e), float(nu)};
  t.vy = {{a, 0, b, 0, 0, 0}, {a, 0.01, b, 0.01, 0, 0}};
  t.pn = {{a, 0, a, 0.01, -pr, -pr}};
  for (int k = 0; k <= 8; ++k) {
    t.tpn.push_back(float(0.125 * k));
    t.tpn.push_back(float(0.5 - 0.5 * std::cos(std::numbers::pi * k / 8)));
  }
  t.tpn.insert(t.tpn.end(), {100, 1});
  ASSERT_TRUE(prepare(t));
  run_to(1.5);
  const double k = pr * a * a / (b * b - a * a);
  const auto u = [&](double r) { return k * (1 + nu) / e * ((1 - 2 * nu) * r + b * b / r); };
  // Bilinear cells of 1 cm on a displacement of curvature 2k(1+nu)b^2/(E r^3) err by about
  // h^2/8 times it, 0.6% of u(a); the rest of the transient is allowed as much again.
  for (int32_t i = 0; i < n1(); ++i) {
    EXPECT_NEAR(f(sol::kUr)[i], u(r(i)), 0.015 * u(a)) << r(i);
    EXPECT_NEAR(f(sol::kUz)[i], 0, 1e-3 * u(a));
  }
  // Stresses are cell values averaged at the nodes: in the middle of the wall the means of the
  // two cells miss sigma_r = k (1 - b^2/r^2) and sigma_theta = k (1 + b^2/r^2) by about h^2/8
  // times their curvature 6kb^2/r^4, 0.2% of p, and the hoop strain of a cell is that of its mean
  // radius; 2% of p leaves room for these and the rest of the transient.
  for (int32_t i = 0; i < n1(); ++i) {
    if (std::abs(r(i) - 0.15) > 1e-4) continue;
    const double rr = 0.15, sr = str(0, i), sz = str(1, i), sm = str(3, i);
    EXPECT_NEAR(sr, k * (1 - b * b / (rr * rr)), 0.02 * pr);
    EXPECT_NEAR(3 * sm - sr - sz, k * (1 + b * b / (rr * rr)), 0.02 * pr);
    EXPECT_NEAR(sz, 2 * nu * k, 0.02 * pr);
  }
}

TEST_F(SolVerify, RigidMotionsMakeNoStress) {
  // A free square moving at (3, -2) m/ms, turned by hand about its middle. With gn = 1 the
  // strains are taken on the current configuration, so a turn strains nothing: the stresses
  // stay at rounding, 1e-5 of 2G times the angle, in both schemes. With gn = 0 the turn is a
  // strain of the order of the angle squared: the check can fail.
  struct Row {
    int method;
    float gn, angle;
    bool free;
  };
  for (const Row& w : {Row{1, 1, 0.5f, true}, Row{3, 1, 0.5f, true}, Row{1, 0, 0.5f, false}}) {
    fresh();
    Task t;
    t.gn = w.gn;
    t.zone = {0, 0, 1, 1, 4, 4};
    t.zone.vr = 3, t.zone.vz = -2;
    ASSERT_TRUE(prepare(t));
    const double c = std::cos(w.angle), sn = std::sin(w.angle);
    for (int32_t i = 0; i < n1(); ++i) {
      const double x = r(i) - 0.5, y = z(i) - 0.5;
      f(sol::kUr)[i] = float(x * c - y * sn - x);
      f(sol::kUz)[i] = float(x * sn + y * c - y);
    }
    const std::vector<float> ur(f(sol::kUr), f(sol::kUr) + n1());
    run(5, w.method);
    double largest = 0;
    for (int k = 0; k < 4; ++k) {
      for (int32_t i = 0; i < n1(); ++i) largest = std::max(largest, double{std::abs(str(k, i))});
    }
    const double scale = 200 * std::max(w.angle, 0.1f);
    if (!w.free) {
      EXPECT_GT(largest, 1e-2 * scale);
      continue;
    }
    EXPECT_LT(largest, 1e-5 * scale) << w.method;
    // The body keeps its velocity: every node moved by 3 m/ms times the time.
    for (int32_t i = 0; i < n1(); ++i) {
      EXPECT_NEAR(f(sol::kUr)[i] - ur[static_cast<size_t>(i)], 3 * s->cht.t, 1e-4 * s->cht.t);
      EXPECT_NEAR(f(sol::kVz)[i], -2, 1e-5);
    }
  }
}

TEST_F(SolVerify, FreeVibrationKeepsKineticPlusElasticEnergy) {
  // A bar 0 <= x <= 1 held at both ends (nu = 0, 32 cells, moving along x only) let go from the
  // displacement of its first mode, A sin(kx), k = pi; its energy goes into motion and back at
  // w = kc. The scheme is not free of losses: its forces come from the stresses predicted at
  // the end of the step (the strain of v dt added), a damping that takes 2 (w dt)^2 of the
  // kinetic energy a step, and the smoothing moves each velocity at least 1/100 of its way to
  // its neighbours' middle, taking (kh)^2/100 more (= (w dt)^2 at a step of h / 10c, which a
  // Courant factor of 0.245 gives on square cells). So the sum may fall by at most twice these,
  // 6 (w dt)^2 of the kinetic energy a step, and must never rise.
  Task t;
  t.cur = 0.245f;
  t.zone = {0, 0, 1, 1.0 / 32, 32, 1};
  t.vx = {{0, 0, 0, 1, 0, 0}, {1, 0, 1, 1, 0, 0}};
  t.vy = {{0, 0, 1, 0, 0, 0}, {0, 1.0 / 32, 1, 1.0 / 32, 0, 0}};
  ASSERT_TRUE(prepare(t));
  for (int32_t i = 0; i < n1(); ++i)
    f(sol::kUr)[i] = float(1e-3 * std::sin(std::numbers::pi * r(i)));
  const double e0 = elastic(), w = std::numbers::pi * c_bar();
  ASSERT_GT(e0, 0);
  double most_kinetic = 0, allowed = 0;
  while (s->cht.t < 1.5 / c_bar() && !HasFatalFailure()) {  // three quarters of a period
    const double ep = elastic();
    const std::vector<float> before(f(sol::kVr), f(sol::kVr) + n1());
    run(1);
    const double ek = kinetic(before), wdt = w * s->cht.ht;
    allowed += 6 * wdt * wdt * ek;
    EXPECT_LE(ep + ek, e0 * (1 + 1e-5)) << s->cht.is;
    EXPECT_GE(ep + ek, e0 - allowed) << s->cht.is;
    most_kinetic = std::max(most_kinetic, ek);
  }
  // It did vibrate: nearly all the energy was motion at a quarter period.
  EXPECT_GT(most_kinetic, 0.9 * e0);
}

TEST_F(SolVerify, PerfectPlasticityCapsTheDeviatoricStress) {
  // A square of 8 x 8 cells compressed between smooth plates at 1 m/s (strain rate 10/s), free
  // on one side: its von Mises stress rises to the yield stress Y = 200 MPa after a strain of
  // Y/E = 1e-3 and stays there. Node stresses are means of element stresses, each inside the
  // yield surface, so they are inside it too: up to rounding.
  const float y = 0.2f;
  Task t;
  t.zone = {0, 0, 0.1, 0.1, 8, 8, 200, 0.3f, 7.8f, y};
  t.vx = {{0, 0, 0, 0.1, 0, 0}};
  t.vy = {{0, 0, 0.1, 0, 0, 0}, {0, 0.1, 0.1, 0.1, -0.001, -0.001}};
  t.tvr = t.tvz = {0, 1, 1, 1};
  ASSERT_TRUE(prepare(t));
  run_to(0.4);  // a strain of 4e-3, four times the yield strain
  double most = 0;
  for (int32_t i = 0; i < n1(); ++i) {
    const double sm = str(3, i), s11 = str(0, i) - sm, s33 = str(1, i) - sm, s13 = str(2, i);
    const double j = 2 * (s11 * s11 + s33 * s33 + s11 * s33 + s13 * s13);
    most = std::max(most, std::sqrt(1.5 * j));
  }
  EXPECT_LE(most, y * (1 + 1e-5));
  EXPECT_GE(most, 0.99 * y);
  // It flowed: plastic work was done.
  EXPECT_GT(*std::max_element(f(sol::kAp), f(sol::kAp) + n1()), 0);
}

TEST_F(SolVerify, ElementsOfPlainZonesAgreeWithTheGeneralModel) {
  // The plastic square above, on quadrilaterals and triangles, in both schemes, turned by hand:
  // once as it is and once with a damage model that measures nothing, which runs the same
  // physics element by element instead of in batches. The fields must agree to rounding.
  for (const int method : {1, 3}) {
    for (const int m : {4, 3}) {
      std::vector<std::vector<float>> got;
      for (const char* damage : {"0 0 0", "1 0 0"}) {
        fresh();
        Task t;
        t.m = m, t.gn = 1, t.damage = damage;
        t.zone = {0, 0, 0.1, 0.1, 8, 8, 200, 0.3f, 7.8f, 0.2f};
        t.vy = {{0, 0, 0.1, 0, 0, 0}, {0, 0.1, 0.1, 0.1, -0.001, -0.001}};
        ASSERT_TRUE(prepare(t));
        for (int32_t i = 0; i < n1(); ++i) f(sol::kUr)[i] = 0.01f * z(i);
        run(60, method);
        got.emplace_back();
        for (int k = 0; k < 12; ++k) got.back().insert(got.back().end(), f(k), f(k) + n1());
        for (int k = 0; k < 4; ++k) {
          for (int32_t i = 0; i < n1(); ++i) got.back().push_back(str(k, i));
        }
      }
      // Field by field, against the field's own scale.
      for (size_t at = 0; at < got[0].size(); at += static_cast<size_t>(n1())) {
        const auto a = got[0].begin() + at, b = got[1].begin() + at;
        float scale = 0, most = 0;
        for (int32_t i = 0; i < n1(); ++i) {
          scale = std::max(scale, std::abs(a[i]));
          most = std::max(most, std::abs(a[i] - b[i]));
        }
        EXPECT_LE(most, 1e-4f * scale) << method << " " << m << " " << at / n1();
      }
      EXPECT_GT(*std::max_element(f(sol::kAp), f(sol::kAp) + n1()), 0);
    }
  }
}

TEST_F(SolVerify, EverySamplePreparesAndRunsInEveryMethod) {
  // Static samples are meant for the implicit scheme, but the explicit ones must take them too
  // (as a slow dynamic task) without a message.
  test::copy_mesh_files("sol");
  for (const auto& entry : std::filesystem::directory_iterator(
           std::filesystem::path(TIVOR_SOURCE_DIR) / "examples/sol")) {
    if (entry.path().extension() != ".sol") continue;  // not the mesh files beside them
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    for (int method : {1, 2, 3}) {
      fresh();
      ASSERT_TRUE(test::prepare_like_shell(*s, text, [&] { som(*s, method); }))
          << entry.path() << screen();
      run(5, method);
      EXPECT_GT(s->cht.t, 0) << entry.path() << " " << method;
    }
  }
}

TEST(SolSamples, HelpFileKnowsEveryKeywordOfTheSamples) {
  // The editor's F3 shows the first topic that starts with the keyword: each keyword of the
  // samples must find its own topic, which begins with "keyword=".
  namespace fs = std::filesystem;
  std::ifstream help_file(fs::path(TIVOR_SOURCE_DIR) / "hlp/keywords.hlp", std::ios::binary);
  std::string help((std::istreambuf_iterator<char>(help_file)), {});
  for (const char* dir : {"examples/sol", "examples/dif", "examples/gs"}) {
    for (const auto& entry : fs::directory_iterator(fs::path(TIVOR_SOURCE_DIR) / dir)) {
      if (entry.path().extension() == ".msh") continue;
      std::ifstream in(entry.path());
      for (std::string line; std::getline(in, line);) {
        line = line.substr(0, line.find('*'));
        for (size_t eq = line.find('='); eq != std::string::npos; eq = line.find('=', eq + 1)) {
          size_t from = line.find_last_of(" \t", eq);
          from = from == std::string::npos ? 0 : from + 1;
          const std::string key = line.substr(from, eq - from);
          std::istringstream topics(help);
          const std::vector<std::string> text = help_topic_lines(topics, key);
          ASSERT_FALSE(text.empty()) << key;
          std::string first = text[0].substr(1, key.size() + 1);
          for (char& c : first) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
          std::string want = key + "=";
          for (char& c : want) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
          EXPECT_EQ(first, want) << entry.path();
        }
      }
    }
  }
}

}  // namespace
}  // namespace tivor
