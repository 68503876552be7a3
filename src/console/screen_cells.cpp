// Colours and redrawing of text cells and raster points on the screen.
#include <algorithm>
#include <utility>

#include "console/internal.hpp"
#include "gfx/gfx.hpp"

namespace tivor::console_detail {

int visible_fg(int fg, int bg) {
  fg &= 15;
  bg &= 15;
  if (fg != bg) return fg;
  return fg == 0 ? 15 : fg - 1;
}

void set_colours(Session& s, int fg, int bg) {
  s.colors.fg = fg & 15;
  s.colors.bg = bg & 15;
  s.colors.attr = s.colors.bg * 16 + s.colors.fg;
}

void clamp_cells(int& left, int& top, int& right, int& bottom) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  left = std::clamp(left, 1, kCols);
  right = std::clamp(right, 1, kCols);
  top = std::clamp(top, 1, kRows);
  bottom = std::clamp(bottom, 1, kRows);
}

void draw_raster(Session& s, int x1, int y1, int x2, int y2) {
  x1 = std::max(x1, 1);
  y1 = std::max(y1, 1);
  x2 = std::min(x2, kCanvasW);
  y2 = std::min(y2, kCanvasH);
  for (int y = y1; y <= y2; ++y) {
    int start = x1;
    for (int x = x1 + 1; x <= x2 + 1; ++x) {
      if (x > x2 || s.frame.at(x, y) != s.frame.at(start, y)) {
        d_rect(s, start - 1, y - 1, x - 2, y - 1, 1, s.frame.at(start, y));
        start = x;
      }
    }
  }
}

void redraw_cells(Session& s, int col1, int row1, int col2, int row2) {
  col1 = std::max(col1, 1);
  row1 = std::max(row1, 1);
  col2 = std::min(col2, kCols);
  row2 = std::min(row2, kRows);
  for (int row = row1; row <= row2; ++row) {
    for (int col = col1; col <= col2; ++col) {
      if (s.text.attr_at(col, row) == 17) {
        draw_raster(s, (col - 1) * 8 + 1, (row - 1) * 14 + 1, col * 8, row * 14);
      }
    }
  }
  d_shadow_cells(s, col1, row1, col2, row2);
}

std::string fit(std::string_view txt, int width) {
  std::string out(txt.substr(0, static_cast<size_t>(std::max(width, 0))));
  out.resize(static_cast<size_t>(std::max(width, 0)), ' ');
  return out;
}

}  // namespace tivor::console_detail
