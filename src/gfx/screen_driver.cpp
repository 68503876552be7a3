// The screen driver: draws on the host window's surface, scaling canvas points to the window
// (screen x = x * W / 640, y = y * H / 350). Pictures are shown through the screen palette rule
// (the window has a light background: colour 0 shows as 15 and 15 as 0); text cells show the
// console's own colours. Coordinates are 0-based canvas points except where a routine takes
// text cells.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "gfx/flood_spans.hpp"
#include "gfx/gfx.hpp"

namespace tivor {
namespace {

// A canvas coordinate on a window axis of `window` pixels. Most windows show the canvas at its
// own size, where no division is needed.
int scaled(int p, int window, int canvas) {
  return window == canvas ? p : static_cast<int>(int64_t{p} * window / canvas);
}
int scale_x(const Session& s, int x) {
  return scaled(x, s.cres.w, kCanvasW);
}
int scale_y(const Session& s, int y) {
  return scaled(y, s.cres.h, kCanvasH);
}

// Cuts the line to a box just larger than the canvas (0-based points), so that a line from far
// outside costs no more than one across the window. False when nothing is left.
bool clip_to_canvas(int& x1, int& y1, int& x2, int& y2) {
  double t0 = 0.0, t1 = 1.0;
  const double dx = static_cast<double>(x2) - x1, dy = static_cast<double>(y2) - y1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x1 + 1.0, kCanvasW - x1 + 0.0, y1 + 1.0, kCanvasH - y1 + 0.0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;
    } else {
      const double r = q[i] / p[i];
      if (p[i] < 0.0) {
        t0 = std::max(t0, r);
      } else {
        t1 = std::min(t1, r);
      }
    }
  }
  if (t0 > t1) return false;
  const int nx1 = static_cast<int>(std::lround(x1 + t0 * dx)),
            ny1 = static_cast<int>(std::lround(y1 + t0 * dy));
  const int nx2 = static_cast<int>(std::lround(x1 + t1 * dx)),
            ny2 = static_cast<int>(std::lround(y1 + t1 * dy));
  x1 = nx1;
  y1 = ny1;
  x2 = nx2;
  y2 = ny2;
  return true;
}

// The window pixels a..b (empty when b < a) that the canvas points p1..p2 cover along one axis:
// points are clamped to one beyond the canvas, scaled to the window's size, and the far edge
// extends to the next point's start so that scaled fills leave no gaps; the span is then cut to
// the surface.
struct Span {
  int a, b;
};
Span window_span(int p1, int p2, int canvas, int window, int surface) {
  p1 = std::clamp(p1, -1, canvas);
  p2 = std::clamp(p2, -1, canvas);
  const int start = scaled(p1, window, canvas);
  return {std::max(0, start),
          std::min(surface - 1, std::max(start, scaled(p2 + 1, window, canvas) - 1))};
}
Span span_x(const Session& s, const ScreenSurface& surf, int x1, int x2) {
  return window_span(x1, x2, kCanvasW, s.cres.w, surf.w);
}
Span span_y(const Session& s, const ScreenSurface& surf, int y1, int y2) {
  return window_span(y1, y2, kCanvasH, s.cres.h, surf.h);
}

void fill_spans(ScreenSurface& surf, Span xs, Span ys, uint8_t c) {
  if (xs.a > xs.b) return;
  for (int y = ys.a; y <= ys.b; ++y) {
    const auto row = surf.pixels.begin() + static_cast<ptrdiff_t>(y) * surf.w;
    std::fill(row + xs.a, row + xs.b + 1, c);
  }
}

// Fills the window pixels covered by the canvas points x1..x2, y1..y2 (0-based) with a screen
// colour.
void fill_points(Session& s, int x1, int y1, int x2, int y2, int screen_colour) {
  ScreenSurface& surf = s.host->surface();
  if (surf.w <= 0 || surf.h <= 0) return;
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  fill_spans(surf, span_x(s, surf, x1, x2), span_y(s, surf, y1, y2),
             static_cast<uint8_t>(screen_colour & 15));
}

void put_window_pixel(ScreenSurface& surf, int x, int y, uint8_t c) {
  if (x >= 0 && y >= 0 && x < surf.w && y < surf.h) surf.at(x, y) = c;
}

// Draws one glyph of the 14-row font with its top-left corner at canvas point (x0, y0), 0-based;
// the cell is cw by ch canvas points (8 by 14, or 12 by 24 for the large font). Each lit point
// fills what fill_points fills for it; the window spans of the cell's columns and rows are taken
// once (the routine names that every computational routine shows are drawn this way, at every
// call).
void draw_glyph(Session& s, int x0, int y0, unsigned char code, int cw, int ch, int fg_screen) {
  constexpr int kMaxCell = 24;
  ScreenSurface& surf = s.host->surface();
  if (surf.w <= 0 || surf.h <= 0 || cw > kMaxCell || ch > kMaxCell) return;
  const uint8_t* rows = glyph_rows(14, code);
  if (std::all_of(rows, rows + 14, [](uint8_t bits) { return bits == 0; })) return;  // a blank
  std::array<Span, kMaxCell> xs{}, ys{};
  for (int px = 0; px < cw; ++px) xs[px] = span_x(s, surf, x0 + px, x0 + px);
  for (int py = 0; py < ch; ++py) ys[py] = span_y(s, surf, y0 + py, y0 + py);
  const auto c = static_cast<uint8_t>(fg_screen & 15);
  for (int py = 0; py < ch; ++py) {
    const uint8_t bits = rows[py * 14 / ch];
    if (bits == 0) continue;
    for (int px = 0; px < cw; ++px) {
      if (bits & (0x80 >> (px * 8 / cw))) fill_spans(surf, xs[px], ys[py], c);
    }
  }
}

}  // namespace

int colpal(int ic) {
  if (ic == 0) return 15;
  if (ic == 15) return 0;
  return ic;
}

void d_o(Session& s, std::string_view title, float fx, float fy) {
  int dw = 0, dh = 0;
  s.host->display_size(dw, dh);
  int w, h;
  if (s.cres.display_w == 0 || dw != s.cres.display_w || dh != s.cres.display_h) {
    w = static_cast<int>(dw * 0.85);
    h = static_cast<int>(dh * 0.85);
    s.cres.display_w = dw;
    s.cres.display_h = dh;
  } else {
    w = static_cast<int>(dw * std::min(std::max(fx, 0.3f), 1.0f) * 0.85f);
    h = static_cast<int>(dh * std::min(std::max(fy, 0.3f), 1.0f) * 0.85f);
  }
  s.cres.w = std::max(w, 1);
  s.cres.h = std::max(h, 1);
  s.host->open_window(title, s.cres.w, s.cres.h);
}

void d_c(Session& s) {
  s.host->close_window();
}

void d_color(Session& s, int ic) {
  s.cres.color = ic;
}

void d_line(Session& s, int ix1, int iy1, int ix2, int iy2, int ic) {
  ScreenSurface& surf = s.host->surface();
  const auto c = static_cast<uint8_t>(colpal(ic) & 15);
  if (!clip_to_canvas(ix1, iy1, ix2, iy2)) return;
  int x1 = scale_x(s, ix1), y1 = scale_y(s, iy1);
  const int x2 = scale_x(s, ix2), y2 = scale_y(s, iy2);
  const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
  const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    put_window_pixel(surf, x1, y1, c);
    if (x1 == x2 && y1 == y2) break;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x1 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y1 += sy;
    }
  }
}

void d_rect(Session& s, int ix1, int iy1, int ix2, int iy2, int ifill, int ic) {
  if (ifill == 1) {
    fill_points(s, ix1, iy1, ix2, iy2, colpal(ic));
    return;
  }
  d_line(s, ix1, iy1, ix2, iy1, ic);
  d_line(s, ix2, iy1, ix2, iy2, ic);
  d_line(s, ix2, iy2, ix1, iy2, ic);
  d_line(s, ix1, iy2, ix1, iy1, ic);
}

void d_flood(Session& s, const int* ixs, const int* iys, int n, int ic) {
  const int screen_colour = colpal(ic);
  flood_spans(ixs, iys, n, 0, kCanvasH - 1, [&](int y, int xl, int xr) {
    fill_points(s, std::max(xl, -1), y, std::min(xr, kCanvasW), y, screen_colour);
  });
}

void d_text(Session& s, int ix, int iy, std::string_view txt) {
  const int fg = colpal(s.grf.igcolor);
  for (size_t k = 0; k < txt.size(); ++k) {
    draw_glyph(s, ix + static_cast<int>(k) * 8, iy + 1, static_cast<unsigned char>(txt[k]), 8, 14,
               fg);
  }
}

// The cells' background is one fill for the whole run, then each glyph on it.
void d_cells(Session& s, int col, int row, std::string_view chars, int fg, int bg) {
  if (row < 1 || row > kRows || chars.empty()) return;
  const int first = std::max(col, 1);
  const int last =
      static_cast<int>(std::min<int64_t>(int64_t{col} + int64_t(chars.size()) - 1, kCols));
  if (first > last) return;
  const int y0 = (row - 1) * 14;
  fill_points(s, (first - 1) * 8, y0, last * 8 - 1, y0 + 13, bg);
  for (int c = first; c <= last; ++c) {
    draw_glyph(s, (c - 1) * 8, y0, static_cast<unsigned char>(chars[size_t(c - col)]), 8, 14, fg);
  }
}

// Each row's runs of cells of one attribute are drawn as one string.
void d_shadow_cells(Session& s, int col1, int row1, int col2, int row2) {
  col1 = std::max(col1, 1);
  row1 = std::max(row1, 1);
  col2 = std::min(col2, kCols);
  row2 = std::min(row2, kRows);
  std::string run;
  for (int row = row1; row <= row2; ++row) {
    for (int col = col1; col <= col2;) {
      const uint16_t attr = s.text.attr_at(col, row);
      const int start = col;
      run.clear();
      for (; col <= col2 && s.text.attr_at(col, row) == attr; ++col) {
        run.push_back(static_cast<char>(s.text.char_at(col, row)));
      }
      if (attr != 17) d_cells(s, start, row, run, attr & 15, (attr >> 4) & 15);
    }
  }
}

void d_big_text(Session& s, int col, int row, std::string_view txt, int ic) {
  const int fg = colpal(ic);
  for (size_t k = 0; k < txt.size(); ++k) {
    draw_glyph(s, (col - 1) * 8 + static_cast<int>(k) * 12, (row - 1) * 14,
               static_cast<unsigned char>(txt[k]), 12, 24, fg);
  }
}

void d_restore(Session& s) {
  for (int y = 1; y <= kCanvasH; ++y) {
    int run_start = 1;
    for (int x = 2; x <= kCanvasW + 1; ++x) {
      if (x > kCanvasW || s.frame.at(x, y) != s.frame.at(run_start, y)) {
        fill_points(s, run_start - 1, y - 1, x - 2, y - 1, colpal(s.frame.at(run_start, y)));
        run_start = x;
      }
    }
  }
  d_shadow_cells(s, 1, 1, kCols, kRows);
  s.host->present();
}

}  // namespace tivor
