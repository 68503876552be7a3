// The plate with a round hole end to end: meshed by the advancing front with drawing on (the
// mesh shown at "grid.end" and again, smoothed, until Esc), prepared and run by the diffusion
// class, its mesh and its contour zones shown in the viewer. The pictures are kept as references
// and compared by what they show: the colours in regions and the label texts.
#include <string>

#include "e2e/session_runner.hpp"
#include "support/files.hpp"

namespace tivor::e2e {
namespace {

namespace fs = std::filesystem;

TEST_F(Session, PlateWithHoleDrawnWhileMeshedThenSolvedAndViewed) {
  std::string data = test::file_bytes(fs::path(TIVOR_SOURCE_DIR) / "examples/dif/with_hole.dif");
  data.replace(data.find("pic=0"), 5, "pic=1");
  test::write_file(work_ / "dif" / "plate.dif", data);
  // Main menu: method, initial data (the one file), prepare, go, results; then its mesh, zones.
  const std::string script =
      std::string(kStart) + kChooseDiffusion + item(3) + "<Enter>" + item(4) +
      "<Down><Enter><Enter><Esc><Esc>" + item(5) + "<Enter>" +
      // The closed front at "grid.end"; the smoothed mesh stays on a blank and goes on Esc; the
      // last check, then "ready.".
      "<Shot:plate_grid_end><Text:grid_end><Enter><Shot:plate_smoothed> <Esc><Enter>" +
      "<Text:ready><Enter>" + item(6) + "20<Enter>" + item(7) + item(3) + "<Shot:plate_mesh>" +
      item(6) + "<Shot:plate_zones><Esc>" + kExit;
  ASSERT_EQ(run(script), 0) << stderr_;
  EXPECT_TRUE(has_line("grid_end", "grid.end")) << screen_text("grid_end");
  EXPECT_TRUE(has_line("ready", "ready.")) << screen_text("ready");

  // While meshing: the plate (points 139..349 by 14..222) full of lines in the canvas colour 15
  // and its boundary in light red, the hole (centre 244, 118, radius 52) empty; smoothing moved
  // nodes.
  const auto grid_end = shot("plate_grid_end"), smoothed = shot("plate_smoothed");
  ASSERT_TRUE(grid_end && smoothed);
  for (const RgbImage* im : {&*grid_end, &*smoothed}) {
    EXPECT_EQ(count(*im, -1, 226, 100, 262, 136), 0);
    EXPECT_GT(count(*im, 15, 145, 20, 195, 60), 400);
    EXPECT_GT(count(*im, 12, 139, 14, 349, 222), 600);
  }
  EXPECT_NE(grid_end->rgb, smoothed->rgb);
  // The viewer: the mesh on the plot (49..464 by 15..210) and the zones of c1 (49..344), held at
  // 1 on the side z = 0 (below) and at 0 on z = 2: the highest zone below, the lowest above, and
  // the hole empty in both.
  const auto mesh = shot("plate_mesh"), zones = shot("plate_zones");
  ASSERT_TRUE(mesh && zones);
  EXPECT_EQ(count(*mesh, -1, 235, 95, 275, 130), 0);
  EXPECT_GT(count(*mesh, 15, 60, 20, 140, 60), 400);
  EXPECT_EQ(text_on(*mesh, 176, 224, 5), "grid ");
  EXPECT_EQ(count(*zones, -1, 175, 95, 215, 130), 0);
  EXPECT_EQ(count(*zones, colour_at(*zones, 356, 15 + 14 * 11 + 5), 60, 195, 110, 205), 51 * 11);
  EXPECT_EQ(count(*zones, colour_at(*zones, 356, 15 + 14 + 5), 60, 17, 110, 25), 51 * 9);
  EXPECT_EQ(text_on(*zones, 176, 224, 6), "conc1 ");
  for (const RgbImage* im : {&*mesh, &*zones}) EXPECT_EQ(text_on(*im, 44, 224, 5), "time=");
  expect_like_reference("plate_grid_end", 139, 14, 349, 222);
  expect_like_reference("plate_smoothed", 139, 14, 349, 222);
  expect_like_reference("plate_mesh", 49, 15, 464, 210);
  expect_like_reference("plate_zones", 49, 15, 464, 210);
}

}  // namespace
}  // namespace tivor::e2e
