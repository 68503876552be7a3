// Time tables: evaluation inside and outside the table and its degenerate forms; load sets read
// from a data file into the pool, and the counts and sizes that are refused.
#include <gtest/gtest.h>

#include <string>
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

TEST_F(RloadTest, ReadsEachLoadsValuesAndTableAtTheFreeMark) {
  ASSERT_EQ(read("npn=2\n"
                 "pn=1\nm=0 0 1 0 0 2\ntpn=2\nm=0 0 1 10\n"
                 "pn=1\nm=1 0 1 1 3 3\ntpn=3\nm=0 1 1 2 2 0\n"),
            0);
  EXPECT_FALSE(flag_tst(*s));
  // Value arrays and tables follow one another from the mark, each where the mark stood.
  EXPECT_EQ((std::vector<int32_t>{npn, ntpn[0], ntpn[1], jpn[0], jtpn[0], jpn[1], jtpn[1]}),
            (std::vector<int32_t>{2, 2, 3, 8, 12, 16, 20}));
  EXPECT_EQ(s->csize.maxa, 26);
  // The loads at the midpoints (0.5, 0) of the bottom edge and (1, 0.5) of the right edge.
  const auto load1 = reals_of(jpn[0], 4), load2 = reals_of(jpn[1], 4);
  EXPECT_NEAR(load1[0], 1.0f, 1e-5);
  EXPECT_NEAR(load2[1], 3.0f, 1e-5);
  EXPECT_EQ(load1[1] + load2[0], 0.0f);
  EXPECT_EQ(reals_of(jtpn[0], 4), (std::vector<float>{0, 0, 1, 10}));
  EXPECT_EQ(reals_of(jtpn[1], 6), (std::vector<float>{0, 1, 1, 2, 2, 0}));
}

TEST_F(RloadTest, RefusesBadCountsAndTablesBeyondThePool) {
  for (const char* bad : {"npn=5\n", "npn=-1\n"}) {
    flag_off(*s);
    EXPECT_EQ(read(bad), 1) << bad;
    EXPECT_TRUE(flag_tst(*s));
    EXPECT_EQ(npn, 0);
    EXPECT_EQ(s->csize.maxa, 8);
  }
  EXPECT_TRUE(seen("rload:pnmust be less then 5"));

  flag_off(*s);
  EXPECT_EQ(read("npn=1\npn=0\ntpn=3000000\nm=1 2\n"), 1);
  EXPECT_TRUE(seen("required= 6000012"));  // the pool's own report
  EXPECT_EQ(npn, 0);
}

}  // namespace
}  // namespace tivor
