// The example data files of examples/mesh: each one meshed, checked and drawn with the graphics
// core (also into mesh_<name>.png in the test's build directory, for looking at).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "gfx/gfx.hpp"
#include "host/png_writer.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_fixture.hpp"

namespace tivor::mesh_test {
namespace {

TEST_F(MeshTest, ExamplesAreMeshedCheckedAndDrawn) {
  // The L of four glued blocks shares 5 nodes on each of three lines, four hanging nodes split
  // four triangles, and 4 + 4 + 8 edges are interfaces, each in both copies. The annulus is
  // refined and its new boundary nodes lie on the arcs of radius 1 and 2; the channel is a
  // generator-5 mesh of quadrilaterals. Each is one piece without holes, so Euler's formula
  // gives its nodes from its elements and outer edges.
  const struct {
    const char* name;
    int pauses, n2, n3, interfaces;
    bool arcs;
  } cases[] = {{"block", 0, 128, 32, 0, false},
               {"l_shape", 0, 3 * 32 + 64 + 4, 72 + 4, 32, false},
               {"annulus", 1, 4 * 48, 2 * 22, 0, true},
               {"channel", 1, 96, 44, 0, false}};
  for (const auto& e : cases) {
    fresh();
    example(std::string(e.name) + ".dat");
    keys(e.pauses);  // "mesh5_end"
    ASSERT_EQ(mesh(*s), 0) << screen();
    EXPECT_TRUE(host.events.empty()) << e.name;
    EXPECT_EQ(meshtest(*s), 0);
    EXPECT_FALSE(scratch_left());
    EXPECT_EQ(c().n2, e.n2) << e.name;
    EXPECT_EQ(c().n3, e.n3) << e.name;
    EXPECT_EQ(count(c().jn1, c().ntel), c().n1);
    EXPECT_EQ(coincident_nodes(), 0) << e.name;
    int interfaces = 0, off_arcs = 0;
    for (int k = 1; k <= c().n3; ++k) {
      interfaces += edge(k)[1] < 0;
      const int n = edge(k)[0];
      const double rad = std::hypot(r(n), z(n));
      off_arcs += e.arcs && r(n) > 1e-4 && z(n) > 1e-4 &&
                  std::min(std::abs(rad - 1.0), std::abs(rad - 2.0)) > 0.01;
    }
    EXPECT_EQ(interfaces, e.interfaces) << e.name;
    const int outer = c().n3 - interfaces;
    EXPECT_EQ(c().n1, (c().m == 3 ? (c().n2 + outer) / 2 : c().n2 + outer / 2) + 1) << e.name;
    EXPECT_EQ(off_arcs, 0) << e.name;
    dinit1(*s, "mesh", 0.6f, 0.6f);
    draw_mesh(*s);
    std::vector<uint8_t> shown(s->frame.raster.size());
    int lit_elements = 0, lit_boundary = 0;
    for (size_t i = 0; i < shown.size(); ++i) {
      shown[i] = colpal(s->frame.raster[i]) & 15;
      lit_elements += s->frame.raster[i] == 15;
      lit_boundary += s->frame.raster[i] == 12 || s->frame.raster[i] == 9;
    }
    const std::string png = (dir.home() / ("mesh_" + std::string(e.name) + ".png")).string();
    EXPECT_TRUE(write_indexed_png(png, kCanvasW, kCanvasH, shown));
    EXPECT_GT(lit_elements, 1000) << e.name;
    EXPECT_GT(lit_boundary, 300) << e.name;
  }
}

}  // namespace
}  // namespace tivor::mesh_test
