// The mesh in gmsh's ASCII format 4.1: one surface and one physical group per subregion
// ("subregion N"), the outer boundary edges as the curve of the group "boundary" and the edges
// where two subregions were glued as the curve of the group "interface". Element numbers are
// the workbench's own; the edges follow them. Elements and edges run as gmsh's own do for a
// surface facing +z (x is r, y is z): counter-clockwise, the region to the left of its edges.
#include <algorithm>
#include <array>
#include <limits>
#include <string>
#include <vector>

#include "export/export.hpp"
#include "export/text.hpp"

namespace tivor {
namespace {

using export_text::put;
using export_text::real;

constexpr int kMshLine = 1;
constexpr int kMshTriangle = 2;
constexpr int kMshQuad = 3;

struct Box {
  double lo[2] = {std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
  double hi[2] = {std::numeric_limits<double>::lowest(), std::numeric_limits<double>::lowest()};
  void add(const ExportMesh& m, int32_t node) {
    for (size_t d = 0; d < 2; ++d) {
      const double v = m.rz[2 * static_cast<size_t>(node) + d];
      lo[d] = std::min(lo[d], v);
      hi[d] = std::max(hi[d], v);
    }
  }
  // An entity without elements gets an empty box at the origin.
  void put_to(std::string& out) const {
    if (lo[0] > hi[0]) {
      out += "0 0 0 0 0 0";
      return;
    }
    put(out, real(lo[0]), " ", real(lo[1]), " 0 ", real(hi[0]), " ", real(hi[1]), " 0");
  }
};

}  // namespace

std::string msh_text(const ExportMesh& mesh) {
  const size_t n1 = mesh.rz.size() / 2;
  const int32_t nsub = mesh.subregions;
  // Boxes, triangles and quadrilaterals of each subregion; boxes and edges of the two curves
  // (1 the outer boundary, 2 the interfaces).
  std::vector<Box> sub_box(static_cast<size_t>(nsub));
  std::vector<std::array<std::vector<size_t>, 2>> sub_cells(static_cast<size_t>(nsub));
  for (size_t e = 0; e < mesh.cells.size(); ++e) {
    const ExportMesh::Cell& c = mesh.cells[e];
    const size_t i = static_cast<size_t>(c.subregion - 1);
    for (int k = 0; k < c.corners; ++k) sub_box[i].add(mesh, c.node[k]);
    sub_cells[i][c.corners == 3 ? 0 : 1].push_back(e);
  }
  std::array<Box, 2> curve_box;
  std::array<std::vector<size_t>, 2> curve_edges;
  for (size_t k = 0; k < mesh.edges.size(); ++k) {
    const ExportMesh::Edge& edge = mesh.edges[k];
    const size_t j = edge.interface ? 1 : 0;
    curve_box[j].add(mesh, edge.a);
    curve_box[j].add(mesh, edge.b);
    curve_edges[j].push_back(k);
  }
  int curves = 0;
  for (const auto& edges : curve_edges) curves += edges.empty() ? 0 : 1;

  std::string out = "$MeshFormat\n4.1 0 8\n$EndMeshFormat\n$PhysicalNames\n";
  put(out, nsub + curves, "\n");
  if (!curve_edges[0].empty()) out += "1 1 \"boundary\"\n";
  if (!curve_edges[1].empty()) out += "1 2 \"interface\"\n";
  for (int32_t i = 1; i <= nsub; ++i) put(out, "2 ", i, " \"subregion ", i, "\"\n");
  out += "$EndPhysicalNames\n$Entities\n";
  put(out, "0 ", curves, " ", nsub, " 0\n");
  for (size_t j = 0; j < 2; ++j) {
    if (curve_edges[j].empty()) continue;
    put(out, j + 1, " ");
    curve_box[j].put_to(out);
    put(out, " 1 ", j + 1, " 0\n");
  }
  for (int32_t i = 1; i <= nsub; ++i) {
    put(out, i, " ");
    sub_box[static_cast<size_t>(i - 1)].put_to(out);
    put(out, " 1 ", i, " 0\n");
  }
  out += "$EndEntities\n";

  // Every node is placed on the first surface: the format wants each in one entity block.
  put(out, "$Nodes\n1 ", n1, " 1 ", n1, "\n2 1 0 ", n1, "\n");
  for (size_t i = 1; i <= n1; ++i) put(out, i, "\n");
  for (size_t i = 0; i < n1; ++i)
    put(out, real(mesh.rz[2 * i]), " ", real(mesh.rz[2 * i + 1]), " 0\n");
  out += "$EndNodes\n";

  int blocks = curves;
  for (const auto& cells : sub_cells) {
    blocks += (cells[0].empty() ? 0 : 1) + (cells[1].empty() ? 0 : 1);
  }
  const size_t total = mesh.cells.size() + mesh.edges.size();
  put(out, "$Elements\n", blocks, " ", total, " 1 ", total, "\n");
  for (int32_t i = 1; i <= nsub; ++i) {
    for (size_t shape = 0; shape < 2; ++shape) {
      const std::vector<size_t>& cells = sub_cells[static_cast<size_t>(i - 1)][shape];
      if (cells.empty()) continue;
      put(out, "2 ", i, " ", shape == 0 ? kMshTriangle : kMshQuad, " ", cells.size(), "\n");
      for (const size_t e : cells) {
        put(out, e + 1);
        // Reversed, first node kept: counter-clockwise in (x, y), as gmsh has a surface
        // facing +z, where the workbench's elements run counter-clockwise in (z, r).
        const ExportMesh::Cell& c = mesh.cells[e];
        put(out, " ", c.node[0] + 1);
        for (int k = c.corners - 1; k > 0; --k) put(out, " ", c.node[k] + 1);
        out += "\n";
      }
    }
  }
  for (size_t j = 0; j < 2; ++j) {
    if (curve_edges[j].empty()) continue;
    put(out, "1 ", j + 1, " ", kMshLine, " ", curve_edges[j].size(), "\n");
    for (const size_t k : curve_edges[j]) {
      const ExportMesh::Edge& edge = mesh.edges[k];
      put(out, mesh.cells.size() + k + 1, " ", edge.b + 1, " ", edge.a + 1, "\n");
    }
  }
  out += "$EndElements\n";
  return out;
}

}  // namespace tivor
