// The graphics library: a 640 by 350 canvas of pages, regions and world limits, the four
// primitives sent to up to three outputs (picture file, raster copy, screen), the raster
// renderers with clipping and the two fonts, and the screen driver that scales the canvas to the
// host window. Canvas points are 1-based (x 1..640 from the left, y 1..350 from the top).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "core/bytes.hpp"
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

// Both axes at the region's lower and left edges, with the given steps (0: automatic ones).
void axes(Session& s, float xstep = 0.0f, float ystep = 0.0f);
void xaxis(Session& s, float y, std::string_view title, int ntitle, float step, float ticklen,
           int nminor);
void yaxis(Session& s, float x, std::string_view title, int ntitle, float step, float ticklen,
           int nminor);
// Narrows the region so that the labels of the axes of the current limits (with the given
// steps, 0 for automatic ones as AXES draws them) stay between the points x1 and x2: the y labels
// left of the region, the x labels centred under its ends.
void fit_region_to_axes(Session& s, int x1, int x2, float xstep = 0.0f, float ystep = 0.0f);

// The standard picture of the results viewer: mode 1 opens it (page 1, region 11, cleared),
// mode 3 opens it without clearing, mode 2 closes it.
void lpg(Session& s, int mode);

// ---- primitives (canvas points as reals) ----

void line(Session& s, float x1, float y1, float x2, float y2, int ic);
void text(Session& s, std::string_view txt, float x, float y, float h, int ia, int ic);
void flood(Session& s, const float* xs, const float* ys, int n, int ic);
void rect(Session& s, float x1, float y1, float x2, float y2, int ifill);
void symbol(Session& s, float x, float y, float h, std::string_view txt, int n, int ia);

// ---- picture files (records of every primitive drawn while output 1 is on) ----

// Opens a picture file (written under name + ".tmp" until it is closed) and switches output 1 on.
void gfopen(Session& s, std::string_view name);
// Writes the last block, the header, and gives the file its name; switches output 1 off.
void gfclose(Session& s);
// Ends the current block with the byte 129 and writes it.
void gfwrite(Session& s);
// One record each, in canvas points (reals); a negative colour is the drawing colour.
void gf_line(Session& s, float x1, float y1, float x2, float y2, int ic);
void gf_text(Session& s, std::string_view txt, float x, float y, float h, int angle, int ic);
void gf_flood(Session& s, const float* xs, const float* ys, int n, int ic);
// Replays a picture file onto the raster copy and the screen, every coordinate times scale.
// Shows "file not found", "cannot open file" or "Cannot read file" when it cannot, and names the
// kind and offset of the first damaged record or a bad header after drawing what came before.
void gf_view(Session& s, std::string_view name, float scale);
// The same on the bytes of a whole file (header included), without messages; false when they
// end before the header's count or are damaged.
bool gf_replay(Session& s, std::span<const uint8_t> file, float scale);

// ---- contour lines and zones (world coordinates of the current limits) ----
// Structured grids: F, X, Y of nx by ny nodes, node (i, j) at (i - 1) + (j - 1) * nx. Levels lev
// increase; line colours col[nlev] (0 drawn as 15); zone colours col[nlev + 1], colour k for the
// band below lev[k], the last one for the band above the last level.

// Contour lines on a grid, clipped to the region.
void izol(Session& s, const float* f, const float* x, const float* y, int nx, int ny,
          const float* lev, const int32_t* col, int nlev);
// Zones on a grid, clipped to the region.
void izolc(Session& s, const float* f, const float* x, const float* y, int nx, int ny,
           const float* lev, const int32_t* col, int nlev);
// Zones on an element mesh with the level lines in colour 15 over them. nodes holds nv (3 or 4)
// 1-based node numbers per element, ne elements; nn is the number of nodes of x, y, f (an
// element naming a node outside 1..nn is skipped). nlev < 0: |nlev| levels and a second copy of
// the zones mirrored at x = 0.
void tvfe1(Session& s, const float* x, const float* y, const float* f, const int32_t* nodes, int ne,
           int nv, int nn, const float* lev, const int32_t* col, int nlev);
// Zones on one triangle: one convex polygon per band, the bands tiling the triangle.
void flood1(Session& s, const float* x, const float* y, const float* f, const float* lev,
            const int32_t* col, int nlev);
// Fills a polygon of 3 to 9 world points (others are skipped).
void flood0(Session& s, const float* x, const float* y, int n, int icol);
// A polyline of world points in the drawing colour, cut to the clip rectangle.
void lineo(Session& s, const float* x, const float* y, int n);
// Legends right of the region: level labels for lines, colour swatches for zones.
void izlscale(Session& s, const float* lev, const int32_t* col, int nlev);
void clrscale(Session& s, const float* lev, const int32_t* col, int nlev);
// The legend of a field that is constant over the mesh: the word and its value.
void constant_scale(Session& s, float value);

// ---- page images: run-length coded rectangles of the raster ----
// Row y1..y2 are scanned from x1 to x2, the column x2 (one past the coded part, at most 641)
// ending every row's last run; positions run with a stride of 640 whatever the width.

// Appends one run of l points (1..65535) of colour c to out: one byte for 1..7 points, two for
// 8..1791, three from 1792 on.
void code_run(ByteWriter& out, int l, int c);
// Codes a rectangle of the raster into buf; returns the bytes used, or -1 (buf unchanged) when
// the image does not fit.
int getpca(const Session& s, int ix1, int iy1, int ix2, int iy2, std::span<uint8_t> buf);
// Draws a coded image with its top-left corner at (x0, y0), scaled, clipped to (cx1, cy1)-(cx2,
// cy2) and the canvas, then copies that box to the screen. Damaged codes draw what they say,
// within the box, and stop at the end of the bytes.
void p_putpca(Session& s, int x0, int y0, int cx1, int cy1, int cx2, int cy2,
              std::span<const uint8_t> buf, float scale);
// The open page's rectangle coded into the librarian's image buffer; false (size 0) when its
// image would exceed the buffer.
bool getpage(Session& s);
// Draws the librarian's image buffer at the open page's top-left corner.
void putkdr(Session& s);
// Page files: the image size (int32) and the image of the open page. savepage writes the file
// (false when it cannot, or the image is too large); restpage draws a file of at most 32000
// image bytes at the page's top-left corner (false when there is none or it is damaged).
bool savepage(Session& s, std::string_view file);
bool restpage(Session& s, std::string_view file);
// restpage on the bytes of a file.
bool put_page_file(Session& s, std::span<const uint8_t> file);

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
