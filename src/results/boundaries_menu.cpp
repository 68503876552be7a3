// The boundaries menu of the 2D viewer: the outer boundary alone or with the subregion bounds,
// where a boundary condition of the class is set, and the subregion switch.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "console/menu_table.hpp"
#include "core/pool.hpp"
#include "gfx/gfx.hpp"
#include "results/pictures.hpp"
#include "results/results.hpp"

namespace tivor {
namespace {

constexpr int kHighFg = 0, kHighBg = 3, kFg = 14, kBg = 1;

// The boundaries picture with the subregion switch set for it alone.
void bounds_picture(Session& s, int subregions) {
  const int32_t keep = s.cterm.subregion_bounds;
  s.cterm.subregion_bounds = subregions;
  s.cterm.ipc = 6;
  afilm0(s);
  s.cterm.subregion_bounds = keep;
}

// The work field of condition k: 1 at every node, 0 at both nodes of each boundary element whose
// flag is 0 (the condition is set there). Written into the viewer's work array jdcr(5) when it
// lies in the pool, otherwise into spare. nullptr when the condition's flags or the boundary
// elements do not lie in the pool.
float* condition_field(Session& s, int k, std::vector<float>& spare) {
  const Cmesh& c = s.cmesh;
  const int32_t jf = s.cls.jfun[k - 1];
  if (c.n1 < 1 || c.n3 < 1 || !int_array_ok(s, jf, c.n3) ||
      !int_array_ok(s, c.jj2, 2 * int64_t{c.n3})) {
    return nullptr;
  }
  float* w = nullptr;
  if (c.jdcr[4] > 0 && real_array_ok(s, c.jdcr[4], c.n1)) {
    w = reals(s, c.jdcr[4]);
  } else {
    spare.assign(static_cast<size_t>(c.n1), 0.0f);
    w = spare.data();
  }
  std::fill(w, w + c.n1, 1.0f);
  const int32_t* flags = ints(s, jf);
  const int32_t* ends = ints(s, c.jj2);
  for (int32_t e = 0; e < c.n3; ++e) {
    if (flags[e] != 0) continue;
    for (int j = 0; j < 2; ++j) {
      // A negative node number marks an edge between glued subregions.
      const int64_t node = std::llabs(static_cast<int64_t>(ends[2 * e + j]));
      if (node >= 1 && node <= c.n1) w[node - 1] = 0.0f;
    }
  }
  return w;
}

// Contour zones of the work field of condition k, drawn as the contour zones picture draws a
// function, titled with the condition's name.
void condition_picture(Session& s, int k) {
  const Cmesh& c = s.cmesh;
  lpg_legend(s);
  // The positions first: they pass through the same work arrays the field is then put in.
  const Positions p = tlim(s);
  room_for_axes(s);
  clip(s, 3);
  std::vector<float> spare;
  const float* w = condition_field(s, k, spare);
  std::vector<float> lev;
  const int nl = std::clamp(s.cterm.nl, 1, 94);
  if (w != nullptr && !p.x.empty() && mesh_ok(s)) {
    // The levels always span the field itself, whatever limits the user has set.
    const float keep[2] = {s.cterm.rlim[0], s.cterm.rlim[1]};
    s.cterm.rlim[0] = 0.0f;
    s.cterm.rlim[1] = -1.0f;
    lev = setlim(s, w, c.n1, nl);
    s.cterm.rlim[0] = keep[0];
    s.cterm.rlim[1] = keep[1];
    tvfe1(s, p.x.data(), p.y.data(), w, ints(s, c.jj1), c.n2, c.m, c.n1, lev.data(), s.cterm.icolor,
          s.cterm.isymg == 2 ? -nl : nl);
  }
  lgran(s, p);
  clip(s, 2);
  if (!lev.empty()) clrscale(s, lev.data(), s.cterm.icolor, nl);
  color(s, 15);
  axes(s);
  std::string title = rtrim(std::string_view(s.cls.funname[k - 1], 24));
  std::replace(title.begin(), title.end(), '_', ' ');
  markpic(s, title);
  lpg(s, 2);
  savewnd1(s);
}

void check_conditions(Session& s) {
  const int n = std::clamp(s.cls.nfun, 0, 20);
  if (n == 0) {
    clswnd3(s);
    locate1(s, 1, 18);
    paus(s, " no boundary conditions are published");
    return;
  }
  std::vector<std::string> names;
  for (int k = 0; k < n; ++k) names.emplace_back(s.cls.funname[k], 24);
  int choice = 1;
  clswnd3(s);
  wmenuh(s, "conditions", choice, names, n, "null", 2, 18, kHighFg, kHighBg, kFg, kBg, 3, 25);
  clswnd3(s);
  if (choice != 0) condition_picture(s, choice);
}

constexpr MenuItem<Session> kItems[] = {
    {"region_bounds", [](Session& s) { bounds_picture(s, 0); }},
    {"subregion_bounds", [](Session& s) { bounds_picture(s, 1); }},
    {"check_conditions", check_conditions},
    {"view_subregions",
     [](Session& s) {
       s.cterm.subregion_bounds = s.cterm.subregion_bounds == 0 ? 1 : 0;
       paus(s, s.cterm.subregion_bounds == 1 ? "subregion bounds on" : "subregion bounds off");
     }},
};

}  // namespace

void boundary_menu(Session& s) {
  if (itermtip(s) != 1) {
    clswnd3(s);
    locate1(s, 1, 18);
    paus(s, "for this class command is not avalable");
    return;
  }
  int choice = 1;
  for (;;) {
    restwnd1(s);
    clswnd2(s);
    clswnd3(s);
    table_menu(s, {.title = "boundaries", .helpfile = kViewerHelp, .width = 17}, kItems, choice);
    clswnd3(s);
    locate1(s, 1, 18);
    if (!call_item(kItems, choice, s)) return;
  }
}

}  // namespace tivor
