// Pool sizes on the command line: nonsense refused with the usage, larger pools shown free.
#include <fstream>

#include "e2e/session_runner.hpp"

namespace tivor::e2e {
namespace {

TEST_F(Session, PoolSizesAreCheckedAndShownFree) {
  EXPECT_EQ(spawn({TIVOR_BINARY, "--headless", "--keys", "k", "--reals", "3999999"}), 2);
  EXPECT_NE(stderr_.find("usage: tivor"), std::string::npos) << stderr_;
  std::ofstream(work_ / "status.keys") << std::string(kStart) + item(1) + "<Text:status><Enter>";
  spawn({TIVOR_BINARY, "--headless", "--keys", (work_ / "status.keys").string(), "--shots",
         shots_.string(), "--workdir", work_.string(), "--reals", "12000000", "--integers",
         "3000000"});
  EXPECT_TRUE(has_line("status", "                    12000000 3000000")) << screen_text("status");
}

}  // namespace
}  // namespace tivor::e2e
