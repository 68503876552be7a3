// MESHA: gluing subregions along common lines, the glue zones, hanging nodes in triangles and
// quadrilaterals, interface marking and the per-subregion counts.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <utility>

#include "mesh/mesh.hpp"
#include "mesh/mesh_fixture.hpp"

namespace tivor::mesh_test {
namespace {

constexpr const char* kGlueAll = "skl=1 m=-10 -10 10 10 scale=1 1 rzcor=0\n";

class Assembly : public MeshTest {
 protected:
  // Interface edges, and whether each has its reverse, also marked.
  int interfaces(bool& paired) const {
    std::set<std::pair<int, int>> marked;
    for (int k = 1; k <= c().n3; ++k) {
      const auto b = edge(k);
      if (b[1] < 0) marked.insert({b[0], -b[1]});
    }
    paired = true;
    for (const auto& [p, q] : marked) paired = paired && marked.count({q, p}) == 1;
    return static_cast<int>(marked.size());
  }
  // Every element corner used by the elements, by node.
  std::map<int, int> uses() const {
    std::map<int, int> u;
    for (int e = 1; e <= c().n2; ++e) {
      for (int v : element(e)) ++u[v];
    }
    return u;
  }
};

TEST_F(Assembly, TwoSubregionsMeetAlongALineInsideTheGlueZones) {
  // Two blocks of 2 by 2 cells side by side: glued along all of the common line (3 common nodes,
  // its two edges interfaces in both copies), not at all, or where a zone holds its lower half:
  // (1, 0) and (1, .5) merge, (1, 1) stays twice.
  const std::string two = "ntel=2 m=3\n" + block(0, 0, 1, 1, 2, 2) + block(1, 0, 2, 1, 2, 2);
  const struct {
    const char* glue;
    int nodes, interfaces;
  } cases[] = {{kGlueAll, 15, 4},
               {"skl=0 scale=1 1 rzcor=0\n", 18, 0},
               {"skl=1 m=.9 -1 1.1 .6 scale=1 1 rzcor=0\n", 16, 2}};
  for (const auto& e : cases) {
    fresh();
    data(two + e.glue);
    ASSERT_EQ(mesh(*s), 0);
    EXPECT_EQ(c().n1, e.nodes) << e.glue;
    EXPECT_EQ(c().n2, 16);  // no element lost
    EXPECT_EQ(c().n3, 16);
    EXPECT_EQ(coincident_nodes(), e.nodes - 15) << e.glue;
    EXPECT_EQ(static_cast<int>(uses().size()), e.nodes);
    bool paired = false;
    EXPECT_EQ(interfaces(paired), e.interfaces) << e.glue;
    EXPECT_TRUE(paired);
    EXPECT_EQ(count(c().jn1, 1), 9);
    EXPECT_EQ(count(c().jn2, 2), 16);
    EXPECT_EQ(count(c().jn3, 2), 16);
  }
}

TEST_F(Assembly, HangingNodeSplitsTheNeighboursEdgeAndTriangle) {
  // The right block has a node at (1, .5) inside the left block's edge (1, 1) -> (1, 0).
  data("ntel=2 m=3\n" + block(0, 0, 1, 1, 1, 1) + block(1, 0, 2, 1, 1, 2) + kGlueAll);
  ASSERT_EQ(mesh(*s), 0);
  EXPECT_EQ(c().n1, 8);
  EXPECT_EQ(c().n2, 7);  // 2 + 4 + 1 from the split
  EXPECT_EQ(count(c().jn2, 1), 3);
  EXPECT_EQ(count(c().jn3, 1), 5);
  bool paired = false;
  EXPECT_EQ(interfaces(paired), 4);
  EXPECT_TRUE(paired);
  int middle = 0;
  for (int k = 1; k <= c().n1; ++k) {
    if (std::abs(r(k) - 1.0f) < 1e-5f && std::abs(z(k) - 0.5f) < 1e-5f) middle = k;
  }
  ASSERT_GT(middle, 0);
  int in_left = 0;
  for (int e = 1; e <= count(c().jn2, 1); ++e) {
    for (int v : element(e)) in_left += v == middle;
  }
  EXPECT_EQ(in_left, 2);
  EXPECT_EQ(meshtest(*s), 0);
}

TEST_F(Assembly, HangingNodeInAQuadrilateralLeavesAQuadrilateralAndATriangle) {
  data("ntel=2 m=4\n" + block(0, 0, 1, 1, 1, 1) + block(1, 0, 2, 1, 1, 2) + kGlueAll);
  ASSERT_EQ(mesh(*s), 0);
  EXPECT_EQ(c().n2, 4);
  const auto first = element(1), second = element(2);
  EXPECT_NE(first[2], first[3]);    // the quadrilateral keeps its place
  EXPECT_EQ(second[2], second[3]);  // the triangle cut off follows it
  EXPECT_EQ(meshtest(*s), 0);
}

TEST_F(Assembly, SeveralHangingNodesOnOneEdgeComeInOrderAlongIt) {
  // Four right-hand cells against one left edge: three nodes hang in it.
  data("ntel=2 m=3\n" + block(0, 0, 1, 1, 1, 1) + block(1, 0, 2, 1, 1, 4) + kGlueAll);
  ASSERT_EQ(mesh(*s), 0);
  EXPECT_EQ(c().n2, 2 + 8 + 3);
  // The left block's boundary along r = 1 now runs z = 1, .75, .5, .25, 0.
  std::vector<float> along;
  for (int k = 1; k <= count(c().jn3, 1); ++k) {
    const auto b = edge(k);
    if (std::abs(r(b[0]) - 1.0f) < 1e-6f && std::abs(r(std::abs(b[1])) - 1.0f) < 1e-6f) {
      along.push_back(z(b[0]));
    }
  }
  const std::vector<float> want = {1.0f, 0.75f, 0.5f, 0.25f};  // scaled by 1 + 1e-6
  ASSERT_EQ(along.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(along[i], want[i], 1e-5);
  EXPECT_EQ(meshtest(*s), 0);
}

TEST_F(Assembly, GluingIsTheSameInAnyUnitOfLength) {
  // Four cells meeting two, with hanging nodes, as a part of size 1 and of size 0.001.
  std::vector<std::array<int32_t, 3>> counts;
  for (const double u : {1.0, 0.001}) {
    data("ntel=2 m=3\n" + block(0, 0, u, u, 4, 4) + block(u, 0, 2 * u, u, 2, 2) + kGlueAll);
    keys(2);
    ASSERT_EQ(mesh(*s), 0) << u;
    counts.push_back({c().n1, c().n2, c().n3});
  }
  EXPECT_EQ(counts[0], counts[1]);
}

}  // namespace
}  // namespace tivor::mesh_test
