// Reads text back off the raster: each 8 by 14 cell of a bitmap-font text compared with the glyphs
// of the printable characters, so that a test sees what a picture shows rather than what was
// asked to be drawn.
#pragma once

#include <string>

#include "core/session.hpp"
#include "gfx/gfx.hpp"

namespace tivor::test {

// The n characters shown from the text position (x, y) (the point TEXT was given); '?' for a cell
// that is no glyph (a character cut off, overdrawn, or off the canvas). Only the rows 2..12 of a
// cell, where the printable glyphs have their ink, are compared: the blank rows above and below
// may hold a page frame or the foot of a line of text just above.
inline std::string read_raster_text(Session& s, int x, int y, int n) {
  std::string out;
  for (int k = 0; k < n; ++k) {
    const int x0 = x + 8 * k;
    char found = '?';
    if (x0 >= 1 && x0 + 7 <= kCanvasW && y + 1 >= 1 && y + 14 <= kCanvasH) {
      for (int c = 32; c < 127 && found == '?'; ++c) {
        const uint8_t* rows = glyph_rows(14, static_cast<unsigned char>(c));
        bool same = true;
        for (int r = 2; r <= 12 && same; ++r) {
          for (int b = 0; b < 8 && same; ++b) {
            same = ((rows[r] >> (7 - b)) & 1) == (s.frame.at(x0 + b, y + 1 + r) != 0);
          }
        }
        if (same) found = static_cast<char>(c);
      }
    }
    out += found;
  }
  return out;
}

}  // namespace tivor::test
