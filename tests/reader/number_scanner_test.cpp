// Keyword entries and their values read from a data file, and the report on bad data.
#include "reader/reader_fixture.hpp"

namespace tivor {
namespace {

class NumberScannerTest : public ReaderTest {
 protected:
  // Expects the request just made to have failed with the report and the flag; the key that
  // the flag's message waits for is supplied beforehand.
  void expect_report(const std::string& line, int position) {
    EXPECT_TRUE(last_rc == 1 && iflag(*s) == 1 && s->crd.ip == 0 && host.events.empty()) << line;
    EXPECT_TRUE(shown("\"" + line + "\"") && shown("position number:" + fmt_int(position, "(i2)")))
        << line;
    flag_off(*s);
    cls(*s);
  }
  // A list "f" (iopt 0: three values; -1: up to the end mark): the sum of the first three
  // values plus ten times the count.
  int32_t list(int iopt, int capacity = -1) {
    int32_t f[5] = {0, 0, 0, 0, -1};
    int n = iopt == 0 ? 3 : 0;
    last_rc = readi(*s, "f", f, n, "f", iopt, capacity);
    EXPECT_EQ(f[4], -1);
    return f[0] + f[1] + f[2] + 10 * n;
  }
};

TEST_F(NumberScannerTest, ValidEntries) {
  open(
      "cur=.5 CUR=0.5 Cur=5. x=-0.25 n=+17,m=-3\r\n"
      "sgl=0.1 0.2 * the third value follows\r\n"
      " 0.3\r\n"
      "* a comment line\r\n"
      "\r\n"
      "big=999999999 k2=4\r\n");
  EXPECT_EQ((std::vector<float>{real("cur"), real("cur"), real("cur"), real("x")}),
            (std::vector<float>{0.5f, 0.5f, 5.0f, -0.25f}));
  EXPECT_EQ((std::vector<int>{integer("n"), integer("m")}), (std::vector<int>{17, -3}));
  float sgl[3] = {};
  int n = 3;
  ASSERT_EQ(readr(*s, "sgl", sgl, n, "sgl", 0), 0);
  EXPECT_EQ((std::vector<float>(sgl, sgl + 3)), (std::vector<float>{0.1f, 0.2f, 0.3f}));
  EXPECT_EQ((std::vector<int>{integer("big"), integer("k2")}), (std::vector<int>{999999999, 4}));
  EXPECT_EQ(last_rc + iflag(*s), 0);

  // Comments and columns beyond 72 are ignored; lists go on over lines and end with "&".
  std::string line = "n=1";
  line.resize(72, ' ');
  open("cur=0.5 * remark 7\r\n" + line + "12345678\r\n2\r\n f=1,2& f=4;5:6&\r\n");
  EXPECT_FLOAT_EQ(real("cur"), 0.5f);
  int32_t v[2] = {};
  n = 2;
  ASSERT_EQ(readi(*s, "n", v, n, "n", 0), 0);
  EXPECT_TRUE(v[0] == 1 && v[1] == 2);
  EXPECT_EQ((std::array{list(-1), list(0)}), (std::array{20 + 3, 30 + 15}));  // 1 and 2; 4, 5, 6
}

TEST_F(NumberScannerTest, LongLinesAndNumbersCutAtColumn72AreReported) {
  // Sequence numbers after a blank, and blanks past column 80, are fine.
  const std::string cut = std::string(63, ' ') + "cur=-0.0051";
  open(std::string(68, ' ') + "n=4 12345678\r\nm=5" + std::string(100, ' ') + "\r\n" + cut +
       "\r\n");
  EXPECT_EQ((std::vector<int>{integer("n"), integer("m")}), (std::vector<int>{4, 5}));
  host.type("k");
  real("cur");
  EXPECT_TRUE(shown("Error in string number:    3") && shown("readr: number runs past column 72"));
  expect_report(cut, 73);

  open("k=1" + std::string(80, ' ') + "x\r\nk=2\r\n");
  host.type("k");
  integer("k");
  EXPECT_TRUE(shown("Error in string number:    1") &&
              shown("readi: line longer than 80 characters"));
  expect_report("k=1", 84);

  open("cu=0.5\r\n");
  host.type("k");
  float v = 0;
  int n = 1;
  last_rc = readr(*s, " courant number", &v, n, "cur", 0);
  EXPECT_TRUE(shown("Expected:\"cur\" got:\"cu\".") &&
              shown("Value: courant number, check keyword:cur"));
  expect_report("cu=0.5", 3);

  open("a=1\r\n");
  EXPECT_EQ(integer("a"), 1);
  host.type("k");
  integer("b");
  // The end of the file says where the file ended and which keyword ran out, nothing else.
  EXPECT_TRUE(last_rc == 1 && iflag(*s) == 1);
  EXPECT_TRUE(shown(" **** end of file test.dif after line 1") &&
              shown("Value: prompt, check keyword:b") && !shown("Error in string number"));
}

TEST_F(NumberScannerTest, BadEntriesAreReportedAtTheirColumn) {
  struct Case {
    const char* line;
    char request;  // r a real x, i an integer n, l three integers f, m up to four
    int position;
  };
  const Case cases[] = {
      {"cur =0.5", 'r', 4},
      {"n=1.5", 'i', 4},
      {"x=1e5", 'r', 4},
      {"n=1234567890", 'i', 13},
      {"x=1234567890.5", 'r', 15},
      {"x=0.5.1", 'r', 6},
      {"x=--1", 'r', 4},
      {"x=1-", 'r', 4},
      {"7x=1", 'r', 1},
      {"x=,", 'r', 3},
      {"x=.", 'r', 4},
      {"=1", 'r', 1},
      {"x=1=2", 'r', 4},
      {"f=1,2& f=1,2& f=4;5:6&", 'l', 6},  // the end mark ends lists
      {"f=1 2 3 4 5 6&", 'm', 12},         // longer than the array
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    host.type("k");
    open(std::string(c.line) + "\r\n");
    if (c.request == 'r') real("x");
    if (c.request == 'i') integer("n");
    if (c.request == 'l') list(0);
    if (c.request == 'm') list(-1, 4);
    expect_report(c.line, c.position);
  }
}

TEST_F(NumberScannerTest, OptionalEntriesAbsentKeepTheirValues) {
  open("a=1 b=2\r\nc=3\r\n");
  // z is not on the first line, then that line is used up; the next line holds another entry,
  // which the next request still reads whole; then the end of the file.
  EXPECT_EQ((std::vector<int>{integer("a"), integer("z", 1), integer("b", 1), integer("z", 1),
                              integer("z", 2), integer("c"), integer("z", 2)}),
            (std::vector<int>{1, -99, 2, -99, -99, 3, -99}));
  EXPECT_EQ(last_rc + iflag(*s), 0);

  open("s=1 2 x\r\n");
  int32_t v[3] = {7, 8, 9};
  int n = 3;
  ASSERT_EQ(readi(*s, "s", v, n, "s", 2), 0);
  EXPECT_TRUE(v[0] == 7 && v[2] == 9);  // partly read: absent, the old values stay
}

}  // namespace
}  // namespace tivor
