// The README's way of getting results out, as a user follows it: the menu steps of "Getting the
// results out" typed into the program, then its export commands run exactly as they stand in the
// README, from a tree laid out as scripts/run.sh leaves it.
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
    if (line.rfind("<!-- export commands", 0) == 0) inside = true;
    if (line.rfind("<!-- end of export commands", 0) == 0) inside = false;
    if (inside && line.rfind("    ", 0) == 0) commands.push_back(line.substr(4));
  }
  return commands;
}

using Readme = Session;

TEST_F(Readme, ExportCommandsWorkAsWritten) {
  samples();
  // The tree: run/ as the program's working directory, build/ holding the programs.
  const fs::path top = work_.parent_path();
  fs::create_directories(top / "build/app");
  fs::create_directories(top / "build/src/librarian");
  fs::create_symlink(TIVOR_EXPORT, top / "build/app/tivor-export");
  fs::create_symlink(TIVOR_GFVIEW, top / "build/src/librarian/gfview");
  fs::create_directories(work_ / "lbr");
  fs::rename(work_, top / "run");
  work_ = top / "run";
  // square.dif prepared and run 50 steps; then, as the README says: contour zones printed as
  // "square"; limits 0 1; library "film"; a frame every 5 steps of 50 more; the state "square".
  const std::string script =
      std::string(kStart) + kChooseDiffusion + item(3) + "<Enter>" + item(4) +
      "<Down><Enter><Right><Right><Enter><Esc><Esc>" + item(5) + "<Enter><Enter><Enter>" + item(6) +
      "50<Enter>" + item(7) + item(6) + item(13) + "ysquare<Enter>" + item(1) + item(2) +
      "0 1<Enter><Esc>" + item(10) + item(1) + "film<Enter>y<Enter><Esc>" + item(11) +
      "y5<Enter><Esc>" + item(6) + "50<Enter>" + item(10) + "square<Enter>" + kExit;
  ASSERT_EQ(run(script), 0) << stderr_;

  const std::vector<std::string> commands = readme_commands();
  ASSERT_EQ(commands.size(), 5u);
  for (const std::string& command : commands) {
    int status = -1;
    const std::string out = test::output("cd " + top.string() + " && " + command + " 2>&1", status);
    EXPECT_EQ(status, 0) << command << "\n" << out;
  }
  const auto png = read_png_rgb((top / "square.png").string());
  ASSERT_TRUE(png);
  EXPECT_EQ(png->w, 1024);
  EXPECT_EQ(png->h, 768);
  for (const char* file : {"square.svg", "film.gif", "square.vtu", "square.msh"}) {
    EXPECT_GT(fs::file_size(top / file), 1000u) << file;
  }
}

}  // namespace
}  // namespace tivor::e2e
