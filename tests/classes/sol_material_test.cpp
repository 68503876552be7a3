// The solids class's material model for one element: gas zones, destruction and the other
// damage models, porosity, the two yield criteria and the plastic work, pressure hardening,
// rigid rotations and the internal energy.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "classes/sol/material.hpp"

namespace {
using namespace tivor::sol;

float norm(const float* s) {
  return std::sqrt(2 * (s[0] * s[0] + s[1] * s[1] + s[0] * s[1] + s[2] * s[2]));
}

// An element of a zone with 2G = 2, 3K = 3 and, where a criterion is chosen, yield stress 1e-3.
struct Element : ElementState, ElementStresses {
  float dest = 1, table[2] = {0, 1e-3f};
  ZoneMaterial z{.k3 = 3, .gam = 1, .ro0 = 1, .g2 = 2, .yield = table};
  ElementKinematics k{.volume = 1, .volume0 = 1, .dt = 1e-3f};
  // In force mode, which also gives the totals and element values of state mode.
  const float* run() { return somatequ(z, k, *this, MaterialMode::force, *this, dest), total; }
  // Strains the element from its total strains to (e11, e33, e13, hoop) in n equal steps, as
  // the scheme's passes would; the hoop strain comes as R ubar with R = 1.
  void strain_to(float e11, float e33, float e13, float hoop, int n) {
    k.rmin1 = 1;
    const float d11 = (e11 - k.durdr) / n, d33 = (e33 - k.duzdz) / n, d13 = (e13 - k.durdz) / n;
    const float d22 = (hoop - k.ubar) / n, dm = (d11 + d22 + d33) / 3;
    k.de11 = d11 - dm, k.de33 = d33 - dm, k.de13 = d13, k.dem = dm;
    for (int i = 0; i < n; ++i) {
      k.durdr += d11, k.duzdz += d33, k.ubar += d22;
      k.durdz = k.duzdr = k.durdz + d13;
      run();
    }
  }
};

TEST(SolMaterial, GasCarriesOnlyMeanStressAndRigidRotationNone) {
  Element gas, turn;
  gas.z.gam = 1.4f, gas.k.durdr = 1e-3f, gas.k.duzdz = -4e-3f;
  const float* s = gas.run();
  EXPECT_TRUE(s[0] == 0 && s[1] == 0 && s[2] == 0 && std::fabs(s[3] + 3e-3f) < 1e-9f);
  // The displacement gradient of a rotation on the current configuration is I - R^T.
  turn.k.gn = 1, turn.k.durdr = turn.k.duzdz = 1 - std::cos(0.3f);
  turn.k.duzdr = -(turn.k.durdz = -std::sin(0.3f));
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(turn.run()[i], 0, 1e-6f);
}

TEST(SolMaterial, DestroyedElementLosesDeviatorAndTensionOnly) {
  for (float strain : {0.02f, -0.02f}) {
    Element intact, broken;
    intact.k.durdr = broken.k.durdr = strain, broken.z.emax = 0.01f;
    broken.z.damage[0] = 1, broken.z.damage[1] = 2, broken.z.damage[2] = 4;
    const float *a = intact.run(), *b = broken.run();
    EXPECT_EQ(broken.dest, 0);
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(b[i], i < 3 || strain > 0 ? a[i] / 4 : a[i]);
  }
}

TEST(SolMaterial, PorosityStaysWithinItsBoundsAndScalesStressesStiffnessAndYield) {
  for (float pore : {-1.0f, 0.4f, 2.0f})
    for (float rate : {-1e6f, 1e6f}) {
      Element el;
      el.z.compact[0] = 0.5f, el.z.compact[1] = rate, el.z.compact[2] = 1, el.pore = pore;
      el.k.durdr = -0.5f, el.k.de11 = el.k.dem = 0.5f, el.k.de13 = rate;
      EXPECT_TRUE(el.run() && el.pore >= 0 && el.pore <= 0.9f) << pore << rate;
    }
  // Pressure closes pores: every stress grows by 1 - (change / (1 - new porosity)) / 3 over
  // the pore-free material's, and the von Mises radius shrinks to (1 - porosity) Y.
  Element solid, porous;
  for (Element* el : {&solid, &porous}) {
    el->z.plast = 1, el->k.durdr = -4e-3f, el->k.durdz = 1e-4f;
  }
  porous.z.compact[0] = porous.pore = 0.3f, porous.z.compact[1] = 1e4f;
  const float *a = solid.run(), *b = porous.run();
  const float change = porous.pore - 0.3f, scale = 1 - change / (1 - porous.pore) / 3;
  EXPECT_LT(change, 0);
  EXPECT_NEAR(b[3], scale * a[3], 1e-6f * std::fabs(a[3]));
  EXPECT_NEAR(norm(b), (1 - porous.pore) * 1e-3f, 1e-8f);
  // In tension a porous zone is softer in bulk: its mean strain read as mean stress over 3K
  // (the damage strain of measure 3) is 1 / (1 - porosity / (C1 + 0.001)) of the mean strain.
  Element open;
  open.z.compact[0] = open.pore = 0.3f, open.z.damage[0] = 1, open.z.damage[1] = 3;
  open.k.durdr = 3e-3f;
  open.run();
  EXPECT_NEAR(open.emx, 1e-3f / (1 - 0.3f / 0.301f), 1e-5f * open.emx);
}

TEST(SolMaterial, VonMisesReturnsToTheYieldSurfaceOnlyFromOutside) {
  Element el;
  el.z.plast = 1, el.k.durdz = 1e-4f;
  EXPECT_TRUE(el.run() && el.ap == 0 && el.ep13 == 0);
  el.k.durdz = 0.05f, el.k.de13 = 0.01f;
  EXPECT_NEAR(norm(el.run()), 1e-3f, 1e-8f);
  EXPECT_TRUE(el.ap > 0 && el.ep13 > 0 && std::fabs(norm(el.inc) - 1e-3f) < 1e-8f);
}

TEST(SolMaterial, MaximalPrincipalStressIsCappedAtYield) {
  Element el;
  el.z.plast = 2, el.k.durdr = 0.01f, el.k.durdz = el.k.duzdr = 5e-3f;
  const float* s = el.run();
  const float mid = (s[0] + s[1]) / 2 + s[3], half = (s[0] - s[1]) / 2;
  EXPECT_NEAR(std::max(mid + std::hypot(half, s[2]), s[3] - s[0] - s[1]), 1e-3f, 1e-8f);
}

TEST(SolMaterial, PlasticWorkAndStrainOfUniaxialStrainAreThoseOfTheExactReturn) {
  // Uniaxial strain e to 8 yield strains. The table holds sqrt(2/3) Y, Y the uniaxial yield
  // stress; past e_y = Y / 2G the deviatoric strain goes into plastic strain along (2/3, -1/3)
  // and the work is the stress on the surface times it: ap = (2/3) Y (e - e_y), whatever the
  // step.
  const float y = 1e-3f / std::sqrt(2.0f / 3), ey = y / 2, e = 8 * ey;
  for (int n : {10, 100}) {
    Element el;
    el.z.plast = 1;
    el.strain_to(e, 0, 0, 0, n);
    EXPECT_NEAR(el.ap, 2.0f / 3 * y * (e - ey), 1e-3f * el.ap) << n;
    EXPECT_NEAR(el.ep11, 2.0f / 3 * (e - ey), 1e-3f * el.ep11) << n;
    EXPECT_NEAR(el.ep33, -0.5f * el.ep11, 1e-3f * el.ep11) << n;
  }
  // Hardening linear in the work, dY/dap = h: dap = Y d|ep| makes Y = Y0 exp(h |ep|), so
  // ap = Y0 (exp(h |ep|) - 1) / h. The table is read at the work before the step, which leaves
  // an error of about h d|ep| / 2 of a step: well within 1% at 10 steps.
  float table[4] = {0, 1e-3f, 1e-5f, 1.25e-3f}, ap[2];
  const float h = 25;
  for (int i : {0, 1}) {
    Element el;
    el.z.plast = 1, el.z.yield = table;
    el.strain_to(e, 0, 0, 0, i == 0 ? 10 : 100);
    const float p11 = el.ep11, p33 = el.ep33, p13 = el.ep13;
    const float ep = std::sqrt(p11 * p11 + p33 * p33 + (p11 + p33) * (p11 + p33) + 2 * p13 * p13);
    EXPECT_NEAR(el.ap, 1e-3f * std::expm1(h * ep) / h, 1e-2f * el.ap) << i;
    ap[i] = el.ap;
  }
  EXPECT_NEAR(ap[0], ap[1], 1e-2f * ap[1]);
}

TEST(SolMaterial, PressureHardeningReadsTheTableFurtherUnderCompression) {
  // The yield stress is read at ap - skpres sm: with a table rising by h per unit work,
  // compression raises it by h skpres |sm| and tension lowers it as much; a table that does
  // not rise is not changed by pressure.
  float rising[4] = {0, 1e-3f, 1, 2e-3f};
  for (float strain : {-1e-3f, 1e-3f}) {
    for (bool flat : {false, true}) {
      Element el;
      el.z.plast = 1, el.z.skpres = 50, el.k.durdz = 0.01f;
      if (!flat) el.z.yield = rising;
      el.k.durdr = el.k.duzdz = strain;  // sm = 3K (2/3) strain
      const float* s = el.run();
      EXPECT_NEAR(norm(s), flat ? 1e-3f : 1e-3f - 1e-3f * 50 * s[3], 1e-8f) << strain << flat;
    }
  }
}

TEST(SolMaterial, InternalEnergyIsTheWorkOfTheStresses) {
  // Per unit mass (ro0 = 1), 2G = 2, 3K = 3. The work of n increments is summed with the stress
  // at the end of each, above the integral by 1/n of it.
  const int n = 100;
  const float e = 1e-3f, lambda = (3.0f - 2.0f) / 3;
  // Uniform compression by e each way: p = -sm = 3K e, dV/V0 = 3 de, so the energy, the integral
  // of p dV / ro0, is 9K e^2 / 2.
  Element squeezed;
  squeezed.strain_to(-e, -e, 0, -e, n);
  EXPECT_NEAR(squeezed.ee, 4.5f * e * e, 1.5f / n * squeezed.ee);
  // Uniaxial strain: (lambda + 2G) e^2 / 2; a gas zone keeps only its mean stress, K e^2 / 2.
  Element solid, gas;
  gas.z.gam = 1.4f;
  solid.strain_to(e, 0, 0, 0, n);
  gas.strain_to(e, 0, 0, 0, n);
  EXPECT_NEAR(solid.ee, (lambda + 2) * e * e / 2, 1.5f / n * solid.ee);
  EXPECT_NEAR(gas.ee, e * e / 2, 1.5f / n * gas.ee);
  // Loaded along a path with every strain and back to the start, an elastic element gives its
  // work back: the start energy returns within 2/n of the work (the stress at the end of each
  // increment makes loading and unloading each err by 1/n).
  Element cycle;
  cycle.ee = 1e-6f;
  cycle.strain_to(e, -0.5f * e, 0.8f * e, 0.2f * e, n);
  const float tr = 0.7f * e, w = lambda / 2 * tr * tr + e * e * (1 + 0.25f + 2 * 0.64f + 0.04f);
  EXPECT_NEAR(cycle.ee - 1e-6f, w, 1.5f / n * w);
  cycle.strain_to(0, 0, 0, 0, n);
  EXPECT_NEAR(cycle.ee, 1e-6f, 2.5f / n * w);
}

TEST(SolMaterial, DamageMeasuresDestroyAtTheirLimit) {
  // Model 1 measures by D2: 1 the largest tensile strain (in-plane principal or hoop), 3 the
  // mean stress over 3K; compression destroys by neither.
  struct Case {
    float d2, e11, e13, hoop;
    bool destroyed;
  };
  for (const Case& c :
       {Case{1, 0, 0.0099f, 0, false}, Case{1, 0, 0.0101f, 0, true}, Case{1, 0, 0, 0.0101f, true},
        Case{1, -0.1f, 0, -0.1f, false}, Case{3, 0.0299f, 0, 0, false},
        Case{3, 0.0101f, 0, 0.0201f, true}, Case{3, -0.1f, 0, 0, false}}) {
    Element el;
    el.z.emax = 0.01f, el.z.damage[0] = 1, el.z.damage[1] = c.d2;
    el.k.rmin1 = 1, el.k.ubar = c.hoop, el.k.durdr = c.e11, el.k.durdz = el.k.duzdr = c.e13;
    el.run();
    EXPECT_EQ(el.dest == 0, c.destroyed) << c.d2 << " " << c.e11 << " " << c.e13 << " " << c.hoop;
  }
}

TEST(SolMaterial, CrackModelsLowerTheShearStressAtTheirRates) {
  // A shear strain g held for a unit of time while the crack measure grows. Model 2: crack grows
  // at D3 (J / (2G)^2 - EMAX^2) = D3 (2 g^2 - EMAX^2), the stresses fall as exp(-crack) and
  // never rise. Model D1 < 0: the crack measure grows at x = |D1| (J - D2^2) and the shear
  // stress relaxes at D3 x. Both rates are 1 here: the stress ends at exp(-1) of its start,
  // whatever the step.
  const float g = 0.02f, j = 8 * g * g, emax = 0.01f, d2 = 0.03f;
  for (int n : {10, 100}) {
    Element two, viscous;
    two.z.emax = emax, two.z.damage[0] = 2, two.z.damage[2] = 1 / (2 * g * g - emax * emax);
    viscous.z.damage[0] = -1 / (j - d2 * d2), viscous.z.damage[1] = d2, viscous.z.damage[2] = 1;
    for (Element* el : {&two, &viscous}) {
      el->k.dt = 1.0f / n, el->k.durdz = el->k.duzdr = g;
      float before = 2 * g;
      for (int i = 0; i < n; ++i) {
        EXPECT_LE(el->run()[2], before);
        before = el->total[2];
      }
      EXPECT_NEAR(el->total[2], 2 * g * std::exp(-1.0f), 0.02f * el->total[2]) << n;
      EXPECT_NEAR(el->crack, 1, 1e-4f) << n;
    }
  }
}

}  // namespace
