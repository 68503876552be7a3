#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "console/console_fixture.hpp"

namespace tivor::test {
namespace {

struct HelpTest : ::testing::Test {
  WorkDir dir;
  Console c;
  std::vector<std::string> box;  // the rows while the box waits
  std::vector<uint8_t> shown;
  bool scratch = false;

  HelpTest() {
    for (int r = 1; r <= 25; ++r) c.put(1, r, std::string(80, static_cast<char>('a' + r)), 7, 1);
    c.host.on_wait = [this](int) {
      for (int r = 1; r <= 25; ++r) box.push_back(c.row(r));
      shown = c.screen();
      scratch = std::filesystem::exists("hlp000");
    };
  }
  // Shows the topic, closes the box with a key and checks the screen came back exactly.
  void show(const std::string& text, std::string_view topic) {
    std::ofstream("help.hlp", std::ios::binary) << text;
    const auto ch = c.s.text.ch;
    const auto attr = c.s.text.attr;
    const auto screen = c.screen();
    const Colors looks = c.s.colors;
    c.host.press(' ');
    dathlp(c.s, "help.hlp", topic);
    EXPECT_EQ(std::memcmp(&c.s.colors, &looks, sizeof looks), 0);  // cursor and colours
    EXPECT_TRUE(c.s.text.ch == ch && c.s.text.attr == attr && c.screen() == screen);
    EXPECT_TRUE(scratch && !std::filesystem::exists("hlp000"));
  }
  std::string at(int row, int left, int width) const {
    return box.at(static_cast<size_t>(row - 1))
        .substr(static_cast<size_t>(left - 1), static_cast<size_t>(width));
  }
};

TEST_F(HelpTest, TopicShownInFramedCentredBox) {
  show("$other\nnot this\n$TRACE & DEBUG menu\nline one\nline two\n$next\nno\n", "trace & debug ");
  // Two lines of 8: height 4 from row 10, width 10 from column 35.
  EXPECT_EQ(at(10, 34, 12), "k          k");
  EXPECT_EQ(at(11, 35, 10), " line one ");
  EXPECT_EQ(at(12, 35, 10), " line two ");
  EXPECT_EQ(at(13, 35, 10), std::string(10, ' '));
  auto px = [&](int x, int y) { return shown[static_cast<size_t>(y) * 640 + x]; };
  const int x0 = 34 * 8, y0 = 9 * 14;  // the box's top-left point, 0-based
  // Frame lines 3 and 6 points inside, a black shadow right of the box and below it, the text
  // cell beyond the shadow.
  EXPECT_EQ((std::vector<int>{px(x0 + 1, y0 + 1), px(x0 + 3, y0 + 20), px(x0 + 20, y0 + 6),
                              px(x0 + 4, y0 + 20), px(44 * 8 + 3, 10 * 14 + 3),
                              px(39 * 8 + 3, 13 * 14 + 3), px(45 * 8, 10 * 14)}),
            (std::vector<int>{3, 9, 9, 3, 0, 0, 1}));
}

TEST_F(HelpTest, LongTopicShowsFirst21LinesAndDuplicateShowsFirst) {
  std::string text = "$big\n";
  for (int k = 101; k <= 130; ++k) text += "line " + std::to_string(k) + "\n";
  show(text + "$big\nsecond\n", "big");
  EXPECT_EQ(at(2, 35, 10), " line 101 ");  // height 23 from row 1
  EXPECT_EQ(at(22, 35, 10), " line 121 ");
  EXPECT_EQ(at(23, 35, 10), std::string(10, ' '));
  box.clear();
  show("$dup\nfirst\n$dup\nsecond\n", "dup");
  EXPECT_NE(box.at(11).find(" first "), std::string::npos);
}

TEST_F(HelpTest, LongLinesCutAndPictureCellsSurvive) {
  std::fill(c.s.frame.raster.begin(), c.s.frame.raster.end(), uint8_t{4});
  for (int col = 30; col <= 50; ++col) c.s.text.attr_at(col, 12) = 17;
  repaint(c.s);
  show("$wide\n" + std::string(200, 'w') + "\nshort\n", "wide");
  EXPECT_EQ(at(11, 1, 80), " " + std::string(78, 'w') + " ");
  EXPECT_EQ(c.pixel(40 * 8, 12 * 14), 4);
}

}  // namespace
}  // namespace tivor::test
