// The grid menu: items in ncol columns of a given width, the current item highlighted, chosen
// with the arrow keys, Enter or the mouse; F1 shows the item's help topic.
#include <algorithm>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "console/internal.hpp"
#include "gfx/gfx.hpp"

namespace tivor {
namespace {

// Menus never hold more items than the screen has cells.
constexpr int kMaxItems = kCols * kRows;

int item_count(int n) {
  return n < -kMaxItems || n > kMaxItems ? kMaxItems : std::abs(n);
}

std::string underscores_to_blanks(std::string txt) {
  std::replace(txt.begin(), txt.end(), '_', ' ');
  return txt;
}

struct Layout {
  int count;  // |n|
  int ncol;
  int width;
  int rows;
  int x;
  int first_row;
  int row_of(int k) const { return first_row + (k - 1) / ncol; }
  int col_of(int k) const { return x + (k - 1) % ncol * width; }
  int menu_width() const { return ncol * width; }
};

struct Menu {
  Session& s;
  std::string_view title;
  const std::vector<std::string>& items;
  std::string_view helpfile;
  int y, hifg, hibg, fg, bg;
  Layout lay;

  void draw_item(int k, int ifg, int ibg) const {
    const int row = lay.row_of(k);
    if (row > kRows) return;
    const std::string txt = k <= lay.count ? items[static_cast<size_t>(k - 1)] : std::string();
    show_mnu(s, lay.col_of(k), row, txt, ifg, ibg, lay.width);
  }

  void draw() const {
    const std::string t = rtrim(title);
    if (y >= 1 && y < 24 && !t.empty()) {
      const int ahead = std::max((lay.menu_width() - static_cast<int>(t.size())) / 2, 0);
      std::string line = std::string(static_cast<size_t>(ahead), ' ') + t;
      if (static_cast<int>(line.size()) < lay.menu_width()) line.resize(lay.menu_width(), ' ');
      show_mnu(s, lay.x, y, line, 15, bg, static_cast<int>(line.size()));
    }
    const int last_row = lay.row_of(lay.count);
    if (last_row <= kRows) {
      const int fg0 = s.colors.fg, bg0 = s.colors.bg;
      console_detail::set_colours(s, fg, bg);
      cls1(s, lay.x, last_row, lay.x + lay.menu_width() - 1, last_row);
      console_detail::set_colours(s, fg0, bg0);
    }
    for (int k = 1; k <= lay.rows * lay.ncol; ++k) draw_item(k, fg, bg);
  }

  // The item whose cell box holds the canvas point, 0 when none.
  int item_at(int px, int py) const {
    for (int k = 1; k <= lay.count; ++k) {
      const int row = lay.row_of(k);
      if (row > kRows) break;
      const int x1 = (lay.col_of(k) - 1) * 8 + 1, y1 = (row - 1) * 14 + 1;
      if (px >= x1 && px < x1 + lay.width * 8 && py >= y1 && py < y1 + 14) return k;
    }
    return 0;
  }

  void help(int k) const {
    // A menu without a help file shows the general hint, whether or not some file happens to
    // be called "null".
    if (rtrim(helpfile) == "null") {
      console_detail::show_help_box(s, {"  use arrow keys to choose item + enter, or esc"});
      return;
    }
    dathlp(s, helpfile, rtrim(items[static_cast<size_t>(k - 1)]));
  }

  // Previous or next item in the same row, wrapping within the row's items.
  int step_column(int k, int dir) const {
    if (lay.ncol == 1) return dir < 0 ? 1 : lay.count;
    const int r = (k - 1) / lay.ncol, c = (k - 1) % lay.ncol;
    const int in_row = std::min(lay.ncol, lay.count - r * lay.ncol);
    return r * lay.ncol + (c + dir + in_row) % in_row + 1;
  }

  // Previous or next row in the same column, wrapping, never beyond the last item.
  int step_row(int k, int dir) const {
    const int r = (k - 1) / lay.ncol, c = (k - 1) % lay.ncol;
    const int nr = (r + dir + lay.rows) % lay.rows;
    return std::min(nr * lay.ncol + c + 1, lay.count);
  }
};

void run_menu(Session& s, std::string_view title, int& selection,
              const std::vector<std::string>& items, int n, std::string_view helpfile, int x, int y,
              int hifg, int hibg, int fg, int bg, int ncol, int width) {
  const int count = std::min(item_count(n), static_cast<int>(items.size()));
  if (count == 0) {
    selection = 0;
    return;
  }
  Layout lay{};
  lay.count = count;
  lay.ncol = std::clamp(ncol, 1, kCols);
  lay.width = std::clamp(width, 1, kCols);
  lay.rows = (count + lay.ncol - 1) / lay.ncol;
  lay.x = std::clamp(x, 1, kCols);
  lay.first_row = std::clamp(y, 0, kRows - 1) + 1;
  const Menu menu{s, title, items, helpfile, y, hifg, hibg, fg, bg, lay};

  const CursorColoursGuard keep(s);
  const int clip_mode = s.grf.clip_mode;
  int clip_rect[4];
  std::copy(std::begin(s.grf.clip), std::end(s.grf.clip), clip_rect);
  clip(s, 1);

  int cur = std::clamp(selection, 1, count);
  menu.draw();
  bool done = hifg < 0;
  while (!done) {
    menu.draw_item(cur, hifg, hibg);
    int key = 0, button = 0, mx = 0, my = 0;
    key_m(s, key, button, mx, my);
    menu.draw_item(cur, fg, bg);
    if (key == key::kEsc || button == 2) {
      cur = 0;
      done = true;
    } else if (key == key::kEnter) {
      done = true;
    } else if (button == 1) {
      const int k = menu.item_at(mx, my);
      if (k != 0) {
        done = k == cur;
        cur = k;
      }
    } else if (key == key::kF1 || button == 3 || button == 4) {
      menu.help(cur);
      menu.draw();
    } else if ((key == key::kLeft || key == key::kRight) && n < 0) {
      cur = key == key::kLeft ? -1 : -100 - cur;
      done = true;
    } else if (key == key::kLeft || key == key::kRight) {
      cur = menu.step_column(cur, key == key::kLeft ? -1 : 1);
    } else if (key == key::kUp || key == key::kDown) {
      cur = menu.step_row(cur, key == key::kUp ? -1 : 1);
    } else if (key == key::kHome || key == key::kPgUp) {
      cur = 1;
    } else if (key == key::kEnd || key == key::kPgDn) {
      cur = count;
    } else if (key == key::kAltC) {
      command1(s);
    }
  }
  if (hifg >= 0) selection = cur;

  s.grf.clip_mode = clip_mode;
  std::copy(clip_rect, clip_rect + 4, s.grf.clip);
}

}  // namespace

std::string getmenu(int k, std::string_view items) {
  int index = 0;
  size_t pos = 0;
  while (pos < items.size()) {
    while (pos < items.size() && items[pos] == ' ') ++pos;
    if (pos >= items.size()) break;
    const size_t end = std::min(items.find(' ', pos), items.size());
    if (++index == k) return underscores_to_blanks(std::string(items.substr(pos, end - pos)));
    pos = end;
  }
  return std::string();
}

void show_mnu(Session& s, int x, int y, std::string_view txt, int fg, int bg, int width) {
  const int fg0 = s.colors.fg, bg0 = s.colors.bg;
  console_detail::set_colours(s, fg, bg);
  locate1(s, x, y);
  dispstr(s, console_detail::fit(txt, width));
  console_detail::set_colours(s, fg0, bg0);
}

void wmenu(Session& s, std::string_view title, int& selection, std::string_view items, int n,
           std::string_view helpfile, int x, int y, int hifg, int hibg, int fg, int bg, int ncol,
           int width) {
  std::vector<std::string> words;
  for (int k = 1; k <= item_count(n); ++k) words.push_back(getmenu(k, items));
  run_menu(s, title, selection, words, n, helpfile, x, y, hifg, hibg, fg, bg, ncol, width);
}

void wmenuh(Session& s, std::string_view title, int& selection,
            const std::vector<std::string>& items, int n, std::string_view helpfile, int x, int y,
            int hifg, int hibg, int fg, int bg, int ncol, int width) {
  // Items missing from the array show as blanks.
  std::vector<std::string> texts(static_cast<size_t>(item_count(n)));
  for (size_t k = 0; k < texts.size() && k < items.size(); ++k) {
    texts[k] = underscores_to_blanks(rtrim(items[k]));
  }
  run_menu(s, title, selection, texts, n, helpfile, x, y, hifg, hibg, fg, bg, ncol, width);
}

std::string fit_name(std::string_view name, int width) {
  const size_t room = static_cast<size_t>(std::max(width - 1, 1));
  if (name.size() <= room) return std::string(name);
  return std::string(name.substr(0, room - 1)) + "~";
}

void wmenu_names(Session& s, std::string_view title, int& selection,
                 const std::vector<std::string>& names, std::string_view helpfile, int x, int y,
                 int hifg, int hibg, int fg, int bg, int ncol, int width) {
  std::vector<std::string> texts;
  texts.reserve(names.size());
  for (const std::string& name : names) texts.push_back(fit_name(name, width));
  run_menu(s, title, selection, texts, static_cast<int>(texts.size()), helpfile, x, y, hifg, hibg,
           fg, bg, ncol, width);
}

}  // namespace tivor
