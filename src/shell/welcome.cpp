// The banner and the welcome screen shown at start-up.
#include <cmath>

#include "console/console.hpp"
#include "gfx/gfx.hpp"
#include "shell/shell.hpp"

namespace tivor {

bool await_ticks(Session& s, int n) {
  const double start = s.host->clock();
  for (;;) {
    const double elapsed = s.host->clock() - start;
    if (std::lround(elapsed * 18.0) >= n) return false;
    if (s.host->timed_wait((n - elapsed * 18.0) / 18.0)) return true;
  }
}

void title_screen(Session& s, std::string_view title) {
  const int saved_fg = gtfcolor(s);
  const int saved_bg = getbkclr(s);
  bkcolor(s, 3);
  for (int i = 1; i <= 6; ++i) {
    d_rect(s, (40 - 5 * i) * 8, (12 - i) * 14, (40 + 5 * i) * 8 - 1, (12 + i) * 14 - 1, 1, 3);
  }
  // Centred on its visible characters: the blanks around the product title would push the
  // large font off the middle of the box.
  std::string name = rtrim(title);
  name.erase(0, name.find_first_not_of(' ') == std::string::npos ? name.size()
                                                                 : name.find_first_not_of(' '));
  color(s, 12);
  d_big_text(s, 38 - static_cast<int>(name.size()) / 2, 13, name, 12);
  fcolor(s, 0);
  locate1(s, 35, 9);
  dispstr(s, "Welcome to");
  locate1(s, 29, 17);
  dispstr(s, "press any key to begin");
  s.host->present();
  int key = 0;
  grfkey(s, key);
  fcolor(s, saved_fg);
  bkcolor(s, saved_bg);
}

}  // namespace tivor
