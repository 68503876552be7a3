#include <gtest/gtest.h>

#include "console/console_fixture.hpp"

namespace tivor::test {
namespace {

// Items 15 on 1, the current item 0 on 3.
constexpr int kItemAttr = 1 * 16 + 15;

struct MenuTest : ::testing::Test {
  Console c;
  int sel = 1;

  // Items "i1".."i|n|" of width 6 from column 10, title on row 5.
  void numbered(int n, int ncol, std::string_view title = "pick") {
    std::string items;
    for (int k = 1; k <= std::abs(n); ++k) items += "i" + std::to_string(k) + " ";
    wmenu(c.s, title, sel, items, n, "null", 10, 5, 0, 3, 15, 1, ncol, 6);
  }
  // The selection after the keys and Enter (no Enter when the keys end the menu).
  int after(std::initializer_list<int> keys, int start, int n, int ncol, bool enter = true) {
    for (int k : keys) c.host.press(k);
    if (enter) c.host.press(key::kEnter);
    sel = start;
    numbered(n, ncol);
    return sel;
  }
};

// The main menu's own layout is checked by the session tests; here several columns and a blank
// title.
TEST_F(MenuTest, LayoutInColumns) {
  int hi = 0;  // the current item while the menu waits
  c.host.on_wait = [&](int) { hi = c.attr(10, 6); };
  c.put(10, 8, std::string(18, 'x'));  // the last item row is cleared over the menu width
  c.put(10, 5, "keep");
  c.host.press(key::kEnter);
  numbered(7, 3, "   ");  // a blank title draws no title line
  EXPECT_EQ(c.trimmed(5), "         keep");
  EXPECT_EQ(c.row(7).substr(9, 18), "i4    i5    i6    ");
  EXPECT_EQ(c.row(8).substr(9, 18), "i7                ");
  EXPECT_TRUE(c.attr(27, 8) == kItemAttr && hi == 3 * 16 + 0);
}

TEST_F(MenuTest, KeyboardNavigation) {
  using namespace key;
  // One column: Right the last item and Left the first. Three columns of 7 items: Down and Up
  // pass the empty cells of row 3 and wrap, Right and Left wrap within the row. End and PgUp;
  // a starting selection clamped. A negative count: Left and Right end the menu with -1 and
  // -102. Esc gives 0.
  EXPECT_EQ((std::vector<int>{
                after({kRight}, 2, 4, 1), after({kLeft}, 3, 4, 1), after({kDown}, 6, 7, 3),
                after({kUp}, 3, 7, 3), after({kDown}, 7, 7, 3), after({kUp}, 5, 7, 3),
                after({kRight}, 3, 7, 3), after({kLeft}, 4, 7, 3), after({kRight}, 7, 7, 3),
                after({kLeft}, 7, 8, 3), after({kEnd}, 2, 7, 3), after({kPgUp}, 5, 7, 3),
                after({}, 99, 3, 1), after({kDown}, 1, -3, 1), after({kLeft}, 2, -3, 1, false),
                after({kRight}, 2, -3, 1, false), after({kEsc}, 2, 3, 1, false)}),
            (std::vector<int>{4, 1, 7, 7, 1, 2, 1, 6, 7, 8, 7, 1, 3, 2, -1, -102, 0}));
  EXPECT_TRUE(c.host.events.empty());
  sel = 3;
  numbered(0, 1);
  EXPECT_EQ(sel, 0);
}

TEST_F(MenuTest, MouseSelectsAndSecondClickReturns) {
  c.host.click_cell(23, 7);  // item 6, not yet selected
  c.host.click_cell(40, 7);  // outside the menu
  c.host.click_cell(27, 7);  // item 6 again, at the right edge of its box
  sel = 1;
  numbered(7, 3);
  EXPECT_TRUE(sel == 6 && c.host.waits == 3);
  c.host.click_cell(10, 6, 2);  // the right button abandons
  numbered(7, 3);
  EXPECT_EQ(sel, 0);
}

TEST_F(MenuTest, CallerClipAndCursorRestored) {
  set_clip(c.s, 10, 20, 100, 200);
  locate1(c.s, 33, 22);
  int mode_during = 0;
  c.host.on_wait = [&](int) { mode_during = c.s.grf.clip_mode; };
  after({}, 1, 3, 1);
  EXPECT_TRUE(mode_during == 1 && c.s.grf.clip_mode == 4 && c.s.grf.clip[2] == 100 &&
              c.s.colors.col == 33 && c.s.colors.row == 22);
}

TEST_F(MenuTest, AltCRunsTypedCommandAndRestoresRowOne) {
  c.put(1, 1, "top row text");
  std::string prompt;
  c.host.on_wait = [&](int n) {
    if (n == 2) prompt = c.trimmed(1);
  };
  c.host.script("<Alt-C>ls -l<Enter> <Alt-C>rm x<Esc><Enter>");  // the second one abandoned
  numbered(3, 1);
  EXPECT_TRUE(prompt == "Enter DOS command>" && c.trimmed(1) == "top row text");
  EXPECT_EQ(c.host.commands, std::vector<std::string>{"ls -l"});
  EXPECT_EQ(getmenu(2, "  edit open_data  copy_data"), "open data");
  EXPECT_EQ(getmenu(4, "  edit open_data  copy_data"), "");
}

}  // namespace
}  // namespace tivor::test
