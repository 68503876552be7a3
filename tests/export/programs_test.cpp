// The programs as a user meets them: usage and version, and the installed program finding its
// help files when the working directory has none.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "e2e/session_runner.hpp"
#include "export/program_output.hpp"

namespace tivor::e2e {
namespace {

namespace fs = std::filesystem;

using Programs = Session;

TEST_F(Programs, EveryProgramTellsItsUsageAndVersion) {
  for (const std::string program : {TIVOR_BINARY, TIVOR_GFVIEW, TIVOR_EXPORT}) {
    const std::string name = fs::path(program).filename().string();
    int status = -1;
    EXPECT_NE(test::output(program + " --help", status).find("usage: " + name), std::string::npos);
    EXPECT_EQ(status, 0) << name;
    EXPECT_EQ(test::output(program + " --version", status), name + " 1.0.0\n");
    EXPECT_EQ(status, 0) << name;
  }
}

TEST_F(Programs, InstalledProgramFindsItsHelpFiles) {
  const fs::path prefix = work_.parent_path() / "prefix";
  int status = -1;
  test::output("cmake --install " TIVOR_BUILD_DIR " --prefix " + prefix.string(), status);
  ASSERT_EQ(status, 0);
  for (const char* file : {"bin/tivor", "bin/gfview", "bin/tivor-export",
                           "share/tivor/hlp/auto.hlp", "share/tivor/examples/dif/square.dif"}) {
    EXPECT_TRUE(fs::exists(prefix / file)) << file;
  }
  fs::remove_all(work_ / "hlp");
  const fs::path keys = work_.parent_path() / "help.keys";
  std::ofstream(keys) << kStart << "<Home><F1><Text:help><Enter>" << kExit;
  ASSERT_EQ(spawn({(prefix / "bin/tivor").string(), "--headless", "--keys", keys.string(),
                   "--shots", shots_.string(), "--workdir", work_.string()}),
            0);
  EXPECT_NE(screen_text("help").find("Shows the current class, method and initial data file"),
            std::string::npos);
}

}  // namespace
}  // namespace tivor::e2e
