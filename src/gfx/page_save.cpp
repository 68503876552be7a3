// Copying the raster to the screen, and saving and restoring a canvas rectangle (raster points
// and the text cells over it) in the frame store's save area.
#include <algorithm>

#include "gfx/gfx.hpp"

namespace tivor {

void putgscr(Session& s, int ix1, int iy1, int ix2, int iy2) {
  if (s.grf.gswitch != 1 || s.grf.initpg != kMark) return;
  ix1 = std::max(ix1, 1);
  iy1 = std::max(iy1, 1);
  ix2 = std::min(ix2, kCanvasW);
  iy2 = std::min(iy2, kCanvasH);
  for (int y = iy1; y <= iy2; ++y) {
    int run_start = ix1;
    for (int x = ix1 + 1; x <= ix2 + 1; ++x) {
      if (x > ix2 || s.frame.at(x, y) != s.frame.at(run_start, y)) {
        d_rect(s, run_start - 1, y - 1, x - 2, y - 1, 1, s.frame.at(run_start, y));
        run_start = x;
      }
    }
  }
  s.host->present();
}

void showpage(Session& s) {
  const int* t = s.grf.page_text;  // first row, first column, last row, last column
  for (int row = std::max(t[0], 1); row <= std::min(t[2], kRows); ++row) {
    for (int col = std::max(t[1], 1); col <= std::min(t[3], kCols); ++col) {
      s.text.attr_at(col, row) = 17;
    }
  }
}

namespace {

// The rectangle clamped to the open page; false when nothing is left.
bool clamp_to_page(const Session& s, int& ix1, int& iy1, int& ix2, int& iy2) {
  ix1 = std::max(ix1, s.grf.page_pix[0]);
  ix2 = std::min(ix2, s.grf.page_pix[1]);
  iy1 = std::max(iy1, s.grf.page_pix[2]);
  iy2 = std::min(iy2, s.grf.page_pix[3]);
  ix1 = std::max(ix1, 1);
  iy1 = std::max(iy1, 1);
  ix2 = std::min(ix2, kCanvasW);
  iy2 = std::min(iy2, kCanvasH);
  return ix1 <= ix2 && iy1 <= iy2;
}

// Copies raster points and the text cells over them between the live and the saved arrays.
void copy_rectangle(Session& s, int ix1, int iy1, int ix2, int iy2, bool save) {
  for (int y = iy1; y <= iy2; ++y) {
    for (int x = ix1; x <= ix2; ++x) {
      if (save) {
        s.frame.saved_at(x, y) = s.frame.at(x, y);
      } else {
        s.frame.at(x, y) = s.frame.saved_at(x, y);
      }
    }
  }
  for (int row = iy1 / 14 + 1; row <= std::min(iy2 / 14, kRows); ++row) {
    for (int col = ix1 / 8 + 1; col <= std::min(ix2 / 8, kCols); ++col) {
      const int k = (row - 1) * kCols + (col - 1);
      if (save) {
        s.text.saved_ch[k] = s.text.ch[k];
        s.text.saved_attr[k] = s.text.attr[k];
      } else {
        s.text.ch[k] = s.text.saved_ch[k];
        s.text.attr[k] = s.text.saved_attr[k];
      }
    }
  }
}

}  // namespace

void page01(Session& s, int ix1, int iy1, int ix2, int iy2) {
  if (s.grf.initpg != kMark || !clamp_to_page(s, ix1, iy1, ix2, iy2)) return;
  copy_rectangle(s, ix1, iy1, ix2, iy2, true);
}

void page10(Session& s, int ix1, int iy1, int ix2, int iy2) {
  if (s.grf.initpg != kMark || !clamp_to_page(s, ix1, iy1, ix2, iy2)) return;
  copy_rectangle(s, ix1, iy1, ix2, iy2, false);
  putgscr(s, ix1, iy1, ix2, iy2);
  d_shadow_cells(s, ix1 / 8 + 1, iy1 / 14 + 1, ix2 / 8, iy2 / 14);
  s.host->present();
}

}  // namespace tivor
