// A console session on the scripted test host, with looks at the text screen and the window.
#pragma once

#include <string>
#include <vector>

#include "console/console.hpp"
#include "gfx/gfx.hpp"
#include "support/test_host.hpp"
#include "support/work_dir.hpp"

namespace tivor::test {

// A session on the test host with the window at the canvas size (canvas point (x, y) is window
// pixel (x - 1, y - 1)), the screen cleared to grey on black.
struct Console {
  TestHost host;
  Session s{host};

  Console() {
    d_o(s, "test", 0.6f, 0.6f);
    clip(s, 1);
    s.colors.fg = 7;
    cls(s);
  }
  std::string row(int r) const {
    return std::string(s.text.ch.begin() + (r - 1) * kCols, s.text.ch.begin() + r * kCols);
  }
  std::string trimmed(int r) const { return rtrim(row(r)); }
  int attr(int col, int r) const { return s.text.attr[(r - 1) * kCols + (col - 1)]; }
  std::vector<uint8_t> screen() { return host.surface().pixels; }
  int pixel(int x, int y) { return host.surface().at(x - 1, y - 1); }
  void put(int col, int r, std::string_view txt, int fg = 7, int bg = 0) {
    const Colors keep = s.colors;
    s.colors.fg = fg, s.colors.bg = bg;
    locate1(s, col, r);
    dispstr(s, txt);
    s.colors = keep;
  }
  // Runs f, which must end the program; the stop status (-1 when it returned).
  template <typename F>
  int stops(F f) {
    try {
      f();
    } catch (const ProgramStop& st) {
      return st.status;
    }
    return -1;
  }
};

}  // namespace tivor::test
