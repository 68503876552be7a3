// Screen areas saved to files and put back, and the help viewer's box over the screen.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "console/console_fixture.hpp"
#include "support/files.hpp"

namespace tivor::test {
namespace {

std::string patch_u32(std::string b, size_t at, uint32_t v) {
  for (size_t k = 0; k < 4; ++k) b[at + k] = static_cast<char>(v >> (8 * k));
  return b;
}

struct WindowTest : ::testing::Test {
  WorkDir dir;
  Console c;

  WindowTest() {  // all 16 colours in the raster, text over it, a few picture cells
    for (int y = 1; y <= 350; ++y) {
      for (int x = 1; x <= 640; ++x) c.s.frame.at(x, y) = static_cast<uint8_t>((x / 3 + y) % 16);
    }
    for (int r = 1; r <= 25; ++r) c.put(1, r, std::string(80, static_cast<char>('A' + r)), r, 1);
    for (int col = 12; col <= 15; ++col) c.s.text.attr_at(col, 6) = 17;
    repaint(c.s);
  }
};

TEST_F(WindowTest, SaveRestoreRoundTrip) {
  const auto ch = c.s.text.ch;
  const auto raster = c.s.frame.raster;
  const auto screen = c.screen();
  savewin(c.s, -4, 0, 300, 99, "all");  // clamped to the whole screen
  savewin(c.s, 10, 5, 30, 9, "win");
  EXPECT_FALSE(std::filesystem::exists("win.tmp" + std::to_string(::getpid())));
  c.s.colors.bg = 2;
  cls(c.s);
  restwin(c.s, 10, 5, 30, 9, "win");
  EXPECT_TRUE(c.row(5).substr(9, 21) == std::string(21, 'F') && c.trimmed(4).empty());
  EXPECT_TRUE(c.s.frame.at(73, 57) == raster[72 + 56 * 640] && c.s.frame.at(72, 57) == 2);
  restwin(c.s, 1, 1, 80, 25, "all");
  EXPECT_TRUE(c.s.text.ch == ch && c.s.frame.raster == raster && c.screen() == screen);
  restwin(c.s, 1, 1, 80, 25, "never_saved");
  EXPECT_EQ(c.screen(), screen);
}

TEST_F(WindowTest, TruncatedOrInconsistentFilesNeverOverrun) {
  savewin(c.s, 3, 3, 40, 12, "win");
  const auto full = file_bytes("win");
  const size_t cells_end = 20 + 38 * 10 * 3;
  Console fresh;
  auto restore = [&](const std::string& bytes) {
    std::fill(fresh.s.text.ch.begin(), fresh.s.text.ch.end(), uint8_t{' '});
    std::fill(fresh.s.frame.raster.begin(), fresh.s.frame.raster.end(), uint8_t{0});
    write_file("bad", bytes);
    restwin(fresh.s, 3, 3, 40, 12, "bad");
    return !fresh.trimmed(5).empty();
  };
  EXPECT_TRUE(restore(full) && fresh.s.frame.at(20, 50) == c.s.frame.at(20, 50));
  std::vector<size_t> cuts = {0, 1, 3, 4, 19, 20, 21, 400, cells_end - 1, full.size() - 1};
  for (size_t len = cells_end; len < cells_end + 12; ++len) cuts.push_back(len);
  for (size_t len : cuts) {
    const bool cells_back = restore(full.substr(0, len));
    EXPECT_EQ(cells_back, len >= cells_end + 4) << len;
    EXPECT_EQ(fresh.s.frame.at(20, 50), 0) << len;  // the pixel block is never half drawn
  }
  const std::vector<std::pair<std::string, bool>> cases = {
      {patch_u32(full, 4, 0), false},                 // left column 0
      {patch_u32(full, 12, 200), false},              // right column beyond 80
      {patch_u32(full, 16, 0xFFFFFFFF), false},       // bottom row negative
      {patch_u32(full, cells_end + 4, 40000), true},  // block over 32,000 words
      {patch_u32(full, cells_end + 4, 100), true},    // block disagreeing with the rectangle
      {std::string(full.size(), 'x'), false},
  };
  for (const auto& [bytes, cells_back] : cases) {
    EXPECT_TRUE(restore(bytes) == cells_back && fresh.s.frame.at(20, 50) == 0);
  }
}

TEST_F(WindowTest, PixelBlockAlone) {
  const auto raster = c.s.frame.raster;
  winfile(c.s, 100, 50, 3, 7, 0, "blk");
  const size_t words = (98 * 44 + 7) / 8;
  const auto bytes = file_bytes("blk");
  ASSERT_EQ(bytes.size(), 4 + words * 4);
  EXPECT_EQ(static_cast<uint8_t>(bytes[0]) | static_cast<uint8_t>(bytes[1]) << 8,
            static_cast<int>(words));
  std::fill(c.s.frame.raster.begin(), c.s.frame.raster.end(), uint8_t{0});
  winfile(c.s, 3, 7, 100, 51, 1, "blk");  // another size: not drawn
  EXPECT_EQ(c.s.frame.at(3, 7), 0);
  winfile(c.s, 3, 7, 100, 50, 2, "blk");
  EXPECT_TRUE(c.s.frame.at(100, 50) == raster[99 + 49 * 640] && c.s.frame.at(101, 50) == 0 &&
              c.pixel(100, 50) == colpal(raster[99 + 49 * 640]) && !std::filesystem::exists("blk"));
}

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
  EXPECT_EQ(
      (std::vector<std::string>{at(10, 34, 12), at(11, 35, 10), at(12, 35, 10), at(13, 35, 10)}),
      (std::vector<std::string>{"k          k", " line one ", " line two ", std::string(10, ' ')}));
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
  // Height 23 from row 1.
  EXPECT_EQ((std::vector<std::string>{at(2, 35, 10), at(22, 35, 10), at(23, 35, 10)}),
            (std::vector<std::string>{" line 101 ", " line 121 ", std::string(10, ' ')}));
  box.clear();
  show("$dup\nfirst\n$dup\nsecond\n", "dup");
  EXPECT_NE(box.at(11).find(" first "), std::string::npos);
}

TEST_F(HelpTest, LongLinesCutAndPictureCellsSurvive) {
  std::fill(c.s.frame.raster.begin(), c.s.frame.raster.end(), uint8_t{4});
  for (int col = 30; col <= 50; ++col) c.s.text.attr_at(col, 12) = 17;
  repaint(c.s);
  show("$wide\n" + std::string(200, 'w') + "\nshort\n", "wide");
  EXPECT_TRUE(at(11, 1, 80) == " " + std::string(78, 'w') + " " && c.pixel(40 * 8, 12 * 14) == 4);
}

}  // namespace
}  // namespace tivor::test
