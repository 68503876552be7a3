// Contour lines and contour zones of the current function over the drawn mesh, with the level
// scale or the colour scale beside the plot.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/pool.hpp"
#include "gfx/contour_mesh.hpp"
#include "gfx/gfx.hpp"
#include "results/pictures.hpp"

namespace tivor {
namespace {

constexpr int kMaxLines = 95;  // the size of the colour table
constexpr int kMaxZoneLevels = 94;

// The level lines of one triangle: for each level it meets, the cut points of its three edges
// drawn as one polyline in the level's colour (and mirrored at x = 0 when asked).
void linel3(Session& s, const Triangle& t, const float* lev, bool ascending, const int32_t* col,
            int n, bool mirror) {
  const LevelRange met = levels_met(t, lev, n, ascending);
  for (int k = met.first; k < met.last; ++k) {
    float px[3], py[3];
    const int cuts = level_cuts(t, lev[k], kEpsilon, false, px, py);
    if (cuts < 2) continue;
    color(s, col[k]);
    lineo(s, px, py, cuts);
    if (mirror) {
      for (int i = 0; i < cuts; ++i) px[i] = -px[i];
      lineo(s, px, py, cuts);
    }
  }
}

// Calls fn for every triangle of the mesh at the positions: triangles as they are, quadrilaterals
// split in four around their centre unless keep_quad(their four values) says that none of the
// four would draw anything.
template <typename KeepQuad, typename Fn>
void mesh_triangles(const Session& s, const Positions& p, const float* f, KeepQuad&& keep_quad,
                    Fn&& fn) {
  const int32_t n2 = s.cmesh.n2;
  for (int32_t e = 0; e < n2; ++e) {
    int idx[4], corners = 0;
    if (!element_nodes(s, e, idx, corners)) continue;
    float x[4], y[4], v[4];
    for (int k = 0; k < corners; ++k) {
      const size_t i = static_cast<size_t>(idx[k]);
      x[k] = p.x[i];
      y[k] = p.y[i];
      v[k] = f[i];
    }
    if (corners == 3) {
      fn(Triangle{{x[0], x[1], x[2]}, {y[0], y[1], y[2]}, {v[0], v[1], v[2]}});
    } else if (keep_quad(v)) {
      split_quad(x, y, v, fn);
    }
  }
}

// The drawn field when there is one to draw: the current function on a mesh whose positions are
// known.
const float* drawn_field(Session& s, const Positions& p) {
  const float* f = current_function(s);
  return f != nullptr && !p.x.empty() && mesh_ok(s) ? f : nullptr;
}

}  // namespace

void linur2(Session& s) {
  Cterm& t = s.cterm;
  const int n = t.nlinur < 1 ? 25 : std::min(t.nlinur, kMaxLines);
  for (int k = 0; k < n; ++k) {
    if (t.icolor[k] < 1 || t.icolor[k] > 15) t.icolor[k] = 15;
  }
  lpg_legend(s);
  const Positions p = tlim(s);
  room_for_axes(s);
  clip(s, 3);
  lgran(s, p);
  const float* f = drawn_field(s, p);
  std::vector<float> lev;
  float value = 0;
  const bool constant = f != nullptr && constant_field(s, f, s.cmesh.n1, value);
  if (f != nullptr && !constant) {
    lev = setlim(s, f, s.cmesh.n1, n);
    const bool mirror = t.isymg == 2;
    const bool ascending = ascending_levels(lev.data(), n);
    mesh_triangles(
        s, p, f, [&](const float* qf) { return quad_meets_levels(qf, lev.data(), n, ascending); },
        [&](const Triangle& tri) { linel3(s, tri, lev.data(), ascending, t.icolor, n, mirror); });
  }
  clip(s, 2);
  if (constant) constant_scale(s, value);
  if (!lev.empty()) izlscale(s, lev.data(), t.icolor, n);
  color(s, 15);
  axes(s);
  markpic(s, function_title(s, t.nf));
  lpg(s, 2);
}

void linurc2(Session& s) {
  const Cterm& t = s.cterm;
  const int n = std::clamp(t.nl, 1, kMaxZoneLevels);
  std::array<int32_t, kMaxZoneLevels + 1> col{};
  for (int k = 0; k <= n; ++k) {
    col[static_cast<size_t>(k)] = t.icolor[k] >= 0 && t.icolor[k] <= 15 ? t.icolor[k] : 15;
  }
  lpg_legend(s);
  const Positions p = tlim(s);
  room_for_axes(s);
  clip(s, 3);
  const float* f = drawn_field(s, p);
  std::vector<float> lev;
  float value = 0;
  const bool constant = f != nullptr && constant_field(s, f, s.cmesh.n1, value);
  if (f != nullptr) {
    // A constant field fills the middle zone.
    const Cmesh& c = s.cmesh;
    lev = setlim(s, f, c.n1, n);
    tvfe1(s, p.x.data(), p.y.data(), f, ints(s, c.jj1), c.n2, c.m, c.n1, lev.data(), col.data(),
          t.isymg == 2 ? -n : n);
  }
  lgran(s, p);
  clip(s, 2);
  if (constant) {
    constant_scale(s, value);
  } else if (!lev.empty()) {
    clrscale(s, lev.data(), col.data(), n);
  }
  color(s, 15);
  axes(s);
  markpic(s, function_title(s, t.nf));
  lpg(s, 2);
}

}  // namespace tivor
