// The boundaries of the mesh as drawn over every picture (outer boundary, subregion boundaries on
// request, marked or destroyed elements shrunk), and the picture of the boundaries alone.
#include <cstdlib>

#include "core/pool.hpp"
#include "gfx/gfx.hpp"
#include "results/pictures.hpp"

namespace tivor {

void segment(Session& s, float x1, float y1, float x2, float y2, int ic, bool mirror) {
  float px1 = 0, py1 = 0, px2 = 0, py2 = 0;
  tmp(s, x1, y1, px1, py1);
  tmp(s, x2, y2, px2, py2);
  line(s, px1, py1, px2, py2, ic);
  if (mirror) {
    tmp(s, -x1, y1, px1, py1);
    tmp(s, -x2, y2, px2, py2);
    line(s, px1, py1, px2, py2, ic);
  }
}

void lgran(Session& s, const Positions& p) {
  const Cmesh& c = s.cmesh;
  const Cterm& t = s.cterm;
  const int64_t n1 = static_cast<int64_t>(p.x.size());
  if (n1 == 0 || n1 != c.n1) return;
  const bool mirror = t.isymg == 2;
  const float rmesh = s.cht.itask == kTaskPrepared ? t.rmesh : 0.0f;

  if (rmesh >= 0.0f && c.n3 > 0 && int_array_ok(s, c.jj2, 2 * static_cast<int64_t>(c.n3))) {
    const int32_t* be = ints(s, c.jj2);
    for (int64_t k = 0; k < c.n3; ++k) {
      const int32_t a = be[2 * k], b = be[2 * k + 1];
      // A negative second node marks an edge between two glued subregions.
      if (b < 0 && t.subregion_bounds == 0) continue;
      const int64_t i = std::llabs(static_cast<int64_t>(a)),
                    j = std::llabs(static_cast<int64_t>(b));
      if (i < 1 || i > n1 || j < 1 || j > n1) continue;
      segment(s, p.x[i - 1], p.y[i - 1], p.x[j - 1], p.y[j - 1], 15, mirror);
    }
  }

  if (!(t.rtmesh >= 0.1f && t.rtmesh <= 1.0f) || !mesh_ok(s)) return;
  const bool dest = c.jdest_cell > 0 && real_array_ok(s, c.jdest_cell, c.n2);
  const float* alive = dest ? reals(s, c.jdest_cell) : nullptr;
  const int32_t* conn = ints(s, c.jj1);
  for (int32_t e = 0; e < c.n2; ++e) {
    const bool marked = conn[static_cast<int64_t>(e) * c.m] < 0;
    if (!marked && !(alive != nullptr && alive[e] < 0.5f)) continue;
    int idx[4], corners = 0;
    if (!element_nodes(s, e, idx, corners)) continue;
    float cx = 0, cy = 0;
    for (int k = 0; k < corners; ++k) {
      cx += p.x[static_cast<size_t>(idx[k])];
      cy += p.y[static_cast<size_t>(idx[k])];
    }
    cx /= static_cast<float>(corners);
    cy /= static_cast<float>(corners);
    float x[4], y[4];
    for (int k = 0; k < corners; ++k) {
      x[k] = cx + t.rtmesh * (p.x[static_cast<size_t>(idx[k])] - cx);
      y[k] = cy + t.rtmesh * (p.y[static_cast<size_t>(idx[k])] - cy);
    }
    for (int k = 0; k < corners; ++k) {
      const int j = (k + 1) % corners;
      segment(s, x[k], y[k], x[j], y[j], 15, mirror);
    }
  }
}

void lgran1(Session& s) {
  lpg_region(s, kPlotCol, kPlotRow);
  const Positions p = tlim(s);
  room_for_axes(s);
  clip(s, 3);
  lgran(s, p);
  clip(s, 2);
  color(s, 15);
  axes(s);
  markpic(s, "borders");
  lpg(s, 2);
}

}  // namespace tivor
