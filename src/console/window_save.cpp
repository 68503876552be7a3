// Saving what lies under a pop-up: a rectangle of text cells with the raster points under it in
// a small binary file (SAVEWIN/RESTWIN), a pixel block alone (WINFILE), and the work area in
// memory (SAVEWND1/RESTWND1). Files are little-endian and never trusted when read back: a
// file whose sizes disagree with its contents is ignored, never drawn past its end.
//
// Window file: "TVWN", left, top, right, bottom (int32), the characters (one byte a cell, row by
// row), the attributes (uint16 a cell), a graphics flag (int32, 1 when a pixel block follows),
// then the pixel block: its length in 32-bit words (at most 32,000) and the words. The block
// holds the raster points of the rectangle row by row, eight 4-bit colours to a word, first
// point in the low bits; a whole screen fits in 28,000 words. A WINFILE file is the length and
// the words alone.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "console/internal.hpp"
#include "core/bytes.hpp"
#include "core/read_file.hpp"
#include "core/replace_file.hpp"
#include "gfx/gfx.hpp"

namespace tivor {
namespace {

constexpr uint32_t kMaxWords = 32000;
constexpr char kMagic[4] = {'T', 'V', 'W', 'N'};
// Larger than any valid window file: header, 2,000 cells of 3 bytes, flag, length and words.
constexpr size_t kMaxFileBytes = 20 + 2000 * 3 + 8 + kMaxWords * 4;

struct PixelRect {
  int x1, y1, x2, y2;
  size_t points() const {
    return static_cast<size_t>(x2 - x1 + 1) * static_cast<size_t>(y2 - y1 + 1);
  }
  size_t words() const { return (points() + 7) / 8; }
};

void append_block(const Session& s, const PixelRect& r, ByteWriter& out) {
  out.u32(static_cast<uint32_t>(r.words()));
  uint32_t word = 0;
  int filled = 0;
  for (int y = r.y1; y <= r.y2; ++y) {
    for (int x = r.x1; x <= r.x2; ++x) {
      word |= static_cast<uint32_t>(s.frame.raster[(x - 1) + (y - 1) * kCanvasW] & 15)
              << (4 * filled);
      if (++filled == 8) {
        out.u32(word);
        word = 0;
        filled = 0;
      }
    }
  }
  if (filled > 0) out.u32(word);
}

// Reads a pixel block for the rectangle; false (and nothing changed) when its length exceeds
// the limit, disagrees with the rectangle, or the words are not all there.
bool read_block(ByteReader& in, const PixelRect& r, std::vector<uint8_t>& points) {
  const uint32_t words = in.u32();
  if (!in.ok() || words > kMaxWords || words != r.words()) return false;
  if (in.left() != static_cast<size_t>(words) * 4) return false;
  points.clear();
  points.reserve(r.points());
  for (uint32_t k = 0; k < words; ++k) {
    const uint32_t w = in.u32();
    for (int j = 0; j < 8 && points.size() < r.points(); ++j) {
      points.push_back(static_cast<uint8_t>((w >> (4 * j)) & 15));
    }
  }
  return true;
}

void put_block(Session& s, const PixelRect& r, const std::vector<uint8_t>& points) {
  size_t k = 0;
  for (int y = r.y1; y <= r.y2; ++y) {
    for (int x = r.x1; x <= r.x2; ++x) s.frame.at(x, y) = points[k++];
  }
}

// The whole file, or false when it is missing, unreadable or larger than any valid file.
bool read_file(std::string_view file, std::vector<uint8_t>& bytes) {
  return read_whole_file(file, bytes, kMaxFileBytes);
}

PixelRect cell_pixels(int left, int top, int right, int bottom) {
  return {(left - 1) * 8 + 1, (top - 1) * 14 + 1, right * 8, bottom * 14};
}

PixelRect clamp_points(int ix1, int iy1, int ix2, int iy2) {
  if (ix1 > ix2) std::swap(ix1, ix2);
  if (iy1 > iy2) std::swap(iy1, iy2);
  return {std::clamp(ix1, 1, kCanvasW), std::clamp(iy1, 1, kCanvasH), std::clamp(ix2, 1, kCanvasW),
          std::clamp(iy2, 1, kCanvasH)};
}

}  // namespace

void savewin(Session& s, int left, int top, int right, int bottom, std::string_view file) {
  console_detail::clamp_cells(left, top, right, bottom);
  std::vector<uint8_t> bytes(kMagic, kMagic + 4);
  ByteWriter out(bytes);
  for (int v : {left, top, right, bottom}) out.i32(v);
  for (int row = top; row <= bottom; ++row) {
    for (int col = left; col <= right; ++col) out.u8(s.text.char_at(col, row));
  }
  for (int row = top; row <= bottom; ++row) {
    for (int col = left; col <= right; ++col) out.u16(s.text.attr_at(col, row));
  }
  out.i32(1);
  append_block(s, cell_pixels(left, top, right, bottom), out);
  replace_file(file, bytes);
}

// The file describes its own rectangle, which is what gets restored; the caller's rectangle only
// names the window it saved.
void restwin(Session& s, int /*left*/, int /*top*/, int /*right*/, int /*bottom*/,
             std::string_view file) {
  std::vector<uint8_t> bytes;
  if (!read_file(file, bytes)) return;
  ByteReader in(bytes);
  const std::span<const uint8_t> magic = in.bytes(4);
  if (!in.ok() || !std::equal(magic.begin(), magic.end(), kMagic)) return;
  const int l = in.i32(), t = in.i32(), r = in.i32(), b = in.i32();
  if (!in.ok() || l < 1 || r > kCols || l > r || t < 1 || b > kRows || t > b) return;
  const size_t cells = static_cast<size_t>(r - l + 1) * static_cast<size_t>(b - t + 1);
  const std::span<const uint8_t> chars = in.bytes(cells);
  std::vector<uint16_t> attrs(cells);
  for (uint16_t& a : attrs) a = in.u16();
  const int graphics = in.i32();
  if (!in.ok()) return;
  size_t k = 0;
  for (int row = t; row <= b; ++row) {
    for (int col = l; col <= r; ++col, ++k) {
      s.text.char_at(col, row) = chars[k];
      s.text.attr_at(col, row) = attrs[k];
    }
  }
  const PixelRect pr = cell_pixels(l, t, r, b);
  std::vector<uint8_t> points;
  if (graphics == 1 && read_block(in, pr, points)) put_block(s, pr, points);
  console_detail::redraw_cells(s, l, t, r, b);
  s.host->present();
}

void winfile(Session& s, int ix1, int iy1, int ix2, int iy2, int mode, std::string_view file) {
  const PixelRect pr = clamp_points(ix1, iy1, ix2, iy2);
  if (mode == 0) {
    std::vector<uint8_t> bytes;
    ByteWriter out(bytes);
    append_block(s, pr, out);
    replace_file(file, bytes);
    return;
  }
  std::vector<uint8_t> bytes;
  if (read_file(file, bytes)) {
    ByteReader in(bytes);
    std::vector<uint8_t> points;
    if (read_block(in, pr, points)) {
      put_block(s, pr, points);
      console_detail::draw_raster(s, pr.x1, pr.y1, pr.x2, pr.y2);
      s.host->present();
    }
  }
  if (mode == 2) {
    std::error_code ec;
    std::filesystem::remove(std::filesystem::path{std::string(file)}, ec);
  }
}

void savewnd1(Session& s) {
  page01(s, 1, 1, 488, 238);
}

void restwnd1(Session& s) {
  page10(s, 1, 1, 488, 238);
  s.host->present();
}

void shadow(Session& s, int left, int top, int right, int bottom) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  const int col = s.colors.col, row = s.colors.row, bg = s.colors.bg;
  console_detail::set_colours(s, s.colors.fg, 0);
  if (right + 1 >= 1 && right + 1 <= kCols) {
    for (int r = std::max(top + 1, 1); r <= std::min(bottom + 1, kRows); ++r) {
      locate1(s, right + 1, r);
      disp(s, " ");
    }
  }
  const int c1 = std::max(left + 1, 1), c2 = std::min(right + 1, kCols);
  if (bottom + 1 >= 1 && bottom + 1 <= kRows && c1 <= c2) {
    locate1(s, c1, bottom + 1);
    disp(s, std::string(static_cast<size_t>(c2 - c1 + 1), ' '));
  }
  console_detail::set_colours(s, s.colors.fg, bg);
  s.colors.col = col;
  s.colors.row = row;
}

}  // namespace tivor
