// Axes: the axis lines, major and minor ticks inside the region, labels outside it.
#include <bit>
#include <cmath>
#include <cstdlib>

#include "gfx_session.hpp"
#include "picture_records.hpp"
#include "raster_reading.hpp"

namespace tivor::test {
namespace {

struct Axes : GfxTest {
  // Region x 101..501, y 50..300.
  void SetUp() override {
    GfxTest::SetUp();
    page(s, 1, 1, 80, 25, 0);
    region1(s, 101, 50, 501, 300, 0);
    color(s, 15);
  }
  bool lit(int x, int y) { return s.frame.at(x, y) != 0; }
};

TEST_F(Axes, TicksStayInsideTheRegionAndLabelsOutsideIt) {
  limits(s, 0.0f, 10.0f, 0.0f, 5.0f);
  axes(s);
  // The lit run from a point of an axis into the plot.
  const auto tick = [&](int x, int y, int dx, int dy) {
    int n = 0;
    while (lit(x + n * dx, y + n * dy)) ++n;
    return n;
  };
  // x: step 10 halved to 5, majors at 0, 5, 10 (4 points up), minors every 40 points (2 up).
  EXPECT_EQ(t.count(15, 101, 300, 501, 300), 401);
  for (int x = 141; x <= 501; x += 40) EXPECT_EQ(tick(x, 300, 0, -1), x % 200 == 101 ? 5 : 3) << x;
  // y: step 1, majors every 50 points reaching 4 points into the plot, minors every 10 (2 in).
  EXPECT_EQ(t.count(15, 101, 50, 101, 300), 251);
  for (int y = 290; y >= 50; y -= 10) EXPECT_EQ(tick(101, y, 1, 0), y % 50 == 0 ? 5 : 3) << y;
  // Nothing else inside the plot nor above the region; labels below and left of it.
  EXPECT_EQ(t.count(15, 106, 50, 501, 295) + t.count(15, 1, 1, 640, 43), 0);
  EXPECT_GT(t.count(15, 293, 304, 309, 317), 0);  // "5" centred under x = 301
  EXPECT_GT(t.count(15, 493, 304, 509, 317), 0);  // "10" under x = 501
  EXPECT_GT(t.count(15, 85, 244, 92, 257), 0);    // "1" left of y = 250
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

TEST_F(GfxTest, EveryAxisLabelIsShownWholeAndReadsAsTheValueAtItsTick) {
  WorkDir dir;
  // Tiny, huge, negative and mixed ranges; the last starts a rounding above its tick at 1.
  const float lo[] = {
      0,       -0.0125f, 7.675f, -7.7f,  1e-7f,  -2e-6f, 1e6f,
      -2.5e7f, 1000,     1e-3f,  -1e-3f, 123456, -1e10f, std::nextafter(1.0f, 2.0f)};
  const float hi[] = {1,    0.0125f, 7.69f,   -7.6f, 3e-7f,  5e-6f, 3e6f,
                      1e5f, 1001,    1.1e-3f, 1e-3f, 123789, 1e10f, 2};
  std::vector<double> xs;
  for (size_t k = 0, j = 5; k < std::size(lo); ++k, j = (k + 5) % std::size(lo)) {
    lpg(s, 1);  // the viewer's framed page and a graph's plot region
    region(s, 7, 2, 58, 14, 0);
    limits(s, lo[k], hi[k], lo[j], hi[j]);
    fit_region_to_axes(s, 2, s.grf.page_pix[1] - 1);
    gfopen(s, "axes.gf");
    axes(s);
    gfclose(s);
    const float* rg = s.grf.reg_real;
    xs.clear();
    for (const Record& r : records(slurp("axes.gf"))) {
      if (r.kind != 16 || r.text.empty()) continue;  // not the blank titles
      const int x = r.v[0] / 50, y = r.v[1] / 50, n = static_cast<int>(r.text.size());
      EXPECT_EQ(read_raster_text(s, x, y, n), r.text) << k;
      // The value at the tick: under the middle of an x label, level with a y label.
      const bool below = y > rg[3];
      const double a = below ? lo[k] : lo[j], b = below ? hi[k] : hi[j];
      const double points = below ? rg[1] - rg[0] : rg[3] - rg[2];
      const double u = (below ? x + 4.0 * n - rg[0] : rg[3] - y - 7.0) / points;
      const double v = std::strtod(r.text.c_str(), nullptr);
      EXPECT_NEAR(v, a + u * (b - a), 1.5 * (b - a) / points) << k << " " << r.text;
      if (below) xs.push_back(v);
    }
    EXPECT_GE(xs.size(), 2u) << k;
  }
  EXPECT_EQ(xs.front(), 1.0);
}

}  // namespace
}  // namespace tivor::test
