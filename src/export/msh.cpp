// The mesh in gmsh's ASCII format 4.1: one surface and one physical group per subregion
// ("subregion N"), the outer boundary edges as the curve of the group "boundary" and the edges
// where two subregions were glued as the curve of the group "interface". Element numbers are
// the workbench's own; the edges follow them.
#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "export/export.hpp"

namespace tivor {
namespace {

constexpr int kMshLine = 1;
constexpr int kMshTriangle = 2;
constexpr int kMshQuad = 3;
constexpr int kBoundaryCurve = 1;
constexpr int kInterfaceCurve = 2;

struct Box {
  double lo[2] = {std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
  double hi[2] = {std::numeric_limits<double>::lowest(), std::numeric_limits<double>::lowest()};
  void add(const ExportMesh& m, int32_t node) {
    for (int d = 0; d < 2; ++d) {
      const double v = m.rz[2 * static_cast<size_t>(node) + static_cast<size_t>(d)];
      lo[d] = std::min(lo[d], v);
      hi[d] = std::max(hi[d], v);
    }
  }
};

std::string real_text(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", v);
  return buf;
}

std::string box_text(const Box& b) {
  return real_text(b.lo[0]) + " " + real_text(b.lo[1]) + " 0 " + real_text(b.hi[0]) + " " +
         real_text(b.hi[1]) + " 0";
}

}  // namespace

std::string msh_text(const ExportMesh& mesh) {
  const size_t n1 = mesh.rz.size() / 2;
  const int32_t nsub = mesh.subregions;
  // Boxes, triangles and quadrilaterals of each subregion, and the edges of the two curves.
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

  std::string out = "$MeshFormat\n4.1 0 8\n$EndMeshFormat\n";
  int curves = 0;
  for (const auto& edges : curve_edges) curves += edges.empty() ? 0 : 1;
  out += "$PhysicalNames\n" + std::to_string(nsub + curves) + "\n";
  if (!curve_edges[0].empty()) out += "1 " + std::to_string(kBoundaryCurve) + " \"boundary\"\n";
  if (!curve_edges[1].empty()) out += "1 " + std::to_string(kInterfaceCurve) + " \"interface\"\n";
  for (int32_t i = 1; i <= nsub; ++i) {
    out += "2 " + std::to_string(i) + " \"subregion " + std::to_string(i) + "\"\n";
  }
  out += "$EndPhysicalNames\n";

  out += "$Entities\n0 " + std::to_string(curves) + " " + std::to_string(nsub) + " 0\n";
  for (size_t j = 0; j < 2; ++j) {
    if (curve_edges[j].empty()) continue;
    const std::string tag = std::to_string(j + 1);
    out += tag + " " + box_text(curve_box[j]) + " 1 " + tag + " 0\n";
  }
  for (int32_t i = 1; i <= nsub; ++i) {
    const Box& b = sub_box[static_cast<size_t>(i - 1)];
    // A subregion without elements gets an empty box at the origin.
    const std::string box = b.lo[0] <= b.hi[0] ? box_text(b) : "0 0 0 0 0 0";
    out += std::to_string(i) + " " + box + " 1 " + std::to_string(i) + " 0\n";
  }
  out += "$EndEntities\n";

  // Every node is placed on the first surface: the format wants each in one entity block.
  out += "$Nodes\n1 " + std::to_string(n1) + " 1 " + std::to_string(n1) + "\n";
  out += "2 1 0 " + std::to_string(n1) + "\n";
  for (size_t i = 1; i <= n1; ++i) out += std::to_string(i) + "\n";
  for (size_t i = 0; i < n1; ++i) {
    out += real_text(mesh.rz[2 * i]) + " " + real_text(mesh.rz[2 * i + 1]) + " 0\n";
  }
  out += "$EndNodes\n";

  int blocks = 0;
  for (const auto& cells : sub_cells)
    blocks += (cells[0].empty() ? 0 : 1) + (cells[1].empty() ? 0 : 1);
  blocks += curves;
  const size_t total = mesh.cells.size() + mesh.edges.size();
  out += "$Elements\n" + std::to_string(blocks) + " " + std::to_string(total) + " 1 " +
         std::to_string(total) + "\n";
  for (int32_t i = 1; i <= nsub; ++i) {
    for (int shape = 0; shape < 2; ++shape) {
      const std::vector<size_t>& cells =
          sub_cells[static_cast<size_t>(i - 1)][static_cast<size_t>(shape)];
      if (cells.empty()) continue;
      out += "2 " + std::to_string(i) + " " + std::to_string(shape == 0 ? kMshTriangle : kMshQuad) +
             " " + std::to_string(cells.size()) + "\n";
      for (const size_t e : cells) {
        out += std::to_string(e + 1);
        const ExportMesh::Cell& c = mesh.cells[e];
        for (int k = 0; k < c.corners; ++k) out += " " + std::to_string(c.node[k] + 1);
        out += "\n";
      }
    }
  }
  for (size_t j = 0; j < 2; ++j) {
    if (curve_edges[j].empty()) continue;
    out += "1 " + std::to_string(j + 1) + " " + std::to_string(kMshLine) + " " +
           std::to_string(curve_edges[j].size()) + "\n";
    for (const size_t k : curve_edges[j]) {
      const ExportMesh::Edge& edge = mesh.edges[k];
      out += std::to_string(mesh.cells.size() + k + 1) + " " + std::to_string(edge.a + 1) + " " +
             std::to_string(edge.b + 1) + "\n";
    }
  }
  out += "$EndElements\n";
  return out;
}

}  // namespace tivor
