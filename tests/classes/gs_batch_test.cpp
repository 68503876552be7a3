// The batched kernels of the euler scheme against one node or one element at a time, on a mesh
// whose counts fill neither the last batch of elements nor the last batch of nodes, with runs of
// triangles of every length inside a quadrilateral mesh.
#include <algorithm>
#include <cstdint>
#include <type_traits>
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
  // 1, 2, ... elements are turned into triangles (fourth node on the third), with rough fields.
  void SetUp() override {
    GsTest::SetUp();
    Task t;
    t.g = {0.5, 0, 1.5, 1, 21, 12};
    t.symmetry = 1;
    ASSERT_TRUE(prepare(t));
    ASSERT_NE(s->cmesh.n2 % 16, 0);
    ASSERT_NE(n1() % gs::GsCache::kNodeBatch, 0);
    int32_t* conn = ints(*s, s->cmesh.jj1);
    for (int32_t e = 0, run = 1; e < s->cmesh.n2; e += 2 * run, ++run) {
      for (int32_t k = e; k < std::min(e + run, s->cmesh.n2); ++k)
        conn[4 * k + 3] = conn[4 * k + 2];
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
  ASSERT_GT(triangles, 50);
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

}  // namespace
}  // namespace tivor::gs_test
