// A run with --series: the film's frames and the last step of a run without a film written as
// .vtu files, listed with their times in the .pvd that VTK reads while the run goes on.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/session_runner.hpp"
#include "export/program_output.hpp"

namespace tivor::e2e {
namespace {

namespace fs = std::filesystem;

const std::string kInitialData = item(4), kPrepare = item(5), kGo = item(6), kResults = item(7);

using Series = Session;

TEST_F(Series, FramesAndLastStepsAreListedWithTheirTimes) {
  samples();
  const fs::path series = work_.parent_path() / "series";
  // square.dif (third sample), prepared and run 4 steps without a film (steps 2 to 5, a fixed
  // step of 0.005); then a film of every second step without saving (frames at 7 and 9).
  const std::string prepare = kPrepare + "<Enter><Enter><Enter>";
  const std::string script = std::string(kStart) + kChooseDiffusion + item(3) + "<Enter>" +
                             kInitialData + "<Down><Enter><Right><Right><Enter><Esc><Esc>" +
                             prepare + kGo + "4<Enter>" + kResults + item(11) + "n2<Enter><Esc>" +
                             kGo + "4<Enter>" + kExit;
  const fs::path keys = work_.parent_path() / "series.keys";
  std::ofstream(keys) << script;
  ASSERT_EQ(spawn({TIVOR_BINARY, "--headless", "--keys", keys.string(), "--shots", shots_.string(),
                   "--workdir", work_.string(), "--series", series.string()}),
            0)
      << stderr_;
  const std::string python = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
  int status = -1;
  const std::string out = test::output(python + " " TIVOR_SOURCE_DIR "/tests/export/read_back.py " +
                                           (series / "square.pvd").string(),
                                       status);
  if (status == 77) GTEST_SKIP() << out;
  ASSERT_EQ(status, 0) << out;
  std::istringstream lines(out);
  std::string word, file;
  std::vector<std::string> listed;
  double time = 0;
  for (int points = 0, cells = 0; lines >> word >> time >> file >> points >> cells;) {
    listed.push_back(file);
    EXPECT_NEAR(time, 0.005 * std::stoi(file.substr(7, 5)), 1e-6) << file;
    EXPECT_EQ(points, 289);  // the 16 by 16 cells of the square
    EXPECT_EQ(cells, 512);
  }
  EXPECT_EQ(listed,
            (std::vector<std::string>{"square_00005.vtu", "square_00007.vtu", "square_00009.vtu"}));
}

}  // namespace
}  // namespace tivor::e2e
