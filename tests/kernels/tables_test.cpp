// Time tables: evaluation inside and outside the table and its degenerate forms; load sets read
// from a data file into the pool, and the counts and sizes that are refused.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "core/pool.hpp"
#include "host/test_dir.hpp"
#include "kernels/kernels.hpp"
#include "reader/reader.hpp"
#include "support/test_host.hpp"

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

class RloadTest : public ::testing::Test {
 protected:
  // The unit square with its four boundary edges (1,2), (2,3), (3,4), (4,1).
  RloadTest() : s(std::make_unique<Session>(host)) {
    console_install(*s);
    host.spare_enters = 100;
    host.on_wait = [this](int) { screens.push_back(screen()); };
    Cmesh& c = s->cmesh;
    c.n1 = 4;
    c.n3 = 4;
    c.jrz = 0;
    c.jj2 = 0;
    const float rz[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    const int32_t edges[8] = {1, 2, 2, 3, 3, 4, 4, 1};
    for (int i = 0; i < 8; ++i) {
      s->a[1 + i] = rz[i];
      s->km[1 + i] = edges[i];
    }
    s->csize.maxa = 8;
    s->csize.maxk = 8;
  }

  int read(const std::string& text) {
    const std::string name = dir.file("load.dat");
    std::ofstream(name, std::ios::binary) << text;
    int unit = 0;
    EXPECT_EQ(readfrom(*s, unit, name), 0);
    return rload(*s, "pressure", npn, jpn, jtpn, ntpn, "pn");
  }
  std::vector<float> array(int32_t j, int n) const {
    return {s->a.begin() + j + 1, s->a.begin() + j + 1 + n};
  }
  std::string screen() const { return std::string(s->text.ch.begin(), s->text.ch.end()); }
  bool seen(const std::string& text) const {
    for (const auto& sc : screens) {
      if (sc.find(text) != std::string::npos) return true;
    }
    return false;
  }

  test::TestHost host;
  TestDir dir;
  std::unique_ptr<Session> s;
  std::vector<std::string> screens;
  int32_t npn = -1, jpn[4] = {}, jtpn[4] = {}, ntpn[4] = {};
};

TEST_F(RloadTest, ReadsEachLoadsValuesAndTableAtTheFreeMark) {
  ASSERT_EQ(read("npn=2\n"
                 "pn=1\nm=0 0 1 0 0 2\ntpn=2\nm=0 0 1 10\n"
                 "pn=1\nm=1 0 1 1 3 3\ntpn=3\nm=0 1 1 2 2 0\n"),
            0);
  EXPECT_FALSE(flag_tst(*s));
  ASSERT_EQ(npn, 2);
  EXPECT_EQ(ntpn[0], 2);
  EXPECT_EQ(ntpn[1], 3);
  // Value arrays and tables follow one another from the mark, each where the mark stood.
  EXPECT_EQ(jpn[0], 8);
  EXPECT_EQ(jtpn[0], 12);
  EXPECT_EQ(jpn[1], 16);
  EXPECT_EQ(jtpn[1], 20);
  EXPECT_EQ(s->csize.maxa, 26);
  const auto load1 = array(jpn[0], 4), load2 = array(jpn[1], 4);
  EXPECT_NEAR(load1[0], 1.0f, 1e-5);  // midpoint (0.5, 0) of the bottom edge
  EXPECT_EQ(load1[1], 0.0f);
  EXPECT_EQ(load2[0], 0.0f);
  EXPECT_NEAR(load2[1], 3.0f, 1e-5);  // midpoint (1, 0.5) of the right edge
  EXPECT_EQ(array(jtpn[0], 4), (std::vector<float>{0, 0, 1, 10}));
  EXPECT_EQ(array(jtpn[1], 6), (std::vector<float>{0, 1, 1, 2, 2, 0}));
  float f = 0, df = 0;
  intr(1.5f, reals(*s, jtpn[1]), ntpn[1], f, df);
  EXPECT_FLOAT_EQ(f, 1.0f);
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
