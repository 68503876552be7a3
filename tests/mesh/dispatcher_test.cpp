// MESH as a whole: the keywords and their corrections, the generator fallback, the scratch file
// on every way out, the final pool layout, scaling and the owner table.
#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <sstream>

#include "mesh/mesh.hpp"
#include "mesh/mesh_fixture.hpp"

namespace tivor::mesh_test {
namespace {

constexpr const char* kEnd = "skl=0 scale=1 1 rzcor=0\n";

class Dispatcher : public MeshTest {};

TEST_F(Dispatcher, CountsAreCorrectedAndQuadrilateralsAreNeverRefined) {
  data("ntel=-2 m=5\n" + block(0, 0, 1, 1, 2, 1, 2) + block(3, 0, 4, 1, 1, 1, 5) + kEnd);
  ASSERT_EQ(mesh(*s), 0);
  EXPECT_EQ(c().ntel, 2);
  EXPECT_EQ(c().m, 4);
  EXPECT_EQ(c().nyt, 0);
  EXPECT_EQ(c().n2, 3);  // 2 + 1 cells, no refinement
  EXPECT_EQ(count(c().jn2, 1), 2);
  EXPECT_EQ(count(c().jn2, 2), 3);  // cumulative after assembly
  EXPECT_FALSE(scratch_left());

  data("ntel=0 m=3\n" + block(0, 0, 1, 1, 1, 1) + kEnd);
  ASSERT_EQ(mesh(*s), 0);
  EXPECT_EQ(c().ntel, 1);
  EXPECT_EQ(c().m, 3);
}

TEST_F(Dispatcher, UnknownGeneratorFallsBackToOne) {
  data(
      "ntel=1 m=3 tipm=7 pic=0 ng=4 m=0 0 0 1 1 1 1 0 n3=0 n4=0\n"
      "turn=0 0 0 0 0 nyt=0 rzcor=0 skl=0 scale=1 1 rzcor=0\n");
  EXPECT_EQ(mesh(*s), 0);
  EXPECT_NE(screen().find("mesh:tipm must be equal 1,2,3 or 4, trying 1..."), std::string::npos);
  EXPECT_EQ(c().n2, 2);
  EXPECT_FALSE(scratch_left());
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

  // A pool too small for the assembly.
  data("ntel=1 m=3\n" + block(0, 0, 1, 1, 30, 30) + kEnd);
  s->csize.nk = 8000;
  keys(1);
  EXPECT_EQ(mesh(*s), 1);
  EXPECT_NE(screen().find("newarr:not enouth memory for array :"), std::string::npos);
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
  EXPECT_EQ(c().jn1, 50);
  EXPECT_EQ(c().jj2, c().jn3 + c().ntel);
  EXPECT_EQ(c().jj1, c().jj2 + 2 * c().n3);
  EXPECT_EQ(c().jrz, 100 + 2 * c().n3);  // jcsi first, with room for split edges
  EXPECT_EQ(c().jdest_cell, c().jrz + 2 * c().n1);
  EXPECT_EQ(s->csize.maxa, c().jdest_cell + c().n2);
  EXPECT_EQ(c().jgrel, c().jj1 + c().m * c().n2);
  for (int e = 1; e <= c().n2; ++e) EXPECT_EQ(s->a[c().jdest_cell + e], 1.0f);
  // Node (2, 1) of the block, scaled by |-2| + 1e-6 and .5 + 1e-6.
  EXPECT_FLOAT_EQ(r(6), 2.0f * (2.0f + 1e-6f));
  EXPECT_FLOAT_EQ(z(6), 1.0f * (0.5f + 1e-6f));
  for (int k = 1; k <= c().n3; ++k) {
    const auto b = edge(k);
    const int e = s->km[c().jgrel + k];
    ASSERT_GE(e, 1);
    const auto v = element(e);
    bool has = false;
    for (int i = 0; i < 3; ++i) has = has || (v[i] == b[0] && v[(i + 1) % 3] == b[1]);
    EXPECT_TRUE(has) << k;
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

TEST_F(Dispatcher, WholeMeshSmoothingKeepsTheBoundary) {
  data("ntel=1 m=3\n" + block(0, 0, 4, 4, 4, 4) + "skl=0 scale=1 1 rzcor=2\n");
  ASSERT_EQ(mesh(*s), 0);
  EXPECT_EQ(meshtest(*s), 0);
  const float f = 1.0f + 1e-6f;
  EXPECT_FLOAT_EQ(r(1), 0.0f);
  EXPECT_FLOAT_EQ(r(25), 4.0f * f);
  EXPECT_FLOAT_EQ(z(25), 4.0f * f);
}

}  // namespace
}  // namespace tivor::mesh_test
