// The triangulation generators 1, 3 and 4 through the dispatcher: the properties every mesh they
// make must have over many regions, the placement rules of the boundary and the lattice, slits,
// quadrilaterals, the drawing pauses, and bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/session.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_fixture.hpp"
#include "support/mesh_properties.hpp"

namespace tivor::mesh_test {
namespace {

constexpr const char* kEnd = "turn=0 0 0 0 0 nyt=0 rzcor=0 skl=0 scale=1 1 rzcor=0\n";

using Contour = std::vector<double>;  // r, z pairs

std::string numbers(const Contour& v) {
  std::ostringstream o;
  o << std::fixed << std::setprecision(6);
  for (size_t k = 0; k < v.size(); ++k) o << v[k] << (k % 4 == 3 ? '\n' : ' ');
  return o.str();
}

// Generator 4 (or 3) data for one subregion; reverse_first gives the first contour reversed
// with a negative count.
std::string generator4(const std::vector<Contour>& cs, double del, int m = 3, int pic = 0,
                       bool reverse_first = false, int tipm = 4) {
  std::string t = "ntel=1 m=" + std::to_string(m) + " tipm=" + std::to_string(tipm) +
                  " pic=" + std::to_string(pic) + " nc=" + std::to_string(cs.size()) + "\n";
  for (size_t k = 0; k < cs.size(); ++k) {
    Contour c = cs[k];
    int ng = static_cast<int>(c.size() / 2);
    if (k == 0 && reverse_first) {
      Contour r;
      for (size_t i = c.size(); i >= 2; i -= 2) r.insert(r.end(), {c[i - 2], c[i - 1]});
      c = r;
      ng = -ng;
    }
    std::ostringstream d;
    d << std::fixed << std::setprecision(6) << del;
    t += "ng=" + std::to_string(ng) + " m=" + numbers(c) + " del=" + d.str() + "\n";
  }
  return t + kEnd;
}

double polygon_area(const Contour& c) {
  double s = 0;
  const size_t n = c.size() / 2;
  for (size_t i = 0; i < n; ++i) {
    const size_t j = (i + 1) % n;
    s += c[2 * i + 1] * c[2 * j] - c[2 * i] * c[2 * j + 1];  // x = z, y = r
  }
  return std::abs(s) / 2;
}

Contour rectangle(double r0, double z0, double r1, double z1) {
  return {r0, z0, r0, z1, r1, z1, r1, z0};
}

Contour circle(double rc, double zc, double rad, int n, bool clockwise) {
  Contour c;
  for (int k = 0; k < n; ++k) {
    const double a = (clockwise ? -1 : 1) * 2 * M_PI * k / n;
    c.insert(c.end(), {rc + rad * std::sin(a), zc + rad * std::cos(a)});
  }
  return c;
}

class Triangulation : public MeshTest {
 protected:
  // The mesh test and the properties of a sound mesh of a region with the given holes (and,
  // when given, of the given area and contours); the smallest angle and the mean ratio returned.
  test::MeshCheck check(int holes, double area = -1, const std::vector<Contour>& region = {}) {
    EXPECT_EQ(meshtest(*s), 0) << screen();
    const test::MeshCheck m = test::check_mesh(*s, holes, region);
    EXPECT_EQ(m.fault, "");
    // The final scaling rounds coordinates to single precision: far from the origin that moves
    // the area by a few 1e-5.
    if (area > 0) {
      EXPECT_NEAR(m.enclosed, area, 1e-4 * area);
    }
    return m;
  }
};

TEST_F(Triangulation, UnitSquareGivesSixteenBoundaryNodesAndAThreeByThreeLattice) {
  data(generator4({rectangle(0, 0, 1, 1)}, 0.25));
  ASSERT_EQ(mesh(*s), 0) << screen();
  EXPECT_EQ(c().n3, 16);
  ASSERT_EQ(c().n1, 25);
  int lattice = 0;
  for (int k = 1; k <= c().n1; ++k) {
    const double d = std::min({r(k), 1 - r(k), z(k), 1 - z(k)});
    if (d > 1e-6) {
      ++lattice;
      EXPECT_GE(d, 0.1225);
    }
  }
  EXPECT_EQ(lattice, 9);
  check(0, 1.0);
}

TEST_F(Triangulation, PropertiesHoldOverManyRegions) {
  const Contour square = rectangle(0, 0, 1, 1);
  const Contour notched_l = {0, 0, 0, 2, 1, 2, 1, 1, 2, 1, 2, 0, 1.25, 0, 1, .4, .75, 0};
  const Contour comb = {0, 0,   0, 3,   1,  3,   1,  2.2, .3, 2.2, .3, 1.8,
                        1, 1.8, 1, 1.2, .3, 1.2, .3, .8,  1,  .8,  1,  0};
  // Spikes whose tips leave pockets with no node well above their edges.
  const Contour spiky = {.6043,  .1002,  -.1238, .6605,  -.3243, .8220,  -.3446, .35,
                         -.4884, .25,    -.3747, .0274,  -.8005, -.0379, -.2857, -.2535,
                         .1131,  -.5935, .1902,  -.8629, .0704,  -.2813, .1466,  -.2595,
                         .2912,  -.5109, .1094,  -.1675, .3087,  -.3639, .3,     -.2596};
  struct Case {
    std::vector<Contour> cs;
    double del;
    int holes;
    double area;
    bool reverse;
  };
  const std::vector<Case> cases = {
      {{square}, 0.1, 0, 1, false},
      {{square}, 0.01, 0, 1, true},
      {{notched_l}, 0.1, 0, polygon_area(notched_l), false},
      {{notched_l}, 0.02, 0, polygon_area(notched_l), true},
      {{comb}, 0.05, 0, polygon_area(comb), false},
      {{rectangle(0, 0, 3, 2), circle(1.5, 1, .5, 40, false)}, 0.1, 1, -1, false},
      {{rectangle(0, 0, 4, 2), rectangle(.5, .5, 1.5, 1.5), circle(3, 1, .4, 24, true)},
       0.07,
       2,
       -1,
       false},
      {{circle(0, 0, 1, 64, false)}, 0.05, 0, -1, false},
      {{rectangle(0, 0, .02, 1)}, 0.002, 0, 0.02, false},
      {{rectangle(0, 0, .01, 1)}, 0.001, 0, 0.01, true},
      {{rectangle(100, 2000, 100.5, 2003)}, 0.05, 0, 1.5, false},
      {{spiky}, 0.05, 0, polygon_area(spiky), false},
  };
  for (const int tipm : {4, 3}) {
    for (size_t k = 0; k < cases.size(); ++k) {
      SCOPED_TRACE(std::to_string(tipm) + " " + std::to_string(k));
      const Case& cs = cases[k];
      data(generator4(cs.cs, cs.del, 3, 0, cs.reverse, tipm));
      ASSERT_EQ(mesh(*s), 0) << screen();
      const test::MeshCheck m = check(cs.holes, cs.area, cs.cs);
      // The quality pass keeps every angle above 30 degrees and the triangles near equilateral
      // where the contour's own corners allow it.
      if (k + 1 < cases.size()) {
        EXPECT_GT(m.smallest, 30.0);
        EXPECT_GT(m.mean_ratio, 0.93);
      }
    }
  }
}

TEST_F(Triangulation, QualityPassMakesNearEquilateralTrianglesOfTheCellSize) {
  // No contour angle is under 66 degrees here, so every triangle can be near equilateral: the
  // L's re-entrant corner is 270 degrees.
  const Contour l_shape = {0, 0, 0, 2, 1, 2, 1, 1, 2, 1, 2, 0};
  const struct {
    std::vector<Contour> cs;
    double del, area;
    int holes;
  } cases[] = {
      {{rectangle(0, 0, 1, 1)}, 0.025, 1, 0},
      {{rectangle(0, 0, 2, 2), circle(1, 1, .5, 70, true)}, 0.045, 4 - M_PI / 4, 1},
      {{l_shape}, 0.045, 3, 0},
      // A convex curved contour: rows that follow it shrink as they go in.
      {{circle(0, 0, 1, 314, false)}, 0.02, M_PI, 0},
  };
  for (const int tipm : {3, 4}) {
    for (const auto& cs : cases) {
      SCOPED_TRACE(std::to_string(tipm) + " " + std::to_string(cs.del));
      data(generator4(cs.cs, cs.del, 3, 0, false, tipm));
      ASSERT_EQ(mesh(*s), 0) << screen();
      const test::MeshCheck m = check(cs.holes, -1, cs.cs);
      // The cell size is kept: about two triangles a square cell.
      EXPECT_NEAR(c().n2 * cs.del * cs.del / (2 * cs.area), 1.0, 0.1);
      EXPECT_GE(m.smallest, 33.0);
      EXPECT_GE(m.worst_ratio, 0.7);
      // At a few thousand triangles a tenth of them touch the boundary. Generator 3's staggered
      // rows follow it and keep 0.98 even so; generator 4's lattice meets it at any distance.
      EXPECT_GE(m.mean_ratio, tipm == 3 ? 0.98 : 0.975);
      // The boundary nodes stay on the contours.
      const double tol = test::region_tolerance(cs.cs);
      for (int k = 1; k <= c().n3; ++k) {
        const int32_t n = edge(k)[0];
        ASSERT_LE(std::abs(test::region_distance(cs.cs, r(n), z(n))), tol) << n;
      }
    }
  }
}

// The contours of generator 3 or 4 data: the numbers after each "ng=... m=" up to "del=".
std::vector<Contour> contours_of(const std::string& text) {
  std::vector<Contour> cs;
  for (size_t at = text.find("ng="); at != std::string::npos; at = text.find("ng=", at + 1)) {
    const size_t from = text.find("m=", at) + 2, to = text.find("del=", at);
    std::istringstream in(text.substr(from, to - from));
    cs.emplace_back(std::istream_iterator<double>(in), std::istream_iterator<double>());
  }
  return cs;
}

TEST_F(Triangulation, NodesStayInsideContoursThatTheBoundaryChordsCut) {
  // A thin spike whose base has corners closer than a cell, and a hole whose corners the
  // boundary chords cut.
  const std::string spike =
      "ntel=1 m=3 tipm=4 pic=0 nc=1\n"
      "ng=32 m= 4.16111565 7.5884738 4.81640625 7.33749104 5.11961508\n"
      " 6.64371538 5.82609701 6.79944038 6.28835297 6.47307825 5.32186127\n"
      " 5.15894365 5.44061041 5.01162767 5.54489088 4.85373878 5.77108526\n"
      " 4.29563522 5.80615473 4.10969591 5.82347822 3.92127275 5.82289982\n"
      " 3.73205614 5.80442524 3.54374242 8.22589779 3.17601347 3.85914826\n"
      " 3.82727528 3.85913992 3.82722688 3.85913134 3.82717848 3.85897565\n"
      " 3.82635593 3.8587985 3.82553768 3.85860038 3.82472444 3.85838103\n"
      " 3.82391667 3.85836744 3.82386923 3.85835385 3.82382202 3.85834002\n"
      " 3.82377458 3.85832644 3.82372737 3.85831237 3.82368016 3.85829854\n"
      " 3.82363296 3.85828447 3.82358575 3.85827041 3.82353854 3.85825634\n"
      " 3.82349133 3.85824227 3.82344413 3.85822797 3.82339692 del= 0.31561777\n" +
      std::string(kEnd);
  const std::string holed =
      "ntel=1 m=3 tipm=3 pic=0 nc=2\n"
      "ng=4 m= 0.0275878906 -6.5625 0 2 2 2 2 -8 del= 0.473661423\n"
      "ng=-10 m= 0.994212866 1.39448881 0.764216065 1.316324 0.623604178\n"
      " 1.11824167 0.625682771 0.875334382 0.769663811 0.67968744 1.00096452\n"
      " 0.605469942 1.36058795 0.508762538 1.55857265 0.823027372 1.37462091\n"
      " 1.12375009 1.23111856 1.31974852 del= 0.473661423\n" +
      std::string(kEnd);
  // A hole whose corner the boundary chords cut, turned and smoothed ("rzcor") after the
  // generation: the smoothing would pull nodes into the pocket, inside the hole.
  const std::string smoothed =
      "ntel=1 m=3 tipm=3 pic=0 nc=2\n"
      "ng=4 m= 0 0 0 2 2 2 2 0 del= 0.447512537\n"
      "ng=12 m= 1.19656909 1.34207523 1.3408674 1.1986562 1.39423573\n"
      " 1.01526833 1.34942627 0.816816449 1.21169889 0.667075872 1.01697755\n"
      " 0.621474266 0.820720911 0.533246279 0.648976684 0.643934548\n"
      " 0.535850465 0.814082801 0.500233471 1.01527774 0.276211351 1.34260857\n"
      " 0.774914861 1.32402408 del= 0.447512537\n"
      "turn=0 0 0 0.5 0 nyt=0 rzcor=1 skl=0 scale=1 1 rzcor=0\n";
  // The same smoothed once the subregions are glued, after the mesh is stretched along r.
  std::string stretched = smoothed;
  stretched.replace(stretched.find("rzcor=1"), 7, "rzcor=0");
  stretched.replace(stretched.find("scale=1 1 rzcor=0"), 17, "scale=2 1 rzcor=1");
  for (const auto& [text, holes, moved, stretch] :
       {std::tuple{spike, 0, 0.0, 1.0}, std::tuple{holed, 1, 0.0, 1.0},
        std::tuple{smoothed, 1, 0.5, 1.0}, std::tuple{stretched, 1, 0.5, 2.0}}) {
    data(text);
    ASSERT_EQ(mesh(*s), 0) << screen();
    std::vector<Contour> cs = contours_of(text);
    for (Contour& c : cs) {
      for (size_t k = 0; k < c.size(); k += 2) c[k] = (c[k] + moved) * stretch;
    }
    check(holes, -1, cs);
  }
}

TEST_F(Triangulation, CornerCloserThanSevenTenthsOfACellIsSkipped) {
  // The corner (.55, 1) lies .05 after the corner (.5, 1), less than 0.7 of the cell .25.
  data(generator4({{0, 0, 0, 1, .5, 1, .55, 1.0, 1, 1, 1, 0}}, 0.25));
  ASSERT_EQ(mesh(*s), 0) << screen();
  for (int k = 1; k <= c().n1; ++k) {
    EXPECT_FALSE(std::abs(r(k) - .55f) < 1e-6 && std::abs(z(k) - 1) < 1e-6) << k;
  }
  check(0);
}

TEST_F(Triangulation, QuadrilateralsPairedWhenFourNodesAsked) {
  for (const int tipm : {4, 3}) {
    data(generator4({rectangle(0, 0, 1, 2)}, 0.1, 4, 0, false, tipm));
    ASSERT_EQ(mesh(*s), 0) << screen();
    EXPECT_EQ(c().m, 4);
    int quads = 0;
    for (int e = 1; e <= c().n2; ++e) quads += element(e)[2] != element(e)[3];
    // The lattice's right triangles pair well; near-equilateral ones rarely meet the
    // diagonal ratio.
    EXPECT_GT(quads, tipm == 4 ? c().n2 / 2 : 0) << tipm;
    check(0, 2.0);
  }
}

TEST_F(Triangulation, SubregionsGlueRefineSmoothAndMove) {
  // Generator 4 on [0, 1] x [0, 1] refined once and smoothed; generator 3 on the same square
  // shifted by 1 in r; glued along r = 1.
  const std::string sub = "ng=4 m=0 0 0 1 1 1 1 0 del=0.250000\n";
  data("ntel=2 m=3\ntipm=4 pic=0 nc=1 " + sub + "turn=0 0 0 0 0 nyt=1 rzcor=2\n" +
       "tipm=3 pic=0 nc=1 " + sub + "turn=0 0 0 1 0 nyt=0 rzcor=0\n" +
       "skl=1 m=-1 -1 3 3 scale=1 1 rzcor=1\n");
  ASSERT_EQ(mesh(*s), 0) << screen();
  EXPECT_EQ(count(c().jn1, 2), c().n1);
  int interfaces = 0;
  for (int k = 1; k <= c().n3; ++k) interfaces += edge(k)[1] < 0;
  EXPECT_EQ(interfaces, 2 * 8);  // the refined side has 8 edges, the other side 4 split in two
  EXPECT_GT(check(0, 2.0).smallest, 15.0);
}

TEST_F(Triangulation, DrawingPausesAtStartAndReady) {
  data(generator4({rectangle(0, 0, 1, 1)}, 0.25, 3, 1));
  keys(2);
  ASSERT_EQ(mesh(*s), 0) << screen();
  EXPECT_TRUE(host.events.empty());
  EXPECT_TRUE(seen("start"));
  EXPECT_TRUE(seen("ready"));
  EXPECT_TRUE(seen("n2="));
}

TEST_F(Triangulation, AdvancingFrontDrawsPausesAndShowsTheMeshUntilEsc) {
  data(generator4({rectangle(0, 0, 1, 1)}, 0.25, 3, 1, false, 3));
  host.press(' ');  // "grid.end"
  host.press(' ');  // the mesh stays
  host.press(key::kEsc);
  ASSERT_EQ(mesh(*s), 0) << screen();
  EXPECT_TRUE(host.events.empty());
  EXPECT_TRUE(seen("grid.end"));
  check(0, 1.0);
}

TEST_F(Triangulation, GeneratorOneSquareOfFourPointsGivesTwoTriangles) {
  data("ntel=1 m=3 tipm=1 pic=0 ng=4 m=0 0 0 1 1 1 1 0 n3=0 n4=0\n" + std::string(kEnd));
  ASSERT_EQ(mesh(*s), 0) << screen();
  EXPECT_EQ(c().n1, 4);
  EXPECT_EQ(c().n2, 2);
  check(0, 1.0);
}

TEST_F(Triangulation, ExamplesMeshSoundly) {
  // The samples' plate with a hole, notched L and slit,
  // whose 27 nodes keep two copies along it: its interface edges stay outer edges.
  const struct {
    const char* file;
    int holes;
    double area, angle;
    int interfaces;
  } cases[] = {{"dif/with_hole.dif", 1, -1, 30, 0},
               {"dif/notched_l.dif", 0, 2.9, 25, 0},
               {"dif/slit.dif", 0, 1.0, 0, 2}};
  for (const auto& e : cases) {
    SCOPED_TRACE(e.file);
    fresh();
    int unit = 0, interfaces = 0;
    ASSERT_EQ(readfrom(*s, unit, std::string(TIVOR_SOURCE_DIR) + "/examples/" + e.file), 0);
    ASSERT_EQ(mesh(*s), 0) << screen();
    EXPECT_GT(check(e.holes, e.area).smallest, e.angle);
    for (int k = 1; k <= c().n3; ++k) interfaces += edge(k)[1] < 0;
    EXPECT_EQ(interfaces, e.interfaces);
    EXPECT_TRUE(e.interfaces == 0 || c().n1 == 27);
  }
}

TEST_F(Triangulation, BadInputIsRefusedWithAMessage) {
  struct Bad {
    std::string text;
    std::string message;
  };
  const std::vector<Bad> bad = {
      {generator4({{0, 0, 1, 1}}, 0.1), "rdcontur:must be ng.gt.2"},
      {generator4({{0, 0, 1, 1, 0, 1, 1, 0}}, 0.1), "mesh4:contours cross"},
      {generator4({{0, 0, 0, 1, 1, 1, 0, 1, 1, 0}}, 0.1), "mesh4:two contour points coincide"},
      {generator4({rectangle(0, 0, 1, 1), rectangle(2, 2, 3, 3)}, 0.1),
       "mesh4:a contour lies outside the outer contour"},
      {generator4({rectangle(0, 0, 1, 1)}, 0.000001),
       "rdcontur:size of cell must be at least 1e-5"},
      {generator4({rectangle(0, 0, 1, 1)}, 0.00002), "need more memory"},
      {generator4({rectangle(0, 0, 1, 1)}, 0.0005, 3, 0, false, 3), "need more memory"},
      {generator4({rectangle(0, 0, 1, 1)}, 0.0005, 3, 0, false, 3), "increase common/a/ up to"},
      {generator4({rectangle(0, 0, 1, 1), rectangle(2, 2, 3, 3)}, 0.1, 3, 0, false, 3),
       "mgrid:a contour lies outside the outer contour"},
      // A contour running back along itself leaves a spike of no width: the front cannot close.
      {generator4({{2.625, 0, .5, 1, 1, 0, 0, 0}}, .1640625),
       "mesh1_n:the front can not be closed"},
      {generator4({{2.875, 0, 2.5625, 0, 3, 0, 1, 1}}, .1875, 3, 0, false, 3),
       "error in grid generation! hit enter"},
      // The hole's boundary nodes skip a narrow notch and run round the other way.
      {"ntel=1 m=3 tipm=3 pic=0 nc=2\n"
       "ng=4 m= 0.0275878906 -6.5625 0 2 2 2.00195312 2 -8 del= 0.473753929\n"
       "ng=-10 m= 0.994212866 1.39448881 0.764216065 1.316324 0.623604178\n"
       " 1.11824167 0.625682771 0.875334382 0.769663811 0.67968744 1.00096452\n"
       " 0.605469942 1.36058795 0.508762538 1.12288594 0.961066008 1.37462091\n"
       " 1.12375009 1.23111856 1.31974852 del= 0.473753929\n",
       "bidot:cell size too large for the contour"},
      {"ntel=1 m=3 tipm=1 pic=0 ng=2 m=0 0 1 1\n", " mesh1_rd:must be ng.gt.2"},
      {"ntel=1 m=3 tipm=1 pic=0 ng=4 m=0 0 1 1 0 1 1 0 n3=0 n4=0\n", "mesh1_rd:contour crosses"},
      {"ntel=1 m=3 tipm=1 pic=0 ng=4 m=0 0 0 1 1 1 1 0 n3=0 n4=1 m=3 3\n",
       "mesh1_rd:internal node outside the contour"},
      {"ntel=1 m=3 tipm=1 pic=0 ng=4 m=0 0 0 1 1 1 1 0 n3=0 n4=1 m=.5 0\n",
       "mesh1_rd:internal node on the contour"},
      {"ntel=1 m=3 tipm=1 pic=0 ng=4 m=0 0 0 1 1 1 1 0 n3=0 n4=2 m=.5 .5 .5 .5\n",
       "mesh1_rd:two nodes coincide"},
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.message);
    screens.clear();
    cls(*s);
    data(b.text);
    keys(3);
    EXPECT_EQ(mesh(*s), 1);
    EXPECT_TRUE(flag_tst(*s));
    EXPECT_TRUE(seen(b.message)) << screen();
    EXPECT_FALSE(scratch_left());
    flag_off(*s);
    host.events.clear();
  }
}

}  // namespace
}  // namespace tivor::mesh_test
