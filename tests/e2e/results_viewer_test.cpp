// The results viewer driven end to end on the diffusion samples: every picture type kept as a
// reference picture, the checker's view, a film written into a library, played as a movie and
// converted by gfview, and the line table written to a file.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "e2e/session_runner.hpp"
#include "host/palette.hpp"

namespace tivor::e2e {
namespace {

namespace fs = std::filesystem;

const std::string kMethod = item(3), kInitialData = item(4), kPrepare = item(5), kGo = item(6),
                  kResults = item(7), kChecker = item(11);

// Results-menu items.
const std::string kOptions = item(1), kBoundaries = item(2), kMesh = item(3), kVelocities = item(4),
                  kLines = item(5), kZones = item(6), kGraph = item(7), kTable = item(8),
                  kHistory = item(9), kLibrarian = item(10), kMovie = item(11), kAddMesh = item(12),
                  kMulti = item(14), kTracks = item(15), kPrograph = item(16);

// The class and method, sample k of examples/dif in name order (1 coupled, 2 cylinder,
// 3 square, 4 two_regions) opened, prepared, and run for n more steps.
std::string sample_run(int k, int n) {
  std::string keys =
      std::string(kStart) + kChooseDiffusion + kMethod + "<Enter>" + kInitialData + "<Down><Enter>";
  for (int i = 1; i < k; ++i) keys += "<Right>";
  return keys + "<Enter><Esc><Esc>" + kPrepare + "<Enter><Enter><Enter>" + kGo + std::to_string(n) +
         "<Enter>";
}

class ResultsViewer : public Session {
 protected:
  void SetUp() override {
    Session::SetUp();
    fs::create_directories(work_ / "dif");
    fs::create_directories(work_ / "lbr");
    for (const auto& f : fs::directory_iterator(fs::path(TIVOR_SOURCE_DIR) / "examples" / "dif")) {
      fs::copy_file(f.path(), work_ / "dif" / f.path().filename());
    }
  }
};

// The canvas colour shown at canvas point (x, y) (the screen swaps 0 and 15).
int colour_at(const RgbImage& im, int x, int y) {
  int c = 0;
  while (c < 16 && !(kConsolePalette[static_cast<size_t>(c)] == im.at(x - 1, y - 1))) ++c;
  return c == 0 ? 15 : c == 15 ? 0 : c;
}

// Points of canvas colour c (any but the background when c < 0) in x1..x2, y1..y2.
int count(const RgbImage& im, int c, int x1, int y1, int x2, int y2) {
  int n = 0;
  for (int y = y1; y <= y2; ++y) {
    for (int x = x1; x <= x2; ++x) n += c < 0 ? colour_at(im, x, y) != 0 : colour_at(im, x, y) == c;
  }
  return n;
}

// A screenshot named after the sample.
std::string shot_of(const std::string& name) {
  return "<Shot:square_" + name + ">";
}

TEST_F(ResultsViewer, EveryPictureOfTheSquareSample) {
  const std::string script =
      sample_run(3, 50) + kResults + kMesh + shot_of("mesh") + kVelocities + shot_of("velocities") +
      kLines + shot_of("lines") + kZones + shot_of("zones") + kAddMesh + shot_of("add_mesh") +
      kGraph + shot_of("graph") + kMulti + shot_of("multi") + kPrograph + shot_of("prograph") +
      kBoundaries + item(1) + shot_of("borders") + "<Esc>" + kHistory + item(3) +
      shot_of("history") + "<Esc>" + kTracks + shot_of("tracks") + "<Esc>" +
      // The checker's view opens the same viewer on the prepared task.
      kChecker + "view<Enter>" + kMesh + shot_of("view") + "<Esc>e<Enter>" + kExit;
  ASSERT_EQ(run(script), 0) << stderr_;
  // Each picture was looked at and is kept as a reference.
  for (const char* name : {"mesh", "velocities", "lines", "zones", "add_mesh", "graph", "multi",
                           "prograph", "borders", "history", "tracks", "view"}) {
    expect_reference(std::string("square_") + name);
  }
  // What each shows, whatever its pixels: line pictures only white on the plot (points 49..464 by
  // 15..210, 49..344 with a scale), coloured ones their colours where the values say.
  const auto pic = [&](const char* name) { return *shot(std::string("square_") + name); };
  for (const char* name : {"mesh", "velocities", "borders", "graph", "history", "view"}) {
    const RgbImage im = pic(name);
    EXPECT_GT(count(im, 15, 50, 16, 463, 209), 20) << name;
    EXPECT_EQ(count(im, -1, 50, 16, 463, 209), count(im, 15, 50, 16, 463, 209)) << name;
  }
  // c1 falls from 1 at r = 0 to the right: the highest zone (magenta) on the left, the lowest
  // (blue) on the right, all 11 zones in the legend.
  for (const char* name : {"zones", "add_mesh"}) {
    const RgbImage im = pic(name);
    EXPECT_GT(count(im, 5, 50, 20, 60, 200), 1000) << name;
    EXPECT_GT(count(im, 1, 280, 20, 340, 200), 5000) << name;
    for (int i = 1; i <= 11; ++i) EXPECT_NE(colour_at(im, 356, 15 + 14 * i + 5), 0) << i;
  }
  // Level lines in several colours; the multi picture's conc1 from magenta and constant conc2 in
  // the middle zone (green); the prograph's blue base and green relief.
  const RgbImage lines = pic("lines"), multi = pic("multi"), prograph = pic("prograph");
  int colours = 0;
  for (int c = 1; c <= 14; ++c) colours += count(lines, c, 50, 16, 343, 209) > 0;
  EXPECT_GE(colours, 5);
  EXPECT_EQ(colour_at(multi, 14, 63), 5);
  EXPECT_EQ(colour_at(multi, 176, 63), 2);
  EXPECT_GT(count(prograph, 1, 50, 16, 463, 209), 1000);
  EXPECT_GT(count(prograph, 2, 50, 16, 463, 209), 1000);
}

TEST_F(ResultsViewer, HollowCylinderMirroredWithTwelveLevelsAndWholeLabels) {
  const auto shot_of = [](const std::string& name) { return "<Shot:cylinder_" + name + ">"; };
  const std::string script =
      sample_run(2, 5) + kResults + kMesh + shot_of("mesh") + kOptions + item(9) +
      "<Right><Enter>" + item(7) + "12<Enter>" + item(13) + "1 0 1 1 1 1<Enter><Esc>" + kMesh +
      shot_of("mirror") + kZones + shot_of("zones") + kMulti + shot_of("multi") + kHistory +
      item(3) + shot_of("history") + "<Esc>" + kOptions + item(2) + "-0.0125 0.0125<Enter><Esc>" +
      kGraph + shot_of("graph") + "<Esc>" + kExit;
  ASSERT_EQ(run(script), 0) << stderr_;
  for (const char* name : {"mesh", "mirror", "zones", "multi", "history", "graph"}) {
    expect_reference(std::string("cylinder_") + name);
  }
  // The mirrored wall 1 <= |r| <= 2 in the window -2..2 (points 49..464, the wall's top at 161):
  // both halves whole, nothing about the axis.
  const RgbImage mirror = *shot("cylinder_mirror");
  EXPECT_GT(count(mirror, 15, 55, 165, 150, 205), 500);
  EXPECT_GT(count(mirror, 15, 362, 165, 458, 205), 500);
  EXPECT_EQ(count(mirror, -1, 160, 165, 352, 205), 0);
  // 13 zones, each its own colour in the legend; the inner wall (c1 = 1) in the highest zone's,
  // the outer one (c1 = 0) in the lowest's (plot points 49..344).
  const RgbImage zones = *shot("cylinder_zones");
  std::set<int> swatches;
  for (int i = 1; i <= 13; ++i) swatches.insert(colour_at(zones, 356, 15 + 14 * i + 5));
  EXPECT_EQ(swatches.size(), 13u);
  EXPECT_FALSE(swatches.count(0) || swatches.count(15));
  EXPECT_EQ(colour_at(zones, 119, 190), colour_at(zones, 356, 15 + 14 * 13 + 5));
  EXPECT_EQ(colour_at(zones, 52, 190), colour_at(zones, 356, 15 + 14 + 5));
  // The history panel (points 171..317 by 18..108) carries its axis labels left of its plot.
  EXPECT_GT(count(*shot("cylinder_multi"), 15, 173, 20, 205, 100), 50);
}

TEST_F(ResultsViewer, SubregionsConditionsAndTheMirrorOnTwoRegions) {
  const auto shot_of = [](const std::string& name) { return "<Shot:two_regions_" + name + ">"; };
  const std::string script =
      sample_run(4, 50) + kResults + kBoundaries + item(2) + shot_of("subregions") +
      // check_conditions: the points where conc1 is held are the zone of 0.
      item(3) + "<Enter>" + shot_of("conditions") + "<Esc>" +
      // The mirror: zones on both sides of the axis r = 0.
      kOptions + item(9) + "<Right><Enter><Esc>" + kZones + shot_of("mirror") + "<Esc>" + kExit;
  ASSERT_EQ(run(script), 0) << stderr_;
  for (const char* name : {"subregions", "conditions", "mirror"}) {
    expect_reference(std::string("two_regions_") + name);
  }
}

TEST_F(ResultsViewer, FilmIsWrittenPlayedAndConverted) {
  const std::string script = sample_run(3, 50) + kResults +
                             // A new library "film", then the film: frames saved at every step,
                             // contour zones. A new library is empty, which the librarian says.
                             kLibrarian + item(1) + "film<Enter>y<Enter><Esc>" + kMovie +
                             "y1<Enter>" + kZones + "<Esc>" + kGo + "10<Enter>" +
                             // The library's contents, then the film played as a movie.
                             kResults + kLibrarian + item(3) + "<Text:contents><Enter>" + item(2) +
                             "<Enter>" + "<Esc><Esc>" + kExit;
  ASSERT_EQ(run(script), 0) << stderr_;
  ASSERT_TRUE(fs::exists(work_ / "lbr" / "film.lbr"));
  // Ten frames named after the data file, at the times of steps 52 to 61.
  EXPECT_TRUE(has_line("contents", "  1 square    0.260E+00")) << screen_text("contents");
  EXPECT_TRUE(has_line("contents", " 10 square    0.305E+00")) << screen_text("contents");

  const fs::path out = work_.parent_path() / "frames";
  ASSERT_EQ(spawn({TIVOR_GFVIEW, (work_ / "lbr" / "film.lbr").string(), out.string()}), 0)
      << stderr_;
  int frames = 0;
  for (const auto& f : fs::directory_iterator(out)) frames += f.path().extension() == ".png";
  EXPECT_EQ(frames, 10);
}

TEST_F(ResultsViewer, LineTableOfTheSteadyCylinderWall) {
  const std::string script =
      sample_run(2, 50) + kResults + kOptions +
      // The line across the wall at mid-height, with a point on every node of the 16 cells.
      item(4) + "1 0.5 2 0.5<Enter>" + item(5) + "16<Enter><Esc>" +
      // The table to a file.
      kTable + "<Right><Enter>table.txt<Enter><Esc>" + kExit;
  ASSERT_EQ(run(script), 0) << stderr_;
  std::ifstream in(work_ / "table.txt");
  ASSERT_TRUE(in.good());
  // The wall starts from its steady field, ln(2/r)/ln(2), and keeps it; on a mesh of h = 1/16
  // the nodal values of linear elements agree with it within h^2/(8 ln 2) = 2.8e-4.
  int lines = 0;
  for (float r = 0, v = 0; in >> r >> v; ++lines) {
    EXPECT_NEAR(v, std::log(2.0 / r) / std::log(2.0), 2.8e-4) << "r=" << r;
  }
  EXPECT_EQ(lines, 17);
}

}  // namespace
}  // namespace tivor::e2e
