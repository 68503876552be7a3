// The diffusion class driven end to end: a sample prepared and run, Esc during a run, the status
// and the checker afterwards; the debugger at a breakpoint inside the scheme; data files with
// errors that leave no task behind.
#include <filesystem>
#include <fstream>

#include "e2e/session_runner.hpp"
#include "support/files.hpp"

namespace tivor::e2e {
namespace {

namespace fs = std::filesystem;

// Main-menu items.
const std::string kStatus = item(1), kMethod = item(3), kInitialData = item(4), kPrepare = item(5),
                  kGo = item(6), kTrace = item(8), kChecker = item(11);

// open_data in the data-file menu, file k of the list (a grid of six columns), then leave the
// editor choice and the menu.
std::string open_data(int k) {
  std::string keys = kInitialData + "<Down><Enter>";
  for (int i = 1; i < k; ++i) keys += "<Right>";
  return keys + "<Enter><Esc><Esc>";
}
// The same for the sample square.dif.
const std::string kOpenSquare =
    kInitialData + "<Down><Enter>" + sample_keys("dif", "square") + "<Enter><Esc><Esc>";

// The class and its one method.
const std::string kSquareChosen = std::string(kStart) + kChooseDiffusion + kMethod + "<Enter>";

class Diffusion : public Session {
 protected:
  // The first line of the dump that starts with the text ("" when none does).
  std::string line_starting(const std::string& dump, const std::string& start) const {
    for (const std::string& l : screen(dump)) {
      if (l.rfind(start, 0) == 0) return l;
    }
    return "";
  }
};

TEST_F(Diffusion, SampleIsPreparedRunInterruptedContinuedAndChecked) {
  samples();
  const std::string script =
      kSquareChosen + kOpenSquare +
      // Prepare: the last moment check before the first step, then "ready.".
      kPrepare + "<Enter><Text:check><Enter><Text:ready><Enter>" +
      // 50 steps, then the status screen with its time line.
      kGo + "50<Enter>" + kStatus + "<Text:status><Enter>" +
      // A long run stopped with Esc at once; the task stays prepared and go continues.
      kGo + "100000<Enter><!Esc><Text:interrupted><Enter>" + kStatus + "<Text:stopped><Enter>" +
      kGo + "10<Enter>" + kStatus + "<Text:continued><Enter>" +
      // The checker's minmax lists both published functions.
      kChecker + "minmax<Enter><Text:minmax><Enter>e<Enter>" + kExit;
  ASSERT_EQ(run(script), 0) << stderr_;

  EXPECT_TRUE(has_line("check", "iconc1,iconc2")) << screen_text("check");
  EXPECT_TRUE(has_line("check", "      1      0"));
  EXPECT_TRUE(has_line("check", "last moment check: if necessary equations are on"));
  EXPECT_TRUE(has_line("check", "if not then check equation switches in initial data"));
  EXPECT_TRUE(has_line("ready", "ready.")) << screen_text("ready");

  // One step at the preparation and 50 more, each 0.005 long.
  EXPECT_TRUE(has_line("status", "time= 0.255E+00;  time step= 0.500E-02"))
      << screen_text("status");
  EXPECT_TRUE(has_line("status", " data file:./dif/square.dif"));
  EXPECT_TRUE(has_line("interrupted", "solution interrupted")) << screen_text("interrupted");
  EXPECT_TRUE(has_line("stopped", "time= 0.255E+00;")) << screen_text("stopped");
  EXPECT_TRUE(has_line("continued", "time= 0.305E+00;")) << screen_text("continued");

  const std::string conc1 = line_starting("minmax", "conc1");
  const std::string conc2 = line_starting("minmax", "conc2");
  ASSERT_FALSE(conc1.empty()) << screen_text("minmax");
  ASSERT_FALSE(conc2.empty());
  // c1 is held at 1 on the left side and has crept most of the way across; c2 is off.
  EXPECT_NE(conc1.find("0.1000E+01"), std::string::npos) << conc1;
  EXPECT_EQ(conc2.substr(0, 29), "conc2  0.0000E+00  0.0000E+00") << conc2;
}

TEST_F(Diffusion, DebuggerStopsAtBreakpointTypedInUpperCase) {
  samples();
  const std::string script =
      kSquareChosen + kOpenSquare +
      // trace & debug: breakpoint at DICON.
      kTrace + item(4) + "DICON<Enter>" +
      // The preparation reads the data and stops on entering the scheme.
      kPrepare + "<Enter><Enter><Text:stopped>" +
      // "m g" on one line: the checker opens and leaves on "g", and the prompt, whose line is
      // given back, takes "g" too and goes on to the next routine; then on without debugging.
      "m g<Enter><Text:back>go<Enter><Text:ready><Enter>" + kStatus + "<Text:status><Enter>" +
      kExit;
  ASSERT_EQ(run(script), 0) << stderr_;
  EXPECT_TRUE(has_line("stopped", "\"dicon\">")) << screen_text("stopped");
  EXPECT_TRUE(has_line("back", "\"dicon-end\">")) << screen_text("back");
  EXPECT_TRUE(has_line("ready", "ready.")) << screen_text("ready");
  EXPECT_TRUE(has_line("status", "time=")) << screen_text("status");
}

// A correct file with one line replaced.
std::string square_with(const std::string& from, const std::string& to) {
  std::string data = test::file_bytes(fs::path(TIVOR_SOURCE_DIR) / "examples/dif/square.dif");
  const size_t at = data.find(from);
  if (at != std::string::npos) data.replace(at, from.size(), to);
  return data;
}

TEST_F(Diffusion, DataFileErrorsLeaveNoTask) {
  struct Case {
    const char* file;
    std::string text;
    const char* report;  // a line of the report
  };
  const Case cases[] = {
      {"e1", square_with("symmetry=0 ", "symetry=0  "), "Value: symmetry parameter(1,2)"},
      {"e2", square_with("symmetry=0 ", "symmetry =0"), "Value: symmetry parameter(1,2)"},
      {"e3", square_with("concent1=1 ", "concent1=.5"), "Value: concent1, check keyword:concent1"},
      {"e4", square_with("fc1=0 ", "fc1=  "), "check keyword:fc1"},
      {"e5", square_with("rz=0 0  0 .5  0 1", "rz=0 0  0 0   0 0"), ""},
  };
  std::string script = kSquareChosen;
  for (const Case& c : cases) {
    std::ofstream(work_ / "dif" / (std::string(c.file) + ".dif")) << c.text;
  }
  for (int k = 1; k <= 5; ++k) {
    const std::string n = std::to_string(k);
    script += open_data(k) + kPrepare + "<Enter><Text:report" + n + "><Enter>" + kStatus +
              "<Text:status" + n + "><Enter>" + kGo + "<Text:go" + n + "><Enter>";
  }
  ASSERT_EQ(run(script + kExit), 0) << stderr_;
  for (int k = 1; k <= 5; ++k) {
    const std::string n = std::to_string(k);
    const std::string report = screen_text("report" + n);
    if (k < 5) {
      EXPECT_NE(report.find("Error in string number:"), std::string::npos) << report;
      EXPECT_NE(report.find(cases[k - 1].report), std::string::npos) << report;
    }
    // No task: empty pools, and go refuses.
    EXPECT_TRUE(has_line("status" + n, "                    4000000 1000000"))
        << screen_text("status" + n);
    EXPECT_TRUE(has_line("go" + n, " task is absent")) << screen_text("go" + n);
  }
}

}  // namespace
}  // namespace tivor::e2e
