// The batched kernels of the euler scheme against one node or one element at a time, on a mesh
// whose counts fill neither the last batch of elements nor the last batch of nodes, with runs of
// triangles of every length inside a quadrilateral mesh.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

#include "classes/gs/element_residual.hpp"
#include "classes/gs/gs_internal.hpp"
#include "classes/gs/limiter.hpp"
#include "classes/gs_fixture.hpp"

namespace tivor::gs_test {
namespace {

class GsBatchTest : public GsTest {
 protected:
  // An axisymmetric block of 21 x 12 quadrilaterals (252 elements, 286 nodes) of which runs of
  // elements are turned into triangles (fourth node on the third), with rough fields.
  void SetUp() override {
    GsTest::SetUp();
    Task t;
    t.g = {0.5, 0, 1.5, 1, 21, 12};
    t.symmetry = 1;
    ASSERT_TRUE(prepare(t));
    ASSERT_NE(s->cmesh.n2 % 16, 0);
    ASSERT_NE(n1() % gs::GsCache::kNodeBatch, 0);
    // Runs of quadrilaterals and triangles of lengths below, at and above a batch of 16.
    int32_t* conn = ints(*s, s->cmesh.jj1);
    int32_t e = 0;
    for (const auto& [quads, triangles] :
         {std::pair{17, 1}, {16, 2}, {3, 3}, {30, 5}, {1, 8}, {20, 16}, {2, 21}}) {
      e += quads;
      for (int k = 0; k < triangles; ++k, ++e) conn[4 * e + 3] = conn[4 * e + 2];
    }
    ASSERT_EQ(gs::gsind3(*s), 0);
    float* f = reals(*s, parm().jf[0]);
    for (int32_t i = 0; i < 4 * n1(); ++i) {
      f[i] = (i < 3 * n1() && i >= n1() ? -1.0f : 0.5f) +
             static_cast<float>((i * i * 31 + 7 * i) % 17) / 8;
    }
  }
};

TEST_F(GsBatchTest, ElementSumsAreThoseOfOneElementAtATime) {
  // The batched sums and the smallest sizes around the nodes against the one-element formula
  // added element after element: the same operations in the same order, so bit for bit.
  const gs::StageView a = gs::stage_view(*s, parm().jf[0]);
  const int32_t n2 = s->cmesh.n2;
  const float g = 1.4f;
  const gs::Scales sc = gs::scales(parm(), g);
  std::vector<float> sums(4 * n1(), 0.0f), hr(n1(), 1e18f), hz(n1(), 1e18f);
  gs::element_sums(a, 0, n2, g, sc, sums.data(), hr.data(), hz.data());

  std::vector<float> ref(4 * n1(), 0.0f), ref_hr(n1(), 1e18f), ref_hz(n1(), 1e18f);
  int triangles = 0;
  const auto add = [&]<int K>(std::integral_constant<int, K>, int64_t e) {
    float out[K][4];
    gs::element_residual<K>(gs::ResidualConstants<K>(g, sc), gs::element_values<K>(a, e, 4), out);
    for (int i = 0; i < K; ++i) {
      const int32_t n = a.conn[4 * e + i] - 1;
      for (int f = 0; f < 4; ++f) ref[4 * n + f] += out[i][f];
      ref_hr[n] = std::min(ref_hr[n], a.hr[e]);
      ref_hz[n] = std::min(ref_hz[n], a.hz[e]);
    }
  };
  for (int32_t e = 0; e < n2; ++e) {
    if (gs::corners(a.conn + 4 * e, 4) == 3) {
      add(std::integral_constant<int, 3>{}, e), ++triangles;
    } else {
      add(std::integral_constant<int, 4>{}, e);
    }
  }
  ASSERT_EQ(triangles, 56);
  EXPECT_EQ(sums, ref);
  EXPECT_EQ(hr, ref_hr);
  EXPECT_EQ(hz, ref_hz);
  // Without sizes the sums are the same.
  std::vector<float> plain(4 * n1(), 0.0f);
  gs::element_sums(a, 0, n2, g, sc, plain.data(), nullptr, nullptr);
  EXPECT_EQ(plain, ref);
}

TEST_F(GsBatchTest, RecordLimiterIsTheOneFieldLimiterOnEachField) {
  // The four fields as records of four values a node, through both record passes, against the
  // one-field pass on each field.
  const gs::GsCache& nb = gs::gs_cache(*s);
  const int64_t n = n1();
  const float* f = reals(*s, parm().jf[0]);
  std::vector<float> rec(4 * n), ref(4 * n);
  for (int64_t i = 0; i < n; ++i) {
    for (int k = 0; k < 4; ++k) rec[4 * i + k] = f[k * n + i];
  }
  for (int k = 0; k < 4; ++k) gs::limit_pass(nb, n, f + k * n, ref.data() + k * n);
  ASSERT_NE(ref, std::vector<float>(f, f + 4 * n));  // the pass changes something

  std::vector<float> fields(4 * n), records(4 * n), from_records(4 * n);
  gs::limit_records_to_fields(nb, n, rec.data(), fields.data());
  EXPECT_EQ(fields, ref);
  gs::limit_records(nb, n, rec.data(), records.data());
  for (int64_t i = 0; i < n; ++i) {
    for (int k = 0; k < 4; ++k) from_records[k * n + i] = records[4 * i + k];
  }
  EXPECT_EQ(from_records, ref);
}

TEST_F(GsBatchTest, StableStepIsTheLeastOfTheElementsOneAtATime) {
  // The batched stable step against the formulas applied element by element: the least of the
  // times the flow with the sound speed takes across the element in r and in z, and of the time
  // of diffusion across its smaller size. Each element in turn is made the thinnest, so that
  // every place of every batch must take part.
  const Cmesh& c = s->cmesh;
  const int32_t* conn = ints(*s, c.jj1);
  const float* dm = reals(*s, c.jdm);
  float *hr = reals(*s, c.jhr), *hz = reals(*s, c.jhz);
  const auto field = [&](int f) { return reals(*s, parm().jf[f]); };
  const auto least = [&] {
    float step = 1e18f;
    for (int32_t e = 0; e < c.n2; ++e) {
      float pe = 0, re = 0, ue = 0, ve = 0;
      for (int i = 0; i < gs::corners(conn + 4 * e, 4); ++i) {
        const int32_t n = conn[4 * e + i] - 1;
        const float w = dm[4 * e + i];
        pe += w * std::max(field(4)[n], 1e-10f), re += w * std::max(field(0)[n], 0.001f);
        ue += w * field(1)[n], ve += w * field(2)[n];
      }
      const float a = std::sqrt(std::abs(pe) * 1.4f / (re + kEpsilon) + kEpsilon);
      const float h = std::min(hr[e], hz[e]);  // diffusion with the least viscosity, 1e-18
      step = std::min({step, hz[e] / (std::abs(ve) + a), hr[e] / (std::abs(ue) + a),
                       h * h / (2 * 1e-18f + kEpsilon)});
    }
    return step;
  };
  for (int32_t e = 0; e < c.n2; ++e) {
    const float kept = hz[e];
    hz[e] *= 1e-3f;
    gs::gsht(*s);
    ASSERT_EQ(s->cht.hist.htdyn, least()) << e;
    hz[e] = kept;
  }
}

}  // namespace
}  // namespace tivor::gs_test
