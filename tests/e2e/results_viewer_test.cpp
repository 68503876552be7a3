// The results viewer driven end to end on the diffusion samples: what every picture type shows
// (its colours where the values say, its texts, the count of its lines), the checker's view, a
// film written into a library, played as a movie and converted by gfview, and the line table
// written to a file.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <tuple>
#include <vector>

#include "e2e/session_runner.hpp"

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

// The class and method, the sample of examples/dif opened, prepared, and run for n more steps.
std::string sample_run(const std::string& name, int n) {
  const std::string keys = std::string(kStart) + kChooseDiffusion + kMethod + "<Enter>" +
                           kInitialData + "<Down><Enter>" + sample_keys("dif", name);
  return keys + "<Enter><Esc><Esc>" + kPrepare + "<Enter><Enter><Enter>" + kGo + std::to_string(n) +
         "<Enter>";
}

class ResultsViewer : public Session {
 protected:
  void SetUp() override {
    Session::SetUp();
    fs::create_directories(work_ / "lbr");
    samples();
  }
};

// Rows (columns when !rows) of the plot, points 49..464 by 15..210, with more than 70% of their
// points of a colour that `is` takes.
int lines(const RgbImage& im, bool rows, const std::function<bool(int)>& is) {
  int n = 0;
  for (int a = rows ? 15 : 49; a <= (rows ? 210 : 464); ++a) {
    int hit = 0;
    for (int b = rows ? 49 : 15; b <= (rows ? 464 : 210); ++b) {
      hit += is(rows ? colour_at(im, b, a) : colour_at(im, a, b));
    }
    n += hit > (rows ? 416 : 196) * 7 / 10;
  }
  return n;
}
const auto lit = [](int c) { return c != 0; };

// The highest point of the curve of a graph in the columns 55, 85, .., 445 (above its x axis).
std::vector<int> curve(const RgbImage& im) {
  std::vector<int> tops;
  for (int x = 55; x <= 445; x += 30) {
    int y = 16;
    while (y < 195 && colour_at(im, x, y) == 0) ++y;
    tops.push_back(y);
  }
  return tops;
}

// For every zone colour, as many points left of the axis at point 196.5 of a narrowed plot as
// right of it, up to the two columns a mirrored band's edges may shift by on a mesh 49 points high.
void expect_mirrored(const RgbImage& im, const std::string& name) {
  for (int c = 1; c <= 14; ++c) {
    const int left = count(im, c, 50, 16, 196, 209), right = count(im, c, 197, 16, 343, 209);
    EXPECT_NEAR(left, right, 2 * 49) << name << " " << c;
    EXPECT_EQ(left > 0, right > 0) << name << " " << c;
  }
  EXPECT_GT(count(im, -1, 50, 16, 196, 209), 2000) << name;
}

// A screenshot named after the sample.
std::string shot_of(const std::string& name) {
  return "<Shot:square_" + name + ">";
}

TEST_F(ResultsViewer, EveryPictureOfTheSquareSample) {
  const std::string script =
      sample_run("square", 50) + kResults + kMesh + shot_of("mesh") + kVelocities +
      shot_of("velocities") + kLines + shot_of("lines") + kZones + shot_of("zones") +
      // print picture: y then Enter gives no name, which is said; a name writes the file.
      item(13) + "y<Enter><Text:no_name>" + item(13) + "ysq<Enter><Text:printed>" + kAddMesh +
      shot_of("add_mesh") + kGraph + shot_of("graph") + kMulti + shot_of("multi") + kPrograph +
      shot_of("prograph") + kBoundaries + item(1) + shot_of("borders") + "<Esc>" + kHistory +
      item(3) + shot_of("history") + "<Esc>" + kTracks + shot_of("tracks") + "<Esc>" +
      // The checker's view opens the same viewer on the prepared task.
      kChecker + "view<Enter>" + kMesh + shot_of("view") + "<Esc>e<Enter>" +
      // write state says what it wrote.
      item(10) + "st<Enter><Text:stored>" + kExit;
  ASSERT_EQ(run(script), 0) << stderr_;
  EXPECT_TRUE(has_line("no_name", " no name given: no picture written")) << screen_text("no_name");
  for (const auto& [dump, what, file] :
       {std::tuple{"printed", "picture", "sq.gf"}, std::tuple{"stored", "state", "buf/st.buf"}}) {
    const std::string line = std::string(" ") + what + " written: " + file + ", " +
                             std::to_string(fs::file_size(work_ / file)) + " bytes";
    EXPECT_TRUE(has_line(dump, line)) << screen_text(dump);
  }
  // A whole screen kept as a reference: a picture, its legend and the results menu.
  expect_reference("square_zones");
  std::map<std::string, RgbImage> pic;
  for (const char* name : {"mesh", "velocities", "lines", "zones", "add_mesh", "graph", "multi",
                           "prograph", "borders", "history", "tracks", "view"}) {
    const auto im = shot(std::string("square_") + name);
    ASSERT_TRUE(im) << name;
    pic[name] = *im;
    // Each says when and what it is under its plot.
    EXPECT_EQ(text_on(*im, 44, 224, 15), "time= 0.255E+00") << name;
  }
  for (const auto& [name, title] :
       std::map<std::string, std::string>{{"mesh", "grid"},
                                          {"velocities", "velocity directions"},
                                          {"lines", "conc1"},
                                          {"zones", "conc1"},
                                          {"add_mesh", "conc1"},
                                          {"graph", "conc1"},
                                          {"prograph", "conc1"},
                                          {"borders", "borders"},
                                          {"history", "conc1 versus time"},
                                          {"tracks", "tracks"},
                                          {"view", "grid"}}) {
    EXPECT_EQ(text_on(pic[name], 176, 224, title.size() + 1), title + " ") << name;
  }
  // Line pictures only white on the plot (points 49..464 by 15..210).
  for (const char* name : {"mesh", "velocities", "borders", "graph", "history", "view"}) {
    EXPECT_GT(count(pic[name], 15, 50, 16, 463, 209), 20) << name;
    EXPECT_EQ(count(pic[name], -1, 50, 16, 463, 209), count(pic[name], 15, 50, 16, 463, 209))
        << name;
  }
  // The 16 x 16 cells: 17 grid lines each way, the same in the checker's view; the borders are
  // the square's sides; the markers move along z = const on 16 tracks.
  EXPECT_EQ(lines(pic["mesh"], true, lit) * 100 + lines(pic["mesh"], false, lit), 1717);
  EXPECT_EQ(pic["view"].rgb, pic["mesh"].rgb);
  EXPECT_EQ(lines(pic["borders"], true, lit) * 100 + lines(pic["borders"], false, lit), 202);
  const auto track = [](int c) { return c != 0 && c != 15; };
  EXPECT_EQ(lines(pic["tracks"], true, track), 16);
  // c1 falls along the graph's line from (0, 0) to (1, 1) and rises in time at the history point.
  const std::vector<int> falls = curve(pic["graph"]), rises = curve(pic["history"]);
  EXPECT_TRUE(std::is_sorted(falls.begin(), falls.end(), std::less_equal<>()));
  EXPECT_TRUE(std::is_sorted(rises.begin(), rises.end(), std::greater_equal<>()));
  EXPECT_GT(falls.back() - falls.front(), 150);
  EXPECT_GT(rises.front() - rises.back(), 150);
  // c1 falls from 1 at r = 0 to the right: the highest zone (magenta) on the left, the lowest
  // (blue) on the right; all 11 zones in the legend, whose 10 levels step evenly up to one step
  // below the largest value, 1.
  for (const char* name : {"zones", "add_mesh"}) {
    const RgbImage& im = pic[name];
    EXPECT_GT(count(im, 5, 50, 20, 60, 200), 1000) << name;
    EXPECT_GT(count(im, 1, 280, 20, 340, 200), 5000) << name;
    for (int i = 1; i <= 11; ++i) EXPECT_NE(colour_at(im, 356, 15 + 14 * i + 5), 0) << i;
    std::vector<double> levels;
    for (int i = 0; i < 10; ++i) levels.push_back(std::stod(text_on(im, 376, 33 + 14 * i, 8)));
    for (int i = 1; i < 10; ++i)
      EXPECT_NEAR(levels[i] - levels[i - 1], levels[1] - levels[0], 2e-3);
    EXPECT_NEAR(levels[9] + (levels[1] - levels[0]), 1.0, 2e-3);
  }
  // Level lines in several colours; the multi picture's conc1 from magenta and constant conc2 in
  // the middle zone (green); the prograph's blue base and green relief.
  int colours = 0;
  for (int c = 1; c <= 14; ++c) colours += count(pic["lines"], c, 50, 16, 343, 209) > 0;
  EXPECT_GE(colours, 5);
  EXPECT_EQ(colour_at(pic["multi"], 14, 63), 5);
  EXPECT_EQ(colour_at(pic["multi"], 176, 63), 2);
  EXPECT_GT(count(pic["prograph"], 1, 50, 16, 463, 209), 1000);
  EXPECT_GT(count(pic["prograph"], 2, 50, 16, 463, 209), 1000);
}

TEST_F(ResultsViewer, HollowCylinderMirroredWithTwelveLevels) {
  const auto shot_of = [](const std::string& name) { return "<Shot:cylinder_" + name + ">"; };
  const std::string script = sample_run("cylinder", 5) + kResults + kMesh + shot_of("mesh") +
                             kOptions + item(9) + "<Right><Enter>" + item(7) + "12<Enter>" +
                             item(13) + "1 0 1 1 1 1<Enter><Esc>" + kMesh + shot_of("mirror") +
                             kZones + shot_of("zones") + kMulti + shot_of("multi") + kHistory +
                             item(3) + shot_of("history") + "<Esc><Esc>" + kExit;
  ASSERT_EQ(run(script), 0) << stderr_;
  // A whole screen kept as a reference: six panels, mirrored zones and a history graph.
  expect_reference("cylinder_multi");
  // The wall 1 <= r <= 2 of 16 x 8 cells fills the plot; mirrored in the window -2..2 (the
  // wall's top at 161) both halves are whole and nothing lies about the axis.
  EXPECT_EQ(
      lines(*shot("cylinder_mesh"), true, lit) * 100 + lines(*shot("cylinder_mesh"), false, lit),
      917);
  const RgbImage mirror = *shot("cylinder_mirror");
  EXPECT_GT(count(mirror, 15, 55, 165, 150, 205), 500);
  EXPECT_GT(count(mirror, 15, 362, 165, 458, 205), 500);
  EXPECT_EQ(count(mirror, -1, 160, 165, 352, 205), 0);
  // 13 zones, each its own colour in the legend; the inner wall (c1 = 1) in the highest zone's,
  // the outer one (c1 = 0) in the lowest's (plot points 49..344), on both sides of the axis.
  const RgbImage zones = *shot("cylinder_zones");
  std::set<int> swatches;
  for (int i = 1; i <= 13; ++i) swatches.insert(colour_at(zones, 356, 15 + 14 * i + 5));
  EXPECT_EQ(swatches.size(), 13u);
  EXPECT_FALSE(swatches.count(0) || swatches.count(15));
  EXPECT_EQ(colour_at(zones, 119, 190), colour_at(zones, 356, 15 + 14 * 13 + 5));
  EXPECT_EQ(colour_at(zones, 52, 190), colour_at(zones, 356, 15 + 14 + 5));
  expect_mirrored(zones, "cylinder");
  // The wall starts from its steady field: the history of c1 is flat.
  const std::vector<int> flat = curve(*shot("cylinder_history"));
  EXPECT_EQ(std::count(flat.begin() + 1, flat.end(), flat[1]), 13);
}

TEST_F(ResultsViewer, SubregionsConditionsAndTheMirrorOnTwoRegions) {
  const auto shot_of = [](const std::string& name) { return "<Shot:two_regions_" + name + ">"; };
  const std::string script =
      sample_run("two_regions", 50) + kResults + kBoundaries + item(2) + shot_of("subregions") +
      // check_conditions: the points where conc1 is held are the zone of 0.
      item(3) + "<Enter>" + shot_of("conditions") + "<Esc>" +
      // The mirror: zones on both sides of the axis r = 0.
      kOptions + item(9) + "<Right><Enter><Esc>" + kZones + shot_of("mirror") + "<Esc>" + kExit;
  ASSERT_EQ(run(script), 0) << stderr_;
  // The bound between the halves at r = 1 (point 256) from z = 0 to z = 1.
  const RgbImage bounds = *shot("two_regions_subregions");
  EXPECT_EQ(count(bounds, 15, 256, 113, 256, 209), 97);
  EXPECT_EQ(text_on(bounds, 176, 224, 8), "borders ");
  // c1 is held on both ends, r = 0 and r = 2: they stand apart from the highest zone between.
  const RgbImage held = *shot("two_regions_conditions");
  EXPECT_GT(count(held, 5, 70, 115, 320, 205), 20000);
  EXPECT_EQ(count(held, 5, 49, 115, 56, 205) + count(held, 5, 337, 115, 344, 205), 0);
  expect_mirrored(*shot("two_regions_mirror"), "two regions");
}

TEST_F(ResultsViewer, FilmIsWrittenPlayedAndConverted) {
  const std::string script = sample_run("square", 50) + kResults +
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
      sample_run("cylinder", 50) + kResults + kOptions +
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
