// RTMR, the trace hook every computational routine passes first: the routine's name on row 25,
// the clock readings, Esc to interrupt a run, breakpoints and the debugger prompt.
#include <string>

#include "console/console.hpp"
#include "gfx/gfx.hpp"
#include "reader/reader.hpp"
#include "shell/checker.hpp"
#include "shell/shell.hpp"
#include "shell/txta.hpp"

namespace tivor {
namespace {

constexpr int kMessageTop = 18;  // first row of the message area
constexpr int kTraceOn = 0, kTraceOff = 1, kDebug = 2, kBreakpoint = 3;
constexpr std::string_view kCommands = "h g q go m r";
enum Command { kHelp = 1, kGo = 2, kQuit = 3, kGoOn = 4, kChecker = 5, kResults = 6 };

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

// The debugger prompt at a stopped routine; 1 when the user chose to go back to the main menu.
int prompt(Session& s, std::string_view name) {
  // The prompt reads the keyboard; a data file being read continues where it was afterwards.
  const Crd saved = s.crd;
  readin(s, 0, "&", kKeyboardUnit, 1);
  int result = 0;
  for (bool done = false; !done;) {
    clswnd3(s);
    locate1(s, 1, kMessageTop);
    dispstr(s, "\"" + std::string(name) + "\"");
    int cmd = 0;
    if (txta(s, cmd, kCommands, 6, "rtmr:incorrect command", false, ">") != 0) cmd = kQuit;
    switch (cmd) {
      case kHelp:
        show_help(s);
        break;
      case kGo:
        done = true;
        break;
      case kGoOn:
        s.ctime1.itrace = kTraceOff;
        done = true;
        break;
      case kQuit:
        s.ctime1.itrace = kTraceOff;
        set_flag(s, 1);
        result = 1;
        done = true;
        break;
      case kChecker:
        amemo(s);
        break;
      case kResults:
        if (s.cht.itask == kTaskPrepared) arez(s);
        break;
      default:
        break;
    }
  }
  s.crd = saved;
  clswnd3(s);
  return result;
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
