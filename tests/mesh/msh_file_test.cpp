// Meshes from gmsh files (generator 6): the reader refusing damaged files and every truncation,
// zones by tag, named curves and the orientation rule; the exporter's file read back as the same
// mesh; a file's zones glued to each other and to a generated subregion; boundary conditions
// given by a curve's name.
#include "mesh/msh_file.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "core/pool.hpp"
#include "export/export.hpp"
#include "kernels/kernels.hpp"
#include "mesh/mesh_fixture.hpp"
#include "mesh/mesh_internal.hpp"

namespace tivor::mesh_test {
namespace {

// [0, 2] x [0, 1]: a quadrilateral in physical surface 7 and two triangles in surface 3; the
// curve "bottom" along y = 0 and "middle" where the two surfaces meet, at x = 1.
const std::string kSquare = R"($MeshFormat
4.1 0 8
$EndMeshFormat
$PhysicalNames
4
1 1 "bottom"
1 2 "middle"
2 7 "left"
2 3 "right"
$EndPhysicalNames
$Entities
0 2 2 0
1 0 0 0 2 0 0 1 1 0
2 1 0 0 1 1 0 1 2 0
1 0 0 0 1 1 0 1 7 0
2 1 0 0 2 1 0 1 3 0
$EndEntities
$Nodes
1 6 1 6
2 1 0 6
1
2
3
4
5
6
0 0 0
1 0 0
2 0 0
0 1 0
1 1 0
2 1 0
$EndNodes
$Elements
4 6 1 6
2 1 3 1
1 1 2 5 4
2 2 2 2
2 2 3 6
3 2 6 5
1 1 1 2
4 1 2
5 2 3
1 2 1 1
6 2 5
$EndElements
)";

std::string with(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(MshFile, ZonesByTagCurvesAndCounterClockwiseElements) {
  MshMesh mesh;
  std::string error;
  ASSERT_TRUE(parse_msh(kSquare, mesh, error)) << error;
  ASSERT_EQ(mesh.zones.size(), 2u);
  EXPECT_EQ(mesh.zones[0].tag, 3);
  EXPECT_EQ(mesh.zones[0].cells.size(), 2u);
  EXPECT_EQ(mesh.zones[1].tag, 7);
  ASSERT_EQ(mesh.zones[1].cells.size(), 1u);
  EXPECT_EQ(mesh.zones[1].cells[0].node, (std::array<int32_t, 4>{0, 3, 4, 1}));
  for (const auto& zone : mesh.zones) {
    for (const auto& cell : zone.cells) {
      int32_t v[4];
      for (int k = 0; k < 4; ++k) v[k] = cell.node[k] + 1;
      EXPECT_TRUE(mesh_detail::element_oriented(mesh.rz.data(), v, cell.corners));
    }
  }
  ASSERT_EQ(mesh.curves.size(), 2u);
  EXPECT_EQ(mesh.curves[0].name, "bottom");
  EXPECT_EQ(mesh.curves[0].edges, (std::vector<std::array<int32_t, 2>>{{0, 1}, {1, 2}}));
}

TEST(MshFile, DamagedFilesAreRefusedWithTheReason) {
  const std::string tetra = "$Elements\n1 1 1 1\n3 1 4 1\n1 1 2 3 4\n$EndElements\n";
  const std::string elements = kSquare.substr(kSquare.find("$Elements"));
  const std::vector<std::pair<std::string, std::pair<std::string, std::string>>> cases = {
      {"version 2.2, not 4.1", {"4.1 0 8", "2.2 0 8"}},
      {"a binary file", {"4.1 0 8", "4.1 1 8"}},
      {"3D elements only", {elements, tetra}},
      {"element type 9 is not read", {"2 1 3 1", "2 1 9 1"}},
      {"$Nodes holds 6 nodes, not 7", {"1 6 1 6", "1 7 1 7"}},
      {"$Elements holds 6 elements, not 5", {"4 6 1 6", "4 5 1 6"}},
      {"node tag 5 given twice", {"5\n6\n0 0 0", "5\n5\n0 0 0"}},
      {"node tag 9 is missing", {"2 2 3 6", "2 2 3 9"}},
      {"element 1 is turned over", {"1 1 2 5 4", "1 1 4 5 2"}},
      {"element 2 is degenerate", {"2 2 3 6", "2 2 3 3"}},
      {"element 3 is degenerate", {"3 2 6 5", "3 2 6 2"}},
      {"element 2 is off the plane", {"2 1 0\n$End", "2 1 0.5\n$End"}},
      {"does not match the text", {"4 6 1 6", "4 99999999 1 6"}},
      {"is not a number in $Nodes", {"2 1 0\n$End", "2 1e999 0\n$End"}},
  };
  for (const auto& [reason, change] : cases) {
    MshMesh mesh;
    std::string error;
    EXPECT_FALSE(parse_msh(with(kSquare, change.first, change.second), mesh, error)) << reason;
    EXPECT_NE(error.find(reason), std::string::npos) << reason << ": " << error;
    EXPECT_TRUE(mesh.zones.empty() && mesh.rz.empty());
  }
}

TEST(MshFile, EveryTruncationIsRefused) {
  const size_t whole = kSquare.rfind("$EndElements") + 12;
  for (size_t cut = 0; cut < whole; ++cut) {
    MshMesh mesh;
    std::string error;
    EXPECT_FALSE(parse_msh(kSquare.substr(0, cut), mesh, error)) << cut;
    EXPECT_FALSE(error.empty()) << cut;
  }
}

class MeshFile : public MeshTest {
 protected:
  // The pools' copies of the mesh: coordinates, connectivity, boundary elements and counts.
  struct Copy {
    std::vector<float> rz;
    std::vector<int32_t> conn, bound, jn2;
  };
  Copy copy() const {
    Copy k;
    for (int i = 1; i <= c().n1; ++i) k.rz.insert(k.rz.end(), {r(i), z(i)});
    for (int e = 1; e <= c().n2; ++e) {
      const std::vector<int32_t> v = element(e);
      k.conn.insert(k.conn.end(), v.begin(), v.end());
    }
    std::vector<std::pair<int32_t, int32_t>> edges;
    for (int b = 1; b <= c().n3; ++b) edges.emplace_back(edge(b)[0], edge(b)[1]);
    std::sort(edges.begin(), edges.end());
    for (auto [p, q] : edges) k.bound.insert(k.bound.end(), {p, q});
    for (int i = 1; i <= c().ntel; ++i) k.jn2.push_back(count(c().jn2, i));
    return k;
  }
  // The mesh of the data, with the given lines after the subregions.
  void make(const std::string& text, const std::string& after = "skl=0\n",
            const std::string& scale = "1 1") {
    data(text + after + "scale=" + scale + "\nrzcor=0\n");
    ASSERT_EQ(mesh(*s), 0) << screen();
  }
  static std::string file(const std::string& name) {
    return "tipm=6\nfile=" + name + "\nturn=0 0 0 0 0\nnyt=0\nrzcor=0\n";
  }
};

TEST_F(MeshFile, TheExportersFileReadsBackAsTheSameMesh) {
  for (int m : {3, 4}) {
    // Two glued blocks, one of them turned so that its nodes are not on a lattice.
    make("ntel=2\nm=" + std::to_string(m) + "\n" + block(0, 0, 1, 1, 3, 2) +
             with(block(1, 0, 2, 1, 3, 2), "turn=0 0 0 0 0", "turn=1.5 0.5 3.14159265 0 0"),
         "skl=1\nm=-10 -10 10 10\n");
    const Copy before = copy();
    ExportMesh exported;
    std::string error;
    ASSERT_TRUE(export_mesh(*s, exported, error)) << error;
    std::ofstream("round.msh", std::ios::binary) << msh_text(exported);
    make("ntel=2\nm=" + std::to_string(m) + "\n" + file("round.msh"));
    const Copy after = copy();
    EXPECT_EQ(after.conn, before.conn) << "m=" << m;
    EXPECT_EQ(after.bound, before.bound) << "m=" << m;
    EXPECT_EQ(after.jn2, before.jn2) << "m=" << m;
    // The scale is |1| + 1e-6 on the way in, as for any mesh.
    ASSERT_EQ(after.rz.size(), before.rz.size());
    for (size_t k = 0; k < after.rz.size(); ++k) EXPECT_NEAR(after.rz[k], before.rz[k], 3e-6);
  }
}

TEST_F(MeshFile, ZonesGlueToEachOtherAndToAGeneratedSubregion) {
  std::ofstream("square.msh", std::ios::binary) << kSquare;
  // Only x = 2 is a glue zone: the file's own zones meet at x = 1 without one. The block's
  // middle node on x = 2 splits the triangle that has that edge.
  make("ntel=3\nm=3\n" + file("square.msh") + block(2, 0, 3, 1, 2, 2), "skl=1\nm=1.9 -1 2.1 2\n");
  EXPECT_EQ(counts(), (Counts{13, 13, 17}));
  EXPECT_EQ(coincident_nodes(), 0);
  EXPECT_EQ(copy().jn2, (std::vector<int32_t>{3, 5, 13}));
  int interfaces = 0;
  for (int b = 1; b <= c().n3; ++b) interfaces += edge(b)[1] < 0;
  EXPECT_EQ(interfaces, 2 + 4);
  // Too few subregions for the file's zones.
  data("ntel=1\nm=3\n" + file("square.msh"));
  keys(1);
  EXPECT_EQ(mesh(*s), 1);
  EXPECT_TRUE(shown("mesh6:square.msh has 2 zones, ntel leaves 1")) << screen();
}

TEST_F(MeshFile, BoundaryConditionsNameTheFilesCurves) {
  std::ofstream("square.msh", std::ios::binary) << kSquare;
  make("ntel=2\nm=4\n" + file("square.msh"), "skl=0\n", "2 1");
  int32_t jy = 0, jf = 0;
  ASSERT_EQ(reserve_ints(*s, jy, c().n3, "jy") + reserve_reals(*s, jf, c().n3, "jf"), 0);
  // The bottom (r from 0 to 4 after the scaling) from 1 to 3, and the top by coordinates; a
  // remark and a blank line before the named entry.
  data("conc1=2\n* the bottom\n\nm=\"bottom\" 1 3\nm=0 1 4 1 5 5\n");
  ASSERT_EQ(bcn2(*s, "c1", jy, jf, "conc1"), 0) << screen();
  int bottom = 0;
  for (int k = 0; k < c().n3; ++k) {
    const int32_t q = std::abs(edge(k + 1)[1]);
    // As by coordinates, every element whose second node lies on the curve: the two along the
    // bottom, the side's last one, which ends at the corner where the bottom starts, and the
    // interface edge that ends at its middle.
    const bool on_bottom = std::abs(z(q)) < 1e-6;
    const bool on_top = std::abs(z(q) - 1) < 1e-6;
    const float value = s->a[static_cast<size_t>(jf + k + 1)];
    EXPECT_EQ(s->km[static_cast<size_t>(jy + k + 1)], on_bottom || on_top ? 0 : 1) << k;
    if (on_bottom) {
      EXPECT_NEAR(value, 1 + r(q) / 2, 1e-5) << k;
    }
    bottom += on_bottom;
  }
  EXPECT_EQ(bottom, 4);
  // A name the file does not hold.
  data("conc1=1\nm=\"top\" 1 1\n");
  keys(1);
  EXPECT_EQ(bcn2(*s, "c1", jy, jf, "conc1"), 1);
  EXPECT_TRUE(shown("bcn2:conc1 curve \"top\" is not in square.msh")) << screen();
  flag_off(*s);
  // The curve between the zones holds interface edges only, which bcnp leaves out.
  data("pn=1\nm=\"middle\" 1 1\n");
  keys(1);
  ASSERT_EQ(bcnp(*s, "p", jf, "pn"), 0);
  EXPECT_TRUE(shown("bcnp:pn curve \"middle\" selects no boundary element")) << screen();
}

}  // namespace
}  // namespace tivor::mesh_test
