// Six small pictures on one page: the functions chosen in imulti as contour zones, or the current
// history graph for a number below 1, each under its name.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/function_read.hpp"
#include "core/pool.hpp"
#include "gfx/gfx.hpp"
#include "results/pictures.hpp"
#include "results/results.hpp"

namespace tivor {
namespace {

// The fixed layout on page 1 (488 by 238 points): three columns and two rows of regions, a name
// line above each region, the time line at the bottom of the page left free.
constexpr int kColumnWidth = 162, kRowHeight = 110;
constexpr int kRegionWidth = 146, kRegionHeight = 90, kNameHeight = 16;
constexpr int kMaxLevels = 94;
constexpr int kLabelHalf = 8, kLabelBelow = 18;  // the axis labels of a history panel

struct Panel {
  int x1, y1, x2, y2;
};

Panel panel(int k) {
  const int col = k % 3, row = k / 3;
  const int x1 = 1 + kColumnWidth * col + 8;
  const int y1 = 2 + kRowHeight * row + kNameHeight;
  return {x1, y1, x1 + kRegionWidth, y1 + kRegionHeight};
}

void name_above(Session& s, const Panel& r, const std::string& name) {
  const size_t fit = static_cast<size_t>((r.x2 - r.x1) / 8);
  text(s, name.substr(0, std::min(name.size(), fit)), static_cast<float>(r.x1),
       static_cast<float>(r.y1 - kNameHeight), 8.0f, 0, 15);
}

}  // namespace

void multi2(Session& s) {
  Cterm& t = s.cterm;
  lpg(s, 1);
  const Positions p = tlim(s);
  const int n = std::clamp(t.nl, 1, kMaxLevels);
  std::array<int32_t, kMaxLevels + 1> col{};
  for (int k = 0; k <= n; ++k) {
    col[static_cast<size_t>(k)] = t.icolor[k] >= 0 && t.icolor[k] <= 15 ? t.icolor[k] : 15;
  }
  const Cmesh& c = s.cmesh;
  const bool drawable = !p.x.empty() && mesh_ok(s);
  const int nipp = std::min(s.cht.nipp, 30);
  for (int k = 0; k < 6; ++k) {
    const Panel r = panel(k);
    region1(s, r.x1, r.y1, r.x2, r.y2, 1);
    const int fn = t.imulti[k];
    if (fn < 1) {
      const int curves = s.cht.hist.nhist + s.cht.hist.nhist0;
      if (s.cht.hist.nthist >= 2 && curves >= 1) {
        // The graph in the panel with its axis labels inside the panel's frame: room for the
        // top label's half above the plot and for the x labels below it.
        set_clip(s, r.x1 + 1, r.y1 + 1, r.x2 - 1, r.y2 - 1);
        region1(s, r.x1 + 2, r.y1 + kLabelHalf, r.x2 - 2, r.y2 - kLabelBelow, 0);
        lhist(s, t.nhi[0], 0);
        clip(s, 2);
        name_above(s, r, lhist_title(s, t.nhi[0]));
      }
      continue;
    }
    if (fn > nipp) continue;
    tlim1(s, p);
    function_read(s, fn);
    const int32_t jf = s.cht.ipp[fn - 1];
    if (drawable && real_array_ok(s, jf, c.n1)) {
      // Levels spread over the function's own range, whatever the limits chosen in rlim.
      const float rlim[2] = {t.rlim[0], t.rlim[1]};
      t.rlim[0] = 0.0f;
      t.rlim[1] = -1.0f;
      const std::vector<float> lev = setlim(s, reals(s, jf), c.n1, n);
      t.rlim[0] = rlim[0];
      t.rlim[1] = rlim[1];
      clip(s, 3);
      tvfe1(s, p.x.data(), p.y.data(), reals(s, jf), ints(s, c.jj1), c.n2, c.m, c.n1, lev.data(),
            col.data(), t.isymg == 2 ? -n : n);
      lgran(s, p);
      clip(s, 2);
    }
    name_above(s, r, function_title(s, fn));
  }
  color(s, 15);
  markpic(s, "");
  lpg(s, 2);
}

}  // namespace tivor
