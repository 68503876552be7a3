// Text on the raster: the bitmap font of both heights and the stroke font at an angle, and the
// well-formedness of the stroke glyph table.
#include <algorithm>
#include <array>
#include <regex>
#include <set>
#include <string>
#include <utility>

#include "gfx_session.hpp"

namespace tivor::test {
namespace {

using Points = std::set<std::pair<int, int>>;

struct Text : GfxTest {
  // The lit points of the raster, which is cleared afterwards.
  Points take() {
    Points p;
    for (int i = 0; i < kCanvasW * kCanvasH; ++i) {
      if (s.frame.raster[i] != 0) p.emplace(i % kCanvasW + 1, i / kCanvasW + 1);
    }
    std::fill(s.frame.raster.begin(), s.frame.raster.end(), uint8_t{0});
    return p;
  }
  // One glyph row of the raster as a byte, most significant bit leftmost.
  int row_byte(int x, int y) {
    int b = 0;
    for (int k = 0; k < 8; ++k) b = b * 2 + (s.frame.at(x + k, y) != 0);
    return b;
  }
};

Points shifted(const Points& p, int dx, int dy) {
  Points q;
  for (const auto& [x, y] : p) q.emplace(x + dx, y + dy);
  return q;
}

TEST_F(Text, BitmapGlyphsAreCopiedBelowThePointFromTheTableOfTheFont) {
  // Font 1 is the 8-row table; any other the 14-row one, whatever the height and angle.
  for (const auto [font, rows, h, angle] : {std::array{1, 8, 8, 0}, std::array{0, 14, 99, 45}}) {
    s.grf.igfont = font;
    text(s, "A8", 100.0f, 50.0f, static_cast<float>(h), angle, 14);
    for (int r = 0; r < rows; ++r) {
      EXPECT_EQ(row_byte(100, 51 + r), glyph_rows(rows, 'A')[r]) << rows << " " << r;
      EXPECT_EQ(row_byte(108, 51 + r), glyph_rows(rows, '8')[r]) << rows << " " << r;
    }
    EXPECT_EQ(t.count(14), t.count(14, 100, 51, 115, 50 + rows));  // nothing outside the cells
    take();
  }
}

TEST_F(Text, StrokeGlyphPointsAreScaledFromTheBaseline) {
  s.grf.igfont = 2;
  // h = 16: one grid unit is one point, the baseline is y + 16.
  text(s, "A", 100.0f, 100.0f, 16.0f, 0, 9);
  const Points a = take();
  // Grid points (0, 0), (5, 12), (11, 12), (12, 0) and one on the bar (12, 5)-(0, 5).
  EXPECT_TRUE(std::ranges::includes(
                  a, Points{{100, 116}, {105, 104}, {111, 104}, {112, 116}, {106, 111}}) &&
              !a.count({106, 112}));
  for (const auto& [x, y] : a) {
    EXPECT_TRUE(x >= 100 && x <= 112 && y >= 104 && y <= 116) << x << "," << y;
  }
  // Characters advance by h; a character without a glyph still takes its place.
  text(s, "A~A", 100.0f, 100.0f, 16.0f, 0, 9);
  Points expected = a;
  expected.merge(shifted(a, 32, 0));
  EXPECT_EQ(take(), expected);
}

TEST_F(Text, StrokeTextAtNinetyDegreesAdvancesUpwards) {
  s.grf.igfont = 2;
  text(s, "A", 300.0f, 200.0f, 16.0f, 90, 9);
  const Points one = take();
  // The first glyph point (0, 0) is the character's origin (x, y + h).
  ASSERT_TRUE(one.count({300, 216}));
  // Glyph up points to the left; the cross direction is halved (f = 1/2).
  for (const auto& [x, y] : one) {
    EXPECT_TRUE(x >= 288 && x <= 300 && y >= 210 && y <= 216) << x << "," << y;
  }
  text(s, "AAA", 300.0f, 200.0f, 16.0f, 90, 9);
  Points expected = one;
  expected.merge(shifted(one, 0, -16));
  expected.merge(shifted(one, 0, -32));
  EXPECT_EQ(take(), expected);
}

// Every stroke glyph is empty or polylines of at least two whole (x, y) pairs on the grid 0..12,
// y down to -2, separated by "::".
TEST(StrokeFont, GlyphStringsAreWellFormed) {
  const std::string pair = "[0-9A-C](-[0-2]|[0-9A-C])";
  const std::regex glyph("((" + pair + "){2,}(::(" + pair + "){2,})*)?");
  for (int code = 0; code < 256; ++code) {
    const std::string g(alfin(static_cast<unsigned char>(code)));
    EXPECT_TRUE(std::regex_match(g, glyph)) << "code " << code << ": " << g;
  }
}

TEST(StrokeFont, CoversLettersDigitsPunctuationAndCyrillicAndDrawsEveryGlyph) {
  for (const char c : std::string_view("AZ0123456789.,:;-+=()/*'\"!?_<>%[]")) {
    EXPECT_FALSE(alfin(static_cast<unsigned char>(c)).empty()) << c;
  }
  EXPECT_TRUE(alfin(' ').empty());
  for (int c = 'A'; c <= 'Z'; ++c) {
    EXPECT_EQ(alfin(static_cast<unsigned char>(c + 32)), alfin(static_cast<unsigned char>(c)));
  }
  // Code page 866: capitals from 128, small letters from 160 and 224; the letters shaped like
  // Latin ones share their glyphs.
  for (int k = 0; k < 32; ++k) {
    const auto capital = static_cast<unsigned char>(128 + k);
    EXPECT_FALSE(alfin(capital).empty()) << 128 + k;
    EXPECT_EQ(alfin(static_cast<unsigned char>(k < 16 ? 160 + k : 224 + k - 16)), alfin(capital));
  }
  for (const auto& [cyr, lat] : {std::pair{128, 'A'}, {130, 'B'}, {144, 'P'}, {149, 'X'}}) {
    EXPECT_EQ(alfin(static_cast<unsigned char>(cyr)), alfin(static_cast<unsigned char>(lat)));
  }
  EXPECT_NE(alfin(129), alfin('B'));
  // Every glyph the table has draws in its cell.
  GfxSession t;
  dinit1(*t.s, "tivor", 0.6f, 0.6f);
  t.s->grf.igfont = 2;
  for (int code = 0; code < 256; ++code) {
    const int x = 8 + (code % 16) * 39, y = 4 + (code / 16 % 8) * 43;
    const char ch = static_cast<char>(code);
    std::fill(t.s->frame.raster.begin(), t.s->frame.raster.end(), uint8_t{0});
    text(*t.s, std::string_view(&ch, 1), static_cast<float>(x), static_cast<float>(y), 32.0f, 0,
         15);
    EXPECT_EQ(t.count(15, x - 1, y, x + 32, y + 40) > 0,
              !alfin(static_cast<unsigned char>(code)).empty())
        << code;
  }
}

TEST_F(Text, TextCellsOnALargerWindowShowTheColourOfTheCanvasPointUnderEachPixel) {
  // 1.6 times the canvas: every canvas point covers one or two window pixels each way.
  constexpr int kW = 1024, kH = 560;
  t.host.open_window("", kW, kH);
  s.cres.w = kW;
  s.cres.h = kH;
  d_cells(s, 79, 25, "A\x01 #", 14, 1);  // row 25, columns 79-80; the rest is off the screen
  ScreenSurface& surf = t.host.surface();
  // The canvas point whose scaled span holds a pixel: the last one that starts at or before it.
  const auto under = [](int w, int window, int canvas) {
    return ((w + 1) * canvas + window - 1) / window - 1;
  };
  for (int wy = 0; wy < kH; ++wy) {
    for (int wx = 0; wx < kW; ++wx) {
      const int x = under(wx, kW, kCanvasW), y = under(wy, kH, kCanvasH);
      int expected = 0;
      if (x >= 78 * 8 && y >= 24 * 14) {
        const unsigned char code = x < 79 * 8 ? 'A' : 1;
        const bool lit = glyph_rows(14, code)[y - 24 * 14] & (0x80 >> (x % 8));
        expected = lit ? 14 : 1;
      }
      ASSERT_EQ(surf.at(wx, wy), expected) << wx << "," << wy;
    }
  }
}

}  // namespace
}  // namespace tivor::test
