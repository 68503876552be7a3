// Time tables: evaluation inside and outside the table and its degenerate forms; load sets read
// from a data file into the pool, and the counts and sizes that are refused. The history
// recorder on a unit square with a linear field: set-up read from a data file, one point per
// step, thinning when full, restarts, refused set-ups and damaged records.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "kernel_session.hpp"
#include "kernels/kernels.hpp"

namespace tivor {
namespace {

TEST(IntrTest, InterpolatesExtrapolatesAndHandlesDegenerateTables) {
  const float line[] = {0, 0, 1, 10};
  const float three[] = {0, 0, 1, 10, 3, 0, 3, 5};
  const struct {
    float t;
    const float* table;
    int n;
    float f, df;
  } cases[] = {{0.5f, line, 2, 5, 10},   {2.0f, line, 2, 20, 10},    {-1.0f, line, 2, -10, 10},
               {1.0f, three, 3, 10, -5}, {5.0f, three, 3, -10, -5},  {3.0f, three, 4, 0, 0},
               {9.0f, line, 0, 0, 0},    {9.0f, three + 2, 1, 1, 10}};
  for (const auto& c : cases) {
    float f = -1, df = -1;
    intr(c.t, c.table, c.n, f, df);
    EXPECT_FLOAT_EQ(f, c.f) << c.t << " " << c.n;
    EXPECT_FLOAT_EQ(df, c.df) << c.t << " " << c.n;
  }
}

class RloadTest : public kernels_fixture::KernelSession {
 protected:
  // The unit square with its four boundary edges (1,2), (2,3), (3,4), (4,1).
  RloadTest() {
    host.spare_enters = 100;
    mesh({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 3, {}, {1, 2, 2, 3, 3, 4, 4, 1});
  }
  int read(const std::string& text) {
    data(text);
    return rload(*s, "pressure", npn, jpn, jtpn, ntpn, "pn");
  }

  int32_t npn = -1, jpn[4] = {}, jtpn[4] = {}, ntpn[4] = {};
};

TEST_F(RloadTest, ReadsEachLoadsValuesAndTableAtTheFreeMarkAndRefusesBadCounts) {
  for (const char* bad : {"npn=5\n", "npn=-1\n"}) {
    flag_off(*s);
    const int rc = read(bad);
    EXPECT_EQ((std::array{rc, int{flag_tst(*s)}, npn, s->csize.maxa}), (std::array{1, 1, 0, 8}))
        << bad;
  }
  EXPECT_TRUE(seen("rload:pnmust be less then 5"));
  flag_off(*s);
  ASSERT_EQ(read("npn=2\n"
                 "pn=1\nm=0 0 1 0 0 2\ntpn=2\nm=0 0 1 10\n"
                 "pn=1\nm=1 0 1 1 3 3\ntpn=3\nm=0 1 1 2 2 0\n"),
            0);
  EXPECT_FALSE(flag_tst(*s));
  // Value arrays and tables follow one another from the mark, each where the mark stood.
  EXPECT_EQ((std::vector<int32_t>{npn, ntpn[0], ntpn[1], jpn[0], jtpn[0], jpn[1], jtpn[1],
                                  s->csize.maxa}),
            (std::vector<int32_t>{2, 2, 3, 8, 12, 16, 20, 26}));
  // The loads at the midpoints (0.5, 0) of the bottom edge and (1, 0.5) of the right edge.
  const auto load1 = reals_of(jpn[0], 4), load2 = reals_of(jpn[1], 4);
  EXPECT_NEAR(load1[0], 1.0f, 1e-5);
  EXPECT_NEAR(load2[1], 3.0f, 1e-5);
  EXPECT_EQ(load1[1] + load2[0], 0.0f);
  EXPECT_EQ(reals_of(jtpn[0], 4), (std::vector<float>{0, 0, 1, 10}));
  EXPECT_EQ(reals_of(jtpn[1], 6), (std::vector<float>{0, 1, 1, 2, 2, 0}));
  EXPECT_EQ(read("npn=1\npn=0\ntpn=3000000\nm=1 2\n"), 1);
  EXPECT_TRUE(seen("required= 6000030") && npn == 0);  // the pool's own report for the table
}

class HistoryTest : public kernels_fixture::KernelSession {
 protected:
  // Nodes (0,0), (1,0), (1,1), (0,1), triangles (1,2,3), (1,3,4), and result function 1 the field
  // 2 + 3r - z + (steps done) at pointer 8.
  HistoryTest() {
    host.spare_enters = 100;
    mesh({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 3, {1, 2, 3, 1, 3, 4}, {});
    s->cht.nipp = 1;
    s->cht.ipp[0] = real_array(4);
    s->cht.ht = 0.1f;
    s->cht.hist.htdyn = -0.2f;
  }
  // Step `is` done at time 10 * is: the field moves on and the recorder is called, the first
  // time with the set-up; the task counts as prepared afterwards.
  int step(int is) {
    for (int k = 0; k < 4; ++k) s->a[9 + k] = 2 + 3 * s->a[2 * k + 1] - s->a[2 * k + 2] + is;
    s->cht.is = is;
    s->cht.t = 10.0f * is;
    const int rc = history(*s);
    s->cht.itask = kTaskPrepared;
    return rc;
  }
  std::vector<float> curve(int32_t j) const { return reals_of(j, h().npoints); }
  const ChtHistory& h() const { return s->cht.hist; }
};

TEST_F(HistoryTest, FullCurvesKeepEverySecondPointAndTheIntervalDoubles) {
  data("nthist=5\nnhist=1\nf=1\nx=0.25\ny=0.5\n");
  for (int is = 1; is <= 5; ++is) ASSERT_EQ(step(is), 0);
  EXPECT_EQ(curve(h().jthist), (std::vector<float>{10, 20, 30, 40, 50}));
  // The linear field at (0.25, 0.5) is 2.25 before the step's shift.
  expect_near(curve(h().jhist), {3.25, 4.25, 5.25, 6.25, 7.25}, 1e-5);
  EXPECT_EQ(curve(h().jhist0), std::vector<float>(5, 0.5f));  // ht / htdyn

  ASSERT_EQ(step(6), 0);
  EXPECT_EQ(curve(h().jthist), (std::vector<float>{10, 30, 50}));
  EXPECT_NEAR(curve(h().jhist)[2], 7.25f, 1e-5);
  for (int is = 7; is <= 10; ++is) ASSERT_EQ(step(is), 0);
  EXPECT_EQ(curve(h().jthist), (std::vector<float>{10, 30, 50, 70, 90}));
  EXPECT_NEAR(curve(h().jhist)[4], 11.25f, 1e-5);
}

TEST_F(HistoryTest, WithoutGraphsOnlyTheStepRatioIsKeptRestartsRecordAndOnePointIsNothing) {
  data("nthist=10\nnhist=0\n");
  for (int is : {1, 2, 3, 4, 2, 3}) ASSERT_EQ(step(is), 0);  // a restart at step 2
  EXPECT_EQ(s->csize.maxa, 12 + 2 * 10);  // times and the built-in curve, nothing else
  EXPECT_EQ(curve(h().jthist), (std::vector<float>{10, 20, 30, 40, 20, 30}));
  EXPECT_EQ(curve(h().jhist0), std::vector<float>(6, 0.5f));

  s->cht.itask = 0;
  data("nthist=1\n");
  ASSERT_EQ(step(2), 0);
  ASSERT_EQ(step(3), 0);
  EXPECT_EQ((std::array{h().nthist, h().npoints, s->csize.maxa}), (std::array{1, 0, 12 + 2 * 10}));
}

TEST_F(HistoryTest, BadSetUpsAreRefusedAndLeaveNoHistory) {
  const std::pair<const char*, const char*> cases[] = {
      {"nthist=5\nnhist=21\n", "! nhist= 0-20 !"},
      {"nthist=5\nnhist=1\nf=0\nx=0 y=0\n", " incorrect f:  0< f <nipp+1"},
      {"nthist=5\nnhist=1\nf=2\nx=0 y=0\n", " incorrect f:  0< f <nipp+1"}};
  for (const auto& [text, message] : cases) {
    flag_off(*s);
    screens.clear();
    s->cht.itask = 0;
    data(text);
    EXPECT_EQ(history(*s), 1) << text;
    EXPECT_TRUE(flag_tst(*s) && seen(message)) << text;
    EXPECT_TRUE(h().nthist == 0 && h().nhist == 0) << text;
  }
}

TEST_F(HistoryTest, PointsOutsideTheMeshAreNamedAndTheOthersKept) {
  data("nthist=5\nnhist=3\nf=1\nx=5\ny=0.5\nf=1\nx=0.25\ny=0.5\nf=1\nx=0.75\ny=0.5\n");
  ASSERT_EQ(step(1), 0);
  EXPECT_TRUE(!flag_tst(*s) &&
              seen("history:graph  1 x= 0.5000E+01 y= 0.5000E+00 is outside the mesh"));
  EXPECT_EQ(h().nhist, 2);
  ASSERT_EQ(curve(h().jhist0), (std::vector<float>{0.5f}));
  EXPECT_NEAR(curve(h().jhist)[0], 3.25f, 1e-5);
  // The mesh moves so that the second point leaves it: that graph goes, the first one stays.
  for (int k = 2; k <= 3; ++k) s->a[2 * k - 1] = 0.5f;
  ASSERT_EQ(step(2), 0);
  EXPECT_TRUE(seen("history:graph  2 x= 0.7500E+00"));
  EXPECT_TRUE(h().nhist == 1 && h().xhist[0] == 0.25f);
  EXPECT_EQ(curve(h().jthist), (std::vector<float>{10, 20}));
}

TEST_F(HistoryTest, APointIsFoundAgainWhenItsElementNoLongerHoldsIt) {
  data("nthist=5\nnhist=1\nf=1\nx=0.25\ny=0.5\n");
  ASSERT_EQ(step(1), 0);
  // The square's other diagonal: (0.25, 0.5) leaves triangle 2, (1, 3, 4), for triangle 1, now
  // (1, 2, 4). Only node 3 carries a value, which the old triangle would give a quarter of.
  const int32_t other[] = {1, 2, 4, 2, 3, 4};
  std::copy(std::begin(other), std::end(other), ints(*s, s->cmesh.jj1));
  for (int k = 0; k < 4; ++k) s->a[9 + k] = k == 2 ? 4.0f : 0.0f;
  s->cht.is = 2;
  ASSERT_EQ(history(*s), 0);
  expect_near(curve(h().jhist), {3.25, 0}, 1e-5);
}

TEST_F(HistoryTest, DamagedRecordWritesNothing) {
  data("nthist=5\nnhist=0\n");
  ASSERT_EQ(step(1), 0);
  s->cht.hist.jthist = kPoolReals - 2;
  ASSERT_EQ(step(2), 0);
  s->cht.hist.jthist = 12;
  s->cht.hist.npoints = 99;
  ASSERT_EQ(step(3), 0);
  EXPECT_EQ(h().npoints, 99);
  flag_on(*s, "");
  EXPECT_EQ(history(*s), 1);
}

}  // namespace
}  // namespace tivor
