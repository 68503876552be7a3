// RTMR: the trace modes, breakpoints, the debugger prompt and its commands, the clock readings,
// and the reader left as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/trace_hook.hpp"
#include "shell/checker.hpp"
#include "support/screen_session.hpp"

namespace tivor::shell_test {
namespace {

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
  EXPECT_EQ(rtmr(*s, "gsm"), 0);  // runs on: no key is waited for
  EXPECT_EQ(s->ctime1.itrace, 3);
  host.line("g");
  EXPECT_EQ(rtmr(*s, "dim"), 0);
  EXPECT_EQ(s->ctime1.itrace, 2);
  EXPECT_TRUE(seen("\"dim\">"));
  host.line("g");  // "g" keeps debugging: the next routine stops too
  EXPECT_EQ(rtmr(*s, "so3"), 0);
  EXPECT_TRUE(seen("\"so3\">"));
  EXPECT_TRUE(host.events.empty());
}

TEST_F(DebuggerTest, GoRunsOnAndStillShowsEachRoutine) {
  host.line("go");
  EXPECT_EQ(rtmr(*s, "test"), 0);  // the built-in breakpoint
  EXPECT_EQ(s->ctime1.itrace, 1);

  locate1(*s, 7, 9);
  s->colors.fg = 14;
  s->colors.bg = 1;
  const Colors looks = s->colors;
  EXPECT_EQ(rtmr(*s, "so3"), 0);
  EXPECT_EQ(row25_name(), "so3");
  EXPECT_EQ(s->text.attr_at(1, 25), 3 * 16 + 0);
  EXPECT_EQ(std::memcmp(&s->colors, &looks, sizeof looks), 0);  // cursor and colours kept
  EXPECT_EQ(rtmr(*s, "gs"), 0);
  EXPECT_EQ(row25_name(), "gs");  // the longer name before it is cleared
}

TEST_F(DebuggerTest, QuitOrEscSetsTheFlagAndTellsTheRoutineToReturn) {
  for (int k : {int{'q'}, key::kEsc}) {
    flag_off(*s);
    s->ctime1.itrace = 2;
    host.press(k);
    if (k == 'q') host.press(key::kEnter);
    EXPECT_EQ(rtmr(*s, "dim"), 1);
    EXPECT_TRUE(iflag(*s) == 1 && s->ctime1.itrace == 1);
    EXPECT_EQ(rtmr(*s, "dip"), 1);  // with the flag up every routine returns at once
  }
}

TEST_F(DebuggerTest, EscDuringARunInterrupts) {
  host.polled.push_back(key::kEsc);
  host.press(' ');
  EXPECT_EQ(rtmr(*s, "dim"), 0);
  EXPECT_TRUE(iflag(*s) == 1 && seen("solution interrupted"));
}

TEST_F(DebuggerTest, HelpResultsAndIncorrectCommand) {
  int opened = 0;
  s->up.arez = [&] { ++opened; };
  s->ctime1.itrace = 2;
  locate1(*s, 1, kRows);  // where the last message left the cursor
  host.line("h");
  host.press(' ');
  host.line("zz");
  host.line("r g");
  EXPECT_EQ(rtmr(*s, "dim"), 0);
  // Nothing of the prompt scrolls into the work area, and nothing of it stays after the run.
  for (const std::string& shown_then : screens) {
    size_t work_area_end = 0;
    for (int r = 0; r < 17; ++r) work_area_end = shown_then.find('\n', work_area_end) + 1;
    EXPECT_EQ(shown_then.substr(0, work_area_end).find("dim"), std::string::npos) << shown_then;
  }
  EXPECT_FALSE(shown("dim"));
  EXPECT_TRUE(seen(" *** debugger commands ****") && seen("go    - go without debugging"));
  EXPECT_TRUE(seen("rtmr:incorrect command"));
  EXPECT_EQ(opened, 0);  // no task prepared
  s->cht.itask = kTaskPrepared;
  host.line("r g");
  EXPECT_EQ(rtmr(*s, "dim"), 0);
  EXPECT_EQ(opened, 1);
}

TEST_F(DebuggerTest, ClockReadings) {
  s->ctime1.itrace = 0;
  s->ctime1.rtim1 = -1.0f;
  host.now = 4.0;
  EXPECT_EQ(rtmr(*s, "dim"), 0);
  EXPECT_TRUE(s->ctime1.rtim1 == -1.0f && s->ctime1.rtim2 == 4.0f);  // only the second reading
  host.now = 6.5;
  EXPECT_EQ(rtmr(*s, ""), 0);  // a blank name restarts both
  EXPECT_EQ(s->ctime1.rtim1, 6.5f);
  s->ctime1.itrace = 1;
  host.now = 9.0;
  EXPECT_EQ(rtmr(*s, "dim"), 0);
  EXPECT_EQ(s->ctime1.rtim2, 6.5f);
  s->ctime1.itrace = 2;
  host.now = 12.0;
  host.line("g");
  EXPECT_EQ(rtmr(*s, "dim"), 0);
  EXPECT_TRUE(s->ctime1.rtim1 == 12.0f && s->ctime1.rtim2 == 12.0f);
}

TEST_F(DebuggerTest, DataFileReaderIsRestoredAfterThePrompt) {
  s->crd.kontr = 1;
  s->crd.in = 30;
  s->crd.kterm = 0;
  s->crd.ip = 8;
  s->crd.inm = 12;
  set_field(s->crd.str, "cur=0.5 bet=0.3");
  const auto before = s->crd;
  s->ctime1.itrace = 2;
  host.line("g extra");
  EXPECT_EQ(rtmr(*s, "dim"), 0);
  EXPECT_EQ(std::memcmp(&s->crd, &before, sizeof before), 0);
}

}  // namespace
}  // namespace tivor::shell_test
