// Generator 4 (MESH4, MBIDOT, RDCONTUR): contours with a cell size, boundary nodes about h apart,
// the interior filled with a lattice of step h, all connected by MESH1_N.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "gfx/gfx.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_internal.hpp"
#include "mesh/spatial_index.hpp"
#include "mesh/triangulation.hpp"

namespace tivor {

using namespace mesh_detail;

namespace mesh_detail {
namespace {

int fail(Session& s, std::string_view name, std::string_view what) {
  std::string text(name);
  text += ':';
  text += what;
  return flag_on(s, text);
}

}  // namespace

int rdcontur(Session& s, Polygon& p, float& h) {
  if (rtmr(s, "rdcontur")) return 1;
  int32_t ng = 0;
  if (read_int(s, "number of boundary points", "ng", ng)) return 1;
  const int64_t n = std::abs(int64_t{ng});
  if (n < 3) return flag_on(s, "rdcontur:must be ng.gt.2");
  const int32_t mark = s.csize.maxa;
  int32_t j = 0;
  if (reserve_reals(s, j, 2 * n, "jgrz")) return 1;
  const int bad = read_reals(s, "coordinates", "m", reals(s, j), static_cast<int>(2 * n));
  const float* v = reals(s, j);
  p.resize(static_cast<size_t>(n));
  bool finite = true;
  for (int64_t k = 0; k < n && !bad; ++k) {
    p[k] = {v[2 * k + 1], v[2 * k]};
    finite = finite && std::isfinite(v[2 * k]) && std::isfinite(v[2 * k + 1]);
  }
  s.csize.maxa = mark;
  if (bad) return 1;
  if (!finite) return flag_on(s, "rdcontur:coordinates must be numbers");
  if (ng < 0) std::reverse(p.begin(), p.end());
  if (read_real(s, "size of cell?", "del", h)) return 1;
  if (!(h >= 1e-5f) || !std::isfinite(h))
    return flag_on(s, "rdcontur:size of cell must be at least 1e-5");
  return 0;
}

int arrange_contours(Session& s, std::string_view name, std::vector<Polygon>& polys,
                     std::vector<float>& h) {
  const double size = extent(polys);
  if (!(size > 0)) return fail(s, name, "contour of no size");
  const double same = 1e-6 * size;
  PointHash seen(same, 64);
  bool twice = false;
  int32_t id = 0;
  for (const Polygon& p : polys) {
    for (const Pt q : p) {
      seen.for_each_near(q.x, q.y, same, [&](int32_t) { twice = true; });
      seen.insert(q.x, q.y, id++);
    }
  }
  if (twice) return fail(s, name, "two contour points coincide");
  if (polygons_cross(polys)) return fail(s, name, "contours cross");
  const size_t nc = polys.size();
  std::vector<int> depth(nc, 0);
  for (size_t k = 0; k < nc; ++k) {
    for (size_t j = 0; j < nc; ++j) {
      if (j != k && inside({polys[j]}, polys[k][0])) ++depth[k];
    }
  }
  if (std::count(depth.begin(), depth.end(), 0) != 1) {
    return fail(s, name, "a contour lies outside the outer contour");
  }
  if (std::any_of(depth.begin(), depth.end(), [](int d) { return d > 1; })) {
    return fail(s, name, "a contour lies inside a hole");
  }
  const auto outer = static_cast<size_t>(std::find(depth.begin(), depth.end(), 0) - depth.begin());
  std::swap(polys[0], polys[outer]);
  std::swap(h[0], h[outer]);
  for (size_t k = 0; k < nc; ++k) {
    if ((twice_area(polys[k]) > 0) != (k == 0)) std::reverse(polys[k].begin(), polys[k].end());
  }
  return 0;
}

int keep_contour(Session& s, const Polygon& p) {
  Cmesh& c = s.cmesh;
  const auto n = static_cast<int64_t>(p.size());
  if (reserve_reals(s, c.jgrz, 2 * n, "jgrz")) return 1;
  float* v = reals(s, c.jgrz);
  for (int64_t k = 0; k < n; ++k) {
    v[2 * k] = static_cast<float>(p[k].y);
    v[2 * k + 1] = static_cast<float>(p[k].x);
  }
  c.ng = static_cast<int32_t>(n);
  return 0;
}

int connect_and_store(Session& s, Triangulation& t, int pic,
                      const std::function<int(Triangulation&, bool)>& improve) {
  Cmesh& c = s.cmesh;
  const OutputSwitches outputs(s);
  if (pic == 1) {
    gout(s, 0, 1, 1);  // raster and screen while the mesh is drawn
    const int32_t a0 = s.csize.maxa, k0 = s.csize.maxk;
    if (store_boundary(s, t)) return 1;
    draw_mesh(s);
    clswnd3(s);
    paus(s, "start");
    s.csize.maxa = a0;
    s.csize.maxk = k0;
  }
  if (mesh1_n(s, t)) return 1;
  if (improve && improve(t, c.m == 4)) return 1;
  if (store_triangulation(s, t, c.m == 4)) return 1;
  if (pic == 1) {
    draw_mesh(s);
    clswnd3(s);
    iwrite(s, " n2= ", c.n2, "(i8)", 1);
    paus(s, "ready");
  }
  return 0;
}

int read_region(Session& s, std::string_view pic_prompt, std::string_view routine, int32_t& pic,
                std::vector<Polygon>& polys, std::vector<float>& hs) {
  int32_t nc = 1;
  if (read_int(s, pic_prompt, "pic", pic)) return 1;
  if (read_int(s, "number of conturs", "nc", nc)) return 1;
  nc = std::max(nc, 1);
  for (int32_t k = 0; k < nc; ++k) {
    Polygon p;
    float h = 0;
    if (rdcontur(s, p, h)) return 1;
    polys.push_back(std::move(p));
    hs.push_back(h);
  }
  return arrange_contours(s, routine, polys, hs);
}

int place_boundary(Session& s, std::string_view routine, const std::vector<Polygon>& polys,
                   const std::vector<float>& hs, std::vector<Polygon>& nodes, Triangulation& t) {
  for (size_t k = 0; k < polys.size(); ++k) {
    if (rtmr(s, routine)) return 1;
    nodes.push_back(boundary_nodes(polys[k], hs[k]));
    // Nodes that skip the corners of a narrow notch may run round the other way than their
    // contour: a hole would become an island.
    if (nodes.back().size() < 3 || (twice_area(nodes.back()) > 0) != (twice_area(polys[k]) > 0)) {
      return flag_on(s, std::string(routine) + ":cell size too large for the contour");
    }
  }
  if (polygons_cross(nodes)) {
    return flag_on(s, std::string(routine) + ":boundary nodes cross, use a smaller cell");
  }
  for (const Polygon& p : nodes) {
    const auto base = static_cast<int32_t>(t.nodes.size()), n = static_cast<int32_t>(p.size());
    t.nodes.insert(t.nodes.end(), p.begin(), p.end());
    for (int32_t k = 0; k < n; ++k) {
      t.bnd.insert(t.bnd.end(), {base + (k + n - 1) % n, base + k});
      t.iface.push_back(0);
    }
  }
  return 0;
}

int nodes_in_region(Session& s, std::string_view routine, const std::vector<Polygon>& polys,
                    const Triangulation& t) {
  const size_t boundary = t.bnd.size() / 2;
  if (first_outside(polys, t.nodes, boundary, 1e-6 * extent(polys)) < 0) return 0;
  return fail(s, routine, "node outside the region");
}

}  // namespace mesh_detail

namespace {

// The quality pass of generator 4, after the nodes are connected, when the triangles are kept
// (paired into quadrilaterals, the lattice's own squares are best). The lattice's rows are
// staggered a quarter step each way (stagger_rows). Smoothing then evens out the rows next to
// the boundary, where lattice nodes lie from 0.49 h to 1.49 h off a curved contour. No node
// moves into a pocket.
void improve_lattice(Triangulation& t, double h, const Pockets& pockets) {
  const size_t n = t.nodes.size();
  std::vector<char> fixed(n, 0);
  for (const int32_t v : t.bnd) fixed[v] = 1;
  double y0 = HUGE_VAL;
  for (size_t k = 0; k < n; ++k) {
    if (!fixed[k]) y0 = std::min(y0, t.nodes[k].y);
  }
  std::vector<Pt> shift(n, Pt{0, 0});
  for (size_t k = 0; k < n; ++k) {
    if (fixed[k]) continue;
    const int64_t row = std::llround((t.nodes[k].y - y0) / h);
    shift[k].x = (row % 2 == 0 ? 0.25 : -0.25) * h;
  }
  stagger_rows(t, shift, pockets);
  improve_triangles(t, 3, pockets, 1);
}

int mesh4_body(Session& s, int i, std::vector<Polygon>& region) {
  Cmesh& c = s.cmesh;
  int32_t pic = 0;
  std::vector<Polygon> polys;
  std::vector<float> hs;
  if (read_region(s, "draw grid generation process", "mesh4", pic, polys, hs)) return 1;

  // MBIDOT for each contour, after checking that the nodes fit in the pools.
  const int64_t free_nodes =
      (real_words(s) - s.csize.maxa) / 2 - static_cast<int64_t>(polys[0].size());
  double want = 0;
  for (size_t k = 0; k < polys.size(); ++k) want += boundary_count(polys[k], hs[k]) + 1;
  if (want > static_cast<double>(free_nodes)) {
    if (s.colors.col != 1) newstr(s);
    txtcon(s, " mbidot: not enough room");
    return need_more_reals(
        s, s.csize.maxa + static_cast<int64_t>(std::min(2 * want + 2.0 * polys[0].size(), 4e9)));
  }
  Triangulation t;
  std::vector<Polygon> nodes;
  if (place_boundary(s, "mbidot", polys, hs, nodes, t)) return 1;
  // MESHIN: the lattice of the outer contour's cell size, but for the nodes in the pockets
  // where the boundary polygon leaves the region.
  if (rtmr(s, "meshin")) return 1;
  const double h = hs[0];
  int64_t count = 0;
  const int64_t limit = free_nodes - static_cast<int64_t>(t.nodes.size());
  const size_t boundary = t.nodes.size();
  const bool fits = lattice_nodes(nodes, h, limit, t.nodes, count);
  const Pockets pockets(polys, hs);
  t.nodes.erase(std::remove_if(t.nodes.begin() + static_cast<std::ptrdiff_t>(boundary),
                               t.nodes.end(), [&](Pt q) { return pockets.holds(q); }),
                t.nodes.end());
  if (!fits) {
    const double area = std::abs(twice_area(nodes[0])) / 2;
    const double need = std::max(static_cast<double>(count), area / (h * h)) +
                        static_cast<double>(t.nodes.size() + polys[0].size());
    return need_more_reals(s, s.csize.maxa + static_cast<int64_t>(std::min(2 * need, 4e9)));
  }
  const auto improve = [&](Triangulation& tr, bool quads) {
    if (!quads) improve_lattice(tr, h, pockets);
    return nodes_in_region(s, "mesh4", polys, tr);
  };
  if (keep_contour(s, polys[0]) || connect_and_store(s, t, pic, improve)) return 1;
  c.nc = static_cast<int32_t>(polys.size());
  region = std::move(polys);
  store_counts(s, i);
  return 0;
}

}  // namespace

namespace mesh_detail {

int mesh4_region(Session& s, int i, std::vector<Polygon>& region) {
  if (rtmr(s, "mesh4")) return 1;
  if (mesh4_body(s, i, region) == 0) return 0;
  paus(s, " mesh4 error");
  return 1;
}

}  // namespace mesh_detail

int mesh4(Session& s, int i) {
  std::vector<Polygon> region;
  return mesh4_region(s, i, region);
}

}  // namespace tivor
