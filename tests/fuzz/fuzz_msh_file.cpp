// Feeds arbitrary text to the reader of gmsh files. Each input is either refused with a reason
// or gives a mesh whose node indices are in range, whose zones are not empty and whose every
// element is counter-clockwise as the mesh record wants; any other outcome aborts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "mesh/mesh_internal.hpp"
#include "mesh/msh_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tivor;
  MshMesh mesh;
  std::string error;
  if (!parse_msh(std::string_view(reinterpret_cast<const char*>(data), size), mesh, error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  const auto nodes = static_cast<int32_t>(mesh.rz.size() / 2);
  auto in_range = [nodes](int32_t k) { return k >= 0 && k < nodes; };
  if (mesh.zones.empty()) std::abort();
  for (const MshMesh::Zone& zone : mesh.zones) {
    if (zone.cells.empty()) std::abort();
    for (const MshMesh::Cell& cell : zone.cells) {
      int32_t v[4];
      for (int k = 0; k < 4; ++k) {
        if (!in_range(cell.node[k])) std::abort();
        v[k] = cell.node[k] + 1;
      }
      if (!mesh_detail::element_oriented(mesh.rz.data(), v, cell.corners)) std::abort();
    }
  }
  for (const MshMesh::Curve& curve : mesh.curves) {
    for (const auto& e : curve.edges) {
      if (!in_range(e[0]) || !in_range(e[1])) std::abort();
    }
  }
  return 0;
}
