// The results menu of the 2D viewer, its defaults, and the entry that picks the viewer by the
// current class.
#include <algorithm>
#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "console/menu_table.hpp"
#include "core/names.hpp"
#include "core/pool.hpp"
#include "gfx/gfx.hpp"
#include "librarian/librarian.hpp"
#include "reader/reader.hpp"
#include "results/pictures.hpp"
#include "results/results.hpp"

namespace tivor {
namespace {

constexpr int kHighFg = 0, kHighBg = 3, kFg = 14, kBg = 1;
constexpr int32_t kInitialised = -1000000;

// The class codes of the 3D viewers, which this program does not have.
constexpr std::array<std::string_view, 5> k3dCodes = {"gfe ", "sl  ", "the ", "ffd ", "gfd "};

std::string class_code(const Session& s) {
  if (s.cls.iclass < 1 || s.cls.iclass > 15) return "    ";
  return std::string(s.cls.clcode[s.cls.iclass - 1], 4);
}

// Draws the current picture as type ipc (the drawing keeps the work area for the menus).
void show_picture(Session& s, int ipc) {
  s.cterm.ipc = ipc;
  afilm0(s);
}

// The mesh over the contour picture on the screen: the page is opened without clearing, with the
// plot region and the window the picture was drawn in, and every element drawn as its closed
// outline.
void add_mesh(Session& s) {
  // The region of the picture drawn last (the contour pictures narrow it for their scale).
  const int32_t* r = s.grf.reg_pix;  // x min, x max, y min, y max
  const int32_t last[4] = {r[0], r[1], r[2], r[3]};
  lpg(s, 3);
  if (last[1] - last[0] >= 1 && last[3] - last[2] >= 1) {
    region1(s, last[0], last[2], last[1], last[3], 0);
  }
  const Positions p = tlim(s);
  if (!p.x.empty() && mesh_ok(s)) {
    clip(s, 3);
    color(s, 15);
    const bool mirror = s.cterm.isymg == 2;
    float x[5], y[5], xm[5];
    for (int32_t e = 0; e < s.cmesh.n2; ++e) {
      int idx[4], corners = 0;
      if (!element_nodes(s, e, idx, corners)) continue;
      for (int k = 0; k <= corners; ++k) {
        const size_t i = static_cast<size_t>(idx[k % corners]);
        x[k] = p.x[i];
        y[k] = p.y[i];
        xm[k] = -x[k];
      }
      lineo(s, x, y, corners + 1);
      if (mirror) lineo(s, xm, y, corners + 1);
    }
  }
  lpg(s, 2);
  savewnd1(s);
}

// Waits for one of the answers y, n or a (Esc counts as a); true for y.
bool answer_yes(Session& s) {
  for (;;) {
    int key = 0;
    grfkey(s, key);
    if (key == 'y' || key == 'Y') return true;
    if (key == 'n' || key == 'N' || key == 'a' || key == 'A' || key == key::kEsc) return false;
  }
}

// The current picture into a picture file named by the user.
void print_picture(Session& s) {
  clswnd3(s);
  locate1(s, 1, 18);
  dispstr(s, "print picture ? (y/n)?");
  if (!answer_yes(s)) return;
  newstr(s);
  new_answer_line(s);
  std::string name;
  int len = 0;
  readname(s, name, 64, len, "enter name for picture:");
  if (len == 0 || len1(name) == 0) {
    s.notice = " no name given: no picture written";
    return;
  }
  const std::string file = namext(name, "gf");
  int32_t colours[95];
  std::copy(std::begin(s.cterm.icolor), std::end(s.cterm.icolor), colours);
  gfopen(s, file);
  afilm0(s);
  std::copy(std::begin(colours), std::end(colours), s.cterm.icolor);
  gfclose(s);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    clswnd3(s);
    locate1(s, 1, 18);
    paus(s, " can not write picture file " + file);
    return;
  }
  note_written(s, "picture", file);
}

// The menu of the published result functions; a choice becomes the current function, with
// automatic limits, and is drawn.
void choose_function(Session& s) {
  const int n = std::clamp(s.cht.nipp, 0, 30);
  if (n == 0) {
    clswnd3(s);
    locate1(s, 1, 18);
    paus(s, " no result functions are published");
    return;
  }
  std::vector<std::string> names;
  for (int k = 0; k < n; ++k) names.emplace_back(s.cls.ppname[k], 48);
  int choice = std::clamp(s.cterm.nf, 1, n);
  // Up to 15 names stand in one column of the work area, more in two narrower ones.
  const int ncol = n <= 15 ? 1 : 2;
  wmenuh(s, "choose function", choice, names, n, "null", 2, 1, kHighFg, kHighBg, kFg, kBg, ncol,
         ncol == 1 ? 48 : 29);
  if (choice == 0) return;
  s.cterm.nf = choice;
  s.cterm.rlim[0] = 0.0f;
  s.cterm.rlim[1] = -1.0f;
  show_picture(s, s.cterm.ipc);
}

void show_tracks(Session& s) {
  txtcon(s, " TRACKS: HIT \"Esc\" to break,-> or <- to accelerate");
  track2(s);
  savewnd1(s);
}

// The automatic window and function limits.
void set_defaults(Session& s) {
  s.cterm.reg[0] = s.cterm.reg[1] = s.cterm.reg[3] = 0.0f;
  s.cterm.reg[2] = -1.0f;
  s.cterm.rlim[0] = 0.0f;
  s.cterm.rlim[1] = -1.0f;
}

constexpr MenuItem<Session> kItems[] = {
    {"options", termo},
    {"boundaries", boundary_menu},
    {"mesh", [](Session& s) { show_picture(s, 3); }},
    {"velocities", [](Session& s) { show_picture(s, 4); }},
    {"contur_lines", [](Session& s) { show_picture(s, 1); }},
    {"contur_zones", [](Session& s) { show_picture(s, 7); }},
    {"line_graph", [](Session& s) { show_picture(s, 2); }},
    {"line_table", prline},
    {"history_graphs", ahist},
    {"librarian", [](Session& s) { apict1(s, s.cht.t); }},
    {"produce_movie", setifilm},
    {"add_mesh",
     [](Session& s) {
       if (s.cterm.ipc == 1 || s.cterm.ipc == 7) add_mesh(s);
     }},
    {"print_picture", print_picture},
    {"multi", [](Session& s) { show_picture(s, 9); }},
    {"tracks", show_tracks},
    {"prograph", [](Session& s) { show_picture(s, 10); }},
    {"user",
     [](Session& s) {
       if (s.up.termuser) s.up.termuser();
     }},
    {"function", choose_function},
    {"defaults", set_defaults},
};

}  // namespace

void results_install(Session& s) {
  s.up.arez = [&s] { arez_viewer(s); };
  s.up.afilm = [&s] { afilm(s); };
}

void arez_viewer(Session& s) {
  const std::string code = class_code(s);
  if (std::find(k3dCodes.begin(), k3dCodes.end(), code) != k3dCodes.end()) {
    clswnd3(s);
    locate1(s, 1, 18);
    flag_on(s, " 3D results viewer: not available in this program");
    return;
  }
  term(s);
}

void termi(Session& s) {
  Cterm& t = s.cterm;
  const Cmesh& c = s.cmesh;
  t.nf = 1;
  t.nl = 10;
  t.nhi[0] = t.nhi[1] = 0;
  t.rlim[0] = 0.0f;
  t.rlim[1] = -1.0f;
  t.rlin[0] = t.rlin[1] = 0.0f;
  t.rlin[2] = t.rlin[3] = 1.0f;
  t.reg[0] = t.reg[1] = t.reg[3] = 0.0f;
  t.reg[2] = -1.0f;
  t.rspeed = 0.0f;
  t.ispeed = 2;
  t.rlig[0] = 0.0f;
  t.rlig[1] = 0.0f;
  if (c.n3 > 0 && c.jcsi > 0 && real_array_ok(s, c.jcsi, c.n3))
    t.rlig[1] = reals(s, c.jcsi)[c.n3 - 1];
  t.isymg = 1;
  default_zone_colours(t.nl, t.icolor);
  t.rtmesh = 0.5f;
  t.ntabl = 20;
  t.nlinur = 25;
  t.subregion_bounds = 0;
  for (int k = 0; k < 6; ++k) t.imulti[k] = k + 1;
  t.test_graph = 0;
  t.initerm = kInitialised;
}

void term(Session& s) {
  if (s.cterm.initerm != kInitialised) termi(s);
  // The viewer's own failures stay inside it; the caller's flag is given back on the way out.
  const int32_t flag0 = iflag(s);
  int choice = 1;
  for (;;) {
    flag_off(s);
    restwnd1(s);
    clswnd2(s);
    clswnd3(s);
    show_notice(s);
    table_menu(s, {.title = "results", .helpfile = kViewerHelp}, kItems, choice);
    clswnd3(s);
    locate1(s, 1, 18);
    if (!call_item(kItems, choice, s)) {
      set_flag(s, flag0);
      return;
    }
  }
}

}  // namespace tivor
