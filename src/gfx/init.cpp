// Starting the graphics library: the output switches, the graphics window, the colours, the
// character cell and a cleared full-canvas page.
#include <algorithm>

#include "gfx/gfx.hpp"

namespace tivor {
namespace {

// The start shared by DINIT and DINIT1. A second start only switches graphics on again.
void dinit_common(Session& s, std::string_view title, float fx, float fy, int screen) {
  Grf& g = s.grf;
  // The host has no video modes; the text screen is 80 by 25.
  s.colors.ncols = kCols;
  s.colors.nrows = kRows;
  gout(s, 0, 1, screen);
  if (g.igrdin == kMark) {
    gron(s);
    return;
  }
  d_o(s, title, fx, fy);
  d_color(s, 0);
  g.ipxmxmode = kCanvasW;
  g.ipymxmode = kCanvasH;
  std::fill(s.frame.raster.begin(), s.frame.raster.end(), uint8_t{0});
  color(s, 7);
  fcolor(s, 7);
  bkcolor(s, 0);
  brdcolor(s, 0);
  noblink(s);
  // The keyword reader takes the keyboard as its input source by itself; nothing to do here.
  s.colors.col = 1;
  s.colors.row = 1;
  g.cell_w = kCanvasW / kCols;
  g.cell_h = kCanvasH / kRows;
  g.igfont = 0;
  clip(s, 1);
  g.igrdin = kMark;
  g.initpg = 0;
  g.initreg = 0;
  g.initlim = 0;
  pagepar(s, 1, 1, kCanvasW, kCanvasH);
  p_rect(s, 1, 1, kCanvasW, kCanvasH, 1, 0);
  gron(s);
}

}  // namespace

void dinit1(Session& s, std::string_view title, float fx, float fy) {
  s.grf.initgr = 3;
  dinit_common(s, title, fx, fy, 0);
}

void dinit(Session& s, std::string_view title, float fx, float fy) {
  s.grf.initgr = 2;
  dinit_common(s, title, fx, fy, 1);
}

void gout(Session& s, int i1, int i2, int i3) {
  s.cgout.igout[0] = i1;
  s.cgout.igout[1] = i2;
  s.cgout.igout[2] = i3;
}

void gron(Session& s) {
  s.grf.gswitch = 1;
}

}  // namespace tivor
