// Changing and querying meshes: gluing subregions along common lines in their glue zones,
// hanging nodes, interface marking and per-subregion counts; refinement with its boundary
// projection and pool limits; smoothing with its pass rule, fixed boundary and memory check; the
// locator against a plain search over all nodes and elements of the L-shaped example, and a
// nodal field interpolated at points inside and outside a mesh.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <set>
#include <utility>

#include "core/pool.hpp"
#include "mesh/locate.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_fixture.hpp"
#include "mesh/point_value.hpp"

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
  // The number of elements holding node k, among the first `last` ones.
  int uses(int k, int last = -1) const {
    int n = 0;
    for (int e = 1; e <= (last < 0 ? c().n2 : last); ++e) {
      for (int v : element(e)) n += v == k;
    }
    return n;
  }
  // The node at (pr, pz), or 0.
  int node_at(float pr, float pz) const {
    for (int k = 1; k <= c().n1; ++k) {
      if (std::abs(r(k) - pr) < 1e-5f && std::abs(z(k) - pz) < 1e-5f) return k;
    }
    return 0;
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
    EXPECT_EQ(counts(), (Counts{e.nodes, 16, 16})) << e.glue;  // no element lost
    EXPECT_EQ(coincident_nodes(), e.nodes - 15) << e.glue;
    for (int k = 1; k <= c().n1; ++k) EXPECT_GT(uses(k), 0) << k;
    bool paired = false;
    EXPECT_EQ(interfaces(paired), e.interfaces) << e.glue;
    EXPECT_TRUE(paired);
    EXPECT_EQ(count(c().jn1, 1), 9);
    EXPECT_EQ(count(c().jn2, 2), 16);
    EXPECT_EQ(count(c().jn3, 2), 16);
  }
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

TEST_F(Assembly, HangingNodesSplitTheNeighboursEdgeAndTrianglesInOrderAlongIt) {
  // Four right-hand cells against one left edge (1, 1) -> (1, 0): three nodes hang in it, each
  // splitting a triangle and the edge; two left triangles hold the middle one.
  data("ntel=2 m=3\n" + block(0, 0, 1, 1, 1, 1) + block(1, 0, 2, 1, 1, 4) + kGlueAll);
  ASSERT_EQ(mesh(*s), 0);
  EXPECT_EQ((std::vector<int>{c().n1, c().n2, count(c().jn2, 1), count(c().jn3, 1)}),
            (std::vector<int>{4 + 10 - 2, 2 + 8 + 3, 2 + 3, 4 + 3}));
  bool paired = false;
  EXPECT_EQ(interfaces(paired), 4 + 4);
  EXPECT_TRUE(paired);
  EXPECT_EQ(uses(node_at(1, 0.5f), count(c().jn2, 1)), 2);
  // The left block's boundary along r = 1 now runs z = 1, .75, .5, .25, 0.
  std::vector<float> along;
  for (int k = 1; k <= count(c().jn3, 1); ++k) {
    const auto b = edge(k);
    if (std::abs(r(b[0]) - 1.0f) < 1e-6f && std::abs(r(std::abs(b[1])) - 1.0f) < 1e-6f) {
      along.push_back(z(b[0]));
    }
  }
  EXPECT_EQ(along.size(), 4u);
  for (size_t i = 0; i < along.size(); ++i)
    EXPECT_NEAR(along[i], 1 - 0.25 * i, 1e-5);  // * (1 + 1e-6)
  EXPECT_EQ(meshtest(*s), 0);
}

TEST_F(Assembly, GluingIsTheSameInAnyUnitOfLength) {
  // Four cells meeting two, with hanging nodes, as a part of size 1 and of size 0.001.
  std::vector<Counts> made;
  for (const double u : {1.0, 0.001}) {
    data("ntel=2 m=3\n" + block(0, 0, u, u, 4, 4) + block(u, 0, 2 * u, u, 2, 2) + kGlueAll);
    keys(2);
    ASSERT_EQ(mesh(*s), 0) << u;
    made.push_back(counts());
  }
  EXPECT_EQ(made[0], made[1]);
}

class Refine : public MeshTest {};

TEST_F(Refine, FourTimesTheTrianglesTwiceTheBoundaryMidpointsOnce) {
  generator2(3, "rz=0 0 0 1 0 2 1.5 2 3 2 3 1 3 0 1.5 0 nksi=3 neta=2");
  ASSERT_EQ(c().n2, 12);
  const int edges = (3 * 12 + 10) / 2;  // every interior edge counted twice, boundary once
  ASSERT_EQ(meshi(*s), 0);
  EXPECT_EQ(counts(), (Counts{12 + edges, 48, 20}));
  ASSERT_EQ(meshi(*s), 0);  // a second time, from the grown arrays
  EXPECT_EQ(counts(), (Counts{(192 + 40) / 2 + 1, 192, 40}));  // Euler's formula
  EXPECT_EQ(coincident_nodes(), 0);
  EXPECT_EQ(meshtest(*s), 0);
  EXPECT_EQ(s->csize.maxk, c().jj1 + 3 * c().n2);
  EXPECT_EQ(s->csize.maxa, c().jrz + 2 * c().n1);
}

TEST_F(Refine, ChildrenReplaceTheirTriangleInOrder) {
  generator2(3, "rz=0 0 0 .5 0 1 .5 1 1 1 1 .5 1 0 .5 0 nksi=1 neta=1");
  const auto t = element(1);  // (a, b, c) = (1, 2, 4): the first of the two triangles
  ASSERT_EQ(meshi(*s), 0);
  const auto c1 = element(1), c2 = element(2), c3 = element(3), c4 = element(4);
  EXPECT_EQ((std::vector<int32_t>{c1[0], c2[2], c3[2]}), t);
  EXPECT_EQ((std::vector<int32_t>{c4[1], c4[2], c4[0]}),
            (std::vector<int32_t>{c1[1], c2[0], c1[2]}));  // the middle one: m12, m23, m31
  // Each boundary element (a, b) became (a, m), (m, b) with m its midpoint.
  for (int k = 1; k <= 4; ++k) {
    const auto first = edge(2 * k - 1), second = edge(2 * k);
    EXPECT_EQ(first[1], second[0]);
    const int a = first[0], m = first[1], b = second[1];
    EXPECT_FLOAT_EQ(r(m), (r(a) + r(b)) / 2);
    EXPECT_FLOAT_EQ(z(m), (z(a) + z(b)) / 2);
  }
}

TEST_F(Refine, NewBoundaryNodesLieOnTheContour) {
  // The top side bends up through (1, 1.4): its edge midpoints move onto the two chords.
  generator2(3, "rz=0 0 0 .5 0 1 1 1.4 2 1 2 .5 2 0 1 0 nksi=4 neta=1");
  ASSERT_EQ(meshi(*s), 0);
  EXPECT_EQ(meshtest(*s), 0);
  for (int k = 1; k <= c().n3; k += 2) {
    const int m = edge(k)[1];
    const float rm = r(m), zm = z(m);
    float pr = rm, pz = zm;
    ASSERT_TRUE(bnode(&s->a[c().jgrz + 1], 8, pr, pz));
    EXPECT_NEAR(pr, rm, 1e-6);
    EXPECT_NEAR(pz, zm, 1e-6);
  }
}

TEST_F(Refine, ProjectionTakesTheNearestFootAndKeepsPointsWithoutOne) {
  // Onto the bottom side, onto the closing segment (0, 1) -> (0, 0), and beyond a corner, where
  // no foot lies inside any segment.
  const float square[8] = {0, 0, 1, 0, 1, 1, 0, 1};
  const struct {
    float r, z, pr, pz;
    bool found;
  } cases[] = {{0.3f, 0.1f, 0.3f, 0, true}, {-0.2f, 0.6f, 0, 0.6f, true}, {2, 2, 2, 2, false}};
  for (const auto& p : cases) {
    float r0 = p.r, z0 = p.z;
    EXPECT_EQ(bnode(square, 4, r0, z0), p.found) << p.r;
    EXPECT_FLOAT_EQ(r0, p.pr);
    EXPECT_FLOAT_EQ(z0, p.pz);
  }
}

TEST_F(Refine, PoolsTooSmallOrEscStopIt) {
  generator2(3, "rz=0 0 0 .5 0 1 .5 1 1 1 1 .5 1 0 .5 0 nksi=4 neta=4");
  for (const bool reals : {true, false}) {
    s->csize.na = reals ? s->csize.maxa + 50 : kPoolReals;
    s->csize.nk = reals ? kPoolInts : s->csize.maxk + 50;
    keys(1);
    flag_off(*s);
    EXPECT_EQ(meshi(*s), 1);
    EXPECT_TRUE(seen(reals ? " meshi: /a/ too small:" : " meshi: /km/ too small: "));
  }
  // Esc stops it too.
  s->csize.nk = kPoolInts;
  flag_off(*s);
  host.polled.push_back(key::kEsc);
  keys(1);  // "solution interrupted"
  EXPECT_EQ(meshi(*s), 1);
  EXPECT_TRUE(seen("solution interrupted"));
}

class Smooth : public Refine {};

TEST_F(Smooth, EachPassGoesHalfwayToTheCentreOfTheNeighboursRange) {
  // 2 by 2 quadrilaterals of the unit square; the middle node moved to (.7, .6).
  generator2(4, "rz=0 0 0 .5 0 1 .5 1 1 1 1 .5 1 0 .5 0 nksi=2 neta=2");
  s->a[c().jrz + 9] = 0.7f;
  s->a[c().jrz + 10] = 0.6f;
  std::vector<float> before(s->a.begin() + c().jrz + 1, s->a.begin() + c().jrz + 19);
  ASSERT_EQ(arzcor(*s, 1), 0);
  EXPECT_FLOAT_EQ(r(5), 0.6f);  // .5 * (0 + 1) / 2 + .5 * .7
  EXPECT_FLOAT_EQ(z(5), 0.55f);
  for (int k = 1; k <= 9; ++k) {
    if (k == 5) continue;
    EXPECT_EQ(r(k), before[2 * (k - 1)]) << k;
    EXPECT_EQ(z(k), before[2 * (k - 1) + 1]) << k;
  }
  ASSERT_EQ(arzcor(*s, 2), 0);  // a count above 1 repeats the pass
  EXPECT_FLOAT_EQ(r(5), 0.525f);
  s->csize.na = s->csize.maxa + 4 * c().n1 - 1;  // it needs four words a node
  keys(1);
  EXPECT_EQ(arzcor(*s, 1), 1);
  EXPECT_TRUE(seen(" arzcor:not enouth memory in /a/"));
}

TEST_F(Smooth, BoundaryNodesNeverMove) {
  generator2(3, "rz=0 0 0 1 0 2 1.5 2.6 3 2 3 1 3 0 1.5 -.4 nksi=6 neta=5");
  ASSERT_EQ(meshi(*s), 0);
  for (int k = 1; k <= c().n1; ++k) {  // every node a little off its place
    s->a[c().jrz + 2 * k - 1] += 0.01f * static_cast<float>(k % 3);
    s->a[c().jrz + 2 * k] -= 0.01f * static_cast<float>(k % 5);
  }
  std::vector<float> before(s->a.begin() + c().jrz + 1, s->a.begin() + c().jrz + 1 + 2 * c().n1);
  ASSERT_EQ(arzcor(*s, 3), 0);
  EXPECT_EQ(meshtest(*s), 0);
  for (int k = 1; k <= c().n3; ++k) {
    const int n = edge(k)[0];
    EXPECT_EQ(r(n), before[2 * (n - 1)]);
    EXPECT_EQ(z(n), before[2 * (n - 1) + 1]);
  }
  EXPECT_NE(std::vector<float>(s->a.begin() + c().jrz + 1, s->a.begin() + c().jrz + 1 + 2 * c().n1),
            before);
}

TEST_F(Smooth, NeverTurnsAnElementInsideOut) {
  // A chevron around node 5: the centre of its neighbours' range is the notch (node 4), so the
  // plain rule flattens two triangles, and a second pass inverts them.
  const float rz[10] = {4, -3, 1, 0, 4, 3, 2, 0, 1.5f, 0};
  const int32_t conn[12] = {1, 2, 5, 2, 3, 5, 3, 4, 5, 4, 1, 5};
  const int32_t bound[8] = {1, 2, 2, 3, 3, 4, 4, 1};
  Cmesh& m = s->cmesh = Cmesh{};
  m.m = 3, m.n1 = 5, m.n2 = 4, m.n3 = 4, m.jrz = 0, m.jj2 = 0, m.jj1 = 8;
  std::copy_n(rz, 10, &s->a[1]);
  std::copy_n(bound, 8, &s->km[1]);
  std::copy_n(conn, 12, &s->km[9]);
  s->csize = Csize{kPoolReals, kPoolInts, 10, 20};
  ASSERT_EQ(meshtest(*s), 0);
  ASSERT_EQ(arzcor(*s, 2), 0);
  EXPECT_EQ(meshtest(*s), 0);
}

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
