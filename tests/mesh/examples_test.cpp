// The example data files of examples/mesh: each one meshed, checked and drawn with the graphics
// core into a PNG (mesh_<name>.png in the test's build directory) for looking at.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "gfx/gfx.hpp"
#include "host/png_writer.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_fixture.hpp"

namespace tivor::mesh_test {
namespace {

class Examples : public MeshTest {
 protected:
  void run(const std::string& name, int pauses) {
    example(name + ".dat");
    keys(pauses);
    ASSERT_EQ(mesh(*s), 0) << screen();
    EXPECT_TRUE(host.events.empty()) << "pauses left";
    EXPECT_EQ(meshtest(*s), 0);
    EXPECT_FALSE(scratch_left());
    dinit1(*s, "mesh", 0.6f, 0.6f);
    draw_mesh(*s);
    std::vector<uint8_t> shown(s->frame.raster.size());
    for (size_t i = 0; i < shown.size(); ++i) shown[i] = colpal(s->frame.raster[i]) & 15;
    const std::string png = (old_dir / ("mesh_" + name + ".png")).string();
    EXPECT_TRUE(write_indexed_png(png, kCanvasW, kCanvasH, shown));
    lit_elements = 0;
    lit_boundary = 0;
    for (uint8_t p : s->frame.raster) {
      lit_elements += p == 15;
      lit_boundary += p == 12 || p == 9;
    }
  }
  int interfaces() const {
    int n = 0;
    for (int k = 1; k <= c().n3; ++k) n += edge(k)[1] < 0;
    return n;
  }
  int lit_elements = 0, lit_boundary = 0;
};

TEST_F(Examples, OneBlock) {
  run("block", 0);
  EXPECT_EQ(c().n1, 81);
  EXPECT_EQ(c().n2, 128);
  EXPECT_EQ(c().n3, 32);
  EXPECT_GT(lit_elements, 1000);
  EXPECT_GT(lit_boundary, 300);
}

TEST_F(Examples, FourBlocksGluedInAnL) {
  run("l_shape", 0);
  EXPECT_EQ(c().ntel, 4);
  EXPECT_EQ(c().n1, 25 * 3 + 45 - 15);  // 5 common nodes on each of three lines
  EXPECT_EQ(c().n2, 3 * 32 + 64 + 4);   // four hanging nodes split four triangles
  EXPECT_EQ(c().n3, 72 + 4);
  EXPECT_EQ(interfaces(), 32);  // 4 + 4 + 8 edges, each in both copies
  EXPECT_EQ(count(c().jn1, 4), c().n1);
}

TEST_F(Examples, RefinedAnnulusSector) {
  run("annulus", 1);  // "mesh5_end"
  EXPECT_EQ(c().n2, 4 * 48);
  EXPECT_EQ(c().n3, 2 * 22);
  // The new nodes of the arcs lie on the polylines: within 0.01 of radius 1 or 2.
  for (int k = 1; k <= c().n3; ++k) {
    const int n = edge(k)[0];
    const double rad = std::hypot(r(n), z(n));
    if (r(n) > 1e-4 && z(n) > 1e-4) {
      EXPECT_LT(std::min(std::abs(rad - 1.0), std::abs(rad - 2.0)), 0.01) << n;
    }
  }
}

TEST_F(Examples, Generator5Channel) {
  run("channel", 1);
  EXPECT_EQ(c().m, 4);
  EXPECT_EQ(c().n1, 17 * 7);
  EXPECT_EQ(c().n2, 96);
  EXPECT_EQ(c().n3, 44);
}

}  // namespace
}  // namespace tivor::mesh_test
