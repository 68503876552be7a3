// The picture of the mesh: every element as a closed polygon through its drawn node positions.
#include <vector>

#include "console/console.hpp"
#include "core/pool.hpp"
#include "gfx/gfx.hpp"
#include "results/pictures.hpp"

namespace tivor {
namespace {

// Canvas points of the positions (and of their mirror images at x = 0).
void to_points(Session& s, const Positions& p, float sign, std::vector<float>& px,
               std::vector<float>& py) {
  px.resize(p.x.size());
  py.resize(p.x.size());
  for (size_t i = 0; i < p.x.size(); ++i) tmp(s, sign * p.x[i], p.y[i], px[i], py[i]);
}

void outlines(Session& s, const std::vector<float>& px, const std::vector<float>& py) {
  const int32_t n2 = s.cmesh.n2;
  for (int32_t e = 0; e < n2; ++e) {
    int idx[4], corners = 0;
    if (!element_nodes(s, e, idx, corners)) continue;
    for (int k = 0; k < corners; ++k) {
      const size_t a = static_cast<size_t>(idx[k]), b = static_cast<size_t>(idx[(k + 1) % corners]);
      line(s, px[a], py[a], px[b], py[b], 15);
    }
  }
}

}  // namespace

void lmesh(Session& s) {
  if (itermtip(s) == 2) {
    paus(s, "for this class command is not avalable");
    return;
  }
  lpg_region(s, kPlotCol, kPlotRow);
  const Positions p = tlim(s);
  room_for_axes(s);
  if (!p.x.empty()) {
    clip(s, 3);
    std::vector<float> px, py;
    to_points(s, p, 1.0f, px, py);
    outlines(s, px, py);
    if (s.cterm.isymg == 2) {
      to_points(s, p, -1.0f, px, py);
      outlines(s, px, py);
    }
    clip(s, 2);
  }
  color(s, 15);
  axes(s);
  markpic(s, "grid");
  lpg(s, 2);
}

}  // namespace tivor
