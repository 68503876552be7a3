// RTMR, the trace hook every computational routine passes first: the routine's name on row 25,
// the clock readings, Esc to interrupt a run, breakpoints and the debugger prompt.
#include <iterator>
#include <string>

#include "console/console.hpp"
#include "console/menu_table.hpp"
#include "gfx/gfx.hpp"
#include "reader/reader.hpp"
#include "shell/checker.hpp"
#include "shell/shell.hpp"
#include "shell/txta.hpp"

namespace tivor {
namespace {

constexpr int kMessageTop = 18;  // first row of the message area
constexpr int kTraceOn = 0, kTraceOff = 1, kDebug = 2, kBreakpoint = 3;

std::string lower(std::string_view txt) {
  std::string out = rtrim(txt);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// The running routine's name in columns 1-20 of row 25, in 0 on 3; cursor and colours kept.
void show_routine(Session& s, std::string_view name) {
  const CursorColoursGuard keep(s);
  fcolor(s, 0);
  bkcolor(s, 3);
  cls1(s, 1, kRows, 20, kRows);
  locate1(s, 1, kRows);
  dispstr(s, name.substr(0, 20));
}

// The list fills the message area from its top row, so that nothing scrolls into the work area.
void show_help(Session& s) {
  const int fg = s.colors.fg;
  clswnd3(s);
  locate1(s, 1, kMessageTop);
  fcolor(s, 15);
  txtcon(s, " *** debugger commands ****");
  fcolor(s, fg);
  txtcon(s, "h     - help");
  txtcon(s, "g     - go to next breakpoint");
  txtcon(s, "q     - go back to main menu ");
  txtcon(s, "go    - go without debugging ");
  txtcon(s, "m     - call checker      ");
  txtcon(s, "r     - call results ");
  paus(s, "");
}

struct Prompt {
  Session& s;
  bool done = false;
  int result = 0;  // 1 when the user chose to go back to the main menu
};

void quit(Prompt& p) {
  p.s.ctime1.itrace = kTraceOff;
  set_flag(p.s, 1);
  p.result = 1;
  p.done = true;
}

constexpr MenuItem<Prompt> kCommands[] = {
    {"h", [](Prompt& p) { show_help(p.s); }},
    {"g", [](Prompt& p) { p.done = true; }},
    {"q", quit},
    {"go",
     [](Prompt& p) {
       p.s.ctime1.itrace = kTraceOff;
       p.done = true;
     }},
    {"m", [](Prompt& p) { amemo(p.s); }},
    {"r",
     [](Prompt& p) {
       if (p.s.cht.itask == kTaskPrepared) arez(p.s);
     }},
};

// The debugger prompt at a stopped routine; 1 when the user chose to go back to the main menu.
int prompt(Session& s, std::string_view name) {
  // The prompt reads the keyboard; a data file being read continues where it was afterwards.
  const Crd saved = s.crd;
  readin(s, 0, "&", kKeyboardUnit, 1);
  const std::string words = menu_words(kCommands);
  constexpr int n = static_cast<int>(std::size(kCommands));
  Prompt p{s};
  while (!p.done) {
    clswnd3(s);
    locate1(s, 1, kMessageTop);
    dispstr(s, "\"" + std::string(name) + "\"");
    int cmd = 0;
    if (txta(s, cmd, words, n, "rtmr:incorrect command", false, ">") != 0) {
      quit(p);
    } else {
      call_item(kCommands, cmd, p);
    }
  }
  s.crd = saved;
  clswnd3(s);
  return p.result;
}

}  // namespace

int debug_hook(Session& s, std::string_view name) {
  if (a_interrupt(s)) return 0;
  if (flag_tst(s)) return 1;

  Ctime1& tr = s.ctime1;
  const std::string lname = lower(name);
  if (lname == "test" && tr.itrace != kBreakpoint) tr.itrace = kDebug;
  if (tr.itrace == kBreakpoint && lname == lower(field_str(tr.modname1))) tr.itrace = kDebug;

  const bool blank = lname.empty();
  if (tr.itrace != kDebug && !blank) show_routine(s, rtrim(name));
  if (tr.itrace == kDebug || blank) {
    tr.rtim1 = static_cast<float>(s.host->clock());
    tr.rtim2 = tr.rtim1;
  }
  if (tr.itrace == kTraceOn || tr.itrace == kDebug) tr.rtim2 = static_cast<float>(s.host->clock());
  if (tr.itrace == kDebug) return prompt(s, rtrim(name));
  return 0;
}

void debugger_install(Session& s) {
  Session* sp = &s;
  s.up.rtmr = [sp](std::string_view name) { return debug_hook(*sp, name); };
}

}  // namespace tivor
