// The properties of a sound mesh of triangles (or of triangles paired into quadrilaterals) in the
// mesh record, checked as one and reported by the first fault found: node numbers in range, every
// element counter-clockwise with positive area, every directed element edge used once and either
// met by its reverse (an inner edge) or a boundary element, every boundary element an element
// edge, the element areas summing to the area the boundary encloses, and the counts as the Euler
// characteristic of a region with the given holes asks, and, when the region's contours are
// given, every node inside the region or on its boundary. Glued interface edges lie between two
// elements; a slit's interface edges stay outer edges.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/pool.hpp"
#include "core/session.hpp"

namespace tivor::test {

using Contour = std::vector<double>;  // r, z pairs in the order given

// The distance from (r, z) to the nearest contour edge, negative inside the region (even-odd).
inline double region_distance(const std::vector<Contour>& cs, double r, double z) {
  double d = HUGE_VAL;
  bool in = false;
  for (const Contour& c : cs) {
    for (size_t i = 0, n = c.size() / 2; i < n; ++i) {
      const size_t j = (i + n - 1) % n;
      const double r1 = c[2 * j], z1 = c[2 * j + 1], r2 = c[2 * i], z2 = c[2 * i + 1];
      const double dr = r2 - r1, dz = z2 - z1, l2 = dr * dr + dz * dz;
      const double t = l2 > 0 ? std::clamp(((r - r1) * dr + (z - z1) * dz) / l2, 0.0, 1.0) : 0.0;
      d = std::min(d, std::hypot(r1 + t * dr - r, z1 + t * dz - z));
      if ((r1 > r) != (r2 > r) && z < z1 + (r - r1) * (z2 - z1) / (r2 - r1)) in = !in;
    }
  }
  return in ? -d : d;
}

// The distance a node may lie outside the contours: the single precision of the stored
// coordinates, relative to the region's size and to its distance from the origin.
inline double region_tolerance(const std::vector<Contour>& cs) {
  double lo = HUGE_VAL, hi = -HUGE_VAL;
  for (const Contour& c : cs) {
    for (const double x : c) lo = std::min(lo, x), hi = std::max(hi, x);
  }
  return cs.empty() ? 0.0 : 1e-5 * (hi - lo + std::max(std::abs(lo), std::abs(hi)));
}

struct MeshCheck {
  std::string fault;       // empty when the mesh is sound
  double smallest = 180;   // the smallest corner of the elements, in degrees
  double enclosed = 0;     // the area the boundary elements enclose
  double mean_ratio = 0;   // of the triangles: the mean of 2 inradius / circumradius
  double worst_ratio = 1;  // and the smallest
};

// region: the contours of the region meshed, or none; tol: how far outside them a node may lie
// (below zero: region_tolerance).
inline MeshCheck check_mesh(const Session& s, int holes, const std::vector<Contour>& region = {},
                            double tol = -1) {
  MeshCheck out;
  const Cmesh& c = s.cmesh;
  const auto fail = [&](const std::string& what, int64_t k) {
    out.fault = what + " " + std::to_string(k);
    return out;
  };
  if (c.n1 < 3 || c.n2 < 1 || c.n3 < 3 || (c.m != 3 && c.m != 4)) return fail("counts", c.n2);
  if (!real_array_ok(s, c.jrz, 2 * int64_t{c.n1}) || !int_array_ok(s, c.jj1, int64_t{c.m} * c.n2) ||
      !int_array_ok(s, c.jj2, 2 * int64_t{c.n3})) {
    return fail("arrays outside the pools", 0);
  }
  // Coordinates from the first node, so that a region far from the origin sums its areas
  // without cancellation.
  const float* rz = reals(s, c.jrz);
  const auto pt = [&](int32_t k) {
    return std::pair<double, double>{double{rz[2 * k - 1]} - rz[1], double{rz[2 * k - 2]} - rz[0]};
  };
  std::map<std::pair<int32_t, int32_t>, int> edges, bound;
  double sum = 0;
  int64_t triangles = 0;
  for (int64_t e = 0; e < c.n2; ++e) {
    const int32_t* p = ints(s, c.jj1) + e * c.m;
    std::vector<int32_t> v(p, p + c.m);
    if (c.m == 4 && v[2] == v[3]) v.pop_back();
    const size_t n = v.size();
    if (std::any_of(v.begin(), v.end(), [&](int32_t k) { return k < 1 || k > c.n1; })) {
      return fail("node out of range in element", e + 1);
    }
    double twice = 0, perimeter = 0, sides = 1;
    for (size_t i = 0; i < n; ++i) {
      const auto [x0, y0] = pt(v[(i + n - 1) % n]);
      const auto [x1, y1] = pt(v[i]);
      const auto [x2, y2] = pt(v[(i + 1) % n]);
      twice += x1 * y2 - x2 * y1;
      ++edges[{v[i], v[(i + 1) % n]}];
      const double ax = x0 - x1, ay = y0 - y1, bx = x2 - x1, by = y2 - y1;
      const double corner = std::atan2(std::abs(ax * by - ay * bx), ax * bx + ay * by);
      out.smallest = std::min(out.smallest, corner * 180 / M_PI);
      perimeter += std::hypot(bx, by), sides *= std::hypot(bx, by);
    }
    if (!(twice > 0)) return fail("element not counter-clockwise", e + 1);
    if (n == 3) {
      const double ratio = 4 * twice * twice / (perimeter * sides);
      out.mean_ratio += ratio;
      out.worst_ratio = std::min(out.worst_ratio, ratio);
      ++triangles;
    }
    sum += twice / 2;
  }
  for (int64_t k = 0; k < c.n3; ++k) {
    const int32_t a = ints(s, c.jj2)[2 * k], b = std::abs(ints(s, c.jj2)[2 * k + 1]);
    if (a < 1 || a > c.n1 || b < 1 || b > c.n1) return fail("node out of range in edge", k + 1);
    if (ints(s, c.jj2)[2 * k + 1] > 0 && edges.count({b, a}) > 0) {
      return fail("boundary edge between two elements", k + 1);
    }
    const auto [x1, y1] = pt(a);
    const auto [x2, y2] = pt(b);
    out.enclosed += (x1 * y2 - x2 * y1) / 2;
    if (++bound[{a, b}] > 1 || edges.count({a, b}) == 0) return fail("stray boundary edge", k + 1);
  }
  int64_t inner = 0, outer = 0;
  for (const auto& [e, n] : edges) {
    if (n != 1) return fail("edge used twice from node", e.first);
    if (edges.count({e.second, e.first}) > 0) {
      ++inner;
    } else if (bound.count(e) == 0) {
      return fail("outer edge not on the boundary from node", e.first);
    } else {
      ++outer;
    }
  }
  if (!(std::abs(sum - out.enclosed) <= 1e-5 * std::abs(out.enclosed))) {
    return fail("areas do not sum to the enclosed area", 0);
  }
  if (triangles > 0) out.mean_ratio /= static_cast<double>(triangles);
  const int64_t euler = c.n1 - (inner / 2 + outer) + c.n2;
  if (euler != 1 - holes) return fail("euler characteristic", euler);
  if (tol < 0) tol = region_tolerance(region);
  for (int32_t k = 0; k < c.n1 && !region.empty(); ++k) {
    if (region_distance(region, rz[2 * k], rz[2 * k + 1]) > tol) {
      return fail("node outside the region", k + 1);
    }
  }
  return out;
}

}  // namespace tivor::test
