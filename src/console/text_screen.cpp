// The 80 by 25 text screen: writing at the cursor, new lines, clearing, scrolling and repainting.
// Every write updates the shadow arrays (characters and attributes) and draws the cells.
#include <algorithm>
#include <string>

#include "console/console.hpp"
#include "console/internal.hpp"
#include "gfx/gfx.hpp"

namespace tivor {
namespace {

using console_detail::visible_fg;

void write_cells(Session& s, std::string_view txt, bool to_shadow);

// A cursor outside rows 1-25 is reported on the bottom row, which then takes the cursor.
void bring_cursor_back(Session& s) {
  const int bad = s.colors.row;
  if (bad >= 1 && bad <= kRows) return;
  s.colors.row = kRows;
  s.colors.col = 1;
  newstr(s);
  write_cells(s, "irow=" + std::to_string(bad), true);
  newstr(s);
}

void write_cells(Session& s, std::string_view txt, bool to_shadow) {
  bring_cursor_back(s);
  const int row = s.colors.row;
  const int col = std::max(s.colors.col, 1);
  const int bg = s.colors.bg & 15;
  const int fg = visible_fg(s.colors.fg, bg);
  const int n = std::clamp(kCols + 1 - col, 0, static_cast<int>(txt.size()));
  if (n > 0) {
    const std::string_view part = txt.substr(0, static_cast<size_t>(n));
    d_cells(s, col, row, part, fg, bg);
    if (to_shadow) {
      for (int k = 0; k < n; ++k) {
        s.text.char_at(col + k, row) = static_cast<uint8_t>(part[static_cast<size_t>(k)]);
        s.text.attr_at(col + k, row) = static_cast<uint16_t>(bg * 16 + fg);
      }
    }
    s.host->present();
  }
  s.colors.col = col + n;
}

}  // namespace

void dispstr(Session& s, std::string_view txt) {
  write_cells(s, txt, true);
}

void disp(Session& s, std::string_view txt) {
  write_cells(s, txt, false);
}

void newstr(Session& s) {
  if (s.up.line_shown) s.up.line_shown(s.colors.row, false);
  if (s.colors.row > kRows - 1) scroll(s, 1, 1, kCols, kRows, -1, s.colors.bg);
  s.colors.col = 1;
  s.colors.row = std::clamp(s.colors.row + 1, 1, kRows);
}

void txtcon(Session& s, std::string_view txt) {
  dispstr(s, txt);
  newstr(s);
}

void paus(Session& s, std::string_view txt) {
  if (len1(txt) > 0) dispstr(s, txt);
  if (s.up.line_shown) s.up.line_shown(s.colors.row, true);
  int key = 0;
  grfkey(s, key);
}

void locate1(Session& s, int col, int row) {
  s.colors.col = std::clamp(col, 1, kCols);
  s.colors.row = std::clamp(row, 1, kRows);
}

void getcurpos(const Session& s, int& col, int& row) {
  col = s.colors.col;
  row = s.colors.row;
}

void cls1(Session& s, int left, int top, int right, int bottom) {
  console_detail::clamp_cells(left, top, right, bottom);
  const int bg = s.colors.bg & 15;
  const auto attr = static_cast<uint16_t>(bg * 16 + visible_fg(s.colors.fg, bg));
  for (int row = top; row <= bottom; ++row) {
    for (int col = left; col <= right; ++col) {
      s.text.char_at(col, row) = ' ';
      s.text.attr_at(col, row) = attr;
    }
  }
  const int x1 = (left - 1) * 8 + 1, x2 = right * 8;
  for (int y = (top - 1) * 14 + 1; y <= bottom * 14; ++y) {
    std::fill_n(&s.frame.at(x1, y), x2 - x1 + 1, static_cast<uint8_t>(bg));
  }
  d_shadow_cells(s, left, top, right, bottom);
  s.host->present();
  locate1(s, left, top);
}

void cls(Session& s) {
  cls1(s, 1, 1, kCols, kRows);
}
void clswnd1(Session& s) {
  cls1(s, 1, 1, 61, 17);
}
void clswnd2(Session& s) {
  cls1(s, 62, 1, kCols, kRows);
}
void clswnd3(Session& s) {
  cls1(s, 1, 18, kCols, kRows);
}

void scroll(Session& s, int left, int top, int right, int bottom, int n, int colour) {
  console_detail::clamp_cells(left, top, right, bottom);
  const int bg = colour & 15;
  const auto blank_attr = static_cast<uint16_t>(bg * 16 + visible_fg(s.colors.fg, bg));
  auto move_row = [&](int row) {
    const int from = row - n;
    for (int col = left; col <= right; ++col) {
      if (from >= top && from <= bottom) {
        s.text.char_at(col, row) = s.text.char_at(col, from);
        s.text.attr_at(col, row) = s.text.attr_at(col, from);
      } else {
        s.text.char_at(col, row) = ' ';
        s.text.attr_at(col, row) = blank_attr;
      }
    }
  };
  // Rows are copied in the order that reads every source row before it is overwritten.
  if (n < 0) {
    for (int row = top; row <= bottom; ++row) move_row(row);
  } else if (n > 0) {
    for (int row = bottom; row >= top; --row) move_row(row);
  }
  console_detail::redraw_cells(s, left, top, right, bottom);
  s.host->present();
}

void repaint(Session& s) {
  console_detail::redraw_cells(s, 1, 1, kCols, kRows);
  s.host->present();
}

}  // namespace tivor
