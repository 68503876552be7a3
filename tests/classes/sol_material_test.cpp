// The solids class's material model for one element: gas zones, destruction, porosity bounds,
// the two yield criteria, rigid rotations and the energy balance.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "classes/sol/material.hpp"

namespace tivor::sol {
namespace {

float norm2(const float* s) {
  return 2 * (s[0] * s[0] + s[1] * s[1] + s[0] * s[1] + s[2] * s[2]);
}

struct Element {
  ZoneMaterial z;
  ElementKinematics k;
  ElementState e;
  ElementStresses out;
  float dest = 1;
  Element() { z.k3 = 3, z.gam = 1, z.ro0 = 1, z.g2 = 2, k.volume = k.volume0 = 1, k.dt = 1e-3f; }
  const float* run(MaterialMode m = MaterialMode::state) {
    somatequ(z, k, e, m, out, dest);
    return out.total;
  }
};

TEST(SolMaterial, GasZoneCarriesOnlyMeanStress) {
  Element el;
  el.z.gam = 1.4f;
  el.k.durdr = 1e-3f;
  el.k.duzdz = -4e-3f;
  const float* s = el.run();
  EXPECT_EQ(s[0], 0);
  EXPECT_EQ(s[1], 0);
  EXPECT_FLOAT_EQ(s[3], -1e-3f * el.z.k3);
}

TEST(SolMaterial, DestroyedElementLosesDeviatorAndTensionOnly) {
  for (float strain : {0.02f, -0.02f}) {
    Element intact, broken;
    intact.k.durdr = broken.k.durdr = strain;
    broken.z.damage[0] = 1, broken.z.damage[1] = 2, broken.z.damage[2] = 4;
    broken.z.emax = 0.01f;
    const float *a = intact.run(), *b = broken.run();
    EXPECT_EQ(broken.dest, 0);
    for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(b[i], a[i] / 4);
    EXPECT_FLOAT_EQ(b[3], strain > 0 ? a[3] / 4 : a[3]);
  }
}

TEST(SolMaterial, PorosityStaysWithinItsBounds) {
  for (float pore : {-1.0f, 0.0f, 0.4f, 0.9f, 2.0f})
    for (float rate : {-1e6f, 1e6f})
      for (float strain : {-0.5f, 0.5f}) {
        Element el;
        el.z.compact[0] = 0.5f, el.z.compact[1] = rate, el.z.compact[2] = 1;
        el.e.pore = pore;
        el.k.durdr = strain;
        el.run();
        EXPECT_GE(el.e.pore, 0);
        EXPECT_LE(el.e.pore, 0.9f);
      }
}

TEST(SolMaterial, VonMisesReturnsToTheYieldSurfaceOnlyFromOutside) {
  const float hardening[] = {0, 1e-3f, 1, 2e-3f}, constant[] = {0, 1e-3f};
  Element inside, outside;
  inside.z.plast = outside.z.plast = 1;
  inside.z.yield = hardening;
  outside.z.yield = constant;
  inside.k.durdz = 1e-4f;
  outside.k.durdz = 0.05f;
  inside.run();
  EXPECT_EQ(inside.e.ap, 0);
  EXPECT_EQ(inside.e.ep13, 0);
  EXPECT_NEAR(std::sqrt(norm2(outside.run())), 1e-3f, 1e-8f);
  EXPECT_GT(outside.e.ap, 0);
  EXPECT_GT(outside.e.ep13, 0);
  outside.k.de13 = 0.01f;
  outside.run(MaterialMode::force);
  EXPECT_NEAR(std::sqrt(norm2(outside.out.inc)), 1e-3f, 1e-8f);
}

TEST(SolMaterial, MaximalPrincipalStressIsCappedAtYield) {
  const float table[] = {0, 1e-3f};
  Element el;
  el.z.plast = 2;
  el.z.yield = table;
  el.k.durdr = 0.01f, el.k.durdz = el.k.duzdr = 5e-3f;
  const float* s = el.run();
  const float mid = (s[0] + s[1]) / 2 + s[3], half = (s[0] - s[1]) / 2;
  const float top = std::max(mid + std::hypot(half, s[2]), s[3] - s[0] - s[1]);
  EXPECT_NEAR(top, 1e-3f, 1e-8f);
}

TEST(SolMaterial, RigidRotationWithLargeStrainsGivesNoStress) {
  Element el;
  el.k.gn = 1;
  // Displacement gradient of a rotation on the current configuration: I - R^T.
  const float c = std::cos(0.3f), s = std::sin(0.3f);
  el.k.durdr = el.k.duzdz = 1 - c, el.k.durdz = -s, el.k.duzdr = s;
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(el.run()[i], 0, 1e-6f * el.z.k3);
}

TEST(SolMaterial, EnergyNeverDecreases) {
  Element el;
  el.k.durdr = 0.01f, el.k.duzdz = -0.02f, el.k.durdz = 0.01f;
  for (float sign : {1.0f, -1.0f}) {
    el.k.de11 = sign * 1e-3f, el.k.de13 = -sign * 1e-3f, el.k.dem = sign * 1e-3f;
    const float before = el.e.ee;
    el.run();
    EXPECT_GE(el.e.ee, before);
  }
  EXPECT_GT(el.e.ee, 0);
}

}  // namespace
}  // namespace tivor::sol
