// The mesh locator: a cell index of the nodes for the nearest-node search and one of the
// elements' boxes for the point-in-element search.
#include "mesh/locate.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "mesh/mesh_internal.hpp"

namespace tivor {

using namespace mesh_detail;

namespace {

// A cell side that puts a few nodes in a cell on average.
double cell_for(double w, double h, int64_t n) {
  const double area = std::max(w * h, 0.0);
  const double side = n > 0 ? std::sqrt(area / static_cast<double>(n)) * 2 : 0.0;
  return side > 0.0 && std::isfinite(side) ? side : std::max({w, h, 1.0});
}

// True when (r, z) lies in the triangle a, b, c or within the distance tol outside its edges
// (points on the mesh's boundary, up to the rounding of the coordinates, count as inside).
bool in_triangle(const float* rz, int32_t a, int32_t b, int32_t c, double r, double z, double tol) {
  const double ra = rz[2 * (a - 1)], za = rz[2 * (a - 1) + 1];
  const double rb = rz[2 * (b - 1)], zb = rz[2 * (b - 1) + 1];
  const double rc = rz[2 * (c - 1)], zc = rz[2 * (c - 1) + 1];
  const double area = (rb - ra) * (zc - za) - (rc - ra) * (zb - za);
  if (area == 0.0) return false;
  const double sign = area > 0 ? 1.0 : -1.0;
  // Each test value is the edge's length times the point's distance from the edge's line.
  const double d1 = ((rb - ra) * (z - za) - (r - ra) * (zb - za)) * sign;
  const double d2 = ((rc - rb) * (z - zb) - (r - rb) * (zc - zb)) * sign;
  const double d3 = ((ra - rc) * (z - zc) - (r - rc) * (za - zc)) * sign;
  return d1 >= -tol * std::hypot(rb - ra, zb - za) && d2 >= -tol * std::hypot(rc - rb, zc - zb) &&
         d3 >= -tol * std::hypot(ra - rc, za - zc);
}

bool geometry_ok(const Session& s) {
  const Cmesh& c = s.cmesh;
  return c.n1 >= 0 && real_array_ok(s, c.jrz, 2 * int64_t{c.n1});
}

bool elements_ok(const Session& s) {
  const Cmesh& c = s.cmesh;
  return (c.m == 3 || c.m == 4) && c.n2 >= 0 && int_array_ok(s, c.jj1, int64_t{c.m} * c.n2);
}

}  // namespace

namespace {

// The box element e's nodes span (rmin, rmax, zmin, zmax); false when a node number lies outside
// the mesh.
bool element_box(const Session& s, int64_t e, double (&box)[4]) {
  const Cmesh& c = s.cmesh;
  const float* rz = reals(s, c.jrz);
  int32_t v[4] = {0, 0, 0, 0};
  const int nn = element_nodes(ints(s, c.jj1), c.m, e, v);
  box[0] = box[2] = std::numeric_limits<double>::infinity();
  box[1] = box[3] = -box[0];
  for (int i = 0; i < nn; ++i) {
    if (v[i] < 1 || v[i] > c.n1) return false;
    box[0] = std::min(box[0], double{rz[2 * (v[i] - 1)]});
    box[1] = std::max(box[1], double{rz[2 * (v[i] - 1)]});
    box[2] = std::min(box[2], double{rz[2 * (v[i] - 1) + 1]});
    box[3] = std::max(box[3], double{rz[2 * (v[i] - 1) + 1]});
  }
  return true;
}

}  // namespace

MeshLocator::MeshLocator(const Session& s, LocatorSearch search)
    : s_(s), walk_(search == LocatorSearch::walk), nodes_(1.0), cells_(1.0) {
  if (!geometry_ok(s) || s.cmesh.n1 < 1) return;
  const Cmesh& c = s.cmesh;
  const float* rz = reals(s, c.jrz);
  double rmin = std::numeric_limits<double>::infinity(), rmax = -rmin, zmin = rmin, zmax = -rmin;
  for (int64_t k = 0; k < c.n1; ++k) {
    rmin = std::min(rmin, double{rz[2 * k]});
    rmax = std::max(rmax, double{rz[2 * k]});
    zmin = std::min(zmin, double{rz[2 * k + 1]});
    zmax = std::max(zmax, double{rz[2 * k + 1]});
  }
  if (!std::isfinite(rmax - rmin) || !std::isfinite(zmax - zmin)) return;
  rmin_ = rmin;
  zmin_ = zmin;
  rmax_ = rmax;
  zmax_ = zmax;
  span_ = std::hypot(rmax - rmin, zmax - zmin);
  tol_ = kBoundaryTolerance * span_;
  ok_ = true;
  if (walk_) return;
  index_nodes();
  if (!elements_ok(s)) {
    cells_.finish();
    return;
  }
  cells_ = CellIndex(cell_for(rmax - rmin, zmax - zmin, std::max(c.n2, 1)));
  for (int64_t e = 0; e < c.n2; ++e) {
    double box[4];
    if (element_box(s, e, box)) {
      cells_.add_box(box[0], box[2], box[1], box[3], static_cast<int32_t>(e + 1));
    }
  }
  cells_.finish();
}

void MeshLocator::index_nodes() const {
  const Cmesh& c = s_.cmesh;
  const float* rz = reals(s_, c.jrz);
  nodes_ = CellIndex(cell_for(rmax_ - rmin_, zmax_ - zmin_, c.n1));
  for (int64_t k = 0; k < c.n1; ++k) {
    nodes_.add_point(rz[2 * k], rz[2 * k + 1], static_cast<int32_t>(k + 1));
  }
  nodes_.finish();
  nodes_indexed_ = true;
}

std::vector<NodeWeight> MeshLocator::nodes_near(float r, float z) const {
  std::vector<NodeWeight> out;
  if (!ok_) return out;
  if (!nodes_indexed_) index_nodes();
  const float* rz = reals(s_, s_.cmesh.jrz);
  struct Found {
    double d2;
    int32_t node;
  };
  std::vector<Found> found;
  // The square grows until a node within its half side turns up, or it covers the whole mesh.
  const double far = std::hypot(r - rmin_, z - zmin_) + span_;
  for (double reach = nodes_.cell();; reach *= 2) {
    found.clear();
    double best = std::numeric_limits<double>::infinity();
    nodes_.for_each_near(r, z, reach, [&](int32_t k) {
      const double dr = rz[2 * (k - 1)] - double{r}, dz = rz[2 * (k - 1) + 1] - double{z};
      const double d2 = dr * dr + dz * dz;
      found.push_back({d2, k});
      best = std::min(best, d2);
    });
    if (best <= reach * reach || reach > far || !std::isfinite(far)) break;
  }
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    return a.d2 != b.d2 ? a.d2 < b.d2 : a.node < b.node;
  });
  for (const Found& f : found) {
    if (!(f.d2 == f.d2)) continue;  // an undefined distance names no node
    out.push_back({f.node, static_cast<float>(1.0 / (std::sqrt(f.d2) + kEpsilon))});
  }
  return out;
}

bool MeshLocator::contains(int32_t e, double r, double z) const {
  const Cmesh& c = s_.cmesh;
  int32_t v[4] = {0, 0, 0, 0};
  const int nn = element_nodes(ints(s_, c.jj1), c.m, e - 1, v);
  const float* rz = reals(s_, c.jrz);
  if (in_triangle(rz, v[0], v[1], v[2], r, z, tol_)) return true;
  return nn == 4 && in_triangle(rz, v[0], v[2], v[3], r, z, tol_);
}

bool MeshLocator::triangle_at(float r, float z, int32_t (&nodes)[3], double (&weights)[3]) const {
  const int32_t e = cell_at(r, z);
  return e != 0 && triangle_in(e, r, z, nodes, weights);
}

bool MeshLocator::triangle_in(int32_t e, float r, float z, int32_t (&nodes)[3],
                              double (&weights)[3]) const {
  const Cmesh& c = s_.cmesh;
  if (!ok_ || e < 1 || e > c.n2 || !geometry_ok(s_) || !elements_ok(s_)) return false;
  int32_t v[4] = {0, 0, 0, 0};
  const int nn = element_nodes(ints(s_, c.jj1), c.m, e - 1, v);
  for (int i = 0; i < nn; ++i) {
    if (v[i] < 1 || v[i] > c.n1) return false;
  }
  const float* rz = reals(s_, c.jrz);
  const bool first = in_triangle(rz, v[0], v[1], v[2], r, z, tol_);
  if (!first && !(nn == 4 && in_triangle(rz, v[0], v[2], v[3], r, z, tol_))) return false;
  const bool second = !first;
  nodes[0] = v[0];
  nodes[1] = second ? v[2] : v[1];
  nodes[2] = second ? v[3] : v[2];
  const auto at = [rz](int32_t k, int i) { return double{rz[2 * (k - 1) + i]}; };
  const double r1 = at(nodes[0], 0), z1 = at(nodes[0], 1);
  const double r2 = at(nodes[1], 0), z2 = at(nodes[1], 1);
  const double r3 = at(nodes[2], 0), z3 = at(nodes[2], 1);
  const double det = (r2 - r1) * (z3 - z1) - (r3 - r1) * (z2 - z1);
  if (det == 0.0) return false;
  weights[1] = ((r - r1) * (z3 - z1) - (r3 - r1) * (z - z1)) / det;
  weights[2] = ((r2 - r1) * (z - z1) - (r - r1) * (z2 - z1)) / det;
  weights[0] = 1.0 - weights[1] - weights[2];
  return true;
}

int32_t MeshLocator::walk_to(float r, float z) const {
  if (!elements_ok(s_)) return 0;
  for (int64_t e = 0; e < s_.cmesh.n2; ++e) {
    double box[4];
    if (element_box(s_, e, box) && r >= box[0] - tol_ && r <= box[1] + tol_ && z >= box[2] - tol_ &&
        z <= box[3] + tol_ && contains(static_cast<int32_t>(e + 1), r, z)) {
      return static_cast<int32_t>(e + 1);
    }
  }
  return 0;
}

int32_t MeshLocator::cell_at(float r, float z) const {
  if (!ok_) return 0;
  if (walk_) {
    for (const Answer& a : answers_) {
      if (a.r == r && a.z == z) return a.element;
    }
    const int32_t e = walk_to(r, z);
    if (answers_.size() < kAnswersKept) answers_.push_back({r, z, e});
    return e;
  }
  int32_t first = 0;
  cells_.for_each_near(r, z, tol_, [&](int32_t e) {
    if ((first == 0 || e < first) && contains(e, r, z)) first = e;
  });
  return first;
}

}  // namespace tivor
