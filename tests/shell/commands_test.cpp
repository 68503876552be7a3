// Typed commands: words taken one by one from a typed line, the remark and command lines, words
// outside the list and the ways out; the trace hook's modes, breakpoints, the debugger prompt and
// its commands, the clock readings, and the reader left as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "core/trace_hook.hpp"
#include "shell/checker.hpp"
#include "shell/shell.hpp"
#include "shell/txta.hpp"
#include "support/screen_session.hpp"

namespace tivor::shell_test {
namespace {

std::string enters(int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += "<Enter>";
  return out;
}

class TxtaTest : public test::ScreenSession {
 protected:
  int ask(std::string_view commands, bool allowother = false) {
    index = -1;
    rc = txta(*s, index, commands, 3, "bad word", allowother, "p>");
    return index;
  }
  int index = -1;
  int rc = -1;
};

TEST_F(TxtaTest, WordsOfOneLineAnswerSuccessivePrompts) {
  // "GO" typed in upper case; "x" is not a command: the message, the rest of the line dropped,
  // a new prompt.
  host.script("g GO x<Enter>goo c<Enter>c<Enter>");
  EXPECT_EQ((std::vector<int>{ask("go g c"), ask("go g c"), ask("go g c")}),
            (std::vector<int>{2, 1, 3}));
  EXPECT_TRUE(rc == 0 && seen("bad word") && host.events.empty());
}

TEST_F(TxtaTest, AllowOtherLeavesTheWordForTheCaller) {
  host.line("a other");
  EXPECT_EQ((std::vector<int>{ask("a b c", true), ask("a b c", true), rc}),
            (std::vector<int>{1, 0, 0}));
  std::string word;
  int len = 0;
  readname(*s, word, 16, len, "");
  EXPECT_TRUE(word == "other" && !seen("bad word"));
}

// 25 blank lines in a row (a stuck key) open the exit menu with "exit&save" chosen first; a save
// that fails keeps the program at the exit menu.
TEST_F(TxtaTest, BlankLinesShowTheListAndTwentyFiveOpenTheExitMenu) {
  std::filesystem::create_directories("buf/tivor.buf");  // a directory: the save must fail
  iniclass(*s);
  host.script(enters(24) + "a<Enter>");
  EXPECT_TRUE(ask("a b c") == 1 && seen("a b c"));

  host.script(enters(25) + "<Right><Enter>b<Enter>");  // exit&save -> continue
  EXPECT_TRUE(ask("a b c") == 2 && seen("exit&save"));

  // exit&save fails: the message, then the menu again, where exit is chosen; "a" is never read.
  host.script(enters(25) + "<Enter><Enter><Left><Enter>a<Enter>");
  int status = -1;
  try {
    ask("a b c");
  } catch (const ProgramStop& stop) {
    status = stop.status;
  }
  EXPECT_EQ(status, 0) << "the program stops after the plain exit";
  EXPECT_TRUE(seen("rewri:can not write file buf/tivor.buf"));
}

TEST_F(TxtaTest, RemarkIsStoredPrintedAndReused) {
  for (const char* l : {"# Go Fast", "## ", "###"}) host.line(l);
  EXPECT_EQ(ask("go fast c"), 1);
  EXPECT_TRUE(field_str(s->remark) == "Go Fast" && seen("Go Fast"));
  EXPECT_TRUE(ask("go fast c") == 2 && host.events.empty());  // the rest of the remark line
}

TEST_F(TxtaTest, OnlyTypedCommandLinesGoToTheHost) {
  host.script("com ls -l Data<Enter> a<Enter>");  // a key for "strike any key"
  EXPECT_EQ(ask("a b c"), 1);
  EXPECT_TRUE(host.commands == std::vector<std::string>{"ls -l Data"} && seen(" strike any key"));

  // The same line read from a data file is just a word that is not a command.
  const std::string data = "com rm -rf x\r\nb\r\n";
  s->astime.bytes.assign(data.begin(), data.end());
  s->astime.pos = 0;
  readin(*s, 1, "&", 30, 0);
  EXPECT_TRUE(ask("a b c") == 2 && host.commands.size() == 1u);
}

TEST_F(TxtaTest, AbandonedInputReturnsOne) {
  host.press(key::kEsc);
  EXPECT_TRUE(ask("a b c") == 0 && rc == 1);
}

class DebuggerTest : public test::ScreenSession {
 protected:
  DebuggerTest() {
    debugger_install(*s);
    s->ctime1.itrace = 1;
  }
  std::string row25_name() const { return rtrim(row(25).substr(0, 20)); }
};

TEST_F(DebuggerTest, BreakpointNameTypedInUpperCaseStopsThere) {
  s->ctime1.itrace = 3;
  set_field(s->ctime1.modname1, "DIM");
  EXPECT_TRUE(rtmr(*s, "gsm") == 0 && s->ctime1.itrace == 3);  // runs on: no key is waited for
  host.line("g");
  EXPECT_TRUE(rtmr(*s, "dim") == 0 && s->ctime1.itrace == 2 && seen("\"dim\">"));
  host.line("g");  // "g" keeps debugging: the next routine stops too
  EXPECT_TRUE(rtmr(*s, "so3") == 0 && seen("\"so3\">") && host.events.empty());
}

TEST_F(DebuggerTest, GoRunsOnAndStillShowsEachRoutine) {
  host.line("go");
  EXPECT_TRUE(rtmr(*s, "test") == 0 && s->ctime1.itrace == 1);  // the built-in breakpoint

  locate1(*s, 7, 9);
  s->colors.fg = 14, s->colors.bg = 1;
  const Colors looks = s->colors;
  EXPECT_TRUE(rtmr(*s, "so3") == 0 && row25_name() == "so3");
  EXPECT_EQ(s->text.attr_at(1, 25), 3 * 16 + 0);
  EXPECT_EQ(std::memcmp(&s->colors, &looks, sizeof looks), 0);  // cursor and colours kept
  EXPECT_TRUE(rtmr(*s, "gs") == 0 && row25_name() == "gs");     // the longer name is cleared
}

TEST_F(DebuggerTest, QuitOrEscSetsTheFlagAndTellsTheRoutineToReturn) {
  for (int k : {int{'q'}, key::kEsc}) {
    flag_off(*s);
    s->ctime1.itrace = 2;
    host.script(k == 'q' ? "q<Enter>" : "<Esc>");
    EXPECT_TRUE(rtmr(*s, "dim") == 1 && iflag(*s) == 1 && s->ctime1.itrace == 1);
    EXPECT_EQ(rtmr(*s, "dip"), 1);  // with the flag up every routine returns at once
  }
}

TEST_F(DebuggerTest, EscDuringARunInterrupts) {
  host.polled.push_back(key::kEsc);
  host.press(' ');
  EXPECT_TRUE(rtmr(*s, "dim") == 0 && iflag(*s) == 1 && seen("solution interrupted"));
}

TEST_F(DebuggerTest, HelpResultsAndIncorrectCommand) {
  int opened = 0;
  s->up.arez = [&] { ++opened; };
  s->ctime1.itrace = 2;
  locate1(*s, 1, kRows);  // where the last message left the cursor
  host.script("h<Enter> zz<Enter>r g<Enter>");
  EXPECT_EQ(rtmr(*s, "dim"), 0);
  // Nothing of the prompt scrolls into the work area, and nothing of it stays after the run.
  for (const std::string& shown_then : screens) {
    size_t work_area_end = 0;
    for (int r = 0; r < 17; ++r) work_area_end = shown_then.find('\n', work_area_end) + 1;
    EXPECT_EQ(shown_then.substr(0, work_area_end).find("dim"), std::string::npos) << shown_then;
  }
  EXPECT_FALSE(shown("dim"));
  EXPECT_EQ(unseen({" *** debugger commands ****", "go    - go without debugging",
                    "rtmr:incorrect command"}),
            "");
  EXPECT_EQ(opened, 0);  // no task prepared
  s->cht.itask = kTaskPrepared;
  host.line("r g");
  EXPECT_TRUE(rtmr(*s, "dim") == 0 && opened == 1);
}

TEST_F(DebuggerTest, ClockReadings) {
  // Trace on: only the second reading; a blank name restarts both; trace off: none; debugging:
  // both.
  auto readings = [&](int itrace, double now, const char* name) {
    s->ctime1.itrace = itrace;
    host.now = now;
    EXPECT_EQ(rtmr(*s, name), 0);
    return std::pair(s->ctime1.rtim1, s->ctime1.rtim2);
  };
  s->ctime1.rtim1 = -1.0f;
  EXPECT_EQ(readings(0, 4.0, "dim"), std::pair(-1.0f, 4.0f));
  EXPECT_EQ(readings(0, 6.5, ""), std::pair(6.5f, 6.5f));
  EXPECT_EQ(readings(1, 9.0, "dim"), std::pair(6.5f, 6.5f));
  host.line("g");
  EXPECT_EQ(readings(2, 12.0, "dim"), std::pair(12.0f, 12.0f));
}

TEST_F(DebuggerTest, DataFileReaderIsRestoredAfterThePrompt) {
  s->crd.kontr = 1, s->crd.in = 30, s->crd.kterm = 0, s->crd.ip = 8, s->crd.inm = 12;
  set_field(s->crd.str, "cur=0.5 bet=0.3");
  const auto before = s->crd;
  s->ctime1.itrace = 2;
  host.line("g extra");
  EXPECT_TRUE(rtmr(*s, "dim") == 0 && std::memcmp(&s->crd, &before, sizeof before) == 0);
}

}  // namespace
}  // namespace tivor::shell_test
