// The implicit viscous and conduction step of the gas-flow class against closed-form solutions:
// an impulsively started wall, the steady radial flow u = C/r (the hoop stress), decaying
// temperature modes (plane and axisymmetric), the same flow in other units, and the failure
// report.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "classes/gs/viscous.hpp"
#include "classes/gs_fixture.hpp"
#include "support/screen_session.hpp"

namespace tivor::gs {
namespace {

// A rectangle [r0, r1] x [0, lz] of nr x 2 cells, in triangles (m = 3) or quadrilaterals, with
// the fields of a gas of density rho0 at rest.
struct Flow {
  int nr;
  std::vector<float> rz, u, v, e, rho;
  std::vector<int32_t> conn;
  std::vector<uint8_t> fu, fv;
  int32_t cells = 0;
  float nu = 0, kappa = 0;
  ViscousMesh mesh;
  ViscousWork work;
  Flow(double r0, double r1, double lz, int nr_, int m, bool axi, float rho0) : nr(nr_) {
    for (int k = 0; k < 3 * (nr + 1); ++k) {
      rz.push_back(static_cast<float>(r0 + (r1 - r0) * (k % (nr + 1)) / nr));
      rz.push_back(static_cast<float>(lz * (k / (nr + 1)) / 2));
    }
    for (int32_t a = 1; a <= 2 * (nr + 1); ++a) {
      if (a % (nr + 1) == 0) continue;
      const int32_t b = a + nr + 1, c = b + 1, d = a + 1;
      conn.insert(conn.end(), m == 4 ? std::initializer_list<int32_t>{a, b, c, d}
                                     : std::initializer_list<int32_t>{a, b, c, a, c, d});
    }
    cells = static_cast<int32_t>(conn.size() / m);
    const size_t n1 = rz.size() / 2;
    u.assign(n1, 0), v.assign(n1, 0), e.assign(n1, 1), rho.assign(n1, rho0);
    fu.assign(n1, 0), fv.assign(n1, 0);
    mesh = {rz.data(), conn.data(), &cells, static_cast<int32_t>(n1), cells, m, 1, axi};
  }
  float r(size_t n) const { return rz[2 * n]; }
  int run(Session& s, int steps, float dt) {
    const ViscousStep st{rho.data(), &nu, &kappa, fu.data(), fv.data(), nullptr, nullptr, dt};
    for (int k = 0; k < steps; ++k) {
      if (viscous_step(s, mesh, st, u.data(), v.data(), e.data(), work) != 0) return 1;
    }
    return 0;
  }
};

class GsViscous : public test::ScreenSession {};

// The wall r = 0 set moving along z with speed vw at t = 0, the far wall r = 10 held, u fixed on
// the walls and the ends. The largest error of v against vw erfc(r / (2 sqrt(nu t))) at t = 1,
// in units of vw, in units of length and time scaled by l and t.
double stokes_error(Session& s, int cells, int m, double l, double t) {
  const double vw = l / t;
  Flow f(0, 10 * l, 20 * l / cells, cells, m, false, 1000);
  f.nu = static_cast<float>(l * l / t);
  for (size_t n = 0; n < f.u.size(); ++n) {
    const int i = static_cast<int>(n) % (cells + 1);
    f.fv[n] = i == 0 || i == cells;
    f.fu[n] = f.fv[n] || n <= static_cast<size_t>(cells) || n >= f.u.size() - cells - 1;
    if (i == 0) f.v[n] = static_cast<float>(vw);
  }
  EXPECT_EQ(f.run(s, 2 * cells, static_cast<float>(t / (2 * cells))), 0);
  double err = 0;
  for (size_t n = 0; n < f.u.size(); ++n) {
    err = std::max(err, std::abs(f.v[n] / vw - std::erfc(f.r(n) / l / 2)));
    EXPECT_LT(std::abs(f.u[n]), 1e-4 * vw);  // no flow across the layers
  }
  return err;
}

// Backward Euler errs by about dt / (2 t) times t^2 |v_tt| (at most ~0.2 vw) and the mesh by
// (h / delta)^2 / 12 times delta^2 |v_rr| (~0.5 vw), delta = 2 sqrt(nu t) = 2: each about 1e-3 vw
// with 50 cells (h = 0.2, dt / t = 0.01), so 5e-3 bounds their sum; halving h and dt halves the
// error at least. The same problem in other units (lengths x 1e3, times x 1e-2) gives the same
// answer to rounding.
TEST_F(GsViscous, ImpulsivelyStartedWallFollowsTheErrorFunction) {
  for (const int m : {3, 4}) {
    const double coarse = stokes_error(*s, 50, m, 1, 1), fine = stokes_error(*s, 100, m, 1, 1);
    EXPECT_LT(coarse, 5e-3) << m;
    EXPECT_LT(fine, 0.6 * coarse) << m;
    EXPECT_NEAR(stokes_error(*s, 50, m, 1e3, 1e-2), coarse, 1e-4) << m;
  }
}

// u = C / r with v = 0 is a steady flow of the stress with its hoop term (without it the
// profile would be a + b ln r, 0.04 C apart at r = 1.5): three steps of 100 diffusion times
// reach it to (h / r)^2 = 2.5e-3 of C.
TEST_F(GsViscous, RadialFlowBetweenCylindersIsOneOverR) {
  Flow f(1, 2, 0.1, 20, 4, true, 1);
  f.nu = 1;
  for (size_t n = 0; n < f.u.size(); ++n) {
    f.fu[n] = f.r(n) == 1.0f || f.r(n) == 2.0f;
    if (f.fu[n]) f.u[n] = 1 / f.r(n);
  }
  ASSERT_EQ(f.run(*s, 3, 100), 0);
  for (size_t n = 0; n < f.u.size(); ++n) {
    EXPECT_NEAR(f.u[n], 1 / f.r(n), 2.5e-3) << n;
    EXPECT_NEAR(f.v[n], 0, 2.5e-3) << n;
  }
}

// An insulated slab with e = 1 + cos(pi r / L) and a cylinder with e = 1 + J0(j r / R) (j the
// first zero of J1): the modes decay as exp(-lambda t), lambda = kappa k^2. After n steps
// backward Euler's factor is low by lambda t * lambda dt / 2 of it, and the lumped mesh of 40
// cells by lambda t (k h)^2 / 12: the tolerance is twice their sum.
TEST_F(GsViscous, TemperatureModesDecayAtTheirRates) {
  for (const bool axi : {false, true}) {
    const double k = axi ? 3.8317059702 : M_PI, t_end = 0.2;
    Flow f(0, 1, 0.05, 40, 3, axi, 2);
    f.kappa = 0.5;
    const auto mode = [&](double r) { return axi ? std::cyl_bessel_j(0.0, k * r) : cos(k * r); };
    for (size_t n = 0; n < f.e.size(); ++n) f.e[n] = static_cast<float>(1 + mode(f.r(n)));
    ASSERT_EQ(f.run(*s, 100, static_cast<float>(t_end / 100)), 0);
    const double lt = f.kappa * k * k * t_end, decay = std::exp(-lt);
    const double tol = decay * lt * (lt / 100 + k * k / (6 * 40 * 40));
    for (size_t n = 0; n < f.e.size(); ++n) EXPECT_NEAR(f.e[n], 1 + decay * mode(f.r(n)), tol);
  }
}

// A free swirl of gas in an axisymmetric layer, one large step: the axial momentum stays, and
// the heating puts back all the kinetic energy the stresses took: the total energy falls only
// by backward Euler's own loss, the sum of M |du|^2 / 2.
TEST_F(GsViscous, HeatingKeepsTheEnergyAndStressesTheMomentum) {
  Flow f(0.5, 1.5, 0.2, 10, 4, true, 1);
  f.nu = f.kappa = 1;
  for (size_t n = 0; n < f.u.size(); ++n) {
    f.u[n] = std::sin(3 * f.r(n) + 20 * f.rz[2 * n + 1]), f.v[n] = std::cos(5 * f.r(n));
  }
  // Axial momentum, total energy and backward Euler's loss.
  const auto totals = [&](const Flow& g) {
    std::array<double, 3> sum{};
    for (size_t n = 0; n < g.u.size(); ++n) {
      const double m = g.work.mass[n], du = g.u[n] - f.u[n], dv = g.v[n] - f.v[n];
      sum[0] += m * g.v[n];
      sum[1] += m * (g.e[n] + (g.u[n] * g.u[n] + g.v[n] * g.v[n]) / 2);
      sum[2] += m * (du * du + dv * dv) / 2;
    }
    return sum;
  };
  Flow after = f;
  ASSERT_EQ(after.run(*s, 1, 0.05f), 0);
  f.work = after.work;  // the same masses
  const auto before = totals(f), now = totals(after);
  EXPECT_NEAR(now[0], before[0], 1e-5 * std::abs(before[0]) + 1e-6);
  EXPECT_GT(now[2], 1e-3 * before[1]);  // the step did change the flow
  EXPECT_NEAR(now[1], before[1] - now[2], 1e-5 * before[1]);
}

// A density that is not a number: a message naming the node, the flag, the fields kept.
TEST_F(GsViscous, ValueThatIsNotFiniteStopsTheStep) {
  Flow f(0, 1, 0.1, 4, 3, false, 1);
  f.nu = f.kappa = 1;
  for (size_t n = 0; n < f.u.size(); ++n) f.u[n] = f.r(n);
  f.rho[3] = NAN;
  const std::vector<float> before = f.u;
  keys(1);
  EXPECT_TRUE(f.run(*s, 1, 0.1f) == 1 && flag_tst(*s));
  EXPECT_TRUE(seen(" gsvis:ro not finite at node       4")) << screen();
  EXPECT_EQ(f.u, before);
}

// The second method between the plates z = 0 (at rest) and z = 1 (moving along r at V), with the
// pressure 1 + dp at the open end r = 0, where the density is 1, and 1 at r = 0.5: the steady
// flow is Couette's V z plus Poiseuille's 4 U z (1 - z), U = dp / (8 L nu) = V = 1e-3 (Mach 1e-3,
// so the density varies by dp / c^2 ~ 3e-3 and the profile by as little). Linear elements hold
// both parts at the nodes; what is left is the extremum limiter of the euler step clipping the
// smooth maximum of the profile each pass, an error of first order in the mesh size h: 0.5 h of
// U bounds it, halving h at least nearly halves it. With nu = 1 the sound speed's steps are many
// times the explicit viscous limit h^2 / (2 nu), and t = 3 is over ten decay times of the start.
using gs_test::GsTest;
TEST_F(GsTest, SteadyFlowBetweenPlatesIsCouettePlusPoiseuille) {
  double err[2] = {0, 0};
  for (const int nc : {10, 20}) {
    gs_test::Task t;
    t.g = {0, 0, 0.5, 1, nc / 2, nc, 1.4f, 1};
    const std::string lo = "m=0 0 .5 0 0 0\nm=0 1 .5 1 ", in = "m=0 0 0 1 ";
    t.vr = "vr=2\n" + lo + ".001 .001\ntvr=1\nm=1 0\n", t.ro = "ro=1\n" + in + "1 1\n";
    t.vz = "vz=4\n" + lo + "0 0\n" + in + "0 0\nm=.5 0 .5 1 0 0\ntvz=1\nm=1 0\n";
    t.p = "p=2\n" + in + "1.004 1.004\nm=.5 0 .5 1 1 1\n";
    ASSERT_TRUE(prepare(t));
    run(1, 2);
    EXPECT_GT(s->cht.ht, 4 * 0.5 / (nc * nc));
    while (s->cht.t < 3 && !flag_tst(*s)) run(10, 2);
    ASSERT_FALSE(flag_tst(*s)) << screen();
    for (int32_t n = 0; n < n1(); ++n) {
      const double u = at(1, n) / 1e-3 - z(n) - 4 * z(n) * (1 - z(n)), v = at(2, n) / 1e-3;
      err[nc / 20] = std::max({err[nc / 20], std::abs(u), std::abs(v)});
      EXPECT_NEAR(at(4, n), 1.004 - 0.008 * r(n), 1e-4) << n;
    }
  }
  EXPECT_TRUE(err[0] < 0.05 && err[1] < 0.6 * err[0]) << err[0] << " " << err[1];
}

// Couette's flow u = U z between the plates z = 0 and z = 1 of a channel whose ends r = 0 and
// r = 2 hold only v = 0, so that the gas flows in and out through them freely: the flow is uniform
// along the channel, every element's residual vanishes and the ends take the same fluxes as the
// cells inside, so over many steps of the second method the mass and the profile stay as they
// were, to rounding, on quadrilaterals and on triangles; the uniform viscous heating only raises
// the energy.
TEST_F(GsTest, CouetteFlowThroughOpenEndsKeepsItsMassAndProfile) {
  const float vw = 0.05f;
  for (const int m : {4, 3}) {
    fresh();
    gs_test::Task t;
    t.g = {0, 0, 2, 1, 20, 10, 1.4f, 0.1f};
    t.m = m;
    const std::string plates = "m=0 0 2 0 0 0\nm=0 1 2 1 ";
    t.vr = "vr=2\n" + plates + test::num(vw) + " " + test::num(vw) + "\ntvr=1\nm=1 0\n";
    t.vz = "vz=4\n" + plates + "0 0\nm=0 0 0 1 0 0\nm=2 0 2 1 0 0\ntvz=1\nm=1 0\n";
    ASSERT_TRUE(prepare(t));
    float* u = reals(*s, parm().jf[1]);
    for (int32_t n = 0; n < n1(); ++n) u[n] = vw * z(n);
    const auto mass = [&] {
      const float* ro = reals(*s, parm().jf[0]);
      return total(std::vector<float>(ro, ro + n1()));
    };
    const double before = mass();
    run(300, 2);
    ASSERT_FALSE(flag_tst(*s)) << screen();
    EXPECT_GT(s->cht.t, 9.0f);
    EXPECT_NEAR(mass(), before, 1e-6 * before) << m;
    for (int32_t n = 0; n < n1(); ++n) {
      ASSERT_NEAR(at(0, n), 1.0f, 1e-5f) << m << " " << n;
      ASSERT_NEAR(at(1, n), vw * z(n), 1e-5f * vw) << m << " " << n;
      ASSERT_NEAR(at(2, n), 0.0f, 1e-5f * vw) << m << " " << n;
      ASSERT_GT(at(3, n), 2.5f) << m << " " << n;
    }
  }
}

}  // namespace
}  // namespace tivor::gs
