// The structured generators: generator 2's mapping, diagonal split, cell counts and boundary
// order; generator 5's arc-length sides, stopping rule and untangling; quadrilaterals to
// triangles.
#include <gtest/gtest.h>

#include <cmath>

#include "gfx/gfx.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_fixture.hpp"

namespace tivor::mesh_test {
namespace {

class Generators : public MeshTest {
 protected:
  // Generator 2 alone, and the mesh it makes passes the mesh test.
  void generator2(int m, const std::string& text) {
    MeshTest::generator2(m, text);
    ASSERT_EQ(meshtest(*s), 0);
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
  ASSERT_EQ(c().n1, 20);
  ASSERT_EQ(c().n2, 12);
  ASSERT_EQ(c().n3, 14);
  EXPECT_EQ(c().ng, 8);
  for (int i = 0; i <= 4; ++i) {
    for (int j = 0; j <= 3; ++j) {
      const int k = i * 4 + j + 1;
      EXPECT_FLOAT_EQ(r(k), 1.0f + 0.5f * i) << k;
      EXPECT_FLOAT_EQ(z(k), 2.0f + 1.0f * j) << k;
    }
  }
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
  EXPECT_EQ(c().n1, 4);
  EXPECT_EQ(c().n2, 1);
  EXPECT_EQ(c().n3, 4);
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
  ASSERT_EQ(c().n1, 12);
  for (int i = 0; i <= 3; ++i) {
    for (int j = 0; j <= 2; ++j) {
      EXPECT_FLOAT_EQ(r(i * 3 + j + 1), float(i)) << i << "," << j;
      EXPECT_FLOAT_EQ(z(i * 3 + j + 1), float(j)) << i << "," << j;
    }
  }
  EXPECT_EQ(c().ng, 9);  // the four polylines together are the contour
  EXPECT_EQ(c().m, 4);
}

TEST_F(Generators, Generator5StopsAtTheFirstSoundPass) {
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
  EXPECT_NE(screen().find("smax/smin="), std::string::npos);
  EXPECT_EQ(screen().find("not reached"), std::string::npos);
}

TEST_F(Generators, Generator5SaysWhenItStopsShortOfItsTarget) {
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

TEST_F(Generators, Generator5InTrianglesSplitsEveryQuadrilateral) {
  generator5(3, kRectangle5);
  EXPECT_EQ(c().m, 3);
  EXPECT_EQ(c().n2, 12);
  EXPECT_EQ(s->csize.maxk, c().jj1 + 3 * c().n2);
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

}  // namespace
}  // namespace tivor::mesh_test
