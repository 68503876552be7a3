// Boundary conditions: the interval readers (which boundary elements an interval takes, with
// what value, and their prompts), writing prescribed values into fields, and slip walls.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "kernel_session.hpp"
#include "kernels/kernels.hpp"
#include "mesh/mesh.hpp"

namespace tivor {
namespace {

using kernels_fixture::KernelSession;

class IntervalReaderTest : public KernelSession {
 protected:
  // The unit square with nodes 1 (0,0), 2 (0.5,0), 3 (1,0), 4 (1,1), 5 (0,1); its boundary
  // elements are (5,1), (1,2), (2,3), (3,4), (4,5), or (1,2), (2,-3) (an interface edge),
  // (3,4), (4,5), (5,1).
  void square(bool interface_edge = false) {
    five({{0, 0}, {0.5f, 0}, {1, 0}, {1, 1}, {0, 1}},
         interface_edge ? std::vector{1, 2, 2, -3, 3, 4, 4, 5, 5, 1}
                        : std::vector{5, 1, 1, 2, 2, 3, 3, 4, 4, 5});
  }
  // Five nodes and their boundary elements, with the flags at 7 and the values at 9.
  void five(const std::vector<std::pair<float, float>>& nodes, const std::vector<int32_t>& edges) {
    mesh(nodes, 3, {}, edges);
    jy = int_array(5, 7), jf = real_array(5, 9);
  }
  std::vector<int32_t> flags() const { return ints_of(jy, 5); }
  std::vector<float> values() const { return reals_of(jf, 5); }
  // 1 / 1.001: the relative tolerance in the squared length along an interval enters its t.
  static constexpr double kShrunk = 1 / 1.001;

  int32_t jy = 0, jf = 0;
};

TEST_F(IntervalReaderTest, IntervalsThatTakeNothingAreNamed) {
  square();
  data("c1=2\nm=0 0 1 0 0 1\nm=1 0 0 0 0 1\nc2=0\nz=1\nm=5 5 6 6\n");
  host.press(' ');
  ASSERT_EQ(bcn2(*s, "c1", jy, jf, "c1"), 0);
  EXPECT_TRUE(seen("bcn2:c1 interval  2 selects no boundary element") && !seen("interval  1"));
  ASSERT_EQ(bcn2(*s, "c2", jy, jf, "c2"), 0);  // no interval at all: nothing to say
  EXPECT_EQ(flags(), std::vector<int32_t>(5, 1));
  host.press(' ');
  ASSERT_EQ(bcn1(*s, "zone", jy, "z"), 0);
  EXPECT_TRUE(seen("bcn1:z box  1 selects no boundary element"));
}

TEST_F(IntervalReaderTest, BoundsFollowTheRegionsScale) {
  // A square whose side r = 0 lies a few 1e-8 off the axis, of size 1 and of 1 mm in metres:
  // each interval takes its own side alone, with the same values.
  for (const float size : {1.0f, 0.001f}) {
    const float off = 6.6e-8f * size;
    five({{off, 0}, {size / 2, 0}, {size, 0}, {size, size}, {-off, size}},
         {5, 1, 1, 2, 2, 3, 3, 4, 4, 5});
    std::ostringstream text;
    text << std::setprecision(9) << "n=2\nm=0 0 0 " << size << " 5 5\nm=" << size << " 0 " << size
         << ' ' << size << " 0 1\n";
    data(text.str());
    ASSERT_EQ(bcn2(*s, "v", jy, jf, "n"), 0) << size;
    EXPECT_EQ(flags(), (std::vector<int32_t>{0, 1, 0, 0, 0})) << size;
    expect_near(values(), {5, 0, 0, kShrunk, 5});
  }
}

TEST_F(IntervalReaderTest, Bcn2ToleranceAtTheBoundsAndLaterIntervalsWin) {
  // Second nodes just below the lower bound (by 0.0009: taken; by 0.002: not), and a bottom
  // side at z = -1, where the relative upper bound must still take the nodes on the side.
  five({{-0.0009f, 0}, {-0.002f, 0}, {0, -1}, {0.5f, -1}, {1, -1}}, {2, 1, 1, 2, 5, 3, 3, 4, 4, 5});
  data("n=3\nm=0 0 1 0 0 1\nm=0 -1 1 -1 2 4\nm=0.4 -1 1 -1 8 8\n");
  ASSERT_EQ(bcn2(*s, "v", jy, jf, "n"), 0);
  EXPECT_EQ(flags(), (std::vector<int32_t>{0, 1, 0, 0, 0}));
  // Node 3 at r = 0: only the second interval; nodes 4 and 5: the third one overwrites.
  expect_near(values(), {-0.0009 * kShrunk, 0, 2, 8, 8}, 1e-7);
}

TEST_F(IntervalReaderTest, Bcn2WithoutAFlagArrayPausesAndStillReadsTheValues) {
  square();
  const std::vector<int32_t> start = ints_of(0, 12);
  data("c1=1\nm=0 0 1 0 0 1\nnext=5\n");
  host.press(' ');
  ASSERT_EQ(bcn2(*s, "c1", 0, jf, "c1"), 0);
  EXPECT_TRUE(seen("bcn2:jy<=0"));
  EXPECT_EQ(ints_of(0, 12), start);  // the words at the start of the pool stay as they were
  EXPECT_NEAR(values()[2], kShrunk, 1e-6);
  int32_t next = 0;
  EXPECT_TRUE(read_int(*s, "next", "next", next) == 0 && next == 5);  // the reader is in step
}

TEST_F(IntervalReaderTest, KeyboardPrompts) {
  square();
  host.script("1<Enter>0 0 1 0 0 1<Enter>");
  ASSERT_EQ(bcnp1(*s, "p1", jf, "p1"), 0);
  EXPECT_TRUE(seen(" number of intervals for p1") && seen("p1:x0,y0,x1,y1,f0,f1"));
  EXPECT_NEAR(values()[1], 0.25, 1e-6);
}

TEST_F(IntervalReaderTest, MidpointReadersAndInterfaceEdges) {
  // Boundary elements (1,2) and (2,-3) along z = 0 have their midpoints at r = 0.25 and 0.75;
  // BCNP leaves the interface edge out, BCNP1 takes it, and only the tiny length guard enters t.
  square(true);
  data("q=1\nm=0 0 1 0 0 1\nq=1\nm=0 0 1 0 0 1\nq=1\nm=0 0 1 0 0 1\n");
  ASSERT_EQ(bcnp(*s, "q", jf, "q"), 0);
  EXPECT_EQ(values(), (std::vector<float>{0.25f, 0, 0, 0, 0}));
  ASSERT_EQ(bcnp1(*s, "q", jf, "q"), 0);
  EXPECT_EQ(values(), (std::vector<float>{0.25f, 0.75f, 0, 0, 0}));
  // BCN2 takes the second nodes 2, 3 and 1, with the relative tolerance in the squared length.
  ASSERT_EQ(bcn2(*s, "q", jy, jf, "q"), 0);
  EXPECT_EQ(flags(), (std::vector<int32_t>{0, 0, 1, 1, 0}));
  expect_near(values(), {0.5 * kShrunk, kShrunk, 0, 0, 0});
  EXPECT_FALSE(flag_tst(*s));
}

TEST_F(IntervalReaderTest, Bcn3TakesOneIntervalAndReturnsIt) {
  square(true);
  float seg[4] = {-1, -1, -1, -1};
  data("w=1\nm=0 0 1 0 0 1\nw=1\nm=0 0 1 0 2 2\n");
  ASSERT_EQ(bcn3(*s, 1, "w", jf, jy, "w", seg), 0);  // interface edges skipped
  EXPECT_EQ(flags(), (std::vector<int32_t>{0, 1, 1, 1, 0}));
  EXPECT_EQ(values(), (std::vector<float>{0.5f, 0, 0, 0, 0}));
  EXPECT_EQ(std::vector<float>(seg, seg + 4), (std::vector<float>{0, 0, 1, 0}));
  s->km[jy + 2] = 5;
  ASSERT_EQ(bcn3(*s, 0, "w", jf, 0, "w", seg), 0);  // no flag array; interfaces taken
  EXPECT_EQ(values(), (std::vector<float>{2, 2, 0, 0, 2}));
  EXPECT_EQ(s->km[jy + 2], 5);

  data("w=2\nm=0 0 1 0 0 1\nm=0 0 1 0 0 1\n");
  host.press(' ');
  EXPECT_EQ(bcn3(*s, 0, "w", jf, jy, "w", seg), 1);
  EXPECT_TRUE(seen("n should be equal to 1 here") && flag_tst(*s));
}

TEST_F(IntervalReaderTest, Bou1WritesAtSecondNodesAndTakesInterfacesOnlyWhenAsked) {
  square(true);
  const int32_t f = real_array(5, -1);
  const int32_t flag = int_array({0, 0, 0, 1, 0});
  const int32_t val = real_array({1, 2, 3, 4, 5});
  const Cmesh& c = s->cmesh;
  bou1(*s, c.jj2, c.n3, f, val, flag, 2);
  EXPECT_EQ(reals_of(f, 5), (std::vector<float>{10, 2, -1, 6, -1}));
  bou1(*s, -c.jj2, c.n3, f, val, flag, 1);
  EXPECT_EQ(reals_of(f, 5), (std::vector<float>{5, 1, 2, 3, -1}));
}

TEST_F(IntervalReaderTest, BouwallMakesWallVelocitiesTangentialThenWritesPrescribedOnes) {
  // Subregion 1: the wall (1,2) at 45 degrees. Subregion 2: (2,3) not a wall, and the
  // interface wall (3,-4), which is left alone.
  mesh({{0, 0}, {1, 1}, {2, 1}, {2, 2}}, 3, {}, {1, 2, 2, 3, 3, -4});
  const Cmesh& c = s->cmesh;
  const int32_t jn3 = int_array({1, 3});
  const int32_t wall = int_array({0, 1, 0});
  const int32_t u = real_array(4, 1), v = real_array(4, 0);
  const int32_t yu = int_array({1, 0, 1}), yv = int_array({1, 0, 1});
  const int32_t fu = real_array({0, 7, 0}), fv = real_array({0, 6, 0});
  bouwall(*s, c.jrz, c.jj2, c.n3, wall, 2, jn3, fu, fv, u, v, yu, yv);
  // Node 3 is prescribed as the second node of (2,3); node 4, on the interface, is left alone.
  expect_near(reals_of(u, 4), {0.5, 0.5, 7, 1});
  expect_near(reals_of(v, 4), {0.5, 0.5, 6, 0});

  // Without a u-flag array u is not touched, and the flagged v values are written as zero.
  for (int i = 1; i <= 4; ++i) s->a[v + i] = 3;
  bouwall(*s, c.jrz, c.jj2, c.n3, wall, 2, jn3, fu, fv, u, v, 0, yv);
  EXPECT_EQ((std::array{s->a[v + 3], s->a[v + 4], s->a[u + 3]}), (std::array{0.0f, 3.0f, 7.0f}));
}

}  // namespace
}  // namespace tivor
