#include <gtest/gtest.h>

#include "console/console_fixture.hpp"

namespace tivor::test {
namespace {

struct EditTest : ::testing::Test {
  Console c;
  std::string line;

  int edit(std::string_view typed, std::initializer_list<int> keys, int col = 5) {
    c.host.type(typed);
    for (int k : keys) c.host.press(k);
    locate1(c.s, col, 20);
    line.clear();
    return edit_line(c.s, line);
  }
};

TEST_F(EditTest, EditingKeys) {
  EXPECT_EQ(edit("hello", {key::kLeft, key::kLeft, 'X', key::kHome, key::kDel, key::kEnd,
                           key::kBksp, key::kEnter}),
            key::kEnter);
  EXPECT_EQ(line, "elXl");
  EXPECT_EQ(c.trimmed(20), "    elXl");
  edit("abc", {key::kPgUp, 'Z', key::kPgDn, key::kRight, 'Y', key::kEnter});
  EXPECT_EQ(line, "ZabcY");
  edit("", {key::kBksp, key::kDel, key::kLeft, 'a', key::kRight, key::kDel, key::kEnter});
  EXPECT_EQ(line, "a");
  edit("0123456789", {key::kEnter}, 75);  // only the room at the cursor
  EXPECT_EQ(line, "012345");
}

TEST_F(EditTest, OtherKeysEndInputWithTheirCode) {
  EXPECT_EQ(edit("ab", {key::kEsc}), key::kEsc);
  EXPECT_EQ(line, "ab");
  EXPECT_EQ(edit("", {key::kF1}), key::kF1);
  EXPECT_EQ(edit("", {key::kTab}), key::kTab);
  EXPECT_EQ(edit("", {242}), 242);
  EXPECT_EQ(edit("", {241, 31, key::kEnter}), key::kEnter);
  EXPECT_EQ(line, "\xf1\x1f");
  c.host.click_cell(1, 1, 2);
  EXPECT_EQ(edit("", {}), key::kEsc);
  EXPECT_EQ(c.s.history.count, 1);  // only lines ended by Enter
}

TEST_F(EditTest, History) {
  for (const char* l : {"one", "two", "two", "   "}) edit(l, {key::kEnter});
  ASSERT_EQ(c.s.history.count, 2);  // distinct and not blank
  edit("", {key::kUp, key::kEsc});
  EXPECT_EQ(line, "two");  // the first Up shows the newest
  edit("", {key::kUp, key::kUp, key::kUp, key::kEsc});
  EXPECT_EQ(line, "two");  // wraps around
  edit("", {key::kDown, key::kEsc});
  EXPECT_EQ(line, "one");
  edit("", {key::kUp, key::kUp, key::kEnter});
  EXPECT_EQ(c.s.history.lines[2], "one");
  edit("longer line", {key::kEnter});
  edit("", {key::kUp, key::kUp, key::kEnter});  // a shorter line erases the longer one
  EXPECT_EQ(c.trimmed(20), "    one");
  for (int k = 1; k <= 12; ++k) edit("l" + std::to_string(k), {key::kEnter});
  EXPECT_EQ(c.s.history.count, 10);
  EXPECT_EQ(c.s.history.lines[0], "l3");
  EXPECT_EQ(c.s.history.lines[9], "l12");
}

TEST_F(EditTest, CtrlCClearsScreenAndStops) {
  c.put(1, 3, "something");
  EXPECT_EQ(c.stops([&] { edit("ab", {key::kCtrlC}); }), 0);
  EXPECT_EQ(c.trimmed(1), " program interrupted by user");
  EXPECT_EQ(c.trimmed(3), "");
}

}  // namespace
}  // namespace tivor::test
