// The meshes: generator 2's mapping, diagonal split, cell counts and boundary order; generator
// 5's arc-length sides, stopping rule and untangling; quadrilaterals to triangles; the
// dispatcher's keywords and corrections, its scratch file, pool layout, scaling and owner table;
// the 3D extrusion and revolution; the meshes of the samples in examples/, meshed, checked and
// drawn; gluing subregions along common lines in their glue zones, hanging nodes, interface
// marking and per-subregion counts; refinement with its boundary projection and pool limits;
// smoothing with its pass rule, fixed boundary and memory check; the locator against a plain
// search over all nodes and elements of the L-shaped example, and a nodal field interpolated at
// points inside and outside a mesh.
#include "mesh/mesh.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <iomanip>
#include <numbers>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/pool.hpp"
#include "gfx/gfx.hpp"
#include "mesh/locate.hpp"
#include "mesh/mesh_fixture.hpp"
#include "mesh/point_value.hpp"

namespace tivor::mesh_test {
namespace {

class Generators : public MeshTest {
 protected:
  // Generator 2 alone, and the mesh it makes passes the mesh test.
  void generator2(int m, const std::string& text) {
    MeshTest::generator2(m, text);
    ASSERT_EQ(meshtest(*s), 0);
  }
  // The largest distance of node k from the point (i, j) of a grid of nj nodes to a column,
  // numbered column by column, with spacings hr and hz from (r0, z0).
  float off_grid(int nj, float r0, float z0, float hr, float hz) const {
    float e = 0;
    for (int k = 1; k <= c().n1; ++k) {
      e = std::max({e, std::abs(r(k) - r0 - hr * ((k - 1) / nj)),
                    std::abs(z(k) - z0 - hz * ((k - 1) % nj))});
    }
    return e;
  }
  void generator5(int m, const std::string& text) {
    data(text);
    initmesh(*s);
    s->cmesh.m = m;
    keys(1);  // "mesh5_end"
    ASSERT_EQ(mesh5(*s, 1), 0);
    ASSERT_EQ(meshtest(*s), 0);
  }
};

TEST_F(Generators, EightSideMidpointsGiveAUniformGrid) {
  generator2(4, "rz=1 2 1 3.5 1 5 2 5 3 5 3 3.5 3 2 2 2 nksi=4 neta=3");
  ASSERT_EQ(counts(), (Counts{20, 12, 14}));
  EXPECT_EQ(c().ng, 8);
  EXPECT_LT(off_grid(4, 1, 2, 0.5f, 1), 1e-6f);
  EXPECT_EQ(element(1), (std::vector<int32_t>{1, 2, 6, 5}));
  EXPECT_EQ(element(12), (std::vector<int32_t>{15, 16, 20, 19}));
}

TEST_F(Generators, CellsSplitAlongTheShorterDiagonal) {
  // The cell a=(0,0), b=(0,1), c=(1,2), d=(1,1): b-d is shorter than a-c.
  generator2(3, "rz=0 0 0 .5 0 1 .5 1.5 1 2 1 1.5 1 1 .5 .5 nksi=1 neta=1");
  EXPECT_EQ(element(1), (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(element(2), (std::vector<int32_t>{4, 3, 2}));
  // Sheared the other way a-c is the shorter one.
  generator2(3, "rz=0 0 0 1 0 2 .5 1.5 1 1 1 .5 1 0 .5 0 nksi=1 neta=1");
  EXPECT_EQ(element(1), (std::vector<int32_t>{1, 2, 4}));
  EXPECT_EQ(element(2), (std::vector<int32_t>{4, 3, 1}));
}

TEST_F(Generators, CountsBelowOneGiveOneCell) {
  generator2(4, "rz=0 0 0 .5 0 1 .5 1 1 1 1 .5 1 0 .5 0 nksi=0 neta=-3");
  EXPECT_EQ(counts(), (Counts{4, 1, 4}));
  generator2(3, "rz=0 0 0 .5 0 1 .5 1 1 1 1 .5 1 0 .5 0 nksi=0 neta=-3");
  EXPECT_EQ(c().n2, 2);
}

TEST_F(Generators, BoundaryRunsOnceRoundInTheElementsSense) {
  generator2(3, "rz=0 0 0 .5 0 1 1 1 2 1 2 .5 2 0 1 0 nksi=2 neta=1");
  const std::vector<std::array<int32_t, 2>> want = {{5, 3}, {3, 1}, {1, 2}, {2, 4}, {4, 6}, {6, 5}};
  ASSERT_EQ(c().n3, 6);
  for (int k = 1; k <= 6; ++k) EXPECT_EQ(edge(k), want[k - 1]) << k;
  ASSERT_EQ(grel(*s), 0);
  for (int k = 1; k <= 6; ++k) EXPECT_GT(s->km[c().jgrel + k], 0) << k;
}

// Four straight sides round the rectangle [0, 3] x [0, 2]; side 1 has an extra point that does
// not change its shape but must not change the spacing either.
constexpr const char* kRectangle5 =
    "pic=0 nksi=3 neta=2\n"
    "ng=3 grz=0 0 0 .5 0 2\n"
    "ng=2 grz=0 2 3 2\n"
    "ng=2 grz=3 2 3 0\n"
    "ng=2 grz=3 0 0 0\n";

TEST_F(Generators, Generator5PlacesSideNodesByArcLength) {
  generator5(4, kRectangle5);
  EXPECT_EQ(counts(), (Counts{12, 6, 10}));
  EXPECT_LT(off_grid(3, 0, 0, 1, 1), 1e-6f);
  EXPECT_EQ(c().ng, 9);  // the four polylines together are the contour
  // In triangles every quadrilateral is split.
  generator5(3, kRectangle5);
  EXPECT_EQ(c().n2, 12);
  EXPECT_EQ(s->csize.maxk, c().jj1 + 3 * c().n2);
}

TEST_F(Generators, Generator5StopsAtTheFirstSoundPassOrSaysItFellShort) {
  // A trapezoid: the straight-line start is sound (no inverted cell, areas within a factor 8),
  // so the first pass ends the iteration and no node moves.
  generator5(4,
             "pic=0 nksi=4 neta=4\n"
             "ng=2 grz=0 0 0 4\nng=2 grz=0 4 4 3\nng=2 grz=4 3 4 1\nng=2 grz=4 1 0 0\n");
  for (int i = 1; i < 4; ++i) {
    const int bottom = i * 5 + 1, top = i * 5 + 5;
    for (int j = 1; j < 4; ++j) {
      const int k = i * 5 + j + 1;
      EXPECT_FLOAT_EQ(r(k), (1 - j / 4.0f) * r(bottom) + j / 4.0f * r(top));
      EXPECT_FLOAT_EQ(z(k), (1 - j / 4.0f) * z(bottom) + j / 4.0f * z(top));
    }
  }
  EXPECT_TRUE(seen("smax/smin="));
  EXPECT_FALSE(seen("not reached"));
  // A wedge of 8 cells in one row: every node lies on the boundary, so nothing can move and
  // the ratio of the end cells (about 13) never comes below 8.
  generator5(4,
             "pic=0 nksi=8 neta=1\nng=2 grz=0 0 0 1\nng=2 grz=0 1 8 .01\n"
             "ng=2 grz=8 .01 8 0\nng=2 grz=8 0 0 0\n");
  EXPECT_TRUE(seen("mesh5:target not reached, stopped at it="));
}

// Side 1 bulges far to the right, so the straight lines of the start cross it.
constexpr const char* kBulge5 =
    "pic=0 nksi=6 neta=4\n"
    "ng=3 grz=0 0 2.5 2 0 4\nng=2 grz=0 4 6 4\nng=2 grz=6 4 6 0\nng=2 grz=6 0 0 0\n";

TEST_F(Generators, Generator5UntanglesAndKeepsItsBoundary) {
  generator5(4, kBulge5);
  EXPECT_FLOAT_EQ(r(3), 2.5f);  // node (0, 2) is the polyline's middle point
  EXPECT_FLOAT_EQ(z(3), 2.0f);
  for (int k = 1; k <= c().n3; ++k) EXPECT_GT(std::min(edge(k)[0], edge(k)[1]), 0) << k;
}

TEST_F(Generators, Generator5DrawsWhileItWorksAndEscOffersTheViewer) {
  dinit1(*s, "mesh", 0.6f, 0.6f);
  bool viewed = false;
  s->up.arez = [&] { viewed = true; };
  data(std::string("pic=1") + (kBulge5 + 5));
  initmesh(*s);
  s->cmesh.m = 4;
  for (int i = 0; i < 12; ++i) host.polled.push_back(0);  // twelve passes, then Esc
  host.polled.push_back(key::kEsc);
  host.type(" y ");  // "initial grid", " view?(y/n)", "mesh5_end"
  bool progress = false;
  host.on_poll = [&] {
    progress = progress || screen().find("it,neg,negs,neg4=") != std::string::npos;
  };
  ASSERT_EQ(mesh5(*s, 1), 0);
  EXPECT_TRUE(host.events.empty());
  EXPECT_TRUE(viewed);
  EXPECT_TRUE(seen("initial grid"));
  EXPECT_TRUE(progress);  // shown after the tenth pass
  EXPECT_TRUE(seen(" view?(y/n)"));
  EXPECT_TRUE(seen("mesh5_end"));
  int drawn = 0;
  for (uint8_t p : s->frame.raster) drawn += p == 15;
  EXPECT_GT(drawn, 500);
  EXPECT_EQ(s->cgout.igout[2], 0);  // the screen output is put back as it was
  EXPECT_EQ(s->cmesh.jdcr[0], 0);   // and the class pointers
}

TEST_F(Generators, QuadrilateralsSplitAlongTheShorterDiagonalAndCollapsedOnesOnce) {
  generator2(4, "rz=0 0 0 .5 0 1 .5 1.5 1 2 1 1.5 1 1 .5 .5 nksi=1 neta=2");
  s->km[c().jj1 + 8] = s->km[c().jj1 + 7];  // second cell: d := c, a triangle
  ASSERT_EQ(mesh4to3(*s), 0);
  EXPECT_EQ(c().m, 3);
  ASSERT_EQ(c().n2, 3);
  EXPECT_EQ(element(1), (std::vector<int32_t>{1, 2, 4}));  // b-d shorter: (a, b, d), (d, b, c)
  EXPECT_EQ(element(2), (std::vector<int32_t>{4, 2, 5}));
  EXPECT_EQ(element(3)[0], 2);
  EXPECT_EQ(mesh4to3(*s), 0);  // already triangles: nothing to do
  EXPECT_EQ(c().n2, 3);
}

constexpr const char* kEnd = "skl=0 scale=1 1 rzcor=0\n";

class Dispatcher : public MeshTest {};

TEST_F(Dispatcher, CountsAreCorrectedAndQuadrilateralsAreNeverRefined) {
  data("ntel=-2 m=5\n" + block(0, 0, 1, 1, 2, 1, 2) + block(3, 0, 4, 1, 1, 1, 5) + kEnd);
  ASSERT_EQ(mesh(*s), 0);
  EXPECT_EQ((std::vector<int>{c().ntel, c().m, c().nyt}), (std::vector<int>{2, 4, 0}));
  EXPECT_EQ(c().n2, 3);  // 2 + 1 cells, no refinement
  EXPECT_EQ(count(c().jn2, 1), 2);
  EXPECT_EQ(count(c().jn2, 2), 3);  // cumulative after assembly
  EXPECT_FALSE(scratch_left());

  data("ntel=0 m=3\n" + block(0, 0, 1, 1, 1, 1) + kEnd);
  ASSERT_EQ(mesh(*s), 0);
  EXPECT_EQ((std::vector<int>{c().ntel, c().m}), (std::vector<int>{1, 3}));
}

TEST_F(Dispatcher, ScratchFileIsDeletedOnEveryWayOut) {
  // A wrong keyword in the second subregion, after the first one was written to the file.
  std::string second = block(2, 0, 3, 1, 1, 1);
  second.replace(second.find("neta"), 4, "nota");
  data("ntel=2 m=3\n" + block(0, 0, 1, 1, 1, 1) + second + kEnd);
  keys(1);
  EXPECT_EQ(mesh(*s), 1);
  EXPECT_FALSE(scratch_left());
  flag_off(*s);

  // An unknown generator: generator 1 is tried, and meshes the square of four points.
  data(
      "ntel=1 m=3 tipm=7 pic=0 ng=4 m=0 0 0 1 1 1 1 0 n3=0 n4=0\n"
      "turn=0 0 0 0 0 nyt=0 rzcor=0 skl=0 scale=1 1 rzcor=0\n");
  EXPECT_EQ(mesh(*s), 0);
  EXPECT_TRUE(seen("mesh:tipm must be equal 1,2,3 or 4, trying 1..."));
  EXPECT_EQ(c().n2, 2);
  EXPECT_FALSE(scratch_left());
  fresh();

  // A pool too small for the assembly.
  data("ntel=1 m=3\n" + block(0, 0, 1, 1, 30, 30) + kEnd);
  s->csize.nk = 4000;
  keys(1);
  EXPECT_EQ(mesh(*s), 1);
  EXPECT_TRUE(seen("newarr:not enouth memory for array :"));
  EXPECT_FALSE(scratch_left());
  flag_off(*s);

  // A stop of the program while a message waits for its key.
  data("ntel=1 m=3 tipm=3\n");
  EXPECT_THROW((void)mesh(*s), ProgramStop);
  EXPECT_FALSE(scratch_left());
}

TEST_F(Dispatcher, FinalLayoutScaleAndOwners) {
  s->csize.maxa = 100;  // a class's arrays read before the mesh stay below
  s->csize.maxk = 50;
  data("ntel=1 m=3\n" + block(0, 0, 2, 1, 2, 1) + "skl=0 scale=-2 .5 rzcor=0\n");
  ASSERT_EQ(mesh(*s), 0);
  // Integers: jn1, jn3, jj2, jj1, jgrel; reals: jcsi (with room for split edges), jrz, jdest_cell.
  const Cmesh& m = c();
  EXPECT_EQ(
      (std::vector<int32_t>{m.jn1, m.jj2, m.jj1, m.jgrel, m.jrz, m.jdest_cell, s->csize.maxa}),
      (std::vector<int32_t>{50, m.jn3 + m.ntel, m.jj2 + 2 * m.n3, m.jj1 + m.m * m.n2,
                            100 + 2 * m.n3, m.jrz + 2 * m.n1, m.jdest_cell + m.n2}));
  for (int e = 1; e <= c().n2; ++e) EXPECT_EQ(s->a[c().jdest_cell + e], 1.0f);
  // Node (2, 1) of the block, scaled by |-2| + 1e-6 and .5 + 1e-6.
  EXPECT_FLOAT_EQ(r(6), 2.0f * (2.0f + 1e-6f));
  EXPECT_FLOAT_EQ(z(6), 1.0f * (0.5f + 1e-6f));
  for (int k = 1; k <= c().n3; ++k) {
    const auto b = edge(k);
    ASSERT_GE(s->km[c().jgrel + k], 1);
    const auto v = element(s->km[c().jgrel + k]);
    EXPECT_TRUE((v[0] == b[0] && v[1] == b[1]) || (v[1] == b[0] && v[2] == b[1]) ||
                (v[2] == b[0] && v[0] == b[1]))
        << k;
  }
}

TEST_F(Dispatcher, OrientationTestIsRelativeToTheElementsSize) {
  // Two triangles of width w and height 1, in three units of length: accepted from a width of
  // 2e-6 of the height on, refused at 0.5e-6, whatever the unit.
  for (const float unit : {1e-3f, 1.0f, 1e3f}) {
    for (const float w : {2e-6f, 0.5e-6f}) {
      const float a = w * unit, h = unit;
      std::ostringstream rz;
      rz << std::fixed << std::setprecision(12) << "rz=";
      for (float v : {0.f, 0.f, 0.f, h / 2, 0.f, h, a / 2, h, a, h, a, h / 2, a, 0.f, a / 2, 0.f})
        rz << v << '\n';
      generator2(3, rz.str() + "nksi=1 neta=1\n");
      keys(1);
      EXPECT_EQ(meshtest(*s), w > 1e-6f ? 0 : 1) << unit << " " << w;
      flag_off(*s);
    }
  }
  // The dispatcher tests again after each move: a scale factor of 0 flattens the block.
  data("ntel=1 m=3\n" + block(0, 0, 2, 10, 1, 1) + "skl=0 scale=0 1 rzcor=0\n");
  keys(1);
  EXPECT_EQ(mesh(*s), 1);
}

class Mesh3d : public MeshTest {
 protected:
  float x(int k) const { return s->a[c().jxm + k]; }
  float y(int k) const { return s->a[c().jym + k]; }
  float zz(int k) const { return s->a[c().jzm + k]; }
  int32_t ik(int32_t j, int i) const { return s->km[j + i]; }
  std::vector<int32_t> iks(int32_t j, std::initializer_list<int> at) const {
    std::vector<int32_t> v;
    for (int i : at) v.push_back(ik(j, i));
    return v;
  }
};

TEST_F(Mesh3d, ExtrusionInLayers) {
  // 2 by 2 quadrilaterals of [0, 2] x [0, 2] in 2 layers from z = 1 to z = 3.
  data("ntel=1 m=4\n" + block(0, 0, 2, 2, 2, 2) + "nz=2 zn=1 zk=3\n");
  ASSERT_EQ(mesh3dfd(*s), 0);
  EXPECT_FALSE(scratch_left());
  EXPECT_EQ((std::vector<int>{c().nuz3, c().nel3, c().nbe3}), (std::vector<int>{27, 8, 24}));
  for (int k = 0; k <= 2; ++k) {  // 2D node (1, 2) in layer k
    EXPECT_EQ((std::vector<float>{x(k * 9 + 6), y(k * 9 + 6), zz(k * 9 + 6)}),
              (std::vector<float>{1, 2, 1.0f + k}));
  }
  // Element (e = 1, layer 2): the 2D nodes 1, 2, 5, 4 in layers 1 and 2.
  const int32_t first = c().jj13 + 8 * 4;
  EXPECT_EQ(iks(first, {1, 4, 5, 8}), (std::vector<int32_t>{10, 13, 19, 22}));
  // Only the middle node of the middle layer is inside.
  for (int k = 1; k <= 27; ++k) EXPECT_EQ(ik(c().jgran, k) == 0, k == 14) << k;
  // Its six neighbours: -ksi, +ksi, -eta, +eta, layer below, layer above.
  const int32_t star = c().jstar + 6 * 13;
  EXPECT_EQ(iks(star, {1, 2, 3, 4, 5, 6}), (std::vector<int32_t>{11, 17, 13, 15, 5, 23}));
  // A corner of the bottom layer is its own neighbour where the grid ends.
  EXPECT_EQ(iks(c().jstar, {1, 5}), (std::vector<int32_t>{1, 1}));
}

TEST_F(Mesh3d, RevolutionAboutTheAxis) {
  data("ntel=1 m=3\n" + block(1, 0, 2, 1, 1, 1) + "nz=-2 zn=0 zk=.5\n");
  ASSERT_EQ(mesh3dfd(*s), 0);
  EXPECT_EQ((std::vector<int>{c().nuz3, c().nel3}), (std::vector<int>{12, 4}));
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
  EXPECT_EQ((std::vector<int>{c().nuz3, c().nel3, count(c().jn1, 1), count(c().jn1, 2)}),
            (std::vector<int>{16, 2, 8, 16}));
  EXPECT_EQ(ik(c().jj13, 9), 9);  // second subregion's first element starts at node 9
  EXPECT_FLOAT_EQ(x(9), 5.0f);
  EXPECT_EQ(c().n1, 0);  // the 2D arrays were reused: the record no longer names them
}

TEST_F(Mesh3d, RefusedCases) {
  data("ntel=1 m=4\n" + block(0, 0, 1, 1, 1, 1) + "nz=0 zn=0 zk=1\n");
  keys(1);
  EXPECT_EQ(mesh3dfd(*s), 1);
  EXPECT_TRUE(seen("mesh36:nz=0 is not allowed"));
  EXPECT_FALSE(scratch_left());
  flag_off(*s);
  data("ntel=1 m=3 tipm=4\n");
  keys(1);
  EXPECT_EQ(mesh3dfd(*s), 1);
  EXPECT_TRUE(seen("itip=2,5"));
}

TEST_F(MeshTest, ExamplesAreMeshedCheckedAndDrawn) {
  // The L of four glued blocks shares 5 nodes on each of three lines, four hanging nodes split
  // four triangles, and 4 + 4 + 8 edges are interfaces, each in both copies. The annulus is
  // refined; the channel is a generator-5 mesh of quadrilaterals. Each is one piece without
  // holes, so Euler's formula gives its nodes from its elements and outer edges.
  const struct {
    const char* name;
    int pauses, n2, n3, interfaces;
  } cases[] = {{"dif/block.dif", 0, 128, 32, 0},
               {"dif/l_shape.dif", 0, 3 * 32 + 64 + 4, 72 + 4, 32},
               {"dif/annulus.dif", 1, 4 * 48, 2 * 22, 0},
               {"gs/channel.gs", 1, 96, 44, 0}};
  for (const auto& e : cases) {
    fresh();
    example(e.name);
    keys(e.pauses);  // "mesh5_end"
    ASSERT_EQ(mesh(*s), 0) << screen();
    EXPECT_TRUE(host.events.empty()) << e.name;
    EXPECT_EQ(meshtest(*s), 0);
    EXPECT_FALSE(scratch_left());
    EXPECT_EQ(c().n2, e.n2) << e.name;
    EXPECT_EQ(c().n3, e.n3) << e.name;
    EXPECT_EQ(count(c().jn1, c().ntel), c().n1);
    EXPECT_EQ(coincident_nodes(), 0) << e.name;
    int interfaces = 0;
    for (int k = 1; k <= c().n3; ++k) interfaces += edge(k)[1] < 0;
    EXPECT_EQ(interfaces, e.interfaces) << e.name;
    const int outer = c().n3 - interfaces;
    EXPECT_EQ(c().n1, (c().m == 3 ? (c().n2 + outer) / 2 : c().n2 + outer / 2) + 1) << e.name;
    dinit1(*s, "mesh", 0.6f, 0.6f);
    draw_mesh(*s);
    EXPECT_GT(std::count(s->frame.raster.begin(), s->frame.raster.end(), 15), 1000) << e.name;
    EXPECT_GT(std::count_if(s->frame.raster.begin(), s->frame.raster.end(),
                            [](uint8_t p) { return p == 12 || p == 9; }),
              300)
        << e.name;  // the boundary
  }
}

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

// Cells far finer than the region: nodes of one side closer together than the merging distance
// the region's size gives must not merge with each other. Two blocks of 500 by 200 cells of
// 0.002 by 0.005 glued along their common side of 201 nodes: one node per point of that side and
// every element kept.
TEST_F(Assembly, FineCellsGlueNodeToNodeAndKeepEveryElement) {
  data("ntel=2 m=4\n" + block(0, 0, 1, 1, 500, 200) + block(1, 0, 2, 1, 500, 200) + kGlueAll);
  ASSERT_EQ(mesh(*s), 0) << screen();
  EXPECT_EQ(counts(), (Counts{2 * 501 * 201 - 201, 2 * 500 * 200, 2 * (500 + 200) * 2}));
  EXPECT_FALSE(seen("exclude incorrect element"));
  bool paired = false;
  EXPECT_EQ(interfaces(paired), 2 * 200);
  EXPECT_TRUE(paired);
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
    example("dif/l_shape.dif");
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
  const MeshLocator where(*s), walker(*s, LocatorSearch::walk);
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
    EXPECT_EQ(walker.cell_at(pr, pz), e) << pr << " " << pz;
    inside += e > 0;
  }
  EXPECT_GT(inside, 500);
  // The walker's kept answers: the same points asked again give the same elements.
  gen.seed(7);
  for (int i = 0; i < 100; ++i) {
    const float pr = u(gen), pz = u(gen) * 0.75f;
    EXPECT_EQ(walker.cell_at(pr, pz), where.cell_at(pr, pz)) << pr << " " << pz;
  }
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

// Gluing needs no integer pool beyond the mesh it leaves (and one word per boundary element while
// the glue zones are read), and lays the arrays out as in a roomy pool.
TEST_F(Assembly, GluedMeshWithHangingNodesFitsAPoolBarelyLargerThanItsArrays) {
  // 20 against 30 divisions along the common line: nodes hang in the other block's edges.
  const std::string text =
      "ntel=2 m=3\n" + block(0, 0, 1, 1, 20, 20) + block(1, 0, 2, 1, 20, 30) + kGlueAll;
  data(text);
  ASSERT_EQ(mesh(*s), 0);
  ASSERT_GT(c().n2, 2000) << "hanging nodes split elements";
  const int32_t maxk = s->csize.maxk;
  const std::vector<int32_t> roomy(s->km.begin() + 1, s->km.begin() + 1 + maxk);
  s = std::make_unique<Session>(host, kPoolReals, maxk + c().n3);
  console_install(*s);
  data(text);
  ASSERT_EQ(mesh(*s), 0) << screen();
  EXPECT_TRUE(s->csize.maxk == maxk && std::equal(roomy.begin(), roomy.end(), &s->km[1]));
}

}  // namespace
}  // namespace tivor::mesh_test
