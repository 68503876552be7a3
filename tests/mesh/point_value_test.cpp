// Interpolating a nodal field at points of a small mesh: inside, on edges, in quadrilaterals and
// outside.
#include "mesh/point_value.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/pool.hpp"
#include "mesh/mesh_fixture.hpp"

namespace tivor::mesh_test {
namespace {

TEST_F(MeshTest, PointValueReproducesALinearFieldAndFindsNothingOutside) {
  // The unit square as nodes 1 (0,0), 2 (1,0), 3 (1,1), 4 (0,1) in two triangles or one
  // quadrilateral, and the field f = 2 + 3r - z at pointer 20.
  const float rz[8] = {0, 0, 1, 0, 1, 1, 0, 1};
  const int32_t conn[2][6] = {{1, 2, 3, 1, 3, 4}, {1, 2, 3, 4}};
  const int32_t field = 20;
  for (int m : {3, 4}) {
    Cmesh& g = s->cmesh;
    g.n1 = 4, g.m = m, g.n2 = m == 3 ? 2 : 1, g.jrz = 0, g.jj1 = 0;
    std::copy_n(rz, 8, &s->a[1]);
    std::copy_n(conn[m - 3], 6, &s->km[1]);
    for (int k = 1; k <= 4; ++k) s->a[field + k] = 2 + 3 * rz[2 * k - 2] - rz[2 * k - 1];
    const MeshLocator loc(*s);
    for (auto [pr, pz] : {std::pair{0.25f, 0.5f}, {0.9f, 0.1f}, {0.5f, 0.5f}, {1.0f, 1.0f}}) {
      float v = -1;
      ASSERT_TRUE(point_value(*s, loc, field, pr, pz, v)) << m << " " << pr << " " << pz;
      EXPECT_NEAR(v, 2 + 3 * pr - pz, 1e-5) << m;
    }
    float v = -1;
    EXPECT_FALSE(point_value(*s, loc, field, 1.5f, 0.5f, v));
    EXPECT_EQ(v, 0.0f);
    EXPECT_FALSE(point_value(*s, loc, kPoolReals - 2, 0.5f, 0.5f, v));
  }
}

}  // namespace
}  // namespace tivor::mesh_test
