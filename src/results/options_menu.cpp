// The options menu of the 2D viewer: each item shows the current setting in the message area and
// reads a new one (an empty answer or Esc keeps it); and the colour editor of the level zones.
#include <algorithm>
#include <array>
#include <string>

#include "console/console.hpp"
#include "console/menu_table.hpp"
#include "gfx/gfx.hpp"
#include "reader/reader.hpp"
#include "results/pictures.hpp"
#include "results/results.hpp"

namespace tivor {
namespace {

constexpr int kHighFg = 0, kHighBg = 3, kFg = 14, kBg = 1;
constexpr int32_t kPrographSet = 999999;
constexpr int kColours = 95;

// Cold to warm: blue, light blue, cyan, light cyan, light green, green, yellow, brown, light red,
// red, magenta. Colour 0 is the picture background and 15 the colour of lines and text.
constexpr std::array<int32_t, 11> kRamp = {1, 9, 3, 11, 10, 2, 14, 6, 12, 4, 5};
// For more zones: the ramp, then light magenta and the two greys, every colour once.
constexpr std::array<int32_t, 14> kWideRamp = {1, 9, 3, 11, 10, 2, 14, 6, 12, 4, 5, 13, 8, 7};

std::string reals_text(const float* v, int n) {
  std::string t;
  for (int k = 0; k < n; ++k) t += fmt_real(v[k], "(e11.3)");
  return t;
}

std::string ints_text(const int32_t* v, int n) {
  std::string t;
  for (int k = 0; k < n; ++k) t += fmt_int(v[k], "(i5)");
  return t;
}

// The setting's line in the message area, then the prompt on the next line with the cursor
// after it.
void show(Session& s, std::string_view shown, std::string_view prompt) {
  clswnd3(s);
  locate1(s, 1, 18);
  txtcon(s, shown);
  dispstr(s, prompt);
  new_answer_line(s);
}

// Optional reads: values absent from the answer, or all of them when the question is abandoned
// with Esc, keep their contents.
void ask_reals(Session& s, std::string_view shown, std::string_view prompt, float* v, int n) {
  show(s, shown, prompt);
  int count = n;
  static_cast<void>(readr(s, prompt, v, count, "", 1));
}

void ask_ints(Session& s, std::string_view shown, std::string_view prompt, int32_t* v, int n) {
  show(s, shown, prompt);
  int count = n;
  static_cast<void>(readi(s, prompt, v, count, "", 1));
}

// A choice menu in the message area under the setting's line; 0 when abandoned.
int choose(Session& s, std::string_view shown, std::string_view title, std::string_view items,
           int n, int current, int width) {
  clswnd3(s);
  locate1(s, 1, 18);
  txtcon(s, shown);
  int choice = std::clamp(current, 1, n);
  wmenu(s, title, choice, items, n, kViewerHelp, 2, 19, kHighFg, kHighBg, kFg, kBg, n, width);
  return choice;
}

void set_automatic_window(Cterm& t) {
  t.reg[0] = t.reg[1] = t.reg[3] = 0.0f;
  t.reg[2] = -1.0f;
}

constexpr MenuItem<Session> kModes[] = {
    {"text",
     [](Session& s) {
       // The console of this program is always drawn in the graphics window.
       clswnd3(s);
       locate1(s, 1, 18);
       paus(s, " text mode: the console always runs in the graphics window");
     }},
    {"graph",
     [](Session& s) {
       s.cterm.test_graph = 0;
       d_c(s);
       d_o(s, "tivor", 0.8f, 0.8f);
       dinit1(s, "tivor", 0.8f, 0.8f);
       d_restore(s);
     }},
    {"test", [](Session& s) { s.cterm.test_graph = 1; }},
};

void test_graph_mode(Session& s) {
  const int mode = s.cterm.test_graph;
  const std::string shown = mode == 1   ? " text mode"
                            : mode == 2 ? " graph mode"
                                        : " test graph mode";
  const int choice = choose(s, shown, "mode", menu_words(kModes),
                            static_cast<int>(std::size(kModes)), mode == 1 ? 3 : 2, 7);
  call_item(kModes, choice, s);
}

// ---- the colour editor ----

constexpr int kPerColumn = 16;  // zones per column of the work area
constexpr int kPerPage = 4 * kPerColumn;
constexpr int kCellWidth = 15;  // "nn: cc" and a swatch

int valid_colour(int c) {
  return c >= 1 && c <= 15 ? c : 15;
}

void draw_zones(Session& s, const int32_t* col, int nz, int cur) {
  const int first = cur / kPerPage * kPerPage;
  const int last = std::min(nz, first + kPerPage) - 1;
  const int fg0 = gtfcolor(s), bg0 = getbkclr(s);
  fcolor(s, 15);
  bkcolor(s, 1);
  clswnd1(s);
  locate1(s, 1, 1);
  dispstr(s, " colours of the level zones, from the lowest");
  for (int k = first; k <= last; ++k) {
    const int i = k - first;
    const int x = 1 + i / kPerColumn * kCellWidth, y = 2 + i % kPerColumn;
    const int c = valid_colour(col[k]);
    const std::string label = fmt_int(k + 1, "(i3)") + ":" + fmt_int(c, "(i3)") + " ";
    show_mnu(s, x, y, label, k == cur ? kHighFg : 15, k == cur ? kHighBg : 1, 8);
    // The swatch in the colour the picture shows for c.
    show_mnu(s, x + 8, y, "", 0, colpal(c), 6);
  }
  fcolor(s, fg0);
  bkcolor(s, bg0);
}

void colour_editor(Session& s) {
  Cterm& t = s.cterm;
  const int nz = std::clamp(t.nl + 1, 1, kColours);
  int32_t col[kColours];
  std::copy(std::begin(t.icolor), std::end(t.icolor), col);
  clswnd3(s);
  locate1(s, 1, 18);
  txtcon(s, " arrows: choose a zone   + or -, or digits: its colour 1..15");
  txtcon(s, " d: the default colours   Enter: keep the colours   Esc: leave them as they were");
  int cur = 0;
  int typed = 0;  // the colour being typed digit by digit
  for (;;) {
    draw_zones(s, col, nz, cur);
    locate1(s, 1, 20);
    int key = 0;
    grfkey(s, key);
    const int digit = key >= '0' && key <= '9' ? key - '0' : -1;
    if (digit < 0) typed = 0;
    if (key == key::kEsc) {
      return;
    } else if (key == key::kEnter) {
      std::copy(std::begin(col), std::end(col), t.icolor);
      return;
    } else if (key == key::kUp) {
      cur = std::max(cur - 1, 0);
    } else if (key == key::kDown) {
      cur = std::min(cur + 1, nz - 1);
    } else if (key == key::kLeft) {
      cur = std::max(cur - kPerColumn, 0);
    } else if (key == key::kRight) {
      cur = std::min(cur + kPerColumn, nz - 1);
    } else if (key == key::kHome || key == key::kPgUp) {
      cur = 0;
    } else if (key == key::kEnd || key == key::kPgDn) {
      cur = nz - 1;
    } else if (key == '+') {
      col[cur] = valid_colour(col[cur]) % 15 + 1;
    } else if (key == '-') {
      col[cur] = (valid_colour(col[cur]) + 13) % 15 + 1;
    } else if (key == 'd' || key == 'D') {
      default_zone_colours(t.nl, col);
    } else if (digit >= 0) {
      const int two = typed * 10 + digit;
      const int v = typed > 0 && two <= 15 ? two : digit;
      if (v >= 1) col[cur] = v;
      typed = v;
    }
  }
}

void ask_window(Session& s) {
  Cterm& t = s.cterm;
  ask_reals(s, "window" + reals_text(t.reg, 4),
            s.cmesh.isym == 1 ? "rmin zmin rmax zmax?" : "xmin ymin xmax ymax?", t.reg, 4);
}

void ask_zones(Session& s) {
  Cterm& t = s.cterm;
  const int32_t before = t.nl;
  ask_ints(s, "number of level zones =" + fmt_int(t.nl, "(i5)"), "new number ?", &t.nl, 1);
  if (t.nl < 1) t.nl = 1;
  // The default colours follow the number of zones; colours chosen in the editor stay.
  int32_t defaults[kColours];
  default_zone_colours(before, defaults);
  if (t.nl != before && std::equal(std::begin(defaults), std::end(defaults), t.icolor)) {
    default_zone_colours(t.nl, t.icolor);
  }
}

void ask_mirror(Session& s) {
  Cterm& t = s.cterm;
  const int c = choose(s, t.isymg == 2 ? " mirror on" : " mirror off", "mirror", "off on", 2,
                       t.isymg == 2 ? 2 : 1, 6);
  if (c != 0) {
    t.isymg = c;
    set_automatic_window(t);
  }
}

void ask_prograph(Session& s) {
  Cterm& t = s.cterm;
  // The defaults the prograph would set on its first use, so that the values typed here are the
  // ones it draws with.
  if (t.prograph_set != kPrographSet) {
    t.ud1 = 1.75f;
    t.xams1 = 0.6f;
    t.yaug1 = 0.6f;
    t.zug1 = 0.0f;
    t.prograph_set = kPrographSet;
  }
  float v[4] = {t.ud1, t.xams1, t.yaug1, t.zug1};
  ask_reals(s,
            " ud1=" + fmt_real(v[0], "(e10.3)") + " xams1=" + fmt_real(v[1], "(e10.3)") +
                " yaug1=" + fmt_real(v[2], "(e10.3)") + " zug1=" + fmt_real(v[3], "(e10.3)"),
            " new values?", v, 4);
  t.ud1 = v[0];
  t.xams1 = v[1];
  t.yaug1 = v[2];
  t.zug1 = v[3];
}

constexpr MenuItem<Session> kItems[] = {
    {"window", ask_window},
    {"limits",
     [](Session& s) {
       ask_reals(s, "limits" + reals_text(s.cterm.rlim, 2), "fmin fmax?", s.cterm.rlim, 2);
     }},
    {"mesh_motion",
     [](Session& s) {
       ask_reals(s, "mesh deformation" + fmt_real(s.cterm.rmesh, "(e10.3)"),
                 "coefficient of mesh deformations?", &s.cterm.rmesh, 1);
     }},
    {"line_for_graph",
     [](Session& s) {
       ask_reals(s, "line for graph " + reals_text(s.cterm.rlin, 4), "rbeg zbeg  rend zend ?",
                 s.cterm.rlin, 4);
     }},
    {"points_number",
     [](Session& s) {
       ask_ints(s, "number of points for line graph (table)=" + fmt_int(s.cterm.ntabl, "(i5)"),
                "new number ?", &s.cterm.ntabl, 1);
     }},
    {"lines_number",
     [](Session& s) {
       ask_ints(s, "number of level lines =" + fmt_int(s.cterm.nlinur, "(i5)"), "new number ?",
                &s.cterm.nlinur, 1);
       if (s.cterm.nlinur < 1) s.cterm.nlinur = 25;
     }},
    {"zones_number", ask_zones},
    {"colors", colour_editor},
    {"mirror", ask_mirror},
    {"vel/dir",
     [](Session& s) {
       const int c = choose(s, s.cterm.ispeed == 1 ? " draw velocities" : " draw directions",
                            "change?", "velocities directions", 2, s.cterm.ispeed == 1 ? 1 : 2, 12);
       if (c != 0) s.cterm.ispeed = c;
     }},
    {"speed_scale",
     [](Session& s) {
       ask_reals(s, " speed  scale " + fmt_real(s.cterm.rspeed, "(e10.3)"),
                 "speed scale coefficient?", &s.cterm.rspeed, 1);
     }},
    {"element_scale",
     [](Session& s) {
       ask_reals(s, "element scale " + fmt_real(s.cterm.rtmesh, "(e10.3)"), "element scale?",
                 &s.cterm.rtmesh, 1);
     }},
    {"multi",
     [](Session& s) {
       ask_ints(s, "multi=" + ints_text(s.cterm.imulti, 6), "function numbers?", s.cterm.imulti, 6);
     }},
    {"prograph", ask_prograph},
    {"testgraf", test_graph_mode},
};

}  // namespace

void default_zone_colours(int nl, int32_t (&icolor)[95]) {
  const int nz = std::clamp(nl + 1, 1, kColours);
  const int r = static_cast<int>(kRamp.size()), w = static_cast<int>(kWideRamp.size());
  for (int k = 0; k < kColours; ++k) {
    if (nz > r) {
      // More zones than the ramp has colours: each colour of the wide ramp marks one run of
      // neighbouring zones, so that no colour stands in two places of the scale.
      icolor[k] = kWideRamp[static_cast<size_t>(k < nz ? k * w / nz : k % w)];
    } else if (k < nz) {
      const int i = nz == 1 ? 0 : (2 * k * (r - 1) + (nz - 1)) / (2 * (nz - 1));
      icolor[k] = kRamp[static_cast<size_t>(i)];
    } else {
      icolor[k] = kRamp[static_cast<size_t>((k - nz) % r)];
    }
  }
}

void new_answer_line(Session& s) {
  if (s.crd.kterm != 1) return;
  s.crd.ip = 0;
  set_field(s.crd.str, "");
}

void termo(Session& s) {
  int choice = 1;
  for (;;) {
    restwnd1(s);
    clswnd2(s);
    clswnd3(s);
    table_menu(s, {.title = "options", .helpfile = kViewerHelp}, kItems, choice);
    if (!call_item(kItems, choice, s)) {
      clswnd3(s);
      return;
    }
  }
}

}  // namespace tivor
