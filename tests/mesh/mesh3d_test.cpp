// MESH3DFD and MESH36: extrusion, revolution, faces, grid neighbours, node offsets between
// subregions, and the cases refused.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "mesh/mesh.hpp"
#include "mesh/mesh_fixture.hpp"

namespace tivor::mesh_test {
namespace {

class Mesh3d : public MeshTest {
 protected:
  float x(int k) const { return s->a[c().jxm + k]; }
  float y(int k) const { return s->a[c().jym + k]; }
  float zz(int k) const { return s->a[c().jzm + k]; }
  int32_t ik(int32_t j, int i) const { return s->km[j + i]; }
};

TEST_F(Mesh3d, ExtrusionInLayers) {
  // 2 by 2 quadrilaterals of [0, 2] x [0, 2] in 2 layers from z = 1 to z = 3.
  data("ntel=1 m=4\n" + block(0, 0, 2, 2, 2, 2) + "nz=2 zn=1 zk=3\n");
  ASSERT_EQ(mesh3dfd(*s), 0);
  EXPECT_FALSE(scratch_left());
  EXPECT_EQ(c().nuz3, 27);
  EXPECT_EQ(c().nel3, 8);
  EXPECT_EQ(c().nbe3, 2 * 8 + 2 * 4);
  for (int k = 0; k <= 2; ++k) {
    const int node = k * 9 + 6;  // 2D node (1, 2) in layer k
    EXPECT_FLOAT_EQ(x(node), 1.0f);
    EXPECT_FLOAT_EQ(y(node), 2.0f);
    EXPECT_FLOAT_EQ(zz(node), 1.0f + k);
  }
  // Element (e = 1, layer 2): the 2D nodes 1, 2, 5, 4 in layers 1 and 2.
  const int32_t first = c().jj13 + 8 * 4;
  EXPECT_EQ((std::vector<int32_t>{ik(first, 1), ik(first, 4), ik(first, 5), ik(first, 8)}),
            (std::vector<int32_t>{10, 13, 19, 22}));
  // Only the middle node of the middle layer is inside.
  int inside = 0;
  for (int k = 1; k <= 27; ++k) inside += ik(c().jgran, k) == 0;
  EXPECT_EQ(inside, 1);
  EXPECT_EQ(ik(c().jgran, 14), 0);
  // Its six neighbours: -ksi, +ksi, -eta, +eta, layer below, layer above.
  const int32_t star = c().jstar + 6 * 13;
  EXPECT_EQ((std::vector<int32_t>{ik(star, 1), ik(star, 2), ik(star, 3), ik(star, 4), ik(star, 5),
                                  ik(star, 6)}),
            (std::vector<int32_t>{11, 17, 13, 15, 5, 23}));
  // A corner of the bottom layer is its own neighbour where the grid ends.
  EXPECT_EQ(ik(c().jstar, 1), 1);
  EXPECT_EQ(ik(c().jstar, 5), 1);
}

TEST_F(Mesh3d, RevolutionAboutTheAxis) {
  data("ntel=1 m=3\n" + block(1, 0, 2, 1, 1, 1) + "nz=-2 zn=0 zk=.5\n");
  ASSERT_EQ(mesh3dfd(*s), 0);
  EXPECT_EQ(c().nuz3, 12);
  EXPECT_EQ(c().nel3, 4);
  const double phi = std::numbers::pi * 0.25;       // layer 1
  EXPECT_NEAR(x(4 + 4), 2 * std::cos(-phi), 1e-6);  // 2D node 4 = (2, 1)
  EXPECT_NEAR(y(4 + 4), 2 * std::sin(-phi), 1e-6);
  EXPECT_FLOAT_EQ(zz(4 + 4), 1.0f);
  // Triangular faces repeat their third node; the top ones are turned round.
  const int32_t bottom = c().jbelem + 4 * (2 * 4);
  EXPECT_EQ(ik(bottom, 3), ik(bottom, 4));
  const int32_t top = bottom + 4 * 2;
  EXPECT_EQ(ik(top, 1), ik(bottom, 3) + 8);
  EXPECT_EQ(ik(top, 3), ik(bottom, 1) + 8);
}

TEST_F(Mesh3d, SubregionsFollowEachOtherWithTheirNodesOffset) {
  data("ntel=2 m=4\n" + block(0, 0, 1, 1, 1, 1) + "nz=1 zn=0 zk=1\n" + block(5, 0, 6, 1, 1, 1) +
       "nz=1 zn=0 zk=1\n");
  ASSERT_EQ(mesh3dfd(*s), 0);
  EXPECT_EQ(c().nuz3, 16);
  EXPECT_EQ(c().nel3, 2);
  EXPECT_EQ(count(c().jn1, 1), 8);
  EXPECT_EQ(count(c().jn1, 2), 16);
  EXPECT_EQ(ik(c().jj13, 9), 9);  // second subregion's first element starts at node 9
  EXPECT_FLOAT_EQ(x(9), 5.0f);
  EXPECT_EQ(c().n1, 0);  // the 2D arrays were reused: the record no longer names them
}

TEST_F(Mesh3d, RefusedCases) {
  data("ntel=1 m=4\n" + block(0, 0, 1, 1, 1, 1) + "nz=0 zn=0 zk=1\n");
  keys(1);
  EXPECT_EQ(mesh3dfd(*s), 1);
  EXPECT_NE(screen().find("mesh36:nz=0 is not allowed"), std::string::npos);
  EXPECT_FALSE(scratch_left());
  flag_off(*s);
  data("ntel=1 m=3 tipm=4\n");
  keys(1);
  EXPECT_EQ(mesh3dfd(*s), 1);
  EXPECT_NE(screen().find("itip=2,5"), std::string::npos);
}

}  // namespace
}  // namespace tivor::mesh_test
