// Generator 6: the zones of a gmsh file (format 4.1, ASCII) become subregions, each with the
// nodes its elements use, its elements and its boundary edges, as a generator leaves them; then
// each is turned, refined and smoothed as a generated subregion is.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.hpp"
#include "core/read_file.hpp"
#include "core/trace_hook.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_files.hpp"
#include "mesh/mesh_internal.hpp"
#include "mesh/msh_file.hpp"

namespace tivor::mesh_detail {
namespace {

// Larger than the text of any mesh that fits in the pools.
constexpr uint64_t kMaxFileBytes = uint64_t{1} << 31;

// A mesh file is named relative to the folder of the data file being read (the class's folder);
// at the keyboard, to the folder of the class's data file.
std::string mesh_file_path(const Session& s, const std::string& name) {
  if (!name.empty() && name[0] == '/') return name;
  const std::string from = s.astime.handle > 0 ? s.astime.name : field_str(s.cls.datfile);
  const size_t slash = from.find_last_of('/');
  return slash == std::string::npos ? name : from.substr(0, slash + 1) + name;
}

double dist2(const std::vector<float>& rz, int32_t p, int32_t q) {
  const double dr = double{rz[2 * static_cast<size_t>(p)]} - rz[2 * static_cast<size_t>(q)];
  const double dz = double{rz[2 * static_cast<size_t>(p) + 1]} - rz[2 * static_cast<size_t>(q) + 1];
  return dr * dr + dz * dz;
}

// The zone in the pools as the current subregion: the nodes its elements use, in the order of
// the file; its elements (with m = 3 a quadrilateral split along its shorter diagonal, with
// m = 4 a triangle with its third node repeated); its boundary elements, the element edges
// whose reverse no element of the zone has, in element order.
int place_zone(Session& s, const MshMesh& mesh, const MshMesh::Zone& zone) {
  Cmesh& c = s.cmesh;
  std::vector<int32_t> local(mesh.rz.size() / 2, 0);
  for (const MshMesh::Cell& cell : zone.cells) {
    for (int k = 0; k < cell.corners; ++k) local[static_cast<size_t>(cell.node[k])] = 1;
  }
  int32_t n1 = 0;
  for (int32_t& l : local) l = l != 0 ? ++n1 : 0;

  std::vector<int32_t> conn;
  std::vector<uint64_t> edges;
  for (const MshMesh::Cell& cell : zone.cells) {
    const int32_t a = cell.node[0], b = cell.node[1], cc = cell.node[2], d = cell.node[3];
    auto put = [&](std::initializer_list<int32_t> nodes) {
      for (const int32_t p : nodes) conn.push_back(local[static_cast<size_t>(p)]);
    };
    if (c.m == 4) {
      put({a, b, cc, cell.corners == 4 ? d : cc});
    } else if (cell.corners == 3) {
      put({a, b, cc});
    } else if (dist2(mesh.rz, b, d) <= dist2(mesh.rz, a, cc)) {
      put({a, b, d, b, cc, d});
    } else {
      put({a, b, cc, a, cc, d});
    }
    for (int k = 0; k < cell.corners; ++k) {
      edges.push_back(edge_key(local[static_cast<size_t>(cell.node[k])],
                               local[static_cast<size_t>(cell.node[(k + 1) % cell.corners])]));
    }
  }
  std::vector<uint64_t> sorted = edges;
  std::sort(sorted.begin(), sorted.end());
  std::vector<int32_t> boundary;
  for (const uint64_t key : edges) {
    const auto p = static_cast<int32_t>(key >> 32), q = static_cast<int32_t>(key & 0xffffffffu);
    if (!std::binary_search(sorted.begin(), sorted.end(), edge_key(q, p))) {
      boundary.insert(boundary.end(), {p, q});
    }
  }

  const int64_t n2 = static_cast<int64_t>(conn.size()) / c.m, n3 = boundary.size() / 2;
  if (reserve_reals(s, c.jrz, 2 * int64_t{n1}, "jrz") || reserve_ints(s, c.jj2, 2 * n3, "jj2") ||
      reserve_ints(s, c.jj1, c.m * n2, "jj1")) {
    return 1;
  }
  float* rz = reals(s, c.jrz);
  for (size_t p = 0; p < local.size(); ++p) {
    if (local[p] == 0) continue;
    rz[2 * (local[p] - 1)] = mesh.rz[2 * p];
    rz[2 * (local[p] - 1) + 1] = mesh.rz[2 * p + 1];
  }
  std::copy(boundary.begin(), boundary.end(), ints(s, c.jj2));
  std::copy(conn.begin(), conn.end(), ints(s, c.jj1));
  c.n1 = n1;
  c.n2 = static_cast<int32_t>(n2);
  c.n3 = static_cast<int32_t>(n3);
  return 0;
}

}  // namespace

int mesh6(Session& s, int i, int& zones, const std::function<int()>& write) {
  zones = 0;
  if (rtmr(s, "mesh6")) return 1;
  Cmesh& c = s.cmesh;
  std::string name;
  if (read_word(s, " mesh file", "file", name)) return 1;
  std::vector<uint8_t> bytes;
  if (!read_whole_file(mesh_file_path(s, name), bytes, kMaxFileBytes)) {
    return flag_on(s, "mesh6:can not open file " + name);
  }
  MshMesh mesh;
  std::string why;
  if (!parse_msh(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), mesh,
                 why)) {
    return flag_on(s, "mesh6:" + name + ": " + why);
  }
  const auto count = static_cast<int64_t>(mesh.zones.size());
  if (i - 1 + count > c.ntel) {
    return flag_on(s, "mesh6:" + name + " has " + std::to_string(count) + " zones, ntel leaves " +
                          std::to_string(c.ntel - i + 1));
  }
  float t[5] = {0, 0, 0, 0, 0};
  int32_t nyt = 0, ncor = 0;
  if (read_turn(s, t) || read_int(s, " how many times decrease cells?", "nyt", nyt) ||
      read_int(s, "number of corrections", "rzcor", ncor)) {
    return 1;
  }
  keep_mesh_file(s, name, mesh, t);
  for (const MshMesh::Zone& zone : mesh.zones) {
    s.csize.maxa = c.maxaw;
    s.csize.maxk = c.maxkw;
    c.jgrz = 0;
    c.ng = 0;
    if (place_zone(s, mesh, zone) || meshtest(s)) return 1;
    turn_points(reals(s, c.jrz), c.n1, t);
    if (meshtest(s) || refine_and_smooth(s, i + zones, 6, nyt, ncor) || write()) return 1;
    ++zones;
  }
  return 0;
}

}  // namespace tivor::mesh_detail
