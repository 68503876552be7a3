// Shared by the mesh routines: pool access with the 1-based pointer convention, keyword reads,
// reservations, the element and edge helpers, and the scratch file of the dispatchers. Internal
// to src/mesh.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string_view>

#include "core/pool.hpp"
#include "core/session.hpp"
#include "mesh/triangulation.hpp"
#include "reader/reader.hpp"

namespace tivor::mesh_detail {

using tivor::int_array_ok;
using tivor::int_words;
using tivor::ints;
using tivor::real_array_ok;
using tivor::real_words;
using tivor::reals;
using tivor::reserve_ints;
using tivor::reserve_reals;

// True when the coordinate, connectivity and boundary arrays of the mesh record lie inside the
// pools and the counts are sane; routines on an existing mesh refuse to work otherwise.
bool mesh_arrays_ok(const Session& s);
// Raises the error for a mesh record whose arrays do not lie inside the pools.
int bad_arrays(Session& s);
// True when every node number of the connectivity and the boundary elements (by absolute
// value) is a node of the mesh; requires mesh_arrays_ok.
bool node_numbers_ok(const Session& s);
// Raises the error for node numbers outside 1..n1.
int bad_node_numbers(Session& s);

// The box of the n1 >= 1 nodes at rz (r and z interleaved): the least and the greatest r (index
// 0) and z (1), from the first node's position on, so that a coordinate that is not a number is
// passed over unless it is the first node's.
struct NodesBox {
  float lo[2], hi[2];
};
NodesBox nodes_box(const float* rz, int64_t n1);

using tivor::read_int;
using tivor::read_real;
using tivor::read_reals;

// "increase common/km/ up to" with the needed size, then the error "need more memory".
int need_more_ints(Session& s, int64_t need);

// Node numbers of element e (0-based) of a connectivity with m nodes per element, by absolute
// value; returns 3 for triangles and for quadrilaterals with equal third and fourth nodes.
inline int element_nodes(const int32_t* conn, int m, int64_t e, int32_t (&v)[4]) {
  const int32_t* p = conn + e * m;
  for (int i = 0; i < m; ++i) v[i] = std::abs(p[i]);
  return (m == 4 && v[2] != v[3]) ? 4 : 3;
}

// A directed edge a -> b as one 64-bit key.
inline uint64_t edge_key(int32_t a, int32_t b) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32) | static_cast<uint32_t>(b);
}

// The test quantity of the orientation rule for nodes 1, 2, 3 at (r, z) pairs: positive when
// they run counter-clockwise in the (z, r) plane.
inline double orient(const float* rz, int32_t n1, int32_t n2, int32_t n3) {
  const double r1 = rz[2 * (n1 - 1)], z1 = rz[2 * (n1 - 1) + 1];
  const double r2 = rz[2 * (n2 - 1)], z2 = rz[2 * (n2 - 1) + 1];
  const double r3 = rz[2 * (n3 - 1)], z3 = rz[2 * (n3 - 1) + 1];
  return (z3 - z2) * (r1 - r2) - (z1 - z2) * (r3 - r2);
}

// The orientation test quantity of an element of nn nodes (the triangle's, or the sum over a
// quadrilateral's four corners) and the square of its longest edge.
inline double element_orient(const float* rz, const int32_t (&v)[4], int nn) {
  if (nn == 3) return orient(rz, v[0], v[1], v[2]);
  return orient(rz, v[0], v[1], v[2]) + orient(rz, v[1], v[2], v[3]) +
         orient(rz, v[2], v[3], v[0]) + orient(rz, v[3], v[0], v[1]);
}
inline double longest_edge2(const float* rz, const int32_t (&v)[4], int nn) {
  double h2 = 0.0;
  for (int i = 0; i < nn; ++i) {
    const int32_t p = v[i] - 1, q = v[(i + 1) % nn] - 1;
    const double dr = double{rz[2 * q]} - rz[2 * p], dz = double{rz[2 * q + 1]} - rz[2 * p + 1];
    h2 = std::max(h2, dr * dr + dz * dz);
  }
  return h2;
}
// The orientation rule with a margin relative to the element's own size: the test quantity must
// reach 1e-6 times the square of the longest edge (1e-6 for an element of unit size), so that
// the same mesh passes or fails in any unit of length.
inline bool element_oriented(const float* rz, const int32_t (&v)[4], int nn) {
  const double f = element_orient(rz, v, nn);
  return f > 0.0 && f >= 1e-6 * longest_edge2(rz, v, nn);
}

// The dispatchers' scratch file "mesh.tmp" in the working directory: written subregion by
// subregion, read back at the end. The file is deleted when the object goes, whichever way the
// dispatcher leaves (normal end, error exit, or a stop of the program unwinding through it).
class ScratchFile {
 public:
  static constexpr const char* kName = "mesh.tmp";
  ScratchFile() = default;
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  // Each returns 0, or 1 with the error raised.
  [[nodiscard]] int create(Session& s);
  [[nodiscard]] int rewind_for_reading(Session& s);
  [[nodiscard]] int write(Session& s, const void* data, size_t bytes);
  [[nodiscard]] int read(Session& s, void* data, size_t bytes);
  void close();
  void remove();

 private:
  std::FILE* f_ = nullptr;
  bool exists_ = false;
};

// The subregion loop shared by MESH and MESH3DFD: steps 1 and 2 (counts and marks) and one
// subregion's generation, test, move, refinement and smoothing.
[[nodiscard]] int start_mesh(Session& s);
// regions, when given, receives the contours of the subregion's region (moved with it) when its
// generator has them (3 and 4).
[[nodiscard]] int make_subregion(Session& s, int i, int tipm,
                                 std::vector<Polygon>* regions = nullptr);
// Stores the current counts as the counts of subregion i.
void store_counts(Session& s, int i);

// Generator 6 at subregion i: reads "file" and the file's zones become subregions i, i + 1,
// ...; "turn", "nyt" and "rzcor" are read once and apply to each. Every zone goes to write()
// when it is done; zones receives their number.
[[nodiscard]] int mesh6(Session& s, int i, int& zones, const std::function<int()>& write);
// The generator of the next subregion ("tipm"): 1 to 6, or 1 with the message for another
// value; 2 and 5 only for a 3D mesh.
[[nodiscard]] int read_generator(Session& s, bool three_d, int32_t& tipm);
// Refinement ("nyt" times, triangles only) and smoothing ("rzcor") of the current subregion,
// each followed by the mesh test; the counts of subregion i follow. The smoothing keeps the
// nodes in the region when its contours are given.
[[nodiscard]] int refine_and_smooth(Session& s, int i, int tipm, int32_t nyt, int32_t ncor,
                                    const std::vector<Polygon>* region = nullptr);
// The "turn" values, and the move they make of n points (r, z interleaved).
[[nodiscard]] int read_turn(Session& s, float (&t)[5]);
// AROTOR, which also gives the "turn" values it read.
[[nodiscard]] int arotor_turn(Session& s, float (&t)[5]);
// RZSCALE, which also gives the factors of r and z.
[[nodiscard]] int rzscale_by(Session& s, float& fr, float& fz);
void scale_polygons(std::vector<Polygon>& polys, float fr, float fz);
void turn_points(float* rz, int64_t n, const float (&t)[5]);

// MESHA: glues the subregions stored in the scratch file into one mesh.
[[nodiscard]] int mesha(Session& s, ScratchFile& scratch);

}  // namespace tivor::mesh_detail
