// The colour state: the drawing colour of the primitives and the console's text colours (the
// text attribute is background * 16 + foreground).
#include "gfx/gfx.hpp"

namespace tivor {

void color(Session& s, int ic) {
  s.grf.igcolor = ic;
}

int gcolor1(const Session& s) {
  return s.grf.igcolor;
}

void fcolor(Session& s, int ic) {
  s.colors.fg = ic;
  s.colors.attr = s.colors.bg * 16 + s.colors.fg;
}

int gtfcolor(const Session& s) {
  return s.colors.fg;
}

void bkcolor(Session& s, int ic) {
  s.colors.bg = ic;
  s.colors.attr = s.colors.bg * 16 + s.colors.fg;
}

int getbkclr(const Session& s) {
  return s.colors.bg;
}

void brdcolor(Session& s, int ic) {
  s.colors.border = ic;
}

void noblink(Session& s) {
  s.colors.blink = 0;
}

}  // namespace tivor
