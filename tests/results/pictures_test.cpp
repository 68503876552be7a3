// The picture routines of the viewer on a prepared diffusion task: window and levels, positions,
// the current function, velocity arrows, line tables, the prograph's room, the pictures of a mesh
// without a prepared task and of two glued subregions.
#include "results/pictures.hpp"

#include <array>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "gfx/picture_records.hpp"
#include "gfx/raster_reading.hpp"
#include "mesh/locate.hpp"
#include "mesh/point_value.hpp"
#include "results/results_fixture.hpp"

namespace tivor::results_test {
namespace {

class PicturesTest : public ResultsTest {
 protected:
  void SetUp() override { ASSERT_TRUE(prepare(kSquare)); }

  int32_t n1() const { return s->cmesh.n1; }

  // The window the last picture set.
  std::array<float, 4> window() {
    std::array<float, 4> w{};
    int set = 0;
    getlimits(*s, w[0], w[1], w[2], w[3], set);
    EXPECT_EQ(set, kMark);
    return w;
  }
  // Points drawn inside the plot regions (points 25..464 by 15..210, graphs to 196), clear of
  // their edges (where the boundary, the axes and their ticks lie); and the regions whole.
  int inside() const { return count(55, 21, 458, 190); }
  int plot() const { return count(25, 15, 464, 196); }
};

TEST_F(PicturesTest, LevelsComeFromLimitsOrTheFieldAndAConstantFillsOneZone) {
  // A field constant to float rounding, at any scale: levels around it, none at it.
  for (const float scale : {1.0f, 1e-9f, 0.0f}) {
    std::vector<float> flat(10, 0.3f * scale);
    flat[3] *= 1 + 3e-6f;
    float value = 0;
    EXPECT_TRUE(constant_field(*s, flat.data(), 10, value) &&
                std::abs(value - flat[0]) <= 3e-6f * flat[0])
        << scale;
    for (int n : {3, 4}) {
      const std::vector<float> lev = setlim(*s, flat.data(), 10, n);
      ASSERT_EQ(lev.size(), size_t(n));
      EXPECT_TRUE(lev[(n - 1) / 2] < value && value < lev[(n + 1) / 2]) << scale << " " << n;
    }
  }
  std::vector<float> tiny = {1e-12f, 2e-12f};
  float value = 0;
  EXPECT_FALSE(constant_field(*s, tiny.data(), 2, value));
  std::vector<float> lev;

  const std::vector<float> ramp = {2, 5, 3, 4};
  lev = setlim(*s, ramp.data(), 4, 2);
  for (int i : {0, 1}) EXPECT_NEAR(lev[i], 3.0f + i, 1e-6) << i;

  s->cterm.rlim[0] = 10, s->cterm.rlim[1] = 20;
  lev = setlim(*s, ramp.data(), 4, 4);
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(lev[i], 12.0f + 2 * i, 1e-5) << i;

  // The constant field drawn: one zone, and the legend says so with the value.
  std::fill_n(reals(*s, s->cht.ipp[0]), n1(), 0.3f);
  s->cterm.rlim[0] = 0, s->cterm.rlim[1] = -1;
  linurc2(*s);
  EXPECT_GT(count(353, 15, 487, 200), 0);
}

TEST_F(PicturesTest, WindowIsTheSquareAroundTheNodesDoubledAndCentredWithTheMirror) {
  Positions p{{0.5f, 1.5f, 1.0f}, {0.0f, 0.5f, 0.25f}};
  lpg(*s, 1);
  tlim1(*s, p);
  EXPECT_EQ(window(), (std::array<float, 4>{0.5f, 1.5f, 0.0f, 1.0f}));

  // The mirror: centred on the axis, both halves whole (the farthest node lies 1.5 from it).
  s->cterm.isymg = 2;
  tlim1(*s, p);
  EXPECT_EQ(window(), (std::array<float, 4>{-1.5f, 1.5f, 0.0f, 3.0f}));

  // A window of the user's wins; an empty one (the default) does not.
  s->cterm.reg[0] = 2, s->cterm.reg[1] = 3, s->cterm.reg[2] = 4, s->cterm.reg[3] = 6;
  tlim1(*s, p);
  EXPECT_EQ(window(), (std::array<float, 4>{2.0f, 4.0f, 3.0f, 6.0f}));
  s->cterm.reg[2] = 2, s->cterm.isymg = 1;
  tlim1(*s, p);
  EXPECT_EQ(window(), (std::array<float, 4>{0.5f, 1.5f, 0.0f, 1.0f}));
}

TEST_F(PicturesTest, PositionsMoveByTheDisplacementsOnlyWhileTheTaskIsPrepared) {
  run(5);
  const Cmesh& c = s->cmesh;
  const float* rz = reals(*s, c.jrz);
  const float* dx = reals(*s, c.jdcr[2]);
  s->cterm.rmesh = 0.5f;
  Positions p = tlim(*s);
  ASSERT_EQ(p.x.size(), static_cast<size_t>(c.n1));
  for (int32_t i = 0; i < c.n1; ++i) {
    EXPECT_FLOAT_EQ(p.x[i], rz[2 * i] + 0.5f * dx[i]) << i;
    EXPECT_EQ(reals(*s, c.jdcr[4])[i], p.x[i]) << i;  // the viewer's work arrays hold them too
    EXPECT_EQ(reals(*s, c.jdcr[5])[i], p.y[i]) << i;
  }
  // The deformed mesh and its mirror image lie inside the automatic window.
  s->cterm.isymg = 2;
  lpg(*s, 1);
  p = tlim(*s);
  const auto w = window();
  for (int32_t i = 0; i < c.n1; ++i) {
    EXPECT_TRUE(-p.x[i] >= w[0] && p.x[i] <= w[1] && p.y[i] >= w[2] && p.y[i] <= w[3]) << i;
  }
  s->cterm.isymg = 1;

  // The checker's view: no task, the class arrays pointing at zeroed words at the free end, the
  // work arrays on top of the displacements. The mesh is drawn as generated and the
  // displacements are left alone.
  s->cht.itask = 0;
  const int64_t mark = s->csize.maxa;
  std::fill_n(reals(*s, mark), 2 * c.n1, 0.0f);
  s->cmesh.jdcr[2] = s->cmesh.jdcr[4] = static_cast<int32_t>(mark);
  s->cmesh.jdcr[3] = s->cmesh.jdcr[5] = static_cast<int32_t>(mark + c.n1);
  p = tlim(*s);
  for (int32_t i = 0; i < c.n1; ++i) {
    EXPECT_EQ((std::array{p.x[i], reals(*s, mark)[i]}), (std::array{rz[2 * i], 0.0f}));
  }
  for (auto* picture : {linur2, lline2, lmesh, lspeed2, lgran1, linurc2, lling, grapr2}) {
    picture(*s);
    EXPECT_GT(plot(), 0);
  }

  // Class arrays outside the pool are not touched either.
  s->cmesh.jdcr[2] = s->cmesh.jdcr[4] = kPoolReals - 2, s->cht.itask = kTaskPrepared;
  p = tlim(*s);
  EXPECT_EQ(p.x[3], rz[6]);
  lspeed2(*s);
}

TEST_F(PicturesTest, FunctionNumberIsClampedAndAFieldOutsideThePoolGivesNone) {
  for (const auto& [given, clamped] : {std::pair{9, 2}, {-3, 1}}) {
    s->cterm.nf = given;
    EXPECT_EQ(current_function(*s), reals(*s, s->cht.ipp[clamped - 1]));
    EXPECT_EQ(s->cterm.nf, clamped);
  }
  EXPECT_EQ(function_title(*s, 1), "conc1");

  s->cht.ipp[0] = kPoolReals - 10;
  EXPECT_EQ(current_function(*s), nullptr);
  linur2(*s);  // the boundaries, no lines
  linurc2(*s);
  s->cht.nipp = 0;
  EXPECT_TRUE(current_function(*s) == nullptr && function_title(*s, 1).empty());
}

TEST_F(PicturesTest, NoArrowBelowTheSmallestSpeedAndTheScaleIsClamped) {
  // The velocities in real pool words at the free end.
  const int32_t jv = s->csize.maxa + 1000;
  float* v = reals(*s, jv);
  std::fill_n(v, 2 * n1(), 0.0f);
  s->cmesh.jdcr[0] = jv, s->cmesh.jdcr[1] = jv + n1();
  const int centre = 40;  // node (0.5, 0.5) of the 9 x 9 nodes
  ASSERT_NEAR(reals(*s, s->cmesh.jrz)[2 * centre], 0.5f, 1e-6);
  ASSERT_NEAR(reals(*s, s->cmesh.jrz)[2 * centre + 1], 0.5f, 1e-6);

  s->cterm.ispeed = 7, s->cterm.rspeed = 5;
  lspeed2(*s);
  EXPECT_EQ((std::array{float(s->cterm.ispeed), s->cterm.rspeed}), (std::array{2.0f, 1.0f}));
  EXPECT_EQ(inside(), 0);  // all at rest

  // Directions show every speed at the same length, so only the threshold hides one.
  s->cterm.rspeed = 0, v[centre] = 5e-11f;
  lspeed2(*s);
  EXPECT_TRUE(s->cterm.rspeed == 0.02f && inside() == 0) << s->cterm.rspeed;
  v[centre] = 2e-10f;
  lspeed2(*s);
  const int one = inside();
  EXPECT_GT(one, 0);

  // Velocities: the fastest arrow is rspeed times the window long.
  s->cterm.ispeed = 1, s->cterm.rspeed = 0.25f;
  v[centre] = 1;
  lspeed2(*s);
  EXPECT_GT(inside(), one);
  // The tip lies a quarter of the window (110 of 440 points) right of the node at (244, 112).
  EXPECT_TRUE(count(350, 108, 358, 118) > 0 && count(362, 21, 458, 190) == 0);
}

TEST_F(PicturesTest, LineTableToAFileHoldsTheValuesAtThePointsAndZeroOutsideTheMesh) {
  run(10);
  Cterm& t = s->cterm;
  t.rlin[0] = -0.25f, t.rlin[1] = 0.3f, t.rlin[2] = 1.25f, t.rlin[3] = 0.5f;
  t.ntabl = 6;
  press({key::kRight, key::kEnter});
  host.line("table.txt");
  prline(*s);

  std::ifstream in("table.txt");
  std::vector<std::pair<float, float>> rows;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    float x = 0, v = 0;
    ASSERT_TRUE(words >> x >> v) << line;
    EXPECT_EQ(line.size(), 24u) << line;
    rows.emplace_back(x, v);
  }
  ASSERT_EQ(rows.size(), 7u);
  const MeshLocator locator(*s);
  for (int i = 0; i <= 6; ++i) {
    const float r = -0.25f + i * 0.25f, z = 0.3f + i * 0.2f / 6;
    float expected = -1;
    const bool in_mesh = point_value(*s, locator, s->cht.ipp[0], r, z, expected);
    EXPECT_EQ(in_mesh, i >= 1 && i <= 5) << i;
    EXPECT_NEAR(rows[i].first, r, 1e-5) << i;  // r changes more than z along the line
    EXPECT_NEAR(rows[i].second, expected, 1e-5 * (1 + std::fabs(expected))) << i;
  }
  EXPECT_NEAR(rows[1].second, 1.0f, 1e-5);  // on the side held at 1
  EXPECT_GT(rows[2].second, rows[3].second);

  // The same line as a graph.
  lline2(*s);
  EXPECT_GT(inside(), 0);
}

TEST_F(PicturesTest, LineTableOnTheScreenPagesAndAFileThatCannotBeWrittenIsSaid) {
  record_screens();
  s->cterm.ntabl = 24;  // 25 lines: two pages
  press({key::kEnter, ' ', ' '});
  prline(*s);
  // (0, 0) on the side held at 1, and the last line but one on the second page.
  EXPECT_TRUE(seen("more...") && seen(" 0.00000E+00 0.10000E+01") && seen(" 0.95833E+00"));

  press({key::kRight, key::kEnter});
  host.line("no_such_dir/t.txt");
  press({' '});
  prline(*s);
  EXPECT_TRUE(seen("can not open file no_such_dir/t.txt") &&
              !std::filesystem::exists("no_such_dir"));

  host.press(key::kEsc);  // no output chosen: nothing at all
  prline(*s);
}

TEST_F(PicturesTest, PrographSetsItsDefaultsOnceAndNeedsRoomInThePool) {
  grapr2(*s);
  EXPECT_EQ((std::array{float(s->cterm.prograph_set), s->cterm.ud1}),
            (std::array{999999.f, 1.75f}));
  EXPECT_GT(count(26, 16, 463, 209, 2), 0);  // relief in colour 2

  s->cterm.ud1 = 1.0f;
  grapr2(*s);
  EXPECT_EQ(s->cterm.ud1, 1.0f);

  std::fill(s->frame.raster.begin(), s->frame.raster.end(), uint8_t{9});
  s->csize.maxa = s->csize.na - (4 * n1() + s->cmesh.n2) + 1;
  grapr2(*s);
  EXPECT_EQ(count_all(9), kCanvasW * kCanvasH);  // not a point drawn
}

TEST_F(PicturesTest, GraphAlongTheBoundaryUsesTheArcLengthWhenTheMeshHasNoParameter) {
  run(5);
  // The assembled mesh's jcsi is all zero: the arc length of the 32 boundary elements (4) is used,
  // and the empty interval shows all of it.
  lling(*s);
  const auto w = window();
  EXPECT_EQ(w[0], 0.0f);
  EXPECT_NEAR(w[1], 4.0f, 1e-5);
  EXPECT_GT(inside(), 0);

  s->cterm.rlig[0] = 1.0f, s->cterm.rlig[1] = 2.0f;
  s->cmesh.jcsi = 0;
  set_field(s->cls.funname[0], "held c1");
  lling(*s);
  EXPECT_EQ(window()[1], 2.0f);
  // Titled with the boundary function's name.
  EXPECT_EQ(test::read_raster_text(*s, 176, 224, 8), "held c1 ");
}

TEST_F(PicturesTest, AxisLabelsOfALineGraphOfANarrowRangeAreShownWhole) {
  s->cterm.rlim[0] = -0.0125f, s->cterm.rlim[1] = 0.0125f;  // long labels left of the plot
  gfopen(*s, "graph.gf");
  lline2(*s);
  gfclose(*s);
  int texts = 0;
  for (const test::Record& r : test::records(test::slurp("graph.gf"))) {
    // The labels, above the line of the graph's end points at 214.
    if (r.kind != 16 || r.v[1] / 50 > 210 || r.text.find_first_not_of(' ') == std::string::npos) {
      continue;
    }
    const int n = static_cast<int>(r.text.size());
    EXPECT_EQ(test::read_raster_text(*s, r.v[0] / 50, r.v[1] / 50, n), r.text);
    texts += r.text.find("0.01") != std::string::npos;
  }
  EXPECT_GE(texts, 2);
}

TEST_F(PicturesTest, HistoryPanelOfTheMultiPictureShowsItsAxisLabelsAndItsTitle) {
  run(12);
  s->cterm.imulti[2] = 0;  // the panel at points 333..479 by 18..108
  gfopen(*s, "multi.gf");
  multi2(*s);
  gfclose(*s);
  EXPECT_EQ(test::read_raster_text(*s, 333, 2, 17), "conc1 versus time");
  int xlabels = 0, ylabels = 0;
  for (const test::Record& r : test::records(test::slurp("multi.gf"))) {
    const int x = r.v[0] / 50, y = r.v[1] / 50;
    if (r.kind != 16 || r.text.empty() || x < 326 || y < 10 || y > 108) continue;
    const int n = static_cast<int>(r.text.size());
    EXPECT_TRUE(x > 333 && x + 8 * n <= 479 && y + 14 < 108) << r.text;
    EXPECT_EQ(test::read_raster_text(*s, x, y, n), r.text);
    ++(y >= 92 ? xlabels : ylabels);  // x labels 3 points under the plot (to 90)
  }
  EXPECT_TRUE(xlabels >= 1 && ylabels >= 2) << xlabels << " " << ylabels;
}

TEST_F(PicturesTest, MirrorDrawsTheZonesOnBothSidesOfTheAxis) {
  run(5);
  linurc2(*s);
  // The square 0..1 fills the narrowed region (points 49..344); nothing left of it.
  EXPECT_GT(count(54, 20, 340, 204), 0);
  s->cterm.isymg = 2;
  linurc2(*s);
  const int left = count(54, 20, 194, 204), rest = count(199, 20, 340, 204);
  EXPECT_NEAR(left, rest, 0.1 * rest);
}

// One quadrilateral, the unit square, carrying f = r: contoured as four triangles around its
// centre.
class QuadMeshTest : public ResultsTest {
 protected:
  void SetUp() override {
    Cmesh& c = s->cmesh;
    c.n1 = 4, c.n2 = 1, c.n3 = 4, c.m = 4, c.jrz = 0;
    const float rz[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    std::copy_n(rz, 8, reals(*s, 0));
    c.jj2 = 0, c.jj1 = 8;
    const int32_t km[12] = {1, 2, 2, 3, 3, 4, 4, 1, 1, 2, 3, 4};
    std::copy_n(km, 12, ints(*s, 0));
    s->csize.maxa = 20, s->csize.maxk = 12;
    for (int k = 0; k < 4; ++k) reals(*s, 10)[k] = rz[2 * k];
    s->cht.nipp = 1, s->cht.ipp[0] = 10, s->cht.itask = kTaskPrepared;
  }
};

TEST_F(QuadMeshTest, LevelLinesCrossTheSplitQuadrilateral) {
  s->cterm.rlim[0] = 0, s->cterm.rlim[1] = 1;
  s->cterm.nlinur = 1;  // the level 0.5
  linur2(*s);
  // The square fills the region of points 49..344 by 15..210: the line is the column at 196.
  EXPECT_TRUE(count(195, 20, 198, 205) > 180 &&
              count(54, 20, 192, 205) + count(201, 20, 340, 205) == 0);

  // Zones: two colours, split at the same column.
  s->cterm.nl = 1;
  linurc2(*s);
  EXPECT_GT(count(54, 20, 192, 205, 1), 138 * 185 * 9 / 10);
  EXPECT_GT(count(201, 20, 340, 205, 2), 139 * 185 * 9 / 10);
}

// Every picture type on the two glued subregions, as it is and mirrored.
TEST_F(ResultsTest, EveryPictureTypeDrawsOnTwoSubregions) {
  ASSERT_TRUE(prepare(kTwoRegions));
  s->cterm.subregion_bounds = 1, s->cterm.rlin[2] = 2, s->cterm.rlin[3] = 0.5f,
  s->cterm.imulti[2] = 0;
  run(12);
  for (s->cterm.isymg = 1; s->cterm.isymg <= 2; ++s->cterm.isymg) {
    for (auto* picture : {linur2, lline2, lmesh, lspeed2, lgran1, linurc2, lling, multi2, grapr2}) {
      std::fill(s->frame.raster.begin(), s->frame.raster.end(), uint8_t{0});
      picture(*s);
      EXPECT_GT(count(25, 15, 464, 196), 0) << s->cterm.isymg;
    }
  }
}

}  // namespace
}  // namespace tivor::results_test
