// Axes: the axis lines, major and minor ticks inside the region, labels outside it.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>

#include "gfx/gfx.hpp"
#include "gfx_session.hpp"
#include "picture_records.hpp"
#include "raster_reading.hpp"

namespace tivor::test {
namespace {

struct Axes : ::testing::Test {
  GfxSession t;
  Session& s = *t.s;
  // Region x 101..501, y 50..300.
  void SetUp() override {
    dinit1(s, "tivor", 0.6f, 0.6f);
    page(s, 1, 1, 80, 25, 0);
    region1(s, 101, 50, 501, 300, 0);
    color(s, 15);
  }
  bool lit(int x, int y) { return s.frame.at(x, y) != 0; }
};

TEST_F(Axes, TicksStayInsideTheRegionAndLabelsOutsideIt) {
  limits(s, 0.0f, 10.0f, 0.0f, 5.0f);
  axes(s);
  // x: step 10 halved to 5, majors at 0, 5, 10 (4 points up), minors every 40 points (2 up).
  EXPECT_EQ(t.count(15, 101, 300, 501, 300), 401);
  for (int x : {301, 501}) {
    EXPECT_TRUE(lit(x, 296)) << x;
    EXPECT_FALSE(lit(x, 295)) << x;
  }
  for (int x : {141, 181, 221, 261, 341, 461}) {
    EXPECT_TRUE(lit(x, 298)) << x;
    EXPECT_FALSE(lit(x, 297)) << x;
  }
  // y: step 1, majors every 50 points reaching 4 points into the plot.
  EXPECT_EQ(t.count(15, 101, 50, 101, 300), 251);
  for (int y : {250, 200, 150, 100, 50}) {
    EXPECT_TRUE(lit(105, y)) << y;
    EXPECT_FALSE(lit(106, y)) << y;
  }
  EXPECT_TRUE(lit(103, 290));
  EXPECT_FALSE(lit(104, 290));
  // Nothing else inside the plot; labels below and left of the region.
  EXPECT_EQ(t.count(15, 106, 50, 501, 295), 0);
  EXPECT_GT(t.count(15, 293, 304, 309, 317), 0);  // "5" centred under x = 301
  EXPECT_GT(t.count(15, 493, 304, 509, 317), 0);  // "10" under x = 501
  EXPECT_GT(t.count(15, 85, 244, 92, 257), 0);    // "1" left of y = 250
  EXPECT_EQ(t.count(15, 1, 1, 640, 43), 0);
}

TEST_F(Axes, DegenerateRangeDrawsNothing) {
  limits(s, 0.0f, 10.0f, 0.0f, 5.0f);
  s.grf.xmxlim = s.grf.xmnlim;
  xaxis(s, 0.0f, "x", 1, 0.0f, 1.0f, 5);
  s.grf.ymxlim = s.grf.ymnlim;
  yaxis(s, 0.0f, "y", 1, 0.0f, 1.0f, 5);
  EXPECT_EQ(t.lit(), 0);
}

TEST_F(Axes, ValueNearZeroIsLabelledZero) {
  // With the given step 0.1 from -0.3 the fourth tick sums to about -2.8e-17, shown as "0".
  limits(s, -0.3f, 0.4f, 0.0f, 1.0f);
  xaxis(s, 0.0f, " ", 0, 0.1f, 1.0f, 0);
  float px = 0.0f, py = 0.0f;
  tmp(s, 0.0f, 0.0f, px, py);
  const int x0 = static_cast<int>(px) - 4;
  int bits = 0;
  for (int r = 0; r < 14; ++r) bits += std::popcount(glyph_rows(14, '0')[r]);
  EXPECT_EQ(t.count(15, x0 - 24, 304, x0 + 31, 317), bits);
}

TEST(AxisLabels, EveryLabelIsShownWholeAndReadsAsTheValueAtItsTick) {
  WorkDir dir;
  GfxSession t;
  Session& s = *t.s;
  dinit1(s, "tivor", 0.6f, 0.6f);
  const std::vector<std::pair<float, float>> ranges = {
      {0, 1},          {-0.0125f, 0.0125f},
      {7.675f, 7.69f}, {-7.7f, -7.6f},
      {1e-7f, 3e-7f},  {-2e-6f, 5e-6f},
      {1e6f, 3e6f},    {-2.5e7f, 1e5f},
      {1000, 1001},    {0.001f, 0.0011f},
      {-1e-3f, 1e-3f}, {123456, 123789},
      {-1e10f, 1e10f}, {std::nextafter(1.0f, 2.0f), 2}};
  for (size_t k = 0; k < ranges.size(); ++k) {
    const auto [x1, x2] = ranges[k];
    const auto [y1, y2] = ranges[(k + 5) % ranges.size()];
    lpg(s, 1);  // the viewer's page, with a plot region as its graphs have
    region(s, 7, 2, 58, 14, 0);
    limits(s, x1, x2, y1, y2);
    fit_region_to_axes(s, s.grf.page_pix[0] + 1, s.grf.page_pix[1] - 1);  // inside the frame
    gfopen(s, "axes.gf");
    axes(s);
    gfclose(s);
    const Grf& g = s.grf;
    std::vector<std::string> xlabels;
    for (const Record& r : records(slurp("axes.gf"))) {
      if (r.kind != 16 || r.text.empty()) continue;  // not the blank titles
      const int x = r.v[0] / 50, y = r.v[1] / 50, n = static_cast<int>(r.text.size());
      EXPECT_EQ(read_raster_text(s, x, y, n), r.text) << k;
      // The world value at the tick: under the middle of an x label, level with a y label.
      const bool below = y > g.reg_pix[3];
      const double at = below ? g.xmnlim + (x + 4.0 * n - g.reg_real[0]) * (g.xmxlim - g.xmnlim) /
                                               (g.reg_real[1] - g.reg_real[0])
                              : g.ymnlim + (g.reg_real[3] - y - 7.0) * (g.ymxlim - g.ymnlim) /
                                               (g.reg_real[3] - g.reg_real[2]);
      const double point = below ? (g.xmxlim - g.xmnlim) / (g.reg_real[1] - g.reg_real[0])
                                 : (g.ymxlim - g.ymnlim) / (g.reg_real[3] - g.reg_real[2]);
      EXPECT_NEAR(std::strtod(r.text.c_str(), nullptr), at, 1.5 * point) << k << " " << r.text;
      if (below) xlabels.push_back(r.text);
    }
    EXPECT_GE(xlabels.size(), 2u) << k;
    // A tick on the window's left edge up to rounding is labelled.
    if (x1 == std::nextafter(1.0f, 2.0f)) {
      EXPECT_EQ(std::strtod(xlabels.front().c_str(), nullptr), 1.0);
    }
  }
}

}  // namespace
}  // namespace tivor::test
