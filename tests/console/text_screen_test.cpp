// The text screen: writing, scrolling, clearing areas, repainting, the key wait, and the line
// editor under every prompt.
#include <gtest/gtest.h>

#include "console/console_fixture.hpp"

namespace tivor::test {
namespace {

TEST(Dispstr, WritesCutsAtColumn80AndNeverHidesText) {
  Console c;
  c.put(78, 3, "abcdef", 14, 1);
  EXPECT_TRUE(c.row(3).substr(77) == "abc" && c.attr(78, 3) == 1 * 16 + 14);
  locate1(c.s, 78, 3);
  dispstr(c.s, "abcdef");
  EXPECT_EQ(c.s.colors.col, 81);
  dispstr(c.s, "xyz");
  EXPECT_EQ(c.trimmed(4), "");

  c.put(1, 1, "A", 0, 0);  // black on black is drawn in 15 on black
  EXPECT_EQ(c.attr(1, 1), 15);
  int glyph = 0, ground = 0;
  for (int y = 1; y <= 14; ++y) {
    for (int x = 1; x <= 8; ++x) {
      glyph += c.pixel(x, y) == 15;
      ground += c.pixel(x, y) == 0;
    }
  }
  EXPECT_TRUE(glyph > 0 && ground > 0);
  c.put(2, 1, "B", 5, 5);
  EXPECT_EQ(c.attr(2, 1), 5 * 16 + 4);
}

TEST(Dispstr, RowOutsideScreenIsReportedAndCursorBroughtBack) {
  for (int bad : {0, -7, 26}) {
    Console c;
    c.s.colors.row = bad;
    dispstr(c.s, "text");
    EXPECT_TRUE(c.trimmed(24) == "irow=" + std::to_string(bad) && c.trimmed(25) == "text");
  }
}

TEST(Newstr, ScrollsWholeScreenOnlyFromRow25) {
  Console c;
  for (auto [r, t] : {std::pair{1, "first"}, {2, "second"}, {25, "last"}}) c.put(1, r, t);
  locate1(c.s, 10, 24);
  newstr(c.s);
  EXPECT_EQ(c.trimmed(1), "first");
  c.s.colors.bg = 2;
  newstr(c.s);  // from row 25
  EXPECT_TRUE(c.trimmed(1) == "second" && c.trimmed(24) == "last" && c.trimmed(25).empty());
  EXPECT_TRUE((c.attr(1, 25) >> 4) == 2 && c.s.colors.row == 25 && c.s.colors.col == 1);
}

TEST(Cls, AreasClearCellsRasterAndScreen) {
  struct Area {
    void (*clear)(Session&);
    int left, top, right, bottom;
  };
  for (const Area& a :
       {Area{clswnd1, 1, 1, 61, 17}, Area{clswnd2, 62, 1, 80, 25}, Area{clswnd3, 1, 18, 80, 25}}) {
    Console c;
    for (int r = 1; r <= 25; ++r) c.put(1, r, std::string(80, 'x'));
    std::fill(c.s.frame.raster.begin(), c.s.frame.raster.end(), uint8_t{6});
    c.s.colors.bg = 3;
    a.clear(c.s);
    EXPECT_TRUE(c.s.colors.col == a.left && c.s.colors.row == a.top);
    for (int r = 1; r <= 25; ++r) {
      for (int col = 1; col <= 80; ++col) {
        const bool in = col >= a.left && col <= a.right && r >= a.top && r <= a.bottom;
        ASSERT_EQ(c.row(r)[col - 1], in ? ' ' : 'x');
        const int x = (col - 1) * 8 + 1 + (col % 8), y = (r - 1) * 14 + 1 + (r % 14);
        ASSERT_EQ(c.s.frame.at(x, y), in ? 3 : 6);
        ASSERT_TRUE(!in || c.pixel(x, y) == 3);
      }
    }
  }
}

TEST(Repaint, TextFromShadowPictureCellsFromRaster) {
  Console c;
  for (int y = 15; y <= 28; ++y) c.s.frame.at(1, y) = 4;
  c.s.text.attr_at(1, 2) = 17;
  c.put(2, 2, "t");
  repaint(c.s);
  const auto good = c.screen();
  EXPECT_EQ(c.pixel(1, 20), 4);
  std::fill(c.host.surface().pixels.begin(), c.host.surface().pixels.end(), uint8_t{9});
  repaint(c.s);
  EXPECT_EQ(c.screen(), good);
}

TEST(Grfkey, BlinksAtCursorRestoresScreenMapsButtonsAndStops) {
  Console c;
  c.put(1, 5, "abc", 14, 1);
  locate1(c.s, 2, 5);
  const auto before = c.screen();
  int underline = -1;
  c.host.on_wait = [&](int) { underline = c.pixel(9, 5 * 14 - 1); };
  c.host.press('q');
  c.host.events.push_back(InputEvent{0, 2, 10, 10});
  int key = 0;
  grfkey(c.s, key);
  EXPECT_TRUE(key == 'q' && underline == 7);  // the underline in the current foreground
  EXPECT_EQ(c.screen(), before);
  grfkey(c.s, key);
  EXPECT_EQ(key, key::kEsc);  // the right button

  c.host.press(key::kCtrlC);
  EXPECT_TRUE(c.stops([&] { grfkey(c.s, key); }) == 0 && !c.host.window_open());
}

struct EditTest : ::testing::Test {
  Console c;
  std::string line;
  int code = 0;  // the key that ended the line

  // The line edited at column col of row 20 by the key script.
  std::string edit(std::string_view script, int col = 5) {
    c.host.script(script);
    locate1(c.s, col, 20);
    line.clear();
    code = edit_line(c.s, line);
    return line;
  }
};

TEST_F(EditTest, EditingKeys) {
  EXPECT_EQ(edit("hello<Left><Left>X<Home><Del><End><Bksp><Enter>"), "elXl");
  EXPECT_TRUE(code == key::kEnter && c.trimmed(20) == "    elXl");
  EXPECT_EQ(edit("abc<PgUp>Z<PgDn><Right>Y<Enter>"), "ZabcY");
  EXPECT_EQ(edit("<Bksp><Del><Left>a<Right><Del><Enter>"), "a");
  EXPECT_EQ(edit("0123456789<Enter>", 75), "012345");  // only the room at the cursor
}

TEST_F(EditTest, OtherKeysEndInputWithTheirCode) {
  auto ended = [&](std::string_view script) {
    edit(script);
    return code;
  };
  EXPECT_EQ(edit("ab<Esc>"), "ab");
  EXPECT_EQ((std::vector<int>{code, ended("<F1>"), ended("<Tab>")}),
            (std::vector<int>{key::kEsc, key::kF1, key::kTab}));
  c.host.press(242);  // not text, like any other code above 241
  EXPECT_EQ(ended(""), 242);
  for (int k : {241, 31}) c.host.press(k);
  EXPECT_EQ(edit("<Enter>"), "\xf1\x1f");
  c.host.click_cell(1, 1, 2);  // the right button
  EXPECT_EQ(ended(""), key::kEsc);
  EXPECT_EQ(c.s.history.count, 1);  // only lines ended by Enter
}

TEST_F(EditTest, History) {
  for (const char* l : {"one", "two", "two", "   "}) edit(l + std::string("<Enter>"));
  ASSERT_EQ(c.s.history.count, 2);  // distinct and not blank
  // The first Up shows the newest; the history wraps around.
  EXPECT_EQ((std::vector{edit("<Up><Esc>"), edit("<Up><Up><Up><Esc>"), edit("<Down><Esc>")}),
            (std::vector<std::string>{"two", "two", "one"}));
  edit("<Up><Up><Enter>");
  EXPECT_EQ(c.s.history.lines[2], "one");
  edit("longer line<Enter>");
  edit("<Up><Up><Enter>");  // a shorter line erases the longer one
  EXPECT_EQ(c.trimmed(20), "    one");
  for (int k = 1; k <= 12; ++k) edit("l" + std::to_string(k) + "<Enter>");
  EXPECT_TRUE(c.s.history.count == 10 && c.s.history.lines[0] == "l3" &&
              c.s.history.lines[9] == "l12");
}

TEST_F(EditTest, CtrlCClearsScreenAndStops) {
  c.put(1, 3, "something");
  EXPECT_EQ(c.stops([&] { edit("ab<Ctrl-C>"); }), 0);
  EXPECT_TRUE(c.trimmed(1) == " program interrupted by user" && c.trimmed(3).empty());
}

}  // namespace
}  // namespace tivor::test
