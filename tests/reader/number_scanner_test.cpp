// Keyword entries and their values read from a data file, and the report on bad data.
#include "reader/reader_fixture.hpp"

namespace tivor {
namespace {

class NumberScannerTest : public ReaderTest {
 protected:
  // Expects the request just made to have failed with the report and the flag; the key that
  // the flag's message waits for is supplied beforehand.
  void expect_report(const std::string& line, int position) {
    EXPECT_EQ(last_rc, 1);
    EXPECT_EQ(iflag(*s), 1);
    EXPECT_TRUE(shown("\"" + line + "\"")) << line;
    EXPECT_TRUE(shown("position number:" + fmt_int(position, "(i2)"))) << line;
    EXPECT_EQ(s->crd.ip, 0);
    flag_off(*s);
    cls(*s);
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
  EXPECT_FLOAT_EQ(real("cur"), 0.5f);
  EXPECT_FLOAT_EQ(real("cur"), 0.5f);
  EXPECT_FLOAT_EQ(real("cur"), 5.0f);
  EXPECT_FLOAT_EQ(real("x"), -0.25f);
  EXPECT_EQ(integer("n"), 17);
  EXPECT_EQ(integer("m"), -3);
  float sgl[3] = {};
  int n = 3;
  ASSERT_EQ(readr(*s, "sgl", sgl, n, "sgl", 0), 0);
  EXPECT_FLOAT_EQ(sgl[0], 0.1f);
  EXPECT_FLOAT_EQ(sgl[1], 0.2f);
  EXPECT_FLOAT_EQ(sgl[2], 0.3f);
  EXPECT_EQ(integer("big"), 999999999);
  EXPECT_EQ(integer("k2"), 4);
  EXPECT_EQ(last_rc, 0);
  EXPECT_EQ(iflag(*s), 0);
}

TEST_F(NumberScannerTest, CommentsAndColumnsBeyond72AreIgnored) {
  std::string line = "n=1";
  line.resize(72, ' ');
  open("cur=0.5 * remark 7\r\n" + line + "12345678\r\n2\r\n");
  EXPECT_FLOAT_EQ(real("cur"), 0.5f);
  int32_t v[2] = {};
  int n = 2;
  ASSERT_EQ(readi(*s, "n", v, n, "n", 0), 0);
  EXPECT_EQ(v[0], 1);
  EXPECT_EQ(v[1], 2);
}

TEST_F(NumberScannerTest, LongLinesAndNumbersCutAtColumn72AreReported) {
  // Sequence numbers after a blank, and blanks past column 80, are fine.
  const std::string cut = std::string(63, ' ') + "cur=-0.0051";
  open(std::string(68, ' ') + "n=4 12345678\r\nm=5" + std::string(100, ' ') + "\r\n" + cut +
       "\r\n");
  EXPECT_EQ(integer("n"), 4);
  EXPECT_EQ(integer("m"), 5);
  host.type("kk");
  real("cur");
  EXPECT_TRUE(shown("Error in string number:    3"));
  EXPECT_TRUE(shown("readr: number runs past column 72"));
  expect_report(cut, 73);

  open("k=1" + std::string(80, ' ') + "x\r\nk=2\r\n");
  integer("k");
  EXPECT_TRUE(shown("Error in string number:    1"));
  EXPECT_TRUE(shown("readi: line longer than 80 characters"));
  expect_report("k=1", 84);
}

TEST_F(NumberScannerTest, KeywordMismatchShowsExpectedAndGot) {
  host.type("k");
  open("cu=0.5\r\n");
  float v = 0;
  int n = 1;
  last_rc = readr(*s, " courant number", &v, n, "cur", 0);
  EXPECT_TRUE(shown("Error in string number:    1"));
  EXPECT_TRUE(shown("Expected:\"cur\" got:\"cu\"."));
  EXPECT_TRUE(shown("Value: courant number, check keyword:cur"));
  expect_report("cu=0.5", 3);
  EXPECT_TRUE(host.events.empty());
}

TEST_F(NumberScannerTest, BadEntriesAreReportedAtTheirColumn) {
  struct Case {
    const char* line;
    bool real;
    int position;
  };
  const Case cases[] = {
      {"cur =0.5", true, 4},
      {"n=1.5", false, 4},
      {"x=1e5", true, 4},
      {"n=1234567890", false, 13},
      {"x=1234567890.5", true, 15},
      {"x=0.5.1", true, 6},
      {"x=--1", true, 4},
      {"x=1-", true, 4},
      {"7x=1", true, 1},
      {"x=,", true, 3},
      {"x=.", true, 4},
      {"=1", true, 1},
      {"x=1=2", true, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    host.type("k");
    open(std::string(c.line) + "\r\n");
    if (c.real) {
      real("x");
    } else {
      integer("n");
    }
    expect_report(c.line, c.position);
  }
}

TEST_F(NumberScannerTest, EndMarkEndsLists) {
  host.type("k");
  open("f=1,2& f=1,2& f=4;5:6&\r\n");
  int32_t f[3] = {0, 0, 0};
  int n = 3;
  last_rc = readi(*s, "f", f, n, "f", 0);
  expect_report("f=1,2& f=1,2& f=4;5:6&", 6);

  open("f=1,2& f=4;5:6&\r\n");
  n = 0;
  ASSERT_EQ(readi(*s, "f", f, n, "f", -1), 0);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(f[1], 2);
  n = 3;
  ASSERT_EQ(readi(*s, "f", f, n, "f", 0), 0);
  EXPECT_EQ(f[2], 6);
}

TEST_F(NumberScannerTest, ListLongerThanItsArrayIsAnError) {
  host.type("k");
  open("f=1 2 3 4 5 6&\r\n");
  int32_t f[5] = {0, 0, 0, 0, -1};
  int n = 0;
  last_rc = readi(*s, "f", f, n, "f", -1, 4);
  expect_report("f=1 2 3 4 5 6&", 12);
  EXPECT_EQ(f[4], -1);
}

TEST_F(NumberScannerTest, OptionalEntriesAbsentKeepTheirValues) {
  open("a=1 b=2\r\nc=3\r\n");
  EXPECT_EQ(integer("a"), 1);
  EXPECT_EQ(integer("z", 1), -99);  // not on this line
  EXPECT_EQ(integer("b", 1), 2);
  EXPECT_EQ(integer("z", 1), -99);  // the line is used up
  EXPECT_EQ(integer("z", 2), -99);  // the next line holds another entry
  EXPECT_EQ(integer("c"), 3);       // which the next request still reads whole
  EXPECT_EQ(integer("z", 2), -99);  // end of file
  EXPECT_EQ(last_rc, 0);
  EXPECT_EQ(iflag(*s), 0);

  open("s=1 2 x\r\n");
  int32_t v[3] = {7, 8, 9};
  int n = 3;
  ASSERT_EQ(readi(*s, "s", v, n, "s", 2), 0);
  EXPECT_EQ(v[0], 7);  // partly read: absent, the old values stay
  EXPECT_EQ(v[2], 9);
}

TEST_F(NumberScannerTest, EndOfFileForARequiredEntryIsReported) {
  host.type("k");
  open("a=1\r\n");
  EXPECT_EQ(integer("a"), 1);
  integer("b");
  EXPECT_TRUE(shown(" **** end of file 30"));
  expect_report("", 0);
}

}  // namespace
}  // namespace tivor
