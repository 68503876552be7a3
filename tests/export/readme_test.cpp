// The programs as installed, and the README's way of getting results out as a user follows it:
// the menu steps of "Getting the results out" typed into the program started with --series, then
// its export commands run exactly as they stand in the README, from a tree laid out as
// scripts/run.sh leaves it.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/session_runner.hpp"
#include "export/program_output.hpp"
#include "support/files.hpp"

namespace tivor::e2e {
namespace {

namespace fs = std::filesystem;

// The command lines between the README's markers, without their indent.
std::vector<std::string> readme_commands() {
  std::istringstream readme(test::file_bytes(fs::path(TIVOR_SOURCE_DIR) / "README.md"));
  std::vector<std::string> commands;
  bool inside = false;
  for (std::string line; std::getline(readme, line);) {
    if (line.rfind("<!-- ", 0) == 0) inside = line.rfind("<!-- export commands", 0) == 0;
    if (inside && line.rfind("    ", 0) == 0) commands.push_back(line.substr(4));
  }
  return commands;
}

using Readme = Session;

TEST_F(Readme, InstalledProgramsFollowTheReadme) {
  samples();
  // Installed under a prefix, each program tells its usage and version.
  const fs::path top = work_.parent_path(), bin = top / "prefix/bin";
  int status = -1;
  test::output("cmake --install " TIVOR_BUILD_DIR " --prefix " + (top / "prefix").string(), status);
  for (const std::string name : {"tivor", "gfview", "tivor-export"}) {
    EXPECT_NE(test::output((bin / name).string() + " --help", status).find("usage: " + name),
              std::string::npos);
    EXPECT_EQ(test::output((bin / name).string() + " --version", status), name + " 1.0.0\n");
  }
  // The tree of the README: run/ as the working directory, without help files of its own,
  // build/ holding the programs.
  fs::create_directories(top / "build/app");
  fs::create_directories(top / "build/src/librarian");
  fs::create_symlink(bin / "tivor-export", top / "build/app/tivor-export");
  fs::create_symlink(bin / "gfview", top / "build/src/librarian/gfview");
  fs::create_directories(work_ / "lbr");
  fs::remove_all(work_ / "hlp");
  fs::rename(work_, top / "run");
  work_ = top / "run";
  // Help on the first item comes from the installed help files. square.dif prepared and run 50
  // steps (a fixed step of 0.005); then, as the README says: contour zones printed as "square";
  // limits 0 1; library "film"; a frame every 5 steps of 50 more; the state "square".
  const std::string script =
      std::string(kStart) + "<Home><F1><Text:help><Enter>" + kChooseDiffusion + item(3) +
      "<Enter>" + item(4) + "<Down><Enter>" + sample_keys("dif", "square") + "<Enter><Esc><Esc>" +
      item(5) + "<Enter><Enter><Enter>" + item(6) + "50<Enter>" + item(7) + item(6) + item(13) +
      "ysquare<Enter>" + item(1) + item(2) + "0 1<Enter><Esc>" + item(10) + item(1) +
      "film<Enter>y<Enter><Esc>" + item(11) + "y5<Enter><Esc>" + item(6) + "50<Enter>" + item(10) +
      "square<Enter>" + kExit;
  std::ofstream(top / "readme.keys") << script;
  ASSERT_EQ(spawn({(bin / "tivor").string(), "--headless", "--keys", (top / "readme.keys").string(),
                   "--shots", shots_.string(), "--workdir", work_.string(), "--series",
                   (work_ / "series").string()}),
            0)
      << stderr_;
  EXPECT_NE(screen_text("help").find("Shows the current class, method and initial data file"),
            std::string::npos);

  const std::vector<std::string> commands = readme_commands();
  ASSERT_EQ(commands.size(), 5u);
  for (const std::string& command : commands) {
    const std::string out = test::output("cd " + top.string() + " && " + command + " 2>&1", status);
    EXPECT_EQ(status, 0) << command << "\n" << out;
  }

  // The series: the last step of the run without a film, then the film's frames, each with its
  // time and the 289 nodes of the square.
  std::string said;
  const std::vector<std::string> listed =
      test::read_back((work_ / "series/square.pvd").string(), status, said)["dataset"];
  if (status == 77) GTEST_SKIP() << said;
  ASSERT_EQ(listed.size(), 3u * 11) << said;
  for (size_t k = 0; k < 11; ++k) {
    const int step = 51 + 5 * static_cast<int>(k);
    EXPECT_EQ(listed[3 * k + 1], "square_" + std::string(5 - std::to_string(step).size(), '0') +
                                     std::to_string(step) + ".vtu");
    EXPECT_NEAR(std::stod(listed[3 * k]), 0.005 * step, 1e-5);
    EXPECT_EQ(listed[3 * k + 2], "289");
  }
}

}  // namespace
}  // namespace tivor::e2e
