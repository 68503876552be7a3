// Renders every glyph of the stroke font and of both bitmap tables, and a sample picture, to PNG
// files in the working directory for looking at; checks that every glyph that should draw does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/gfx.hpp"
#include "gfx_session.hpp"
#include "host/png_writer.hpp"

namespace tivor::test {
namespace {

// Writes the raster at twice its size so single points are easy to see.
bool write_raster(Session& s, const std::string& path) {
  std::vector<uint8_t> big(static_cast<size_t>(4) * kCanvasW * kCanvasH);
  for (int y = 0; y < 2 * kCanvasH; ++y) {
    for (int x = 0; x < 2 * kCanvasW; ++x) {
      big[static_cast<size_t>(y) * 2 * kCanvasW + x] = s.frame.at(x / 2 + 1, y / 2 + 1);
    }
  }
  return write_indexed_png(path, 2 * kCanvasW, 2 * kCanvasH, big);
}

// Lit points of the raster inside a rectangle.
int lit_in(Session& s, int x1, int y1, int x2, int y2) {
  int n = 0;
  for (int y = std::max(y1, 1); y <= std::min(y2, kCanvasH); ++y) {
    for (int x = std::max(x1, 1); x <= std::min(x2, kCanvasW); ++x) n += s.frame.at(x, y) != 0;
  }
  return n;
}

TEST(GlyphSheets, StrokeFontDrawsEveryGlyphItHas) {
  for (int half = 0; half < 2; ++half) {
    GfxSession t;
    Session& s = *t.s;
    dinit1(s, "tivor", 0.6f, 0.6f);
    s.grf.igfont = 2;
    for (int k = 0; k < 128; ++k) {
      const int code = half * 128 + k;
      const int x = 8 + (k % 16) * 39, y = 4 + (k / 16) * 43;
      const char ch = static_cast<char>(code);
      text(s, std::string_view(&ch, 1), static_cast<float>(x), static_cast<float>(y), 32.0f, 0, 15);
      if (!alfin(static_cast<unsigned char>(code)).empty()) {
        EXPECT_GT(lit_in(s, x - 1, y, x + 32, y + 40), 0) << "code " << code;
      }
    }
    EXPECT_TRUE(write_raster(s, "stroke_glyphs_" + std::to_string(half) + ".png"));
  }
}

TEST(GlyphSheets, BitmapTablesAndASamplePicture) {
  GfxSession t;
  Session& s = *t.s;
  dinit1(s, "tivor", 0.6f, 0.6f);
  for (int table = 0; table < 2; ++table) {
    s.grf.igfont = table == 0 ? 1 : 0;
    for (int code = 0; code < 256; ++code) {
      const char ch = static_cast<char>(code);
      const int x = 1 + (code % 32) * 20,
                y = (table == 0 ? 0 : 90) + (code / 32) * 10 * (table + 1);
      text(s, std::string_view(&ch, 1), static_cast<float>(x), static_cast<float>(y), 8.0f, 0, 14);
    }
  }
  EXPECT_TRUE(write_raster(s, "bitmap_glyphs.png"));

  GfxSession p;
  Session& v = *p.s;
  dinit1(v, "tivor", 0.6f, 0.6f);
  lpg(v, 1);
  limits(v, -1.5f, 2.5f, 0.0f, 40.0f);
  for (int i = 0; i < 40; ++i) {
    float x1, y1, x2, y2;
    tmp(v, -1.5f + 0.1f * i, 0.25f * i * i / 10.0f, x1, y1);
    tmp(v, -1.5f + 0.1f * (i + 1), 0.25f * (i + 1) * (i + 1) / 10.0f, x2, y2);
    line(v, x1, y1, x2, y2, 10);
  }
  color(v, 15);
  axes(v);
  text(v, "time=1.25  conc1", 44.0f, 224.0f, 8.0f, 0, 15);
  v.grf.igfont = 2;
  text(v, "Stroke text 0.5", 200.0f, 40.0f, 16.0f, 0, 11);
  text(v, "up 90", 440.0f, 200.0f, 16.0f, 90, 12);
  text(v, "at 30", 250.0f, 150.0f, 16.0f, 30, 13);
  lpg(v, 2);
  EXPECT_TRUE(write_raster(v, "sample_picture.png"));
}

}  // namespace
}  // namespace tivor::test
