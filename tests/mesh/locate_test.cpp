// Point queries: the locator against a plain search over all nodes and elements of the
// L-shaped example, and a nodal field interpolated at points inside and outside a mesh.
#include "mesh/locate.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "core/pool.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_fixture.hpp"
#include "mesh/point_value.hpp"

namespace tivor::mesh_test {
namespace {

class Locate : public MeshTest {
 protected:
  void SetUp() override {
    example("l_shape.dat");
    ASSERT_EQ(mesh(*s), 0);
  }
  // The nearest node by looking at all of them (the first of equally near ones).
  int nearest(float pr, float pz) const {
    int best = 0;
    double bd = 1e300;
    for (int k = 1; k <= c().n1; ++k) {
      const double d = std::pow(r(k) - double{pr}, 2) + std::pow(z(k) - double{pz}, 2);
      if (d < bd) bd = d, best = k;
    }
    return best;
  }
  // The first element holding the point, by the sign of the three edge functions.
  int holding(float pr, float pz) const {
    for (int e = 1; e <= c().n2; ++e) {
      const auto v = element(e);
      bool in = true;
      for (int i = 0; i < 3; ++i) {
        const int a = v[i], b = v[(i + 1) % 3];
        const double cross = (r(b) - double{r(a)}) * (pz - double{z(a)}) -
                             (pr - double{r(a)}) * (z(b) - double{z(a)});
        in = in && cross <= 1e-12;  // counter-clockwise in (z, r): inside is to the right in (r, z)
      }
      if (in) return e;
    }
    return 0;
  }
};

TEST_F(Locate, AgreesWithLookingAtEverything) {
  const MeshLocator where(*s);
  std::mt19937 gen(7);
  std::uniform_real_distribution<float> u(-0.5f, 3.5f);
  int inside = 0;
  for (int i = 0; i < 2000; ++i) {
    const float pr = u(gen), pz = u(gen) * 0.75f;
    const auto near = where.nodes_near(pr, pz);
    ASSERT_FALSE(near.empty());
    EXPECT_EQ(near.front().node, nearest(pr, pz)) << pr << " " << pz;
    for (size_t k = 1; k < near.size(); ++k) EXPECT_GE(near[k - 1].weight, near[k].weight);
    const int e = where.cell_at(pr, pz);
    EXPECT_EQ(e, holding(pr, pz)) << pr << " " << pz;
    inside += e > 0;
  }
  EXPECT_GT(inside, 500);
  // Far away the nearest node is still found.
  EXPECT_EQ(where.nodes_near(-30.0f, 50.0f).front().node, nearest(-30.0f, 50.0f));
  EXPECT_EQ(where.cell_at(2.5f, 1.5f), 0);  // the L's missing corner
}

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
