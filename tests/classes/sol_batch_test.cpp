// The explicit step's element passes run in batches of elements: they must give what the model
// and the element formulas give one element at a time, in every kind of zone, on meshes that
// mix quadrilaterals and triangles and do not fill their last batch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "classes/sol/explicit_step.hpp"
#include "kernels/loop_hints.hpp"
#include "sol_fixture.hpp"

namespace tivor::sol_test {
namespace {

using sol::kLanes;

// Two zones of 7 x 5 and 3 x 3 cells (44 elements: the last batch of each zone is partial), the
// first plain (von Mises, a two-row table), the second not (a three-row table). Some cells of
// the first are made triangles, and the nodes get displacements, velocities and plastic state.
class SolBatches : public SolTest {
 protected:
  void SetUp() override {
    SolTest::SetUp();
    Task t;
    t.zones = {Zone{0, 0, 0.7, 0.5, 7, 5}, Zone{0.7, 0, 1.0, 0.3, 3, 3}};
    t.zones[0].plast = 1;
    t.zones[0].table = "nsk=2\nm=0 2000 1 3000\n";
    t.zones[1].plast = 1;
    t.zones[1].table = "nsk=3\nm=0 2500 1 2600 2 2700\n";
    t.symmetry = 1;
    t.gn = 1;
    ASSERT_TRUE(prepare(t));
    int32_t* conn = ints(*s, mesh().jj1);
    for (int32_t e : {3, 10, 16, 17, 30}) conn[4 * e + 3] = conn[4 * e + 2];
    std::mt19937 random(7);
    std::uniform_real_distribution<float> small(-1e-4f, 1e-4f), speed(-0.5f, 0.5f);
    for (int32_t i = 0; i < n1(); ++i) {
      for (int f : {sol::kUr, sol::kUz}) field(f)[i] = small(random);
      for (int f : {sol::kVr, sol::kVz}) field(f)[i] = speed(random);
      for (int f : {sol::kEp11, sol::kEp33, sol::kEp13}) field(f)[i] = small(random);
      field(sol::kAp)[i] = 1e-2f * std::abs(small(random));
      field(sol::kEe)[i] = 1 + small(random);
    }
    s->cht.ht = 1e-4f;
    // The step's own preparation up to its first pass.
    for (int i = 0; i < 4; ++i) std::copy_n(field(i), n1(), reals(*s, parm().jf0[i]));
    motion.resize(4 * size_t(n1()));
    for (int32_t i = 0; i < n1(); ++i) {
      for (int k = 0; k < 4; ++k) motion[4 * i + k] = field(k)[i];
    }
    sol::StepLimits limits;
    ASSERT_EQ(sol::soind3_limits(*s, motion.data(), limits), 0);
    a = sol::step_arrays(*s);
    const float* from[sol::kStateValues] = {field(sol::kEp11), field(sol::kEp33),
                                            field(sol::kEp13), field(sol::kRop),
                                            field(sol::kAp),   field(sol::kRo),
                                            field(sol::kEe),   a.pore,
                                            a.crack,           a.emx};
    state.resize(n1());
    sol::state_records(from, n1(), state.data());
    a.state = state.data();
    a.motion = motion.data();
  }
  float* field(int f) { return reals(*s, parm().jf[f]); }

  // Element e (from 0) one at a time: its nodes, coefficients, kinematics and state, as the
  // formulas define them, and the model's stresses.
  struct One {
    int k = 0;
    int32_t n[4];
    float d1[4], d2[4], w[4];
    sol::ElementKinematics kin;
    sol::ElementState st, before;
    sol::ElementStresses out;
  };
  One one(int32_t e, sol::MaterialMode mode) {
    One o;
    const int32_t* v = a.conn + 4 * e;
    o.k = v[2] != v[3] ? 4 : 3;
    float s1 = 0, s1ur = 0, s1vr = 0, g[4][2] = {}, vel[2][2] = {};
    for (int i = 0; i < o.k; ++i) {
      const int32_t n = o.n[i] = v[i] - 1;
      o.d1[i] = a.d1[4 * e + i], o.d2[i] = a.d2[4 * e + i], o.w[i] = a.dm[4 * e + i];
      const float* u = a.motion + 4 * n;
      g[0][0] += o.d1[i] * u[0], g[0][1] += o.d2[i] * u[0];
      g[1][0] += o.d1[i] * u[1], g[1][1] += o.d2[i] * u[1];
      vel[0][0] += o.d1[i] * u[2], vel[0][1] += o.d2[i] * u[2];
      vel[1][0] += o.d1[i] * u[3], vel[1][1] += o.d2[i] * u[3];
      const float a1 = std::abs(o.d1[i]);
      s1 += a1, s1ur += a1 * u[0], s1vr += a1 * u[2];
      const float* x = a.state[n].v;
      o.st.ep11 += o.w[i] * x[sol::kStateEp11];
      o.st.ep33 += o.w[i] * x[sol::kStateEp33];
      o.st.ep13 += o.w[i] * x[sol::kStateEp13];
      o.st.rop += o.w[i] * x[sol::kStateRop];
      o.st.ap += o.w[i] * x[sol::kStateAp];
      o.st.ro += o.w[i] * x[sol::kStateRo];
      o.st.ee += o.w[i] * x[sol::kStateEe];
    }
    const float dt = a.dt, r = a.rmin1[e];
    const float e11 = dt * vel[0][0], e33 = dt * vel[1][1], e22 = r * dt * s1vr / s1;
    const float em = (e11 + e22 + e33) / 3;
    o.kin = {.de11 = e11 - em,
             .de33 = e33 - em,
             .de13 = 0.5f * dt * (vel[0][1] + vel[1][0]),
             .dem = em,
             .durdr = g[0][0],
             .durdz = g[0][1],
             .duzdr = g[1][0],
             .duzdz = g[1][1],
             .ubar = s1ur / s1,
             .rmin1 = r,
             .volume = a.vol[e],
             .volume0 = a.vol0[e],
             .dt = dt,
             .gn = a.gn};
    o.before = o.st;
    float dest = 1;
    sol::somatequ(sol::somprop(*s, e < 35 ? 0 : 1), o.kin, o.st, mode, o.out, dest);
    return o;
  }

  std::vector<float> motion;
  std::vector<sol::NodeState> state;
  sol::StepArrays a{};
};

TEST_F(SolBatches, ForcesAndNewStatesOfBatchesAreThoseOfOneElementAtATime) {
  ASSERT_EQ(mesh().n2, 44);
  // Pass 1.
  std::fill_n(a.fr, 2 * int64_t{n1()}, 0.0f);
  sol::element_forces(a, *s, false);
  std::vector<double> fr(n1()), fz(n1()), scale(n1());
  for (int32_t e = 0; e < mesh().n2; ++e) {
    const One o = one(e, sol::MaterialMode::force);
    const float pres = (sol::somprop(*s, e < 35 ? 0 : 1).gam - 1) * o.st.ee * o.st.ro;
    const float sm = o.out.inc[3] - pres, v = o.kin.volume;
    const float a11 = (o.out.inc[0] + sm) * v, a13 = o.out.inc[2] * v;
    const float a33 = (o.out.inc[1] + sm) * v, hoop = (sm - o.out.inc[0] - o.out.inc[1]) * v;
    for (int i = 0; i < o.k; ++i) {
      const float h = o.w[i] * hoop * o.kin.rmin1;
      fr[o.n[i]] += o.d1[i] * a11 + o.d2[i] * a13 + h;
      fz[o.n[i]] += o.d1[i] * a13 + o.d2[i] * a33;
      scale[o.n[i]] += std::abs(o.d1[i] * a11) + std::abs(o.d2[i] * a13) + std::abs(h) +
                       std::abs(o.d1[i] * a13) + std::abs(o.d2[i] * a33);
    }
  }
  // Float sums of a few terms in another order: a few roundings of the largest term.
  for (int32_t i = 0; i < n1(); ++i) {
    ASSERT_GT(scale[i], 0) << i;
    EXPECT_NEAR(a.fr[i], fr[i], 1e-6 * scale[i]) << i;
    EXPECT_NEAR(a.fz[i], fz[i], 1e-6 * scale[i]) << i;
  }
  // Pass 2: the weights, a plastic strain's change, the stresses.
  std::vector<sol::NodeSums> q(n1());
  sol::element_states(a, *s, q.data(), false, nullptr);
  std::vector<double> weight(n1()), ep11(n1()), s11(n1()), work(n1());
  bool flowed = false;
  for (int32_t e = 0; e < mesh().n2; ++e) {
    const One o = one(e, sol::MaterialMode::state);
    flowed |= o.st.ap != o.before.ap;
    for (int i = 0; i < o.k; ++i) {
      const double w = o.w[i] * o.kin.volume;
      weight[o.n[i]] += w;
      ep11[o.n[i]] += w * (o.st.ep11 - o.before.ep11);
      s11[o.n[i]] += w * (o.out.total[0] + o.out.total[3]);
      work[o.n[i]] += w * (o.st.ap - o.before.ap);
    }
  }
  EXPECT_TRUE(flowed) << "no element reached the yield surface";
  const auto near = [](float got, double want) {
    return std::abs(got - want) <= 1e-5 * std::abs(want) + 1e-12;
  };
  for (int32_t i = 0; i < n1(); ++i) {
    EXPECT_TRUE(near(q[i].v[sol::kSumWeight], weight[i])) << i;
    EXPECT_TRUE(near(q[i].v[sol::kSumEp11], ep11[i])) << i;
    EXPECT_TRUE(near(q[i].v[sol::kSumS11], s11[i])) << i;
    EXPECT_TRUE(near(q[i].v[sol::kSumAp], work[i])) << i;
  }
}

TEST_F(SolBatches, GeometryOfBatchesIsExactForLinearFieldsAndLimitsMatchTheStoredGeometry) {
  // The mean derivatives of r and z over each element, at the displaced positions, are exact,
  // and the weights of its nodes make 1.
  const float* rz = reals(*s, mesh().jrz);
  for (int32_t e = 0; e < mesh().n2; ++e) {
    const int32_t* v = a.conn + 4 * e;
    double drr = 0, drz = 0, dzr = 0, dzz = 0, weights = 0;
    for (int i = 0; i < (v[2] != v[3] ? 4 : 3); ++i) {
      const int32_t n = v[i] - 1;
      const double r = rz[2 * n] + a.gn * motion[4 * n];
      const double z = rz[2 * n + 1] + a.gn * motion[4 * n + 1];
      drr += a.d1[4 * e + i] * r, drz += a.d2[4 * e + i] * r;
      dzr += a.d1[4 * e + i] * z, dzz += a.d2[4 * e + i] * z;
      weights += a.dm[4 * e + i];
    }
    EXPECT_NEAR(drr, 1, 1e-4) << e;
    EXPECT_NEAR(dzz, 1, 1e-4) << e;
    EXPECT_NEAR(drz, 0, 1e-4) << e;
    EXPECT_NEAR(dzr, 0, 1e-4) << e;
    EXPECT_NEAR(weights, 1, 1e-6) << e;
  }
  // The step's limits from the batches equal those of the elements one at a time on the stored
  // geometry, which soht2 takes.
  sol::StepLimits batched;
  ASSERT_EQ(sol::soind3_limits(*s, motion.data(), batched), 0);
  s->cht.cur = 0.5f;
  ASSERT_EQ(sol::soht2(*s), 0);
  EXPECT_EQ(s->cht.hist.htdyn, 1.0f / batched.inv_stable);
  EXPECT_GT(batched.rate, 0);
}

// The element passes built for 256-bit vectors and those built for any processor take the same
// operations in each lane, so they give the same bits.
TEST_F(SolBatches, NarrowAndWideVersionsOfThePassesGiveTheSameBits) {
  struct Result {
    std::vector<float> geometry, forces;
    std::vector<sol::NodeSums> sums;
    float rate, inv_stable;
  };
  const int64_t n2 = mesh().n2, corners = 4 * n2;
  const auto run = [&](bool wide) {
    use_wide_vectors(wide);
    Result r;
    sol::StepLimits limits;
    EXPECT_EQ(sol::soind3_limits(*s, motion.data(), limits), 0);
    r.rate = limits.rate, r.inv_stable = limits.inv_stable;
    for (const float* f : {a.d1, a.d2, a.dm}) r.geometry.insert(r.geometry.end(), f, f + corners);
    for (const float* f : {a.vol, a.rmin1}) r.geometry.insert(r.geometry.end(), f, f + n2);
    std::fill_n(a.fr, 2 * int64_t{n1()}, 0.0f);
    sol::element_forces(a, *s, false);
    r.forces.assign(a.fr, a.fr + 2 * int64_t{n1()});
    r.sums.assign(n1(), sol::NodeSums{});
    sol::element_states(a, *s, r.sums.data(), false, nullptr);
    return r;
  };
  const bool chosen = wide_vectors();
  const Result narrow = run(false), wide = run(true);
  use_wide_vectors(chosen);
  const auto same_bits = [](const auto& x, const auto& y) {
    return x.size() == y.size() && std::memcmp(x.data(), y.data(), x.size() * sizeof x[0]) == 0;
  };
  EXPECT_TRUE(same_bits(narrow.geometry, wide.geometry));
  EXPECT_EQ(narrow.rate, wide.rate);
  EXPECT_EQ(narrow.inv_stable, wide.inv_stable);
  EXPECT_TRUE(same_bits(narrow.forces, wide.forces));
  EXPECT_TRUE(same_bits(narrow.sums, wide.sums));
}

}  // namespace
}  // namespace tivor::sol_test
