// MESHI: one uniform refinement of a triangle mesh, and BNODE, the projection of new boundary
// nodes onto the subregion's contour.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <vector>

#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_internal.hpp"
#include "mesh/spatial_index.hpp"

namespace tivor {

using namespace mesh_detail;

namespace {

constexpr float kSameMidpoint = 1e-5f;  // interior midpoints closer in r and in z are one node
constexpr int kInterruptEvery = 256;    // triangles between two looks at the keyboard

// The message of an exhausted pool with the size needed, a key, the error flag.
int too_small(Session& s, std::string_view label, int64_t need) {
  if (s.colors.col != 1) newstr(s);
  iwrite(s, label, static_cast<int>(std::min<int64_t>(need, std::numeric_limits<int32_t>::max())),
         "(i12)", 0);
  paus(s, "");
  set_flag(s, 1);
  return 1;
}

// The nodes made by one refinement: coordinates at rz, at most room of them.
class NewNodes {
 public:
  NewNodes(float* rz, int64_t count, int64_t room) : rz_(rz), count_(count), room_(room) {}
  bool full() const { return count_ >= room_; }
  int32_t add(float r, float z) {
    rz_[2 * count_] = r;
    rz_[2 * count_ + 1] = z;
    return static_cast<int32_t>(++count_);
  }
  float r(int32_t k) const { return rz_[2 * (k - 1)]; }
  float z(int32_t k) const { return rz_[2 * (k - 1) + 1]; }
  int64_t count() const { return count_; }

 private:
  float* rz_;
  int64_t count_;
  int64_t room_;
};

// A cell side of about the elements' size, so that a cell holds a few midpoints.
double cell_size(const NewNodes& nodes, int64_t n1, int64_t n2) {
  double rmin = 0, rmax = 0, zmin = 0, zmax = 0;
  for (int32_t k = 1; k <= n1; ++k) {
    const double r = nodes.r(k), z = nodes.z(k);
    rmin = k == 1 ? r : std::min(rmin, r);
    rmax = k == 1 ? r : std::max(rmax, r);
    zmin = k == 1 ? z : std::min(zmin, z);
    zmax = k == 1 ? z : std::max(zmax, z);
  }
  const double side =
      std::sqrt((rmax - rmin) * (zmax - zmin) / static_cast<double>(std::max<int64_t>(n2, 1)));
  return std::isfinite(side) ? std::max(side, 4.0 * kSameMidpoint) : 1.0;
}

}  // namespace

bool bnode(const float* contour, int ng, float& r, float& z) {
  if (contour == nullptr || ng < 2) return false;
  double best = std::numeric_limits<double>::infinity(), fr = 0.0, fz = 0.0;
  for (int i = 0; i < ng; ++i) {
    const int j = (i + 1) % ng;  // the last segment closes the contour
    const double ar = contour[2 * i], az = contour[2 * i + 1];
    const double dr = contour[2 * j] - ar, dz = contour[2 * j + 1] - az;
    const double len2 = dr * dr + dz * dz;
    if (!(len2 > 0.0)) continue;
    const double t = ((r - ar) * dr + (z - az) * dz) / len2;
    if (t < 0.0 || t > 1.0) continue;
    const double pr = ar + t * dr, pz = az + t * dz;
    const double d2 = (r - pr) * (r - pr) + (z - pz) * (z - pz);
    if (d2 < best) {
      best = d2;
      fr = pr;
      fz = pz;
    }
  }
  if (best == std::numeric_limits<double>::infinity()) return false;
  r = static_cast<float>(fr);
  z = static_cast<float>(fz);
  return true;
}

int meshi(Session& s) {
  if (rtmr(s, "meshi")) return 1;
  if (!mesh_arrays_ok(s)) return bad_arrays(s);
  Cmesh& c = s.cmesh;
  if (c.m != 3) return 0;  // quadrilateral meshes are not refined
  if (!node_numbers_ok(s)) return bad_node_numbers(s);
  const int64_t n1 = c.n1, n2 = c.n2, n3 = c.n3;

  // Room: the coordinates grow in place when nothing follows them, else they move to the mark;
  // the connectivity goes right after the boundary elements, which keep their place.
  const int64_t node_room = 4 * n1;
  const int64_t jrz = int64_t{c.jrz} + 2 * n1 == s.csize.maxa ? c.jrz : s.csize.maxa;
  if (jrz + 2 * node_room >= real_words(s)) {
    return too_small(s, " meshi: /a/ too small:", jrz + 2 * node_room + 1);
  }
  const int64_t jj2 = c.jj2, jj1 = jj2 + 4 * n3, kend = jj1 + 12 * n2;
  if (kend >= int_words(s)) return too_small(s, " meshi: /km/ too small: ", kend + 1);

  const std::vector<int32_t> old_b(ints(s, c.jj2), ints(s, c.jj2) + 2 * n3);
  const std::vector<int32_t> old_e(ints(s, c.jj1), ints(s, c.jj1) + 3 * n2);
  if (jrz != c.jrz) std::memmove(reals(s, jrz), reals(s, c.jrz), sizeof(float) * 2 * n1);
  NewNodes nodes(reals(s, jrz), n1, node_room);
  const float* contour = c.ng > 0 ? reals(s, c.jgrz) : nullptr;

  // Each boundary element (a, b) becomes (a, c), (c, b) round its new midpoint node c.
  std::unordered_map<uint64_t, int32_t> boundary_mid;
  boundary_mid.reserve(static_cast<size_t>(n3));
  std::vector<char> on_boundary(static_cast<size_t>(n1) + 1, 0);
  int32_t* nb = ints(s, jj2);
  for (int64_t k = 0; k < n3; ++k) {
    const int32_t a = old_b[2 * k], b = old_b[2 * k + 1];
    const int32_t pa = std::abs(a), pb = std::abs(b);
    float r = (nodes.r(pa) + nodes.r(pb)) * 0.5f, z = (nodes.z(pa) + nodes.z(pb)) * 0.5f;
    if (contour != nullptr) bnode(contour, c.ng, r, z);
    if (nodes.full()) return too_small(s, " meshi: /a/ too small:", jrz + 2 * node_room + 1);
    const int32_t mid = nodes.add(r, z);
    nb[4 * k] = a;
    nb[4 * k + 1] = b < 0 ? -mid : mid;
    nb[4 * k + 2] = mid;
    nb[4 * k + 3] = b;
    boundary_mid.emplace(edge_key(pa, pb), mid);
    on_boundary[pa] = on_boundary[pb] = 1;
  }

  // Interior midpoints are shared by position: the first one made within 1e-5 in r and in z.
  // Cells of about the elements' size hold a few midpoints each.
  PointHash made(cell_size(nodes, n1, n2), static_cast<size_t>(2 * n2));
  bool full = false;
  auto midpoint = [&](int32_t p, int32_t q) -> int32_t {
    if (on_boundary[p] && on_boundary[q]) {
      auto it = boundary_mid.find(edge_key(p, q));
      if (it == boundary_mid.end()) it = boundary_mid.find(edge_key(q, p));
      if (it != boundary_mid.end()) return it->second;
    }
    const float r = (nodes.r(p) + nodes.r(q)) * 0.5f, z = (nodes.z(p) + nodes.z(q)) * 0.5f;
    int32_t found = 0;
    made.for_each_near(r, z, kSameMidpoint, [&](int32_t k) {
      if (std::abs(nodes.r(k) - r) < kSameMidpoint && std::abs(nodes.z(k) - z) < kSameMidpoint &&
          (found == 0 || k < found)) {
        found = k;
      }
    });
    if (found != 0) return found;
    if (nodes.full()) {
      full = true;
      return 1;
    }
    const int32_t k = nodes.add(r, z);
    made.insert(r, z, k);
    return k;
  };

  int32_t* ne = ints(s, jj1);
  for (int64_t e = 0; e < n2; ++e) {
    const int32_t i1 = std::abs(old_e[3 * e]), i2 = std::abs(old_e[3 * e + 1]),
                  i3 = std::abs(old_e[3 * e + 2]);
    const int32_t m12 = midpoint(i1, i2), m23 = midpoint(i2, i3), m31 = midpoint(i3, i1);
    if (full) return too_small(s, " meshi: /a/ too small:", jrz + 2 * node_room + 1);
    const int32_t four[12] = {i1, m12, m31, m23, m12, i2, m31, m23, i3, m31, m12, m23};
    std::copy_n(four, 12, ne + 12 * e);
    if ((e + 1) % kInterruptEvery == 0 && a_interrupt(s)) return 1;
  }
  if (a_interrupt(s)) return 1;

  c.n1 = static_cast<int32_t>(nodes.count());
  c.n2 = static_cast<int32_t>(4 * n2);
  c.n3 = static_cast<int32_t>(2 * n3);
  c.jrz = static_cast<int32_t>(jrz);
  c.jj1 = static_cast<int32_t>(jj1);
  s.csize.maxa = static_cast<int32_t>(jrz + 2 * nodes.count());
  s.csize.maxk = static_cast<int32_t>(jj1 + 3 * int64_t{c.n2});
  return 0;
}

}  // namespace tivor
