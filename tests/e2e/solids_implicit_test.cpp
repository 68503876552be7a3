// The implicit scheme of the solids class driven end to end on its static tube sample: chosen,
// prepared, a step interrupted with Esc during the iterations (no new time level, the task stays
// prepared), a whole step, and the radial stress in the viewer.
#include <filesystem>
#include <string>

#include "e2e/session_runner.hpp"
#include "gfx/raster_reading.hpp"

namespace tivor::e2e {
namespace {

namespace fs = std::filesystem;

const std::string kStatus = item(1), kGo = item(6);

class SolidsImplicit : public Session {
 protected:
  void SetUp() override {
    Session::SetUp();
    fs::copy(fs::path(TIVOR_SOURCE_DIR) / "examples/sol", work_ / "sol");
  }
};

TEST_F(SolidsImplicit, StaticTubeInterruptedThenSolvedAndViewed) {
  const std::string script =
      // Class 1, "sol ", its second method; the sample tube; prepare.
      std::string(kStart) + item(2) + item(1) + item(3) + "<Down><Enter>" + item(4) +
      "<Down><Enter>" + sample_keys("sol", "tube") + "<Enter><Esc><Esc>" + item(5) +
      "<Enter><Text:ready><Enter>" +
      // One step, stopped by an Esc that the solver's 30th look at the keyboard sees.
      kGo + "1<Enter><!Esc:30><Text:interrupted><Enter>" + kStatus + "<Text:stopped><Enter>" + kGo +
      "1<Enter>" + kStatus + "<Text:solved><Enter>" +
      // The zones of the radial stress, S11.
      item(7) + item(18) + "<Home><Down><Down><Enter>" + item(6) + "<Shot:tube_zones><Esc>" + kExit;
  ASSERT_EQ(run(script), 0) << stderr_;
  EXPECT_TRUE(has_line("ready", "ready.")) << screen_text("ready");
  // The Esc came while the solver's progress line stood on the message row; the step ended
  // without a new time level and the task stayed prepared.
  EXPECT_TRUE(has_line("interrupted", "solution interrupted")) << screen_text("interrupted");
  EXPECT_NE(screen_text("interrupted").find(" ggh="), std::string::npos);
  EXPECT_TRUE(has_line("stopped", "time= 0.000E+00;")) << screen_text("stopped");
  EXPECT_TRUE(has_line("solved", "time= 0.100E+01;")) << screen_text("solved");
  // The radial stress runs from the pressure inside (-0.1 GPa) to nothing outside: the lowest
  // of the eleven colours at the inner face, the highest at the outer one; the first of the ten
  // labels between them (in tenths of a GPa) lies near the pressure.
  const RgbImage zones = *shot("tube_zones");
  EXPECT_EQ(text_on(zones, 176, 224, 10), "stress S11");
  const auto level = [&](int x, int y) {
    int i = 1;
    while (i <= 11 && colour_at(zones, 356, 15 + 14 * i + 5) != colour_at(zones, x, y)) ++i;
    return i;
  };
  EXPECT_LE(level(50, 160), 2);
  EXPECT_GE(level(330, 160), 10);
  EXPECT_NEAR(std::stof(text_on(zones, 376, 33, 8)), -0.9, 0.1);
}

}  // namespace
}  // namespace tivor::e2e
