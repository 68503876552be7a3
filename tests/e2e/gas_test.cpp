// The gas-flow class driven end to end on its supersonic step sample: chosen, prepared, run,
// interrupted with Esc, and viewed: the zones of density and pressure, the velocities, a history
// graph and a film written to a library.
#include <algorithm>
#include <filesystem>
#include <string>

#include "e2e/session_runner.hpp"

namespace tivor::e2e {
namespace {

namespace fs = std::filesystem;

const std::string kStatus = item(1), kMethod = item(3), kInitialData = item(4), kPrepare = item(5),
                  kGo = item(6), kResults = item(7);
// Results-menu items.
const std::string kVelocities = item(4), kZones = item(6), kHistory = item(9),
                  kLibrarian = item(10), kMovie = item(11), kFunction = item(18);

class Gas : public Session {
 protected:
  void SetUp() override {
    Session::SetUp();
    fs::create_directories(work_ / "gs");
    fs::create_directories(work_ / "lbr");
    for (const auto& f : fs::directory_iterator(fs::path(TIVOR_SOURCE_DIR) / "examples/gs")) {
      fs::copy_file(f.path(), work_ / "gs" / f.path().filename());
    }
  }
};

TEST_F(Gas, StepSampleRunInterruptedAndViewed) {
  const auto shot_of = [](const std::string& name) { return "<Shot:step_" + name + ">"; };
  const std::string script =
      // Class 2, "gs  ", its first method, the euler scheme; the sample step.
      std::string(kStart) + item(2) + item(2) + kMethod + "<Text:methods><Enter>" + kInitialData +
      "<Down><Enter>" + sample_keys("gs", "step") + "<Enter><Esc><Esc>" + kPrepare +
      "<Enter><Text:ready><Enter>" + kGo + "150<Enter>" + kStatus + "<Text:status><Enter>" +
      // A long run stopped with Esc.
      kGo + "100000<Enter><!Esc><Text:interrupted><Enter>" +
      // The zones of the density (the first function) and of the pressure, the velocities.
      kResults + kZones + shot_of("density") + kFunction + item(5) + shot_of("pressure") +
      kVelocities + shot_of("velocities") +
      // The history of the density in front of the step.
      kHistory + item(3) + shot_of("history") + "<Esc>" +
      // A film of the density zones into a new library, ten steps, and its contents.
      kFunction + item(1) + kLibrarian + item(1) + "film<Enter>y<Enter><Esc>" + kMovie +
      "y1<Enter>" + kZones + "<Esc>" + kGo + "10<Enter>" + kResults + kLibrarian + item(3) +
      "<Text:contents><Enter>" + "<Esc><Esc>" + kExit;
  ASSERT_EQ(run(script), 0) << stderr_;
  EXPECT_NE(screen_text("methods").find("implicit velocity scheme"), std::string::npos);
  EXPECT_TRUE(has_line("ready", "ready.")) << screen_text("ready");
  EXPECT_TRUE(has_line("interrupted", "solution interrupted")) << screen_text("interrupted");
  EXPECT_TRUE(has_line("status", " data file:./gs/step.gs")) << screen_text("status");
  expect_like_reference("step_density", 48, 10, 345, 212);
  expect_like_reference("step_pressure", 48, 10, 345, 212);

  const RgbImage density = *shot("step_density"), pressure = *shot("step_pressure"),
                 vel = *shot("step_velocities"), hist = *shot("step_history");
  EXPECT_EQ(text_on(density, 176, 224, 8) + text_on(pressure, 176, 224, 9) +
                text_on(vel, 176, 224, 20) + text_on(hist, 176, 224, 8),
            "density pressure velocity directions density ");
  EXPECT_GT(count(vel, -1, 50, 16, 463, 209), 200);
  // The zone (1 lowest .. 11 highest) of a point by the colours of the legend.
  const auto zone = [](const RgbImage& im, int x, int y) {
    int i = 1;
    while (i <= 11 && colour_at(im, 356, 15 + 14 * i + 5) != colour_at(im, x, y)) ++i;
    return i;
  };
  // The gas piles up in front of the step (x = 0.45, y = 0.1): highest density and pressure;
  // the inflow far above it (x = 0.1, y = 0.8) is still at its own density 1.4, the second
  // zone; the expansion behind the step's corner (x = 1.8, y = 0.4) is thinner than the inflow.
  EXPECT_GE(std::min(zone(density, 92, 202), zone(pressure, 92, 202)), 10);
  EXPECT_EQ(zone(density, 58, 157) * 10 + zone(density, 224, 182), 21);
  EXPECT_LE(zone(pressure, 224, 182), 2);
  // Ten frames in the library.
  EXPECT_TRUE(has_line("contents", "  1 step") && has_line("contents", " 10 step"));
}

}  // namespace
}  // namespace tivor::e2e
