// The standard picture of the results viewer: page 1 is the work area left of the menu strip
// (text columns 1..61, rows 1..17, framed), region 11 the plot area inside it (columns 4..58,
// rows 2..16), which leaves room for tick labels and for a title line on the frame.
#include "gfx/gfx.hpp"

namespace tivor {
namespace {

constexpr int kPageCol1 = 1, kPageRow1 = 1, kPageCol2 = 61, kPageRow2 = 17;
constexpr int kRegCol1 = 4, kRegRow1 = 2, kRegCol2 = 58, kRegRow2 = 16;

// Makes page 1 the open page as PAGE does, but without clearing or framing the raster, so the
// picture already there stays.
void reopen_page(Session& s) {
  Grf& g = s.grf;
  if (g.igrdin != kMark) return;
  g.page_text[0] = kPageRow1;
  g.page_text[1] = kPageCol1;
  g.page_text[2] = kPageRow2;
  g.page_text[3] = kPageCol2;
  pagepar(s, (kPageCol1 - 1) * 8 + 1, (kPageRow1 - 1) * 14 + 1, kPageCol2 * 8, kPageRow2 * 14);
  g.initreg = 0;
  g.initlim = 0;
  g.irampag = 1;
  g.initpg = kMark;
  clip(s, 2);
}

}  // namespace

void lpg(Session& s, int mode) {
  color(s, 15);
  if (mode == 1) {
    page(s, kPageCol1, kPageRow1, kPageCol2, kPageRow2, 1);
    region(s, kRegCol1, kRegRow1, kRegCol2, kRegRow2, 0);
    color(s, 15);
  } else if (mode == 3) {
    reopen_page(s);
    region(s, kRegCol1, kRegRow1, kRegCol2, kRegRow2, 0);
    color(s, 15);
  } else if (mode == 2) {
    endpg(s, 0);
    clip(s, 1);
  }
}

}  // namespace tivor
