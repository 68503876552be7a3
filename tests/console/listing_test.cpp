// Numbers formatted as the listings print them, and listings that page at row 25.
#include <gtest/gtest.h>

#include <limits>
#include <numeric>

#include "console/console.hpp"
#include "console/console_fixture.hpp"

namespace tivor::test {
namespace {

std::string int_line(int first, int count) {
  std::string out;
  for (int k = 0; k < count; ++k) out += fmt_int(first + k, "(i8)");
  return out;
}

using Texts = std::vector<std::string>;

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
    ASSERT_EQ(c.host.waits, 1);
    EXPECT_EQ((Texts{at_pause.at(0), at_pause.at(1), at_pause.at(6), at_pause.at(7)}),
              (Texts{" pointers", int_line(1, 10), int_line(51, 10), "more?"}));
    if (answer == ' ') {  // continues on the cleared screen
      EXPECT_EQ((Texts{c.trimmed(1), c.trimmed(24)}), (Texts{int_line(61, 10), int_line(291, 10)}));
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
  iwrite(c.s, "x=   ", 5, "(i7)", 1);
  rwrite(c.s, " t=", 0.5f, "(e10.3)", 0);
  EXPECT_EQ(
      (Texts{c.trimmed(1), c.trimmed(3), c.trimmed(5), c.trimmed(6), c.trimmed(7), c.trimmed(8)}),
      (Texts{" n=" + int_line(1, 3), int_line(1, 2),
             "  0.100E+01  0.200E+01  0.300E+01  0.400E+01  0.500E+01", " -0.600E+01", "x=      5",
             " t= 0.500E+00"}));
}

// Right-justified in their fields, asterisks when the value does not fit; E editing rounds with
// a carry into the exponent, F and E editing drop the leading zero when one short, and no
// negative zero is printed.
TEST(Format, NumbersInTheirFields) {
  EXPECT_EQ((Texts{fmt_int(5, "(i7)"), fmt_int(4000000, "(i7)"), fmt_int(-42, "(i4)"),
                   fmt_int(7, "(I5.3)"), fmt_int(std::numeric_limits<int>::min(), "(i11)"),
                   fmt_int(12345, "(i4)"), fmt_int(-1000, "(i4)")}),
            (Texts{"      5", "4000000", " -42", "  007", "-2147483648", "****", "****"}));
  EXPECT_EQ(
      (Texts{fmt_real(0.5f, "(e10.3)"), fmt_real(-0.5f, "(e10.3)"), fmt_real(0.0f, "(e10.3)"),
             fmt_real(-0.0f, "(e10.3)"), fmt_real(1234.5f, "(e10.3)"), fmt_real(1.0e-5f, "(e10.3)"),
             fmt_real(3.0e38f, "(E10.3)"), fmt_real(9.9996f, "(e10.3)"), fmt_real(1.0f, "(e12.5)"),
             fmt_real(-0.5f, "(e9.3)"), fmt_real(-0.5f, "(e8.3)"),
             fmt_real(std::numeric_limits<float>::infinity(), "(e10.3)")}),
      (Texts{" 0.500E+00", "-0.500E+00", " 0.000E+00", " 0.000E+00", " 0.123E+04", " 0.100E-04",
             " 0.300E+39", " 0.100E+02", " 0.10000E+01", "-.500E+00", "********", "       Inf"}));
  EXPECT_EQ(
      (Texts{fmt_real(3.14159f, "(f8.2)"), fmt_real(-2.5f, "(f6.2)"), fmt_real(0.5f, "(f3.2)"),
             fmt_real(12345.0f, "(f5.1)"), fmt_real(-0.001f, "(f5.2)")}),
      (Texts{"    3.14", " -2.50", ".50", "*****", " 0.00"}));
}

TEST(Format, TextBlanksAndBadFormats) {
  // The third stops at the next data descriptor.
  EXPECT_EQ((Texts{fmt_int(7, "('x=', 1x, i2, ' end')"), fmt_int(7, "('it''s',i2)"),
                   fmt_int(3, "(i2,' a',i4,' b')"), fmt_int(2, "(e10.3)")}),
            (Texts{"x=  7 end", "it's 7", " 3 a", " 0.200E+01"}));
  for (const char* f : {"", "i7", "(q7)", "(i)", "(e10)", "('open"}) {
    EXPECT_TRUE(fmt_int(12, f).find("12") != std::string::npos &&
                fmt_real(1.5f, f).find("1.5") != std::string::npos)
        << f;
  }
}

}  // namespace
}  // namespace tivor::test
