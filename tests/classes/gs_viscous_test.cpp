// The implicit viscous and conduction step of the gas-flow class against closed-form solutions:
// an impulsively started wall, the steady radial flow u = C/r (the hoop stress), decaying
// temperature modes (plane and axisymmetric), the same flow in other units, and the failure
// report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "classes/gs/viscous.hpp"
#include "support/screen_session.hpp"

namespace tivor::gs {
namespace {

// A rectangle [r0, r1] x [0, lz] of nr x nz cells, in triangles (m = 3) or quadrilaterals.
struct Grid {
  int nr, nz;
  std::vector<float> rz;
  std::vector<int32_t> conn;
  int32_t cells;
  ViscousMesh mesh;
  Grid(double r0, double r1, double lz, int nr_, int nz_, int m, bool axi) : nr(nr_), nz(nz_) {
    for (int j = 0; j <= nz; ++j) {
      for (int i = 0; i <= nr; ++i) {
        rz.push_back(static_cast<float>(r0 + (r1 - r0) * i / nr));
        rz.push_back(static_cast<float>(lz * j / nz));
      }
    }
    for (int j = 0; j < nz; ++j) {
      for (int i = 0; i < nr; ++i) {
        const int32_t a = node(i, j) + 1, b = node(i, j + 1) + 1, c = node(i + 1, j + 1) + 1,
                      d = node(i + 1, j) + 1;
        if (m == 4) conn.insert(conn.end(), {a, b, c, d});
        if (m == 3) conn.insert(conn.end(), {a, b, c, a, c, d});
      }
    }
    cells = static_cast<int32_t>(conn.size() / m);
    mesh = {rz.data(), conn.data(), &cells, (nr + 1) * (nz + 1), cells, m, 1, axi};
  }
  int node(int i, int j) const { return j * (nr + 1) + i; }
  float r(int n) const { return rz[2 * n]; }
};

class GsViscous : public test::ScreenSession {};

// The wall r = 0 set moving along z with speed vw at t = 0, the gas at rest, the far wall at
// r = h held; u fixed on the walls and the ends. Returns the largest error of v against
// vw erfc(r / (2 sqrt(nu t))) at t = t_end, in units of vw.
double stokes_error(Session& s, int cells, int m, double scale_l, double scale_t) {
  const double nu = 1.0 * scale_l * scale_l / scale_t, vw = scale_l / scale_t;
  const double h = 10 * scale_l, t_end = 1 * scale_t;
  Grid g(0, h, 2 * h / cells, cells, 2, m, false);
  const size_t n1 = g.rz.size() / 2;
  std::vector<float> u(n1, 0), v(n1, 0), e(n1, 1), rho(n1, 1000);
  std::vector<uint8_t> fu(n1, 0), fv(n1, 0);
  for (int j = 0; j <= 2; ++j) {
    for (int i = 0; i <= cells; ++i) {
      const int n = g.node(i, j);
      fu[n] = i == 0 || i == cells || j == 0 || j == 2;
      fv[n] = i == 0 || i == cells;
      if (i == 0) v[n] = static_cast<float>(vw);
    }
  }
  const float nus = static_cast<float>(nu), kap = 0;
  const int steps = 2 * cells;
  ViscousStep st{rho.data(), &nus, &kap, fu.data(), fv.data(), nullptr, nullptr};
  st.dt = static_cast<float>(t_end / steps);
  ViscousWork work;
  for (int k = 0; k < steps; ++k) {
    EXPECT_EQ(viscous_step(s, g.mesh, st, u.data(), v.data(), e.data(), work), 0);
  }
  double err = 0;
  for (size_t n = 0; n < n1; ++n) {
    const double exact = vw * std::erfc(g.r(n) / (2 * std::sqrt(nu * t_end)));
    err = std::max(err, std::abs(v[n] - exact) / vw);
    EXPECT_LT(std::abs(u[n]), 1e-4 * vw);  // no flow across the layers
  }
  return err;
}

// Backward Euler from an impulsive start errs by about dt / t of the wall speed near the wall,
// the mesh by (h / delta)^2 with delta = 2 sqrt(nu t) = 2: with 50 cells (h = 0.2, dt / t =
// 0.01) both are about 1e-2; each halving of h and dt roughly halves the error. The same
// problem in other units (lengths x 1e3, times x 1e-2) gives the same answer to rounding.
TEST_F(GsViscous, ImpulsivelyStartedWallFollowsTheErrorFunction) {
  for (const int m : {3, 4}) {
    const double coarse = stokes_error(*s, 50, m, 1, 1), fine = stokes_error(*s, 100, m, 1, 1);
    EXPECT_LT(coarse, 0.02) << m;
    EXPECT_LT(fine, 0.6 * coarse) << m;
    EXPECT_NEAR(stokes_error(*s, 50, m, 1e3, 1e-2), coarse, 1e-4) << m;
  }
}

// u = C / r with v = 0 is a steady flow of the stress with its hoop term (without it the
// profile would be a + b ln r, 0.04 C apart at r = 1.5): three steps of 100 diffusion times
// reach it to (h / r)^2 = 2.5e-3 of C.
TEST_F(GsViscous, RadialFlowBetweenCylindersIsOneOverR) {
  Grid g(1, 2, 0.2, 20, 4, 4, true);
  const size_t n1 = g.rz.size() / 2;
  std::vector<float> u(n1, 0), v(n1, 0), e(n1, 1), rho(n1, 1);
  std::vector<uint8_t> fu(n1, 0);
  for (size_t n = 0; n < n1; ++n) {
    fu[n] = g.r(n) == 1.0f || g.r(n) == 2.0f;
    if (fu[n]) u[n] = 1 / g.r(n);
  }
  const float nu = 1, kap = 0;
  ViscousStep st{rho.data(), &nu, &kap, fu.data(), nullptr, nullptr, nullptr, 100};
  ViscousWork work;
  for (int k = 0; k < 3; ++k) {
    ASSERT_EQ(viscous_step(*s, g.mesh, st, u.data(), v.data(), e.data(), work), 0);
  }
  for (size_t n = 0; n < n1; ++n) {
    EXPECT_NEAR(u[n], 1 / g.r(n), 2.5e-3) << n;
    EXPECT_NEAR(v[n], 0, 2.5e-3) << n;
  }
}

// An insulated slab with e = 1 + cos(pi r / L) and a cylinder with e = 1 + J0(j r / R) (j the
// first zero of J1): the modes decay as exp(-lambda t), lambda = kappa k^2. After n steps
// backward Euler's factor is low by lambda t * lambda dt / 2 of it, and the lumped mesh of 40
// cells by lambda t (k h)^2 / 12: the tolerance is twice their sum.
TEST_F(GsViscous, TemperatureModesDecayAtTheirRates) {
  for (const bool axi : {false, true}) {
    const double k = axi ? 3.8317059702 : M_PI, kappa = 0.5, t_end = 0.2;
    Grid g(0, 1, 0.05, 40, 2, 3, axi);
    const size_t n1 = g.rz.size() / 2;
    const auto mode = [&](double r) { return axi ? std::cyl_bessel_j(0.0, k * r) : cos(k * r); };
    std::vector<float> u(n1, 0), v(n1, 0), e(n1), rho(n1, 2);
    for (size_t n = 0; n < n1; ++n) e[n] = static_cast<float>(1 + mode(g.r(n)));
    const float nu = 0, kap = static_cast<float>(kappa);
    ViscousStep st{rho.data(), &nu, &kap};
    st.dt = static_cast<float>(t_end / 100);
    ViscousWork work;
    for (int i = 0; i < 100; ++i) {
      ASSERT_EQ(viscous_step(*s, g.mesh, st, u.data(), v.data(), e.data(), work), 0);
    }
    const double lt = kappa * k * k * t_end, decay = std::exp(-lt);
    const double tol = decay * lt * (lt / 100 + k * k / (6 * 40 * 40));
    for (size_t n = 0; n < n1; ++n) {
      EXPECT_NEAR(e[n], 1 + decay * mode(g.r(n)), tol) << axi << " " << n;
    }
  }
}

// A density that is not a number: a message naming the node, the flag, the fields kept.
TEST_F(GsViscous, ValueThatIsNotFiniteStopsTheStep) {
  Grid g(0, 1, 0.1, 4, 2, 3, false);
  const size_t n1 = g.rz.size() / 2;
  std::vector<float> u(n1, 1), v(n1, 0), e(n1, 1), rho(n1, 1);
  for (size_t n = 0; n < n1; ++n) u[n] = g.r(n);
  rho[3] = NAN;
  const float nu = 1, kap = 1;
  ViscousStep st{rho.data(), &nu, &kap};
  st.dt = 0.1f;
  const std::vector<float> before = u;
  ViscousWork work;
  keys(1);
  EXPECT_EQ(viscous_step(*s, g.mesh, st, u.data(), v.data(), e.data(), work), 1);
  EXPECT_TRUE(flag_tst(*s));
  EXPECT_TRUE(seen(" gsvis:") && seen("not finite at node")) << screen();
  EXPECT_EQ(u, before);
}

}  // namespace
}  // namespace tivor::gs
