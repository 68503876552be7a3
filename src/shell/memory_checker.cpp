// AMEMO, the memory checker: the declaration texts, the global records, the class parameters
// and the pool arrays they point to, looked at and changed by name; and queries on the mesh.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <span>
#include <string>

#include "console/console.hpp"
#include "console/menu_table.hpp"
#include "reader/reader.hpp"
#include "shell/checker.hpp"
#include "shell/mesh_card.hpp"
#include "shell/pool_view.hpp"
#include "shell/shell.hpp"
#include "shell/txta.hpp"

namespace tivor {
namespace {

constexpr int kLineEnd = 80;

// An identifier looked up in the class parameters, then in the mesh record.
void lookup(Session& s, int kind, int mode) {
  const int in_cparm = incomb(s, kind, mode, s.cmemo.lines, s.cmemo.nlines,
                              std::as_writable_bytes(std::span(&s.cparm, 1)), "cparm");
  if (in_cparm == 0) return;
  const int in_cmesh = incomb(s, kind, mode, s.tmesh.lines, s.tmesh.nlines,
                              std::as_writable_bytes(std::span(&s.cmesh, 1)), "cmesh");
  if (in_cmesh == 0) return;
  if (s.colors.col != 1) newstr(s);
  paus(s, "identifier is not found");
  s.crd.ip = kLineEnd;  // the rest of the typed line is dropped
}

void find_node(Session& s) {
  float p[2] = {0.0f, 1.0e9f};
  int n = 2;
  if (readr(s, "coordinates ?", p, n, "", 0) == 0 && p[1] <= 1.0e8f) {
    int node = 0;
    lntrt(s, p[0], p[1], node);
    if (s.colors.col != 1) newstr(s);
    iwrite(s, "nom=", node, "(i8)", 1);
  }
  paus(s, "");
}

// The results viewer; without a prepared task the class arrays of the mesh record point at the
// free end of the real pool (zeroed there), so the bare mesh is drawn and nothing below the
// mark is touched.
void view(Session& s) {
  if (s.cht.itask != kTaskPrepared) {
    const int64_t mark = s.csize.maxa;
    const int64_t n1 = s.cmesh.n1;
    if (n1 >= 0 && real_array_ok(s, mark, 2 * n1)) {
      std::fill_n(s.a.begin() + mark + 1, 2 * n1, 0.0f);
      s.cmesh.jdcr[2] = s.cmesh.jdcr[4] = static_cast<int32_t>(mark);
      s.cmesh.jdcr[3] = s.cmesh.jdcr[5] = static_cast<int32_t>(mark + n1);
    }
  }
  arez(s);
}

void toggle_menu(Session& s) {
  s.checker_menu_mode = s.checker_menu_mode == 0 ? 1 : 0;
}

void show_help(Session& s) {
  int col = 0, row = 0;
  getcurpos(s, col, row);
  dathlp(s, "hlp/auto.hlp", "amemo");
  locate1(s, col, row);
}

// A command: the word typed on the command line, the item of the menu, whether it clears the
// work area (or else the message area) first, and its action; go and exit have none, they leave.
struct Command {
  std::string_view word;
  std::string_view text;
  bool clears_work_area;
  void (*action)(Session&);
};

constexpr Command kCommands[] = {
    {"t", "text", true,
     [](Session& s) {
       listtext(s, 1, s.tmesh.nlines, s.tmesh.lines);
       listtext(s, 1, s.cmemo.nlines, s.cmemo.lines);
       paus(s, "");
     }},
    {"b", "block", true, [](Session& s) { admp(s, 0); }},
    {"p", "parameter", false, [](Session& s) { lookup(s, 0, 0); }},
    {"g", "go", false, nullptr},
    {"ma", "real", true, [](Session& s) { lookup(s, 1, 0); }},
    {"mk", "integer", true, [](Session& s) { lookup(s, 2, 0); }},
    {"h", "help", false, show_help},
    {"e", "exit", false, nullptr},
    {"ib", "chblock", true, [](Session& s) { admp(s, 1); }},
    {"ip", "chparameter", false, [](Session& s) { lookup(s, 0, 1); }},
    {"ima", "change_real", true, [](Session& s) { lookup(s, 1, 1); }},
    {"imk", "change_int", true, [](Session& s) { lookup(s, 2, 1); }},
    {"num", "find_node", false, find_node},
    {"node", "node_param", false,
     [](Session& s) {
       node2(s);
       paus(s, "");
     }},
    {"cell", "find_cell", false,
     [](Session& s) {
       prcell2(s);
       paus(s, "");
     }},
    {"menu", "menu", false, toggle_menu},
    {"view", "view", false, view},
    {"minmax", "minmax", false, fminmax},
};

}  // namespace

void amemo(Session& s) {
  meshbase(s);
  // The reader's position and line are put back on the way out: a data file being read, or
  // the rest of a debugger command line, is not disturbed.
  const int32_t ip = s.crd.ip;
  char str[sizeof(s.crd.str)];
  std::memcpy(str, s.crd.str, sizeof(str));

  const std::string words = menu_words(kCommands, &Command::word);
  constexpr int n = static_cast<int>(std::size(kCommands));
  int selection = 1;
  for (;;) {
    int cmd = 0;
    if (s.checker_menu_mode == 0) {
      if (txta(s, cmd, words, n, "m:incorrect command", false, "m>") != 0) break;
    } else {
      table_menu(s, {.title = "- checker -", .helpfile = "hlp/auto.hlp"}, kCommands, selection);
      cmd = selection;
      if (cmd == 0) break;
    }
    if (cmd < 1 || cmd > n) continue;
    const Command& c = kCommands[cmd - 1];
    if (c.action == nullptr) break;
    newstr(s);
    if (c.clears_work_area) {
      clswnd1(s);
    } else {
      clswnd3(s);
    }
    c.action(s);
    restwnd1(s);
    clswnd2(s);
    clswnd3(s);
  }
  s.crd.ip = ip;
  std::memcpy(s.crd.str, str, sizeof(str));
}

}  // namespace tivor
