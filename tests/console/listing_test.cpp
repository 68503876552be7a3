#include <gtest/gtest.h>

#include <numeric>

#include "console/console_fixture.hpp"

namespace tivor::test {
namespace {

std::string int_line(int first, int count) {
  std::string out;
  for (int k = 0; k < count; ++k) out += fmt_int(first + k, "(i8)");
  return out;
}

TEST(Listing, ThreeHundredIntegersPauseAtRow25) {
  for (int answer : {int{'n'}, key::kEsc, int{' '}}) {
    Console c;
    std::vector<int32_t> v(300);
    std::iota(v.begin(), v.end(), 1);
    std::vector<std::string> at_pause;
    c.host.on_wait = [&](int) {
      for (int r = 18; r <= 25; ++r) at_pause.push_back(c.trimmed(r));
    };
    c.host.press(answer);
    locate1(c.s, 1, 18);
    prtim(c.s, " pointers", v.data(), 300);
    EXPECT_EQ(c.host.waits, 1);
    EXPECT_EQ(at_pause.at(0), " pointers");
    EXPECT_EQ(at_pause.at(1), int_line(1, 10));
    EXPECT_EQ(at_pause.at(6), int_line(51, 10));
    EXPECT_EQ(at_pause.at(7), "more?");
    if (answer == ' ') {  // continues on the cleared screen
      EXPECT_EQ(c.trimmed(1), int_line(61, 10));
      EXPECT_EQ(c.trimmed(24), int_line(291, 10));
    } else {
      for (int r = 1; r <= 25; ++r) EXPECT_EQ(c.trimmed(r), "");
    }
  }
}

TEST(Listing, ShortListsLabelsAndReals) {
  Console c;
  const int32_t three[] = {1, 2, 3};
  locate1(c.s, 1, 1);
  prtim(c.s, " n=", three, 3);
  prtim(c.s, std::string(60, 'L'), three, 2);  // 2 * 10 + 60 exceeds 79
  const float r[] = {1, 2, 3, 4, 5, -6};
  prtrm(c.s, " r", r, 6);
  EXPECT_EQ(c.trimmed(1), " n=" + int_line(1, 3));
  EXPECT_EQ(c.trimmed(3), int_line(1, 2));
  EXPECT_EQ(c.trimmed(5), "  0.100E+01  0.200E+01  0.300E+01  0.400E+01  0.500E+01");
  EXPECT_EQ(c.trimmed(6), " -0.600E+01");
  iwrite(c.s, "x=   ", 5, "(i7)", 1);
  rwrite(c.s, " t=", 0.5f, "(e10.3)", 0);
  EXPECT_EQ(c.trimmed(7), "x=      5");
  EXPECT_EQ(c.trimmed(8), " t= 0.500E+00");
}

}  // namespace
}  // namespace tivor::test
