// The window keeps up with the computation: the same scripted run (prepare the square sample and
// make 50 steps) in a window of SDL's dummy driver and headless, timed against each other.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "e2e/session_runner.hpp"

namespace tivor::e2e {
namespace {

namespace fs = std::filesystem;

class WindowPace : public Session {
 protected:
  // Seconds of one run of the script at keys_, in the window or headless; the exit status in rc.
  double timed(bool window, int& rc) {
    std::vector<std::string> args = {TIVOR_BINARY,    "--keys",    keys_.string(), "--shots",
                                     shots_.string(), "--workdir", work_.string()};
    if (!window) args.insert(args.begin() + 1, "--headless");
    const auto t0 = std::chrono::steady_clock::now();
    rc = spawn(args);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }

  fs::path keys_;
};

TEST_F(WindowPace, WindowedRunTakesAtMostAFifthLongerThanHeadless) {
  fs::create_directories(work_ / "dif");
  fs::copy_file(fs::path(TIVOR_SOURCE_DIR) / "examples/dif/square.dif", work_ / "dif/square.dif");
  // The class, its method, the sample (third in the data menu), prepared and run 50 steps.
  const std::string script = std::string(kStart) + kChooseDiffusion + item(3) + "<Enter>" +
                             item(4) + "<Down><Enter><Right><Right><Enter><Esc><Esc>" + item(5) +
                             "<Enter><Enter><Enter>" + item(6) + "50<Enter>" + item(1) +
                             "<Text:status><Enter>" + kExit;
  keys_ = work_.parent_path() / "pace.keys";
  std::ofstream(keys_) << script;
  setenv("SDL_VIDEODRIVER", "dummy", 1);

  // The best of three runs each way, interleaved, so that a busy machine hurts both alike.
  double headless = 1e9, window = 1e9;
  for (int i = 0; i < 3; ++i) {
    int rc = 0;
    headless = std::min(headless, timed(false, rc));
    ASSERT_EQ(rc, 0) << stderr_;
    ASSERT_TRUE(has_line("status", "time= 0.255E+00")) << screen_text("status");
    fs::remove(shots_ / "status.txt");
    // The video driver's libraries keep allocations to the end, which the leak checker of a
    // sanitized build would report as the program's own.
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    window = std::min(window, timed(true, rc));
    unsetenv("ASAN_OPTIONS");
    if (rc == 1) GTEST_SKIP() << "no offscreen window: " << stderr_;
    ASSERT_EQ(rc, 0) << stderr_;
    ASSERT_TRUE(has_line("status", "time= 0.255E+00")) << "the same run in the window";
    fs::remove(shots_ / "status.txt");
  }
  EXPECT_LE(window, 1.2 * headless) << "window " << window << " s, headless " << headless << " s";
  RecordProperty("window_s", std::to_string(window));
  RecordProperty("headless_s", std::to_string(headless));
}

}  // namespace
}  // namespace tivor::e2e
