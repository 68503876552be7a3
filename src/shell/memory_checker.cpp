// AMEMO, the memory checker: the declaration texts, the global records, the class parameters
// and the pool arrays they point to, looked at and changed by name; and queries on the mesh.
#include <algorithm>
#include <cstring>
#include <span>
#include <string>

#include "console/console.hpp"
#include "reader/reader.hpp"
#include "shell/checker.hpp"
#include "shell/mesh_card.hpp"
#include "shell/pool_view.hpp"
#include "shell/shell.hpp"
#include "shell/txta.hpp"

namespace tivor {
namespace {

constexpr int kHighFg = 0, kHighBg = 3, kFg = 14, kBg = 1;
constexpr int kCommandCount = 18;
constexpr int kLineEnd = 80;

std::string command_words() {
  return std::string("t b p g ma mk h e ib ip ima imk num node cell") + " " + "menu view minmax";
}

std::string menu_items() {
  return std::string("text block parameter go real integer help exit") + " " +
         "chblock chparameter change_real change_int" + " " + "find_node node_param find_cell" +
         " " + "menu view minmax";
}

enum Command {
  kText = 1,
  kBlock,
  kParameter,
  kGo,
  kReal,
  kInteger,
  kHelp,
  kExit,
  kChBlock,
  kChParameter,
  kChangeReal,
  kChangeInt,
  kFindNode,
  kNodeParam,
  kFindCell,
  kMenu,
  kView,
  kMinMax,
};

bool clears_work_area(int cmd) {
  return cmd == kText || cmd == kBlock || cmd == kReal || cmd == kInteger || cmd == kChBlock ||
         cmd == kChangeReal || cmd == kChangeInt;
}

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

void run(Session& s, int cmd) {
  switch (cmd) {
    case kText:
      listtext(s, 1, s.tmesh.nlines, s.tmesh.lines);
      listtext(s, 1, s.cmemo.nlines, s.cmemo.lines);
      paus(s, "");
      break;
    case kBlock:
    case kChBlock:
      admp(s, cmd == kBlock ? 0 : 1);
      break;
    case kParameter:
    case kChParameter:
      lookup(s, 0, cmd == kParameter ? 0 : 1);
      break;
    case kReal:
    case kChangeReal:
      lookup(s, 1, cmd == kReal ? 0 : 1);
      break;
    case kInteger:
    case kChangeInt:
      lookup(s, 2, cmd == kInteger ? 0 : 1);
      break;
    case kHelp: {
      int col = 0, row = 0;
      getcurpos(s, col, row);
      dathlp(s, "hlp/auto.hlp", "amemo");
      locate1(s, col, row);
      break;
    }
    case kFindNode:
      find_node(s);
      break;
    case kNodeParam:
      node2(s);
      paus(s, "");
      break;
    case kFindCell:
      prcell2(s);
      paus(s, "");
      break;
    case kMenu:
      s.checker_menu_mode = s.checker_menu_mode == 0 ? 1 : 0;
      break;
    case kView:
      view(s);
      break;
    case kMinMax:
      fminmax(s);
      break;
    default:
      break;
  }
}

}  // namespace

void amemo(Session& s) {
  meshbase(s);
  // The reader's position and line are put back on the way out: a data file being read, or
  // the rest of a debugger command line, is not disturbed.
  const int32_t ip = s.crd.ip;
  char str[sizeof(s.crd.str)];
  std::memcpy(str, s.crd.str, sizeof(str));

  const std::string words = command_words();
  const std::string items = menu_items();
  int selection = 1;
  for (;;) {
    int cmd = 0;
    if (s.checker_menu_mode == 0) {
      if (txta(s, cmd, words, kCommandCount, "m:incorrect command", false, "m>") != 0) break;
    } else {
      wmenu(s, "- checker -", selection, items, kCommandCount, "hlp/auto.hlp", 64, 1, kHighFg,
            kHighBg, kFg, kBg, 1, 15);
      cmd = selection;
      if (cmd == 0) break;
    }
    if (cmd == kGo || cmd == kExit) break;
    newstr(s);
    if (clears_work_area(cmd)) {
      clswnd1(s);
    } else {
      clswnd3(s);
    }
    run(s, cmd);
    restwnd1(s);
    clswnd2(s);
    clswnd3(s);
  }
  s.crd.ip = ip;
  std::memcpy(s.crd.str, str, sizeof(str));
}

}  // namespace tivor
