// MESHA: the subregions stored in the scratch file glued into one mesh: read back one after
// another, coincident boundary nodes merged, nodes renumbered, broken boundary elements and
// degenerate elements dropped, hanging nodes inserted (MESHA_1), interfaces marked, and the
// arrays put in their final place.
#include "mesh/assembly.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_files.hpp"
#include "mesh/mesh_internal.hpp"
#include "mesh/spatial_index.hpp"

namespace tivor {

using namespace mesh_detail;

namespace {

constexpr double kOnSegment = 9.999999e-09;  // squared distance from the segment over its L^2
// Squared distance of nodes that merge, for a mesh of size 1 or more; a smaller mesh scales it
// by the square of its size, so that a part given in metres glues as it does in millimetres.
constexpr double kSameNode2 = 0.0001;
// Where the edges are short the distance is at most this part of the shorter of the two edges
// meeting at the node: under half an edge, only one end of a segment can be within it, so that
// the neighbours of a node along a side never merge with it.
constexpr double kSameNodeOfEdge = 0.25;

struct Point {
  double r, z;
};

Point node_at(const float* rz, int32_t k) {
  return {rz[2 * (k - 1)], rz[2 * (k - 1) + 1]};
}

double dist2(Point p, Point q) {
  return (p.r - q.r) * (p.r - q.r) + (p.z - q.z) * (p.z - q.z);
}

// Step 3: the subregions read back one after another; node numbers are offset by the nodes of
// the subregions before, the counts become cumulative.
int read_subregions(Session& s, ScratchFile& scratch) {
  Cmesh& c = s.cmesh;
  if (scratch.rewind_for_reading(s)) return 1;
  int32_t* jn[3] = {ints(s, c.jn1), ints(s, c.jn2), ints(s, c.jn3)};
  float* rz = reals(s, c.jrz);
  int32_t* conn = ints(s, c.jj1);
  int32_t* b = ints(s, c.jj2);
  int64_t nodes = 0, elems = 0, belems = 0;
  for (int i = 0; i < c.ntel; ++i) {
    const int64_t ni = jn[0][i], ei = jn[1][i], bi = jn[2][i];
    if (scratch.read(s, rz + 2 * nodes, sizeof(float) * 2 * ni) ||
        scratch.read(s, conn + c.m * elems, sizeof(int32_t) * c.m * ei) ||
        scratch.read(s, b + 2 * belems, sizeof(int32_t) * 2 * bi)) {
      return 1;
    }
    const auto off = static_cast<int32_t>(nodes);
    for (int64_t k = c.m * elems; k < c.m * (elems + ei); ++k) conn[k] += off;
    for (int64_t k = 2 * belems; k < 2 * (belems + bi); ++k) b[k] += b[k] < 0 ? -off : off;
    nodes += ni;
    elems += ei;
    belems += bi;
    jn[0][i] = static_cast<int32_t>(nodes);
    jn[1][i] = static_cast<int32_t>(elems);
    jn[2][i] = static_cast<int32_t>(belems);
  }
  return 0;
}

// Step 5: a node P ending a glued boundary element merges with the end of a later glued boundary
// element whose segment passes through P, when that end lies within 0.01 of P (0.01 of the
// mesh's size for a mesh smaller than 1), and within a quarter of the shorter of P's edge and
// the segment. The survivor is the smaller number; the other records it as its alias
// (-survivor). Candidate segments come from a cell index, so the pairs tested are only those
// whose segment passes near P.
void merge_nodes(Session& s, int32_t* nom, const int32_t* skl) {
  const Cmesh& c = s.cmesh;
  const float* rz = reals(s, c.jrz);
  const int32_t* b = ints(s, c.jj2);
  const int64_t n1 = c.n1, n3 = c.n3;
  auto valid = [n1](int32_t k) { return k >= 1 && k <= n1; };

  double total = 0.0;
  int64_t count = 0;
  for (int64_t k = 0; k < n3; ++k) {
    const int32_t q1 = std::abs(b[2 * k]), q2 = std::abs(b[2 * k + 1]);
    if (skl[k] != 0 || !valid(q1) || !valid(q2)) continue;
    total += std::sqrt(dist2(node_at(rz, q1), node_at(rz, q2)));
    ++count;
  }
  if (count == 0) return;
  const double size = boundary_tolerance(s).scale;
  const double same2 = kSameNode2 * size * size;
  CellIndex near(std::max(total / count, 1e-12));
  for (int64_t k = 0; k < n3; ++k) {
    const int32_t q1 = std::abs(b[2 * k]), q2 = std::abs(b[2 * k + 1]);
    if (skl[k] != 0 || !valid(q1) || !valid(q2)) continue;
    const Point p1 = node_at(rz, q1), p2 = node_at(rz, q2);
    const double reach = 1.001e-4 * std::sqrt(dist2(p1, p2)) + 1e-9 * near.cell();
    near.add_segment(p1.r, p1.z, p2.r, p2.z, reach, static_cast<int32_t>(k));
  }
  near.finish();

  auto root = [nom](int32_t p) {
    while (nom[p - 1] < 0) p = -nom[p - 1];
    return p;
  };
  auto merge = [&](int32_t x, int32_t y) {
    const int32_t rx = root(x), ry = root(y);
    if (rx == ry) return;
    nom[std::max(rx, ry) - 1] = -std::min(rx, ry);
  };

  std::vector<int32_t> later;
  for (int64_t a = 0; a < n3; ++a) {
    const int32_t p = std::abs(b[2 * a + 1]);
    if (skl[a] != 0 || !valid(p) || nom[p - 1] == 0) continue;
    const Point pp = node_at(rz, p);
    const int32_t p0 = std::abs(b[2 * a]);
    const double own2 = valid(p0) ? dist2(node_at(rz, p0), pp) : 0.0;
    later.clear();
    near.for_each_at(pp.r, pp.z, [&](int32_t k) {
      if (k > a) later.push_back(k);
    });
    std::sort(later.begin(), later.end());
    for (const int32_t k : later) {
      const int32_t v = std::abs(nom[p - 1]);
      const int32_t q1 = std::abs(b[2 * k]), q2 = std::abs(b[2 * k + 1]);
      if (nom[q1 - 1] == 0 || nom[q2 - 1] == 0) continue;
      if (q1 == p || q2 == p || q1 == v || q2 == v) continue;
      const Point p1 = node_at(rz, q1), p2 = node_at(rz, q2);
      const double len2 = dist2(p1, p2);
      if (!(len2 > 0.0)) continue;
      const double t = ((pp.r - p1.r) * (p2.r - p1.r) + (pp.z - p1.z) * (p2.z - p1.z)) / len2;
      if (t < 0.0 || t > 1.0) continue;
      const Point foot{p1.r + t * (p2.r - p1.r), p1.z + t * (p2.z - p1.z)};
      if (!(dist2(pp, foot) < len2 * kOnSegment)) continue;
      const double edge2 = own2 > 0.0 ? std::min(own2, len2) : len2;
      const double reach2 = std::min(same2, kSameNodeOfEdge * kSameNodeOfEdge * edge2);
      if (dist2(pp, p2) < reach2) {
        merge(p, q2);
      } else if (dist2(pp, p1) < reach2) {
        merge(p, q1);
      }
    }
  }
}

// Step 6: survivors numbered anew in their old order, aliases taking their survivor's number,
// nodes used by no element dropped (number 0); coordinates, counts and both node lists follow.
void renumber(Session& s, const int32_t* nom) {
  Cmesh& c = s.cmesh;
  const int64_t n1 = c.n1;
  std::vector<int32_t> renamed(static_cast<size_t>(n1) + 1, 0);
  float* rz = reals(s, c.jrz);
  int32_t* jn1 = ints(s, c.jn1);
  int32_t kept = 0;
  int sub = 0;
  while (sub < c.ntel && jn1[sub] <= 0) jn1[sub++] = 0;
  for (int32_t p = 1; p <= n1; ++p) {
    if (nom[p - 1] == p) {
      renamed[p] = ++kept;
      rz[2 * (kept - 1)] = rz[2 * (p - 1)];
      rz[2 * (kept - 1) + 1] = rz[2 * (p - 1) + 1];
    }
    while (sub < c.ntel && jn1[sub] <= p) jn1[sub++] = kept;
  }
  while (sub < c.ntel) jn1[sub++] = kept;
  for (int32_t p = 1; p <= n1; ++p) {
    if (nom[p - 1] >= 0) continue;
    int32_t q = p;
    while (nom[q - 1] < 0) q = -nom[q - 1];
    renamed[p] = renamed[q];
  }
  auto rename = [&](int32_t v) {
    const int32_t k = std::abs(v);
    return k >= 1 && k <= n1 ? renamed[k] : 0;
  };
  int32_t* conn = ints(s, c.jj1);
  for (int64_t k = 0; k < int64_t{c.m} * c.n2; ++k) conn[k] = rename(conn[k]);
  int32_t* b = ints(s, c.jj2);
  // A generator's interface marks (the negative second nodes of a slit) are kept.
  for (int64_t k = 0; k < 2 * int64_t{c.n3}; ++k) b[k] = b[k] < 0 ? -rename(b[k]) : rename(b[k]);
  c.n1 = kept;
}

// Step 7: boundary elements on nodes that no element uses are dropped; one that lost only one of
// its nodes is reported first.
void drop_open_boundary(Session& s, int32_t* skl) {
  Cmesh& c = s.cmesh;
  int32_t* b = ints(s, c.jj2);
  int32_t* jn3 = ints(s, c.jn3);
  int64_t out = 0, k = 0;
  for (int i = 0; i < c.ntel; ++i) {
    for (; k < jn3[i]; ++k) {
      const int32_t p = b[2 * k], q = b[2 * k + 1];
      if (p == 0 || q == 0) {
        if (p != 0 || q != 0) {
          if (s.colors.col != 1) newstr(s);
          const int32_t which[3] = {static_cast<int32_t>(k + 1), p, q};
          prtim(s, " mesha: i,i1,i2=error", which, 3);
          paus(s, "error");
        }
        continue;
      }
      b[2 * out] = p;
      b[2 * out + 1] = q;
      skl[out] = skl[k];
      ++out;
    }
    jn3[i] = static_cast<int32_t>(out);
  }
  c.n3 = static_cast<int32_t>(out);
}

// Step 8: elements with two equal corners are dropped with a report. A quadrilateral whose last
// node repeats its first is the triangle of its first three nodes.
void drop_degenerate(Session& s) {
  Cmesh& c = s.cmesh;
  const int m = c.m;
  int32_t* conn = ints(s, c.jj1);
  int32_t* jn2 = ints(s, c.jn2);
  int64_t out = 0, e = 0;
  for (int i = 0; i < c.ntel; ++i) {
    for (; e < jn2[i]; ++e) {
      int32_t v[4] = {0, 0, 0, 0};
      std::copy_n(conn + m * e, m, v);
      if (m == 4 && v[3] == v[0]) v[3] = v[2];
      const bool bad =
          v[0] == v[1] || v[1] == v[2] || v[0] == v[2] || (m == 4 && v[3] != v[2] && v[3] == v[1]);
      if (bad) {
        if (s.colors.col != 1) newstr(s);
        txtcon(s, " mesha: exclude incorrect element:");
        const int32_t which[5] = {static_cast<int32_t>(e + 1), v[0], v[1], v[2], v[m - 1]};
        prtim(s, " nel,j1=", which, 1 + m);
        paus(s, "error");
        continue;
      }
      std::copy_n(v, m, conn + m * out);
      ++out;
    }
    jn2[i] = static_cast<int32_t>(out);
  }
  c.n2 = static_cast<int32_t>(out);
}

// Step 10: boundary elements whose reverse is also a boundary element are interface edges; both
// copies get a negative second node.
void mark_interfaces(Session& s) {
  Cmesh& c = s.cmesh;
  int32_t* b = ints(s, c.jj2);
  std::vector<uint64_t> sorted(static_cast<size_t>(c.n3));
  for (int64_t k = 0; k < c.n3; ++k) {
    sorted[k] = edge_key(std::abs(b[2 * k]), std::abs(b[2 * k + 1]));
  }
  std::sort(sorted.begin(), sorted.end());
  for (int64_t k = 0; k < c.n3; ++k) {
    const int32_t p = std::abs(b[2 * k]), q = std::abs(b[2 * k + 1]);
    if (p != q && std::binary_search(sorted.begin(), sorted.end(), edge_key(q, p))) {
      b[2 * k + 1] = -q;
    }
  }
}

}  // namespace

namespace mesh_detail {

int mesha(Session& s, ScratchFile& scratch) {
  if (rtmr(s, "mesha")) return 1;
  Cmesh& c = s.cmesh;
  int64_t n1 = 0, n2 = 0, n3 = 0;
  for (int i = 0; i < c.ntel; ++i) {
    n1 += ints(s, c.jn1)[i];
    n2 += ints(s, c.jn2)[i];
    n3 += ints(s, c.jn3)[i];
  }
  // Every subregion is in the scratch file: the space behind the count arrays is free again.
  // The boundary elements and the connectivity are read straight into their final place (the
  // boundary elements right after the count arrays); what the gluing needs besides lives
  // outside the pools, so that a mesh fits as soon as its own arrays do.
  s.csize.maxk = c.maxkw;
  if (reserve_ints(s, c.jj2, 2 * n3, "jj2") || reserve_ints(s, c.jj1, c.m * n2, "jj1")) {
    return 1;
  }
  s.csize.maxa = c.maxaw;
  // jcsi holds one word per boundary element, also for those that hanging nodes add.
  if (reserve_reals(s, c.jcsi, 2 * n3, "jcsi") || reserve_reals(s, c.jrz, 2 * n1, "jrz")) {
    return 1;
  }
  std::fill_n(reals(s, c.jcsi), 2 * n3, 0.0f);
  c.n1 = static_cast<int32_t>(n1);
  c.n2 = static_cast<int32_t>(n2);
  c.n3 = static_cast<int32_t>(n3);
  c.jgrz = 0;
  c.ng = 0;
  if (read_subregions(s, scratch)) return 1;

  std::vector<int32_t> nom(static_cast<size_t>(n1), 0);
  const int32_t* conn = ints(s, c.jj1);
  for (int64_t k = 0; k < c.m * n2; ++k) {
    const int32_t p = std::abs(conn[k]);
    if (p >= 1 && p <= n1) nom[p - 1] = p;
  }
  // The glued zones are read into the pool's free end and kept aside.
  int32_t jskl = 0;
  if (reserve_ints(s, jskl, n3, "jskl")) return 1;
  if (bcn1(s, " zone of scleika", jskl, "skl")) return 1;
  // The zones of a mesh file were one mesh: where they meet they are glued again.
  glue_file_zones(s, ints(s, jskl));
  std::vector<int32_t> skl(ints(s, jskl), ints(s, jskl) + n3);
  s.csize.maxk = jskl;
  merge_nodes(s, nom.data(), skl.data());
  renumber(s, nom.data());
  drop_open_boundary(s, skl.data());
  drop_degenerate(s);
  if (mesha_1(s, skl.data(), 2 * n3, 2 * n2)) return 1;
  mark_interfaces(s);

  // Final place: boundary elements right after the count arrays, the connectivity after them.
  const int32_t jj2 = c.jn3 + c.ntel, jj1 = jj2 + 2 * c.n3;
  std::memmove(ints(s, jj2), ints(s, c.jj2), sizeof(int32_t) * 2 * c.n3);
  std::memmove(ints(s, jj1), ints(s, c.jj1), sizeof(int32_t) * c.m * static_cast<size_t>(c.n2));
  c.jj2 = jj2;
  c.jj1 = jj1;
  s.csize.maxk = jj1 + c.m * c.n2;
  s.csize.maxa = c.jrz + 2 * c.n1;
  scratch.remove();
  return 0;
}

}  // namespace mesh_detail

}  // namespace tivor
