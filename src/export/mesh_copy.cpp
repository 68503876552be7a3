// The mesh and the result functions of a task, copied out of the pools for the file writers.
// Nothing of the records is trusted: every array must lie in its pool and every node number
// must name a node, otherwise nothing is written.
#include <algorithm>
#include <cstdlib>
#include <set>
#include <utility>

#include "core/pool.hpp"
#include "export/export.hpp"
#include "export/text.hpp"

namespace tivor {
namespace {

// A readable name for a file of another program: printable characters only, never empty.
std::string clean_name(const char (&field)[48], int k) {
  std::string name;
  for (const char c : field_str(field)) {
    name.push_back(c > ' ' && c < 127 ? c : '_');
  }
  if (name.empty()) export_text::put(name, "f", k + 1);
  return name;
}

bool node_of(int32_t word, int64_t n1, int32_t& node) {
  const int64_t v = std::llabs(static_cast<int64_t>(word));
  if (v < 1 || v > n1) return false;
  node = static_cast<int32_t>(v - 1);
  return true;
}

// Subregion of each element from the cumulative element counts; elements past the last count
// belong to the last subregion.
void subregions(const Session& s, ExportMesh& out) {
  const Cmesh& c = s.cmesh;
  const int64_t n2 = static_cast<int64_t>(out.cells.size());
  const int32_t ntel = int_array_ok(s, c.jn2, c.ntel) ? std::max(c.ntel, 0) : 0;
  int64_t e = 0;
  for (int32_t i = 0; i < ntel && e < n2; ++i) {
    const int64_t last = std::min<int64_t>(ints(s, c.jn2)[i], n2);
    for (; e < last; ++e) out.cells[static_cast<size_t>(e)].subregion = i + 1;
  }
  out.subregions = std::max(ntel, 1);
  for (; e < n2; ++e) out.cells[static_cast<size_t>(e)].subregion = out.subregions;
}

}  // namespace

bool export_mesh(const Session& s, ExportMesh& out, std::string& error) {
  const Cmesh& c = s.cmesh;
  const int64_t n1 = c.n1, n2 = c.n2, n3 = c.n3;
  out = ExportMesh{};
  if (n1 <= 0 || n2 <= 0 || (c.m != 3 && c.m != 4)) {
    error = "export: no mesh in this state";
    return false;
  }
  if (!real_array_ok(s, c.jrz, 2 * n1) || !int_array_ok(s, c.jj1, c.m * n2) ||
      (n3 > 0 && !int_array_ok(s, c.jj2, 2 * n3))) {
    error = "export: mesh arrays outside the pools";
    return false;
  }
  out.axisymmetric = c.isym == 1;
  out.time = s.cht.t;
  out.step = s.cht.is;
  const float* rz = reals(s, c.jrz);
  out.rz.assign(rz, rz + 2 * n1);
  out.cells.resize(static_cast<size_t>(n2));
  const int32_t* conn = ints(s, c.jj1);
  for (int64_t e = 0; e < n2; ++e) {
    const int32_t* el = conn + e * c.m;
    ExportMesh::Cell& cell = out.cells[static_cast<size_t>(e)];
    // A quadrilateral whose last two nodes agree is a triangle.
    cell.corners = c.m == 3 || el[3] == 0 || std::abs(el[2]) == std::abs(el[3]) ? 3 : 4;
    for (int k = 0; k < cell.corners; ++k) {
      if (!node_of(el[k], n1, cell.node[k])) {
        error = "export: element ";
        export_text::put(error, e + 1, " names a node that does not exist");
        return false;
      }
    }
  }
  subregions(s, out);
  std::set<std::pair<int32_t, int32_t>> interfaces;
  const int32_t* be = n3 > 0 ? ints(s, c.jj2) : nullptr;
  for (int64_t k = 0; k < n3; ++k) {
    ExportMesh::Edge edge{};
    if (!node_of(be[2 * k], n1, edge.a) || !node_of(be[2 * k + 1], n1, edge.b)) {
      error = "export: boundary element ";
      export_text::put(error, k + 1, " names no node");
      return false;
    }
    // Both glued subregions carry a copy of an interface edge; it is written once.
    edge.interface = be[2 * k + 1] < 0;
    if (edge.interface && !interfaces.emplace(std::minmax(edge.a, edge.b)).second) continue;
    out.edges.push_back(edge);
  }
  const int32_t nipp = std::clamp(s.cht.nipp, 0, 30);
  for (int32_t k = 0; k < nipp; ++k) {
    if (!real_array_ok(s, s.cht.ipp[k], n1)) {
      error = "export: result function ";
      export_text::put(error, k + 1, " outside the pools");
      return false;
    }
    const float* v = reals(s, s.cht.ipp[k]);
    out.fields.push_back({clean_name(s.cls.ppname[k], k), std::vector<float>(v, v + n1)});
  }
  return true;
}

}  // namespace tivor
