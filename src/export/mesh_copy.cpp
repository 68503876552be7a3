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

// The result functions a class publishes as the two components of a vector of the plane, by
// their names, and the name of the vector.
struct VectorNames {
  const char* x;
  const char* y;
  const char* name;
};
constexpr VectorNames kVectors[] = {
    {"displ UX", "displ UY", "displacement"},    // solids
    {"velos VX", "velos VY", "velocity"},        // solids
    {"velocity vx", "velocity vy", "velocity"},  // gas flow
};

// A name no earlier array of the file has: a repeated one gets " (2)", " (3)", ... so that each
// array can be told by its name.
std::string unique_name(std::set<std::string>& taken, const std::string& name) {
  std::string candidate = name;
  for (int k = 2; !taken.insert(candidate).second; ++k) {
    candidate = name;
    export_text::put(candidate, " (", k, ")");
  }
  return candidate;
}

// The fields keep the names the program shows (a function without a name is "f" and its
// number); then the vectors whose two components were published are added.
void name_fields(ExportMesh& out) {
  std::set<std::string> taken;
  std::vector<std::string> shown;
  for (size_t k = 0; k < out.fields.size(); ++k) {
    std::string& name = out.fields[k].name;
    shown.push_back(name);
    // Bytes an XML file cannot hold at all (control bytes but tab and line ends, and those of
    // the console's upper half, which are no UTF-8) are shown as '?'.
    for (char& c : name) {
      const auto b = static_cast<unsigned char>(c);
      if ((b < ' ' && b != '\t' && b != '\n' && b != '\r') || b >= 127) c = '?';
    }
    if (name.empty()) export_text::put(name, "f", k + 1);
    name = unique_name(taken, name);
  }
  const auto find = [&](const char* name) {
    return static_cast<size_t>(std::find(shown.begin(), shown.end(), name) - shown.begin());
  };
  for (const VectorNames& v : kVectors) {
    const size_t x = find(v.x), y = find(v.y);
    if (x < shown.size() && y < shown.size()) {
      out.vectors.push_back({unique_name(taken, v.name), x, y});
    }
  }
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
    out.fields.push_back({field_str(s.cls.ppname[k]), std::vector<float>(v, v + n1)});
  }
  name_fields(out);
  return true;
}

PoolExtent export_extent(const Session& s) {
  const Cmesh& c = s.cmesh;
  PoolExtent e;
  // An array that starts before the pools or has a negative length reads nothing here; the
  // copy refuses it.
  const auto reach = [](int64_t& top, int64_t j, int64_t n) {
    if (j >= 0 && n >= 0) top = std::max(top, j + n);
  };
  if (c.n1 <= 0 || c.n2 <= 0 || (c.m != 3 && c.m != 4)) return e;
  reach(e.reals, c.jrz, 2 * int64_t{c.n1});
  for (int32_t k = 0; k < std::clamp(s.cht.nipp, 0, 30); ++k) reach(e.reals, s.cht.ipp[k], c.n1);
  reach(e.ints, c.jj1, int64_t{c.m} * c.n2);
  if (c.n3 > 0) reach(e.ints, c.jj2, 2 * int64_t{c.n3});
  reach(e.ints, c.jn2, c.ntel);
  return e;
}

}  // namespace tivor
