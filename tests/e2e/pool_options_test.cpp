// Pool sizes chosen on the command line: nonsense refused with the usage, and a session started
// with larger pools shows them free on its status screen.
#include <filesystem>
#include <fstream>

#include "e2e/session_runner.hpp"

namespace tivor::e2e {
namespace {

namespace fs = std::filesystem;

class PoolOptions : public Session {};

TEST_F(PoolOptions, SizesBelowTheDefaultsOrNotNumbersAreRefused) {
  for (const std::vector<std::string>& bad : {
           std::vector<std::string>{"--reals", "3999999"},
           std::vector<std::string>{"--integers", "2e6"},
           std::vector<std::string>{"--integers", "-1000000"},
           std::vector<std::string>{"--reals", "2147483647"},
           std::vector<std::string>{"--reals"},
       }) {
    std::vector<std::string> args = {TIVOR_BINARY, "--headless", "--keys", "none.keys"};
    args.insert(args.end(), bad.begin(), bad.end());
    EXPECT_EQ(spawn(args), 2) << bad[0];
    EXPECT_NE(stderr_.find("usage: tivor"), std::string::npos) << stderr_;
    EXPECT_NE(stderr_.find(bad[0]), std::string::npos) << stderr_;
  }
}

TEST_F(PoolOptions, StatusScreenShowsTheChosenPoolsFree) {
  const std::string script = std::string(kStart) + item(1) + "<Text:status><Enter>" + kExit;
  const fs::path keys = work_.parent_path() / "status.keys";
  std::ofstream(keys) << script;
  ASSERT_EQ(spawn({TIVOR_BINARY, "--headless", "--keys", keys.string(), "--shots", shots_.string(),
                   "--workdir", work_.string(), "--reals", "12000000", "--integers", "3000000"}),
            0)
      << stderr_;
  EXPECT_TRUE(has_line("status", "                    12000000 3000000")) << screen_text("status");
}

}  // namespace
}  // namespace tivor::e2e
