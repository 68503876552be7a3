// The main menu: start-up, the main loop over the twelve items, the status screen, the
// preparation of a task, the trace menu, the window scale and the exit menu.
#include <filesystem>
#include <string>

#include "console/console.hpp"
#include "console/menu_table.hpp"
#include "core/newarr.hpp"
#include "core/replace_file.hpp"
#include "gfx/gfx.hpp"
#include "reader/reader.hpp"
#include "shell/shell.hpp"

namespace tivor {
namespace {

constexpr int kHighFg = 0, kHighBg = 3, kFg = 14, kBg = 1;
constexpr std::string_view kHelpFile = "hlp/auto.hlp";
constexpr std::string_view kProductTitle = "TIVOR WORKBENCH";                     // 15 characters
constexpr std::string_view kBanner = "  tivor: simulation of continuous media ";  // 40 characters
constexpr std::string_view kStandingBuffer = "buf/tivor.buf";
constexpr std::string_view kPageFile = "images/page.pct";  // the picture kept between runs

void reset_task(Session& s) {
  set_field(s.cls.datfile, "");
  s.csize.maxa = 0;
  s.csize.maxk = 0;
  s.cls.iclass = 0;
  s.cls.imethod = 0;
  s.cht.ifilm = 0;
}

}  // namespace

bool prepare_chosen_task(Session& s) {
  int unit = 0;
  if (readfrom(s, unit, field_str(s.cls.datfile)) != 0) return false;
  s.csize.maxa = 0;
  s.csize.maxk = 0;
  s.cht.itask = 0;
  atask(s);
  read_keyboard(s);
  locate1(s, 1, 18);
  if (flag_tst(s)) {
    s.csize.maxa = 0;
    s.csize.maxk = 0;
    return false;
  }
  setinp(s);
  s.cht.itask = kTaskPrepared;
  return true;
}

void status_screen(Session& s) {
  locate1(s, 1, 18);
  if (s.cls.iclass >= 1 && s.cls.iclass <= 15) {
    txtcon(s, " class : " + std::string(s.cls.clname[s.cls.iclass - 1], 51));
  }
  if (s.cls.imethod >= 1 && s.cls.imethod <= 15) {
    txtcon(s, " method: " + std::string(s.cls.mtname[s.cls.imethod - 1], 51));
  }
  txtcon(s, " data file:" + field_str(s.cls.datfile));
  txtcon(s, "     free memory:     real     integer");
  // Figures of more than seven digits (pools chosen larger at start) take the width they need
  // rather than turn into stars; one blank always stands between.
  const auto free_words = [](int32_t n) {
    const std::string text = std::to_string(n);
    return text.size() > 7 ? text : fmt_int(n, "(i7)");
  };
  txtcon(s, std::string(20, ' ') + free_words(s.csize.na - s.csize.maxa) + " " +
                free_words(s.csize.nk - s.csize.maxk));
  if (s.cht.itask == kTaskPrepared) {
    txtcon(s, "time=" + fmt_real(s.cht.t, "(e10.3)") +
                  ";  time step=" + fmt_real(s.cht.ht, "(e10.3)"));
  }
  paus(s, " press any key");
}

namespace {

void prepare_task(Session& s) {
  const std::string datfile = field_str(s.cls.datfile);
  std::error_code ec;
  if (datfile.empty() || !std::filesystem::is_regular_file(datfile, ec)) {
    paus(s, " use editor to define initial data set");
    return;
  }
  int choice = 1;
  wmenu(s, "prepare?", choice, "yes no", 2, kHelpFile, 2, 18, kHighFg, kHighBg, kFg, kBg, 2, 4);
  if (choice != 1) return;
  if (!prepare_chosen_task(s)) return;
  clswnd3(s);
  paus(s, "ready.");
}

void trace_menu(Session& s) {
  clswnd3(s);
  int choice = s.ctime1.itrace + 1;
  wmenu(s, "trace & debug", choice, "trace_on trace_off debug_on breakpoint", 4, kHelpFile, 2, 18,
        kHighFg, kHighBg, kFg, kBg, 1, 17);
  if (choice == 0) return;
  s.ctime1.itrace = choice - 1;
  if (choice != 4) return;
  locate1(s, 1, 23);
  std::string name;
  int len = 0;
  readname(s, name, 80, len, "enter routine name:");
  if (len == 0) {
    s.ctime1.itrace = 1;
  } else {
    set_field(s.ctime1.modname1, name.substr(0, 20));
  }
}

void resize_window(Session& s) {
  float a = 0.6f;
  int n = 1;
  if (readr(s, " scale factor? (0.3<a<1.0)", &a, n, "", 0) != 0) return;
  a = std::max(0.3f, std::min(a, 1.0f));
  d_c(s);
  d_o(s, "tivor", a, a);
  d_restore(s);
}

// Running the task and viewing results need a prepared task.
bool task_present(Session& s) {
  if (s.cht.itask == kTaskPrepared) return true;
  flag_on(s, " task is absent");
  return false;
}

struct MainMenu {
  Session& s;
  bool keep_trace = false;  // the trace mode just chosen lasts until the next run
};

constexpr MenuItem<MainMenu> kMainItems[] = {
    {"information", [](MainMenu& m) { status_screen(m.s); }},
    {"class", [](MainMenu& m) { aclass(m.s); }},
    {"method", [](MainMenu& m) { amethod(m.s); }},
    {"initial_data", [](MainMenu& m) { aedit(m.s); }},
    {"prepare_task", [](MainMenu& m) { prepare_task(m.s); }},
    {"go",
     [](MainMenu& m) {
       if (task_present(m.s)) awork(m.s);
     }},
    {"results",
     [](MainMenu& m) {
       if (!task_present(m.s)) return;
       arez(m.s);
       clswnd2(m.s);
     }},
    {"trace_&_debug",
     [](MainMenu& m) {
       trace_menu(m.s);
       m.keep_trace = true;
     }},
    {"read_state", [](MainMenu& m) { rewri(m.s, 1); }},
    {"write_state", [](MainMenu& m) { rewri(m.s, 2); }},
    {"memory_checker", [](MainMenu& m) { amemo(m.s); }},
    {"resize", [](MainMenu& m) { resize_window(m.s); }},
};

}  // namespace

bool exit_menu(Session& s, int first_choice) {
  s.ctime1.itrace = 1;
  int choice = first_choice;
  for (;;) {
    wmenu(s, "exit?", choice, "exit exit&save continue", 3, kHelpFile, 2, 18, kHighFg, kHighBg, kFg,
          kBg, 3, 10);
    if (choice != 1 && choice != 2) return false;
    std::error_code ec;
    std::filesystem::create_directories("images", ec);
    static_cast<void>(savepage(s, kPageFile));
    if (choice == 2) {
      // The flag of the caller (the menu may open from any prompt) is kept apart from the write's.
      const int32_t pending = iflag(s);
      flag_off(s);
      rewrin(s, 2, kStandingBuffer);
      const bool failed = flag_tst(s);
      set_flag(s, pending);
      // The task is not lost to a failed write: the user may free the disk and try again.
      if (failed) continue;
    }
    std::filesystem::remove("null", ec);
    return true;
  }
}

void tivor_main(Session& s) {
  locate1(s, 16, 12);
  fcolor(s, 14);
  brdcolor(s, 2);
  dispstr(s, kBanner);
  static_cast<void>(await_ticks(s, 32));
  newstr(s);
  fcolor(s, 7);

  // A program killed while writing a file left its temporary behind.
  for (const char* dir : {".", "buf", "images", "lbr"}) remove_stale_temporaries(dir);
  reset_task(s);
  iniclass(s);
  abase(s);
  rewrin(s, 1, kStandingBuffer);
  flag_off(s);
  s.ctime1.itrace = 1;

  lpg(s, 3);
  lpg(s, 2);
  fcolor(s, 14);
  bkcolor(s, 1);
  cls(s);
  restpage(s, kPageFile);
  savewnd1(s);
  title_screen(s, std::string(7, ' ') + std::string(kProductTitle) + std::string(7, ' '));

  int choice = 1;
  int last_choice = 1;  // the item the menu starts at after Esc and "continue"
  MainMenu menu{s};
  for (;;) {
    flag_off(s);
    // Trace is switched off whenever the menu comes back, except straight after the trace menu:
    // the mode chosen there must last until the next run.
    if (!menu.keep_trace) s.ctime1.itrace = 1;
    menu.keep_trace = false;
    restwnd1(s);
    clswnd2(s);
    clswnd3(s);
    brdcolor(s, 2);
    show_notice(s, " Esc: exit menu (exit, exit&save, continue)");
    table_menu(s, {.title = "main menu", .helpfile = kHelpFile}, kMainItems, choice);
    clswnd3(s);
    if (choice == 0) {
      if (exit_menu(s, 1)) return;
      choice = last_choice;
    } else {
      last_choice = choice;
      call_item(kMainItems, choice, menu);
    }
  }
}

}  // namespace tivor
