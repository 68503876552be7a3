// Contour lines and zones: the bands of one triangle (golden bytes for the edge cases, tiling
// checked by area), lines through flat cells and corners, clipping, element meshes with the
// mirrored copy, the legends, and a known field whose bands must lie where its values say.
#include <cmath>
#include <vector>

#include "gfx/contour_mesh.hpp"
#include "gfx_session.hpp"
#include "picture_records.hpp"

namespace tivor::test {
namespace {

struct Contours : GfxTest {
  WorkDir dir;
  void SetUp() override {
    GfxTest::SetUp();
    page(s, 1, 1, 61, 17, 1);
    region(s, 4, 2, 50, 16, 0);  // points 25..400 by 15..224
    limits(s, 0.0f, 1.0f, 0.0f, 1.0f);
  }
  // The records drawn by f, taken from a picture file written while it runs (clip records
  // left out).
  template <typename F>
  std::vector<Record> recorded(F f, const std::string& golden = "") {
    gfopen(s, "rec.gf");
    f();
    gfclose(s);
    const std::vector<uint8_t> bytes = slurp("rec.gf");
    if (!golden.empty()) expect_golden(bytes, golden);
    std::vector<Record> recs = records(bytes);
    std::erase_if(recs, [](const Record& r) { return r.kind == 64; });
    return recs;
  }
  // Raster colour at a world point.
  int at(float x, float y) {
    int px = 0, py = 0;
    tmp1(s, x, y, px, py);
    return s.frame.at(px, py);
  }
};

// Area of a polygon record in square file units.
double area(const Record& r) {
  double a = 0.0;
  for (int k = 0, n = r.v[0]; k < n; ++k) {
    const int j = (k + 1) % n;
    a += static_cast<double>(r.v[1 + 2 * k]) * r.v[2 + 2 * j] -
         static_cast<double>(r.v[1 + 2 * j]) * r.v[2 + 2 * k];
  }
  return std::abs(a) / 2.0;
}

TEST_F(Contours, TrianglesAboveTheLastOrBelowTheFirstLevelAreOnePolygon) {
  const float x[3] = {0.1f, 0.9f, 0.5f}, y[3] = {0.1f, 0.2f, 0.8f};
  const float above[3] = {5.0f, 6.0f, 7.0f}, below[3] = {-3.0f, -2.0f, -1.0f};
  const float lev[3] = {1.0f, 2.0f, 3.0f};
  const int32_t col[4] = {1, 2, 3, 4};
  // Two triangles, in colours 4 and 1.
  recorded(
      [&] {
        flood1(s, x, y, above, lev, col, 3);
        flood1(s, x, y, below, lev, col, 3);
      },
      "triangle_bands.gf");
}

TEST_F(Contours, BandsTileTheTriangleInLevelOrder) {
  const float x[3] = {0.2f, 0.9f, 0.1f}, y[3] = {0.1f, 0.5f, 0.9f};
  const float lev[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const int32_t col[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  const double total = area(recorded([&] { flood0(s, x, y, 3, 1); })[0]);
  // Every vertex order, so the lowest vertex is found wherever it stands.
  const float values[3][3] = {{0.0f, 5.5f, 10.0f}, {10.0f, 0.0f, 5.5f}, {5.5f, 10.0f, 0.0f}};
  for (const auto& f : values) {
    const auto recs = recorded([&] { flood1(s, x, y, f, lev, col, 9); });
    ASSERT_EQ(recs.size(), 10u);
    double sum = 0.0;
    for (size_t k = 0; k < recs.size(); ++k) {
      EXPECT_EQ(recs[k].colour, static_cast<int>(k + 1));
      sum += area(recs[k]);
    }
    EXPECT_NEAR(sum / total, 1.0, 2e-3);
  }
}

TEST_F(Contours, FlatCellsAndNoLevelsGiveNoLineAndCornerLevelsAThreePointLine) {
  const float x[4] = {0.0f, 1.0f, 0.0f, 1.0f}, y[4] = {0.0f, 0.0f, 1.0f, 1.0f};
  const float flat[4] = {2.0f, 2.0f, 2.0f, 2.0f};
  const float lev[1] = {2.0f};
  const int32_t col[1] = {0};
  EXPECT_TRUE(recorded([&] { izol(s, flat, x, y, 2, 2, lev, col, 1); }, "flat_cell.gf").empty());
  // No levels: no lines, no zones, no legends.
  const int32_t nodes[3] = {1, 2, 3};
  EXPECT_TRUE(recorded([&] {
                izol(s, flat, x, y, 2, 2, lev, col, 0);
                izolc(s, flat, x, y, 2, 2, lev, col, 0);
                tvfe1(s, x, y, flat, nodes, 1, 3, 4, lev, col, 0);
                izlscale(s, lev, col, 0);
                clrscale(s, lev, col, 0);
              }).empty());

  // Corners 0, 2 along one side and 0, 2 along the other: the centre has the level's value, so
  // two triangles are cut at the centre and across their outer edge (three points, two lines)
  // and two only at the centre (two equal points, one line of no length).
  const float ramp[4] = {0.0f, 0.0f, 2.0f, 2.0f};
  const float one[1] = {1.0f};
  const auto lines = recorded([&] { izol(s, ramp, x, y, 2, 2, one, col, 1); });
  ASSERT_EQ(lines.size(), 6u);
  for (const Record& r : lines) EXPECT_EQ(r.kind * 100 + r.colour, 15);  // 0 is drawn as 15
  EXPECT_EQ(s.grf.clip_mode, 2);
}

// The quick test that lets a contour-lines picture pass over a quadrilateral: where it says no,
// no level cuts two edges of any of the four triangles the quadrilateral is split into.
TEST(QuadLevels, AQuadrilateralPassedOverHasNoLevelLineInItsTriangles) {
  const float lev[4] = {0.0f, 1.0f, 2.5f, 4.0f};
  // Three values in each of four gaps between levels, and the levels themselves.
  const float values[15] = {-1.0f, -0.5f, -0.1f, 0.0f, 0.2f, 0.5f, 0.9f, 1.0f,
                            1.2f,  1.7f,  2.4f,  2.5f, 4.5f, 5.0f, 6.0f};
  const float x[4] = {0, 1, 1, 0}, y[4] = {0, 0, 1, 1};
  int passed_over = 0, kept = 0;
  for (int code = 0; code < 15 * 15 * 15 * 15; ++code) {
    float f[4];
    for (int k = 0, c = code; k < 4; ++k, c /= 15) f[k] = values[c % 15];
    if (quad_meets_levels(f, lev, 4, true)) {
      ++kept;
      continue;
    }
    ++passed_over;
    split_quad(x, y, f, [&](const Triangle& t) {
      for (float level : lev) {
        float px[3], py[3];
        EXPECT_LT(level_cuts(t, level, kEpsilon, false, px, py), 2) << code << " " << level;
      }
    });
  }
  EXPECT_EQ(passed_over, 4 * 3 * 3 * 3 * 3);
  EXPECT_GT(kept, 40000);
  // Levels that do not rise, or an undefined value, keep the quadrilateral.
  const float inside[4] = {0.5f, 0.6f, 0.7f, 0.8f}, undefined[4] = {0.5f, NAN, 0.7f, 0.8f};
  const float falling[2] = {4.0f, 0.0f};
  EXPECT_TRUE(quad_meets_levels(inside, falling, 2, false));
  EXPECT_TRUE(quad_meets_levels(undefined, lev, 4, true));
  EXPECT_FALSE(quad_meets_levels(inside, lev, 4, true));
}

TEST_F(Contours, ElementZonesAreMirroredAndNodesOutsideTheMeshSkipped) {
  limits(s, -1.0f, 1.0f, 0.0f, 1.0f);
  // Two quadrilaterals and a triangle written as a four-node element, on x 0..1.
  const float x[6] = {0.0f, 0.5f, 1.0f, 0.0f, 0.5f, 1.0f};
  const float y[6] = {0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f};
  const float f[6] = {0.0f, 1.0f, 2.0f, 0.5f, 1.5f, 2.5f};
  const int32_t nodes[16] = {1, 2, 5, 4, 2, 3, 6, -5, 1, 2, 3, 0, 1, 99, 2, 3};
  const float lev[2] = {0.8f, 1.6f};
  const int32_t col[3] = {1, 2, 4};
  tvfe1(s, x, y, f, nodes, 4, 4, 6, lev, col, -2);
  for (const float x : {0.1f, -0.1f}) EXPECT_EQ(at(x, 0.1f), 1) << x;
  for (const float x : {0.9f, -0.9f}) EXPECT_EQ(at(x, 0.9f), 4) << x;
  // The level lines are drawn over the original side only.
  EXPECT_TRUE(t.count(15, 213, 16, 399, 223) > 100 && t.count(15, 27, 16, 210, 223) == 0);
}

TEST_F(Contours, ZoneLegendShowsEveryZoneInItsColourAboveThePagesLastRow) {
  float lev[40];
  int32_t col[41];
  for (int k = 0; k < 40; ++k) lev[k] = 100.0f * static_cast<float>(k + 1);
  for (int k = 0; k < 41; ++k) col[k] = k % 14 + 1;
  // 13 swatches, the 12 values divided by 10^3 and the exponent.
  auto recs = recorded([&] { clrscale(s, lev, col, 12); }, "legend_12.gf");
  EXPECT_EQ(s.grf.igcolor, 15);
  // 41 zones: packed closer, every swatch in its colour above the time line; every fourth value,
  // a text row apart.
  recs = recorded([&] { clrscale(s, lev, col, 40); });
  std::erase_if(recs, [](const Record& r) { return r.kind == 16 && r.text.size() < 8; });
  ASSERT_EQ(recs.size(), 41u + 10u);
  for (size_t i = 0, k = 0; i < recs.size(); ++i) {
    if (recs[i].kind == 32) {
      EXPECT_TRUE(recs[i].colour == col[k++] && recs[i].v[4] / 50 < 224) << i;  // bottom edge
    } else if (i > 5) {
      EXPECT_EQ(recs[i].v[1] - recs[i - 5].v[1], 16 * 50) << i;
    }
  }
}

TEST_F(Contours, LineLegendLabelsLevelsOrSummarisesMany) {
  const float lev[3] = {-0.02f, 0.0f, 0.05f};
  const int32_t col[3] = {0, 5, 6};
  auto texts = [](const std::vector<Record>& recs) {
    std::vector<std::string> out;
    for (const Record& r : recs) out.push_back(std::to_string(r.colour) + r.text);
    return out;
  };
  EXPECT_EQ(texts(recorded([&] { izlscale(s, lev, col, 3); })),
            (std::vector<std::string>{"1501:", "15  -0.200", "502:", "15   0.000",
                                      "603:", "15   0.500", "15x1e-1"}));
  // More than 16 levels: their number and the range one step beyond each end.
  float many[20];
  int32_t cols[20] = {4};
  for (int k = 0; k < 20; ++k) many[k] = static_cast<float>(k);
  EXPECT_EQ(texts(recorded([&] { izlscale(s, many, cols, 20); })),
            (std::vector<std::string>{"15lines: 20", "4fmin:-0.10000E+01", "15fmax: 0.20000E+02"}));
  // A constant field: the word and the value, no scale.
  EXPECT_EQ(texts(recorded([&] { constant_scale(s, 0.2f); })),
            (std::vector<std::string>{"15constant", "150.2"}));
}

TEST_F(Contours, BandsOfASaddleLieWhereItsValuesSay) {
  // x*x - y*y on a triangulated square, levels -0.75 .. 0.75.
  limits(s, -1.0f, 1.0f, -1.0f, 1.0f);
  constexpr int n = 21;
  std::vector<float> x(n * n), y(n * n), f(n * n);
  std::vector<int32_t> nodes;
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      const int k = i + j * n;
      x[k] = -1.0f + 2.0f * i / (n - 1), y[k] = -1.0f + 2.0f * j / (n - 1);
      f[k] = x[k] * x[k] - y[k] * y[k];
      if (i > 0 && j > 0) {
        const int a = k - n - 1 + 1, b = k - n + 1, c = k + 1, d = k - 1 + 1;
        nodes.insert(nodes.end(), {a, b, c, a, c, d});
      }
    }
  }
  const float lev[7] = {-0.75f, -0.5f, -0.25f, 0.0f, 0.25f, 0.5f, 0.75f};
  const int32_t col[8] = {1, 9, 3, 11, 14, 12, 4, 5};
  tvfe1(s, x.data(), y.data(), f.data(), nodes.data(), static_cast<int>(nodes.size() / 3), 3, n * n,
        lev, col, 7);
  const struct {
    float x, y;
    int colour;
  } probes[] = {{0.95f, 0.05f, 5}, {0.05f, 0.95f, 1}, {0.32f, 0.1f, 14}, {0.1f, 0.32f, 11},
                {-0.6f, 0.1f, 12}, {0.1f, -0.6f, 3},  {0.8f, 0.3f, 4},   {0.79f, -0.8f, 11}};
  for (const auto& p : probes) EXPECT_EQ(at(p.x, p.y), p.colour) << p.x << "," << p.y;
  // The level-0 lines run along the diagonals.
  EXPECT_EQ((std::array{at(0.5f, 0.5f), at(-0.5f, 0.5f)}), (std::array{15, 15}));
}

}  // namespace
}  // namespace tivor::test
