// Text read back off a picture, so that a test sees what the picture shows.
#pragma once

#include <string>

#include "gfx/gfx.hpp"

namespace tivor::test {

// The n characters shown from the text position (x, y) of a canvas whose point (x, y) is inked
// when ink(x, y): each 8-point cell matched against the printable glyphs on their inked rows
// 2..12 (the blank rows may hold a frame or a line above); '?' for a cell that is no glyph (cut
// off, overdrawn, off the canvas).
template <typename Ink>
std::string read_text(const Ink& ink, int x, int y, int n) {
  std::string out(static_cast<size_t>(n), '?');
  for (int k = 0, x0 = x; k < n; ++k, x0 += 8) {
    for (int c = 32; c < 127 && x0 >= 1 && x0 + 7 <= kCanvasW && y + 13 <= kCanvasH; ++c) {
      bool same = true;
      for (int r = 2; r <= 12 && same; ++r) {
        for (int b = 0; b < 8; ++b) {
          same &= ((glyph_rows(14, static_cast<unsigned char>(c))[r] >> (7 - b)) & 1) ==
                  static_cast<int>(ink(x0 + b, y + 1 + r));
        }
      }
      if (same) out[static_cast<size_t>(k)] = static_cast<char>(c);
      if (same) break;
    }
  }
  return out;
}

// The same on the raster copy of a session.
inline std::string read_raster_text(Session& s, int x, int y, int n) {
  return read_text([&s](int px, int py) { return s.frame.at(px, py) != 0; }, x, y, n);
}

}  // namespace tivor::test
