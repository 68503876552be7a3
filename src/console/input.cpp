// Keyboard and mouse input: non-blocking polls, the menu wait with the pointer shown, and the
// wait with a blinking underline cursor used by every pause.
#include <algorithm>
#include <vector>

#include "console/console.hpp"
#include "console/internal.hpp"
#include "gfx/gfx.hpp"

namespace tivor {
namespace console_detail {
namespace {

// Keeps the window pixels of one text cell and puts them back when it goes out of scope, also
// when the wait ends the program.
class CellPixels {
 public:
  CellPixels(Session& s, int col, int row) : s_(s) {
    const ScreenSurface& surf = s.host->surface();
    w_ = surf.w;
    h_ = surf.h;
    // One window pixel of margin on the far sides covers any rounding of the scaled cell.
    x1_ = std::clamp((col - 1) * 8 * s.cres.w / kCanvasW, 0, w_);
    x2_ = std::clamp(col * 8 * s.cres.w / kCanvasW + 1, 0, w_);
    y1_ = std::clamp((row - 1) * 14 * s.cres.h / kCanvasH, 0, h_);
    y2_ = std::clamp(row * 14 * s.cres.h / kCanvasH + 1, 0, h_);
    for (int y = y1_; y < y2_; ++y) {
      for (int x = x1_; x < x2_; ++x) kept_.push_back(surf.pixels[static_cast<size_t>(y) * w_ + x]);
    }
  }
  ~CellPixels() {
    ScreenSurface& surf = s_.host->surface();
    if (surf.w != w_ || surf.h != h_) return;
    size_t k = 0;
    for (int y = y1_; y < y2_; ++y) {
      for (int x = x1_; x < x2_; ++x) surf.pixels[static_cast<size_t>(y) * w_ + x] = kept_[k++];
    }
    s_.host->present();
  }
  CellPixels(const CellPixels&) = delete;
  CellPixels& operator=(const CellPixels&) = delete;

 private:
  Session& s_;
  int w_ = 0, h_ = 0, x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
  std::vector<uint8_t> kept_;
};

}  // namespace

InputEvent wait_blink(Session& s) {
  const int col = std::clamp(s.colors.col, 1, kCols);
  const int row = std::clamp(s.colors.row, 1, kRows);
  const int bg = s.colors.bg & 15;
  const int fg = visible_fg(s.colors.fg, bg);
  const CellPixels keep(s, col, row);
  const int x0 = (col - 1) * 8, y0 = (row - 1) * 14;
  InputEvent ev;
  bool on = false;
  for (;;) {
    on = !on;
    // Text colours are shown as they are: colpal undoes the picture palette rule of d_rect.
    d_rect(s, x0, y0 + 12, x0 + 7, y0 + 13, 1, colpal(on ? fg : bg));
    s.host->present();
    if (s.host->wait_input(ev, 0.5)) break;
  }
  return ev;
}

}  // namespace console_detail

int inkey(Session& s) {
  return s.host->poll_key();
}

void keymou(Session& s, int& key, int& button, int& x, int& y) {
  key = s.host->poll_key();
  s.host->poll_mouse(button, x, y);
  if (button == 4) button = 0;
  if (key == key::kTab) repaint(s);
}

void key_m(Session& s, int& key, int& button, int& x, int& y) {
  s.host->show_pointer(true);
  InputEvent ev;
  s.host->wait_input(ev, -1.0);
  s.host->show_pointer(false);
  key = ev.key;
  button = ev.button;
  x = ev.x;
  y = ev.y;
  // Ctrl-C is also how the host reports a closed window; a menu must not swallow it.
  if (key == key::kCtrlC) stopper(s);
  if (key == key::kTab) repaint(s);
}

void grfkey(Session& s, int& key) {
  const InputEvent ev = console_detail::wait_blink(s);
  if (ev.key == key::kCtrlC) stopper(s);
  key = ev.button == 2 ? key::kEsc : ev.key;
}

void stopper(Session& s) {
  d_c(s);
  s.host->stop(0);
  // Every host's stop throws; this keeps the promise never to return should one not.
  throw ProgramStop{0};
}

}  // namespace tivor
