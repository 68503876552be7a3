// The graphics library: a 640 by 350 canvas of pages, regions and world limits, the four
// primitives sent to up to three outputs (picture file, raster copy, screen), the raster
// renderers with clipping and the two fonts, and the screen driver that scales the canvas to the
// host window. Canvas points are 1-based (x 1..640 from the left, y 1..350 from the top).
#pragma once

#include <string_view>

#include "core/session.hpp"

namespace tivor {

// ---- initialisation and output switches ----

// Interactive start: raster on, screen off, picture file off; then the common start.
void dinit1(Session& s, std::string_view title, float fx, float fy);
// The same with the screen output on.
void dinit(Session& s, std::string_view title, float fx, float fy);
void gout(Session& s, int i1, int i2, int i3);
// Graphics switch on: the raster page is copied to the screen only while it is on.
void gron(Session& s);

// ---- pages, regions, limits ----

void pagepar(Session& s, int ix1, int iy1, int ix2, int iy2);
void regionpar(Session& s, int ix1, int iy1, int ix2, int iy2);
void page(Session& s, int ic1, int ir1, int ic2, int ir2, int iframe);
void page1(Session& s, int ix1, int iy1, int ix2, int iy2, int iframe);
void region(Session& s, int ic1, int ir1, int ic2, int ir2, int iframe);
void region1(Session& s, int ix1, int iy1, int ix2, int iy2, int iframe);
void limits(Session& s, float x1, float x2, float y1, float y2);
void getlimits(Session& s, float& xmin, float& xmax, float& ymin, float& ymax, int& iset);
void endpg(Session& s, int ipause);
void pageborder(Session& s);
void regborder(Session& s);
void clspage(Session& s);
// Copies a rectangle of the raster to the screen, row by row in runs of equal colour.
void putgscr(Session& s, int ix1, int iy1, int ix2, int iy2);
// Marks the text cells of the open page as picture cells (attribute 17).
void showpage(Session& s);

void clip(Session& s, int mode);
void set_clip(Session& s, int ix1, int iy1, int ix2, int iy2);
void get_clip(Session& s, int& ix1, int& iy1, int& ix2, int& iy2);

// World to region points (reals, and integers truncated towards zero).
void tmp(Session& s, float x, float y, float& px, float& py);
void tmp1(Session& s, float x, float y, int& ipx, int& ipy);

void axes(Session& s);
void xaxis(Session& s, float y, std::string_view title, int ntitle, float step, float ticklen,
           int nminor);
void yaxis(Session& s, float x, std::string_view title, int ntitle, float step, float ticklen,
           int nminor);

// The standard picture of the results viewer: mode 1 opens it (page 1, region 11, cleared),
// mode 3 opens it without clearing, mode 2 closes it.
void lpg(Session& s, int mode);

// ---- primitives (canvas points as reals) ----

void line(Session& s, float x1, float y1, float x2, float y2, int ic);
void text(Session& s, std::string_view txt, float x, float y, float h, int ia, int ic);
void flood(Session& s, const float* xs, const float* ys, int n, int ic);
void rect(Session& s, float x1, float y1, float x2, float y2, int ifill);
void symbol(Session& s, float x, float y, float h, std::string_view txt, int n, int ia);

// ---- colour state ----

void color(Session& s, int ic);  // drawing colour
int gcolor1(const Session& s);
void fcolor(Session& s, int ic);  // text foreground
int gtfcolor(const Session& s);
void bkcolor(Session& s, int ic);  // text background
int getbkclr(const Session& s);
void brdcolor(Session& s, int ic);  // border colour
void noblink(Session& s);
// Screen palette rule: colour 0 is shown as 15 and 15 as 0, all others unchanged.
int colpal(int ic);

// ---- raster renderers (integer points, clipped to the clip rectangle) ----

void p_line(Session& s, int ix1, int iy1, int ix2, int iy2, int ic);
void p_rect(Session& s, int ix1, int iy1, int ix2, int iy2, int ifill, int ic);
void p_flood(Session& s, const int* ixs, const int* iys, int n, int ic);
void p_text(Session& s, std::string_view txt, int ix, int iy, int ih, int ia, int ic);
void p_grftxt(Session& s, std::string_view txt, int ix, int iy, int ic);
void p_risalf(Session& s, std::string_view txt, int ix, int iy, int ih, int ia, int ic);

// ---- fonts ----

// Loads the bitmap table: 0 the 14-row table, 1 the 8-row table.
void getsym(Session& s, int ifont);
// Rows of glyph ch of the given height (8 or 14), straight from the tables.
const uint8_t* glyph_rows(int height, unsigned char ch);
// The stroke glyph string of a character ("" when it has none).
std::string_view alfin(unsigned char ch);

// ---- saving a canvas rectangle (raster points and the text cells over it) ----

void page01(Session& s, int ix1, int iy1, int ix2, int iy2);
void page10(Session& s, int ix1, int iy1, int ix2, int iy2);

// ---- screen driver (integer canvas points, 1-based unless noted; colours are canvas colours and
// pass through colpal) ----

// Opens the host window at a fraction of the display (see the rule in the driver).
void d_o(Session& s, std::string_view title, float fx, float fy);
void d_c(Session& s);
// Redraws the whole screen: the raster, then the text cells (after a window was reopened).
void d_restore(Session& s);
// Drawing at 0-based canvas coordinates, scaled to the window.
void d_line(Session& s, int ix1, int iy1, int ix2, int iy2, int ic);
void d_rect(Session& s, int ix1, int iy1, int ix2, int iy2, int ifill, int ic);
void d_flood(Session& s, const int* ixs, const int* iys, int n, int ic);
void d_text(Session& s, int ix, int iy, std::string_view txt);
void d_color(Session& s, int ic);
// Draws text cells (1-based column and row) with the 14-row font, cell background included, in
// the console's colours (the picture palette rule does not apply to text).
void d_cells(Session& s, int col, int row, std::string_view chars, int fg, int bg);
// Draws the text cells of a rectangle from the shadow (picture cells, attribute 17, are skipped).
void d_shadow_cells(Session& s, int col1, int row1, int col2, int row2);
// Text of 12 by 24 points per character at a text cell (the welcome screen's title font).
void d_big_text(Session& s, int col, int row, std::string_view txt, int ic);

}  // namespace tivor
