// The window keeps up with the computation: the same scripted run (the square sample prepared
// and run 50 steps) in a window of SDL's dummy driver and headless, timed against each other.
#include <stdlib.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>

#include "e2e/session_runner.hpp"

namespace tivor::e2e {
namespace {

namespace fs = std::filesystem;

// Processor time (user and system) of the children waited for so far, in seconds: unlike the
// wall clock it does not grow when other programs share the machine.
double children_cpu_seconds() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  const auto sec = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6;
  };
  return sec(u.ru_utime) + sec(u.ru_stime);
}

TEST_F(Session, WindowedRunTakesAtMostAFifthLongerThanHeadless) {
  fs::copy_file(fs::path(TIVOR_SOURCE_DIR) / "examples/dif/square.dif", work_ / "dif/square.dif");
  const std::string keys = (work_.parent_path() / "pace.keys").string();
  std::ofstream(keys) << std::string(kStart) + kChooseDiffusion + item(3) + "<Enter>" + item(4) +
                             "<Down><Enter><Right><Right><Enter><Esc><Esc>" + item(5) +
                             "<Enter><Enter><Enter>" + item(6) + "50<Enter>" + kExit;
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  // The best of three runs each way, interleaved, timed by the processor time they take, so that
  // a busy machine hurts both alike. No leak check in the window: the video driver's libraries
  // keep memory to the end.
  double best[2] = {1e9, 1e9};
  for (int i = 0; i < 6; ++i) {
    setenv("ASAN_OPTIONS", i % 2 == 1 ? "detect_leaks=0" : "", 1);
    const double t0 = children_cpu_seconds();
    std::vector<std::string> args = {TIVOR_BINARY, "--keys", keys, "--workdir", work_.string()};
    if (i % 2 == 0) args.push_back("--headless");
    const int rc = spawn(args);
    const double took = children_cpu_seconds() - t0;
    if (i % 2 == 1 && rc == 1) GTEST_SKIP() << "no window under the dummy driver: " << stderr_;
    ASSERT_EQ(rc, 0) << stderr_;
    best[i % 2] = std::min(best[i % 2], took);
  }
  EXPECT_LE(best[1], 1.2 * best[0]) << "window " << best[1] << " s, headless " << best[0] << " s";
}

}  // namespace
}  // namespace tivor::e2e
