// Generator 1 (MESH1, MESH1_RD): one contour, the boundary nodes placed by contour parameter,
// any interior nodes, all connected by MESH1_N. Boundary nodes in one place (a slit along which
// the contour doubles back) make interface edges.
#include <algorithm>
#include <cmath>
#include <vector>

#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_internal.hpp"
#include "mesh/spatial_index.hpp"
#include "mesh/triangulation.hpp"

namespace tivor {

using namespace mesh_detail;

namespace {

// Reads n reals with the keyword "m" through scratch room at the real pool's mark.
int read_list(Session& s, std::string_view prompt, int64_t n, std::vector<float>& out) {
  const int32_t mark = s.csize.maxa;
  int32_t j = 0;
  if (reserve_reals(s, j, n, "mesh1")) return 1;
  const int bad = read_reals(s, prompt, "m", reals(s, j), static_cast<int>(n));
  if (!bad) out.assign(reals(s, j), reals(s, j) + n);
  s.csize.maxa = mark;
  if (bad) return 1;
  if (!std::all_of(out.begin(), out.end(), [](float v) { return std::isfinite(v); })) {
    return flag_on(s, "mesh1_rd:values must be numbers");
  }
  return 0;
}

// MESH1_RD: the contour (kept in jgrz), the boundary nodes and the interior nodes.
int mesh1_rd(Session& s, Triangulation& t) {
  if (rtmr(s, "mesh1_rd")) return 1;
  int32_t ng = 0;
  if (read_int(s, " size of boundary array", "ng", ng)) return 1;
  if (ng <= 2) return flag_on(s, " mesh1_rd:must be ng.gt.2");
  std::vector<float> v;
  if (read_list(s, " boundary array", 2 * int64_t{ng}, v)) return 1;
  Polygon contour(static_cast<size_t>(ng));
  for (int32_t k = 0; k < ng; ++k) contour[k] = {v[2 * k + 1], v[2 * k]};
  const double size = extent({contour});
  if (!(size > 0)) return flag_on(s, "mesh1_rd:contour of no size");
  const double same = 1e-6 * size;
  for (int32_t k = 0; k < ng; ++k) {
    const Pt a = contour[(k + ng - 1) % ng], b = contour[k];
    if (std::abs(a.x - b.x) <= same && std::abs(a.y - b.y) <= same) {
      return flag_on(s, "mesh1_rd:two consecutive contour points coincide");
    }
  }
  if (polygons_cross({contour})) return flag_on(s, "mesh1_rd:contour crosses itself");
  if (keep_contour(s, contour)) return 1;

  int32_t n3 = 0, n4 = 0;
  if (read_int(s, " number of initial boundary nodes", "n3", n3)) return 1;
  std::vector<double> param;
  if (n3 < 1) {
    for (int32_t k = 1; k <= ng; ++k) param.push_back(k);
  } else {
    if (read_list(s, " of boundary coordinates", n3, v)) return 1;
    param.assign(v.begin(), v.end());
    for (const double p : param) {
      if (!(p > 0 && p <= ng)) return flag_on(s, "mesh1_rd:boundary coordinate out of range");
    }
  }
  if (read_int(s, " number of initial internal nodes", "n4", n4)) return 1;
  n4 = std::max(n4, 0);
  std::vector<float> inner;
  if (n4 > 0 && read_list(s, " coordinates of initial internal nodes", 2 * int64_t{n4}, inner)) {
    return 1;
  }

  for (const double p : param) t.nodes.push_back(contour_param(contour, p));
  const auto nb = static_cast<int32_t>(t.nodes.size());
  if (nb < 3) return flag_on(s, " mesh1_rd:must be ng.gt.2");
  const Polygon boundary(t.nodes.begin(), t.nodes.end());
  for (int32_t k = 0; k < n4; ++k) {
    const Pt q{inner[2 * k + 1], inner[2 * k]};
    if (!inside({boundary}, q)) return flag_on(s, "mesh1_rd:internal node outside the contour");
    t.nodes.push_back(q);
  }
  // A node on the contour would lie on a boundary element, where no triangle can take it.
  if (first_near_edge(boundary, t.nodes, static_cast<size_t>(nb), same) >= 0) {
    return flag_on(s, "mesh1_rd:internal node on the contour");
  }
  for (int32_t k = 0; k < nb; ++k) {
    const Pt a = t.nodes[(k + nb - 1) % nb], b = t.nodes[k];
    if (std::abs(a.x - b.x) <= same && std::abs(a.y - b.y) <= same) {
      return flag_on(s, "mesh1_rd:two consecutive boundary nodes coincide");
    }
  }
  if (polygons_cross({boundary})) return flag_on(s, "mesh1_rd:boundary nodes cross");

  // Nodes closer than the tolerance in both r and z form coincident pairs.
  // Only boundary nodes may pair: an interior node in the place of another would be left over.
  std::vector<char> paired(t.nodes.size(), 0);
  PointHash where(same, t.nodes.size());
  bool inner_twice = false;
  for (size_t k = 0; k < t.nodes.size(); ++k) {
    const Pt q = t.nodes[k];
    where.for_each_near(q.x, q.y, same, [&](int32_t j) {
      const Pt o = t.nodes[j];
      if (std::abs(o.x - q.x) <= same && std::abs(o.y - q.y) <= same) {
        paired[j] = paired[k] = 1;
        inner_twice = inner_twice || k >= static_cast<size_t>(nb);
      }
    });
    where.insert(q.x, q.y, static_cast<int32_t>(k));
  }
  if (inner_twice) return flag_on(s, "mesh1_rd:two nodes coincide");
  // Boundary element k runs from node k - 1 to node k, with the region on its left.
  const bool reversed = twice_area(boundary) < 0;
  for (int32_t k = 0; k < nb; ++k) {
    int32_t a = (k + nb - 1) % nb, b = k;
    if (reversed) std::swap(a, b);
    t.bnd.push_back(a);
    t.bnd.push_back(b);
    t.iface.push_back(paired[a] && paired[b] ? 1 : 0);
  }
  s.cmesh.nc = 1;
  return 0;
}

}  // namespace

int mesh1(Session& s, int i) {
  if (rtmr(s, "mesh1")) return 1;
  int32_t pic = 0;
  if (read_int(s, "drawing during grid generation", "pic", pic)) return 1;
  Triangulation t;
  if (mesh1_rd(s, t) || connect_and_store(s, t, pic)) return 1;
  store_counts(s, i);
  return 0;
}

}  // namespace tivor
