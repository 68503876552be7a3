// The bitmap font tables decoded from their hexadecimal strings, and the font store of a session.
#include <array>
#include <cstdint>

#include "gfx/font_tables.hpp"
#include "gfx/gfx.hpp"

namespace tivor {
namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

template <int H>
std::array<uint8_t, 256 * H> decode(const char* const (&table)[256]) {
  std::array<uint8_t, 256 * H> rows{};
  for (int code = 0; code < 256; ++code) {
    const char* hex = table[code];
    for (int r = 0; r < H; ++r) {
      rows[code * H + r] =
          static_cast<uint8_t>(hex_digit(hex[2 * r]) * 16 + hex_digit(hex[2 * r + 1]));
    }
  }
  return rows;
}

const std::array<uint8_t, 256 * 8>& table8() {
  static const auto rows = decode<8>(kFont8Hex);
  return rows;
}

const std::array<uint8_t, 256 * 14>& table14() {
  static const auto rows = decode<14>(kFont14Hex);
  return rows;
}

}  // namespace

const uint8_t* glyph_rows(int height, unsigned char ch) {
  if (height == 8) return table8().data() + ch * 8;
  return table14().data() + ch * 14;
}

void getsym(Session& s, int ifont) {
  const int height = ifont == 1 ? 8 : 14;
  if (s.font.loaded == kMark && s.font.height == height) return;
  const uint8_t* rows = glyph_rows(height, 0);
  std::copy(rows, rows + 256 * height, s.font.rows.begin());
  s.font.height = height;
  s.font.loaded = kMark;
}

}  // namespace tivor
