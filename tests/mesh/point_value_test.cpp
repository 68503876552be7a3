// Interpolating a nodal field at points of a small mesh: inside, on edges, in quadrilaterals and
// outside.
#include "mesh/point_value.hpp"

#include <gtest/gtest.h>

#include <memory>

#include "core/pool.hpp"
#include "support/test_host.hpp"

namespace tivor {
namespace {

class PointValueTest : public ::testing::Test {
 protected:
  // The unit square as nodes 1 (0,0), 2 (1,0), 3 (1,1), 4 (0,1) and the field f = 2 + 3r - z.
  void square(int m) {
    Cmesh& c = s->cmesh;
    c.n1 = 4;
    c.m = m;
    c.n2 = m == 3 ? 2 : 1;
    c.jrz = 0;
    const float rz[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    for (int i = 0; i < 8; ++i) s->a[1 + i] = rz[i];
    c.jj1 = 0;
    const int32_t tri[6] = {1, 2, 3, 1, 3, 4}, quad[4] = {1, 2, 3, 4};
    for (int i = 0; i < 3 * c.n2 + (m == 4 ? 1 : 0); ++i) s->km[1 + i] = m == 3 ? tri[i] : quad[i];
    field = 20;
    for (int k = 1; k <= 4; ++k) s->a[field + k] = 2 + 3 * rz[2 * k - 2] - rz[2 * k - 1];
  }

  test::TestHost host;
  std::unique_ptr<Session> s = std::make_unique<Session>(host);
  int32_t field = 0;
};

TEST_F(PointValueTest, LinearFieldIsReproducedInTrianglesAndQuadrilaterals) {
  for (int m : {3, 4}) {
    square(m);
    const MeshLocator loc(*s);
    for (auto [r, z] : {std::pair{0.25f, 0.5f}, {0.9f, 0.1f}, {0.5f, 0.5f}, {1.0f, 1.0f}}) {
      float v = -1;
      ASSERT_TRUE(point_value(*s, loc, field, r, z, v)) << m << " " << r << " " << z;
      EXPECT_NEAR(v, 2 + 3 * r - z, 1e-5) << m;
    }
  }
}

TEST_F(PointValueTest, PointsOutsideTheMeshOrFieldsOutsideThePoolFindNothing) {
  square(3);
  const MeshLocator loc(*s);
  float v = -1;
  EXPECT_FALSE(point_value(*s, loc, field, 1.5f, 0.5f, v));
  EXPECT_EQ(v, 0.0f);
  EXPECT_FALSE(point_value(*s, loc, kPoolReals - 2, 0.5f, 0.5f, v));
}

}  // namespace
}  // namespace tivor
