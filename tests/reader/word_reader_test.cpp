// Words for names and plain integers in a text.
#include "reader/reader_fixture.hpp"

namespace tivor {
namespace {

using WordReaderTest = ReaderTest;

TEST_F(WordReaderTest, WordsFromTheLineThenFromNewLines) {
  open("  alpha beta\r\n\r\ntoolongword x\r\ngamma\r\n");
  std::string name;
  int len = -1;
  readname(*s, name, 8, len, "");
  EXPECT_TRUE(name == "alpha" && len == 5);
  readname(*s, name, 8, len, "");
  EXPECT_EQ(name, "beta");
  readname(*s, name, 8, len, "");  // a blank line: nothing read
  EXPECT_TRUE(name.empty() && len == 0);

  host.type("k");
  locate1(*s, 1, 10);
  readname(*s, name, 8, len, "");  // too long: the rest of its line is dropped
  EXPECT_EQ(name, "gamma");
  EXPECT_TRUE(host.events.empty());
  EXPECT_EQ(row(10), "");  // the message was erased

  host.type("k");
  readname(*s, name, 8, len, "");
  EXPECT_EQ(len, 0);
  EXPECT_TRUE(shown("readname:read error"));
}

TEST_F(WordReaderTest, KeyboardAnswersAndTheTooLongMessage) {
  locate1(*s, 1, 20);
  host.type("abcdefghijk\r");
  host.press('k');
  host.type("abc def\r");
  std::string name;
  int len = 0;
  readname(*s, name, 10, len, " enter name:");
  EXPECT_EQ(name, "abc");
  readname(*s, name, 10, len, " enter name:");
  EXPECT_EQ(name, "def");
  host.type("\r");
  readname(*s, name, 10, len, " enter name:");
  EXPECT_EQ(len, 0);
  host.press(key::kEsc);
  readname(*s, name, 10, len, " enter name:");
  EXPECT_EQ(len, 0);
}

TEST(WordsInText, FirstWordAndIntegers) {
  int first = -1;
  int last = -1;
  rdword("   ab cd", first, last);
  EXPECT_TRUE(first == 4 && last == 5);
  rdword("xyz", first, last);
  EXPECT_TRUE(first == 1 && last == 3);
  rdword("    ", first, last);
  EXPECT_EQ(first + last, 0);

  struct Case {
    const char* text;
    int value;
    int ierr;
  };
  const Case cases[] = {{" 42 ", 42, 0},
                        {"-7", -7, 0},
                        {"+0", 0, 0},
                        {"2147483647", 2147483647, 0},
                        {"-2147483648", -2147483647 - 1, 0},
                        {"2147483648", 5, 1},
                        {"", 5, 1},
                        {"  ", 5, 1},
                        {"-", 5, 1},
                        {"1 2", 5, 1},
                        {"- 1", 5, 1},
                        {"1.0", 5, 1},
                        {"12x", 5, 1}};
  for (const Case& c : cases) {
    int value = 5;
    int ierr = -1;
    gtint(c.text, value, ierr);
    EXPECT_EQ(ierr, c.ierr) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
}

}  // namespace
}  // namespace tivor
