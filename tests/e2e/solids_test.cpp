// The solids class driven end to end on its punch sample: chosen, prepared, run, interrupted
// with Esc, and viewed: the deformed mesh, the velocities, the zones of a stress, a history graph
// and a film written to a library.
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/session_runner.hpp"
#include "gfx/raster_reading.hpp"
#include "host/palette.hpp"

namespace tivor::e2e {
namespace {

namespace fs = std::filesystem;

const std::string kStatus = item(1), kMethod = item(3), kInitialData = item(4), kPrepare = item(5),
                  kGo = item(6), kResults = item(7);
// Results-menu items, options items.
const std::string kOptions = item(1), kMesh = item(3), kVelocities = item(4), kZones = item(6),
                  kHistory = item(9), kLibrarian = item(10), kMovie = item(11),
                  kFunction = item(18), kMeshMotion = item(3);

// The first lit point of column x from the top of the plot down.
int top_of(const RgbImage& im, int x) {
  int y = 15;
  while (y < 210 && colour_at(im, x, y) == 0) ++y;
  return y;
}

class Solids : public Session {
 protected:
  void SetUp() override {
    Session::SetUp();
    fs::create_directories(work_ / "sol");
    fs::create_directories(work_ / "lbr");
    for (const auto& f : fs::directory_iterator(fs::path(TIVOR_SOURCE_DIR) / "examples/sol")) {
      fs::copy_file(f.path(), work_ / "sol" / f.path().filename());
    }
  }
};

TEST_F(Solids, PunchSampleRunInterruptedAndViewed) {
  const auto shot_of = [](const std::string& name) { return "<Shot:punch_" + name + ">"; };
  const std::string script =
      // Class 1, "sol ", its first method, the explicit scheme; the sample punch.
      std::string(kStart) + item(2) + item(1) + kMethod + "<Text:methods><Enter>" + kInitialData +
      "<Down><Enter>" + sample_keys("sol", "punch") + "<Enter><Esc><Esc>" + kPrepare +
      "<Enter><Text:ready><Enter>" + kGo + "205<Enter>" + kStatus + "<Text:status><Enter>" +
      // A long run stopped with Esc.
      kGo + "100000<Enter><!Esc><Text:interrupted><Enter>" +
      // The mesh moved 40 times its displacements, the velocities, the zones of stress s33.
      kResults + kOptions + kMeshMotion + "40<Enter><Esc>" + kMesh + shot_of("mesh") + kVelocities +
      shot_of("velocities") + kFunction + "<Home><Down><Down><Right><Enter>" + kZones +
      shot_of("zones") +
      // The history of the plastic work under the punch edge.
      kHistory + item(3) + shot_of("history") + "<Esc>" +
      // A film of the zones into a new library, ten steps, and its contents.
      kLibrarian + item(1) + "film<Enter>y<Enter><Esc>" + kMovie + "y1<Enter>" + kZones + "<Esc>" +
      kGo + "10<Enter>" + kResults + kLibrarian + item(3) + "<Text:contents><Enter>" +
      "<Esc><Esc>" + kExit;
  ASSERT_EQ(run(script), 0) << stderr_;
  for (const char* name : {"explicit scheme", "implicit scheme 2"}) {
    EXPECT_NE(screen_text("methods").find(name), std::string::npos) << screen_text("methods");
  }
  EXPECT_TRUE(has_line("ready", "ready.")) << screen_text("ready");
  EXPECT_TRUE(has_line("interrupted", "solution interrupted")) << screen_text("interrupted");
  EXPECT_TRUE(has_line("status", " data file:./sol/punch.sol")) << screen_text("status");
  expect_like_reference("punch_zones", 48, 10, 345, 212);

  const RgbImage mesh = *shot("punch_mesh"), vel = *shot("punch_velocities"),
                 zones = *shot("punch_zones"), hist = *shot("punch_history");
  EXPECT_EQ(text_on(mesh, 176, 224, 5), "grid ");
  EXPECT_EQ(text_on(vel, 176, 224, 20), "velocity directions ");
  EXPECT_EQ(text_on(zones, 176, 224, 11), "stress s33 ");
  EXPECT_EQ(text_on(hist, 176, 224, 13), "Plastic work ");
  // The punch (the left fifth of the top) has pressed the top down; the rest bulges little.
  EXPECT_GT(top_of(mesh, 70) - top_of(mesh, 400), 5);
  // Compression under the punch (x < 0.2) in the lowest four of the eleven zones, the plate
  // beside it (x = 0.6) in the highest three, where it bulges up a little in tension.
  const auto zone = [&](int x, int y) {
    int i = 1;
    while (i <= 11 && colour_at(zones, 356, 15 + 14 * i + 5) != colour_at(zones, x, y)) ++i;
    return i;
  };
  EXPECT_LE(zone(60, 150), 4);
  EXPECT_GE(zone(300, 130), 9);
  // The levels run from compression to tension.
  EXPECT_NE(text_on(zones, 376, 33, 8).find('-'), std::string::npos) << text_on(zones, 376, 33, 8);
  EXPECT_EQ(text_on(zones, 376, 33 + 14 * 9, 8).find('-'), std::string::npos);
  EXPECT_GT(count(vel, -1, 50, 16, 463, 209), 200);
  // Ten frames in the library.
  EXPECT_TRUE(has_line("contents", "  1 punch")) << screen_text("contents");
  EXPECT_TRUE(has_line("contents", " 10 punch")) << screen_text("contents");
}

}  // namespace
}  // namespace tivor::e2e
