// Pool sizes on the command line: nonsense refused with the usage, larger pools shown free.
#include <fstream>
#include <utility>

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

TEST_F(Session, ShotsTakeTheWindowsShapeWhenAsked) {
  // The welcome screen, raw and at 800 by 600: the same colours at the same places of the page.
  std::ofstream(work_ / "w.keys") << "<Shot:raw><Enter>" << kExit;
  spawn({TIVOR_BINARY, "--headless", "--keys", (work_ / "w.keys").string(), "--shots",
         shots_.string(), "--workdir", work_.string()});
  std::ofstream(work_ / "w.keys") << "<Shot:wide><Enter>" << kExit;
  spawn({TIVOR_BINARY, "--headless", "--keys", (work_ / "w.keys").string(), "--shots",
         shots_.string(), "--workdir", work_.string(), "--shot-width", "800"});
  const auto raw = shot("raw"), wide = shot("wide");
  ASSERT_TRUE(raw && wide);
  EXPECT_TRUE(raw->w == 640 && raw->h == 350 && wide->w == 800 && wide->h == 600);
  for (const auto& [fx, fy] : {std::pair{0.5, 0.5}, {0.1, 0.1}, {0.5, 0.3}, {0.9, 0.8}}) {
    EXPECT_EQ(raw->at(int(fx * 640), int(fy * 350)), wide->at(int(fx * 800), int(fy * 600)))
        << fx << " " << fy;
  }
}

}  // namespace
}  // namespace tivor::e2e
