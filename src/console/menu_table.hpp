// Menus written as tables: each row holds an item's text and what choosing it does, so that the
// two stand on one line. The rows give wmenu its blank-separated item string and the dispatch
// on the position chosen.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "console/console.hpp"

namespace tivor {

// An item and its action on the menu's context (the session itself, or a small struct of what
// the menu's actions share).
template <class Ctx>
struct MenuItem {
  std::string_view text;  // one word; underscores show as blanks
  void (*action)(Ctx&);
};

// Title, help file and place of a menu. The defaults put it in the menu strip on the right, in
// the colours of every menu of the program.
struct MenuLook {
  std::string_view title;
  std::string_view helpfile;
  int x = 64, y = 1, ncol = 1, width = 15;
  int hifg = 0, hibg = 3, fg = 14, bg = 1;
};

// The rows' texts, or another text column of them (a command word), separated by blanks.
template <class Row, std::size_t N>
std::string menu_words(const Row (&rows)[N], std::string_view Row::*column = &Row::text) {
  std::string words;
  for (const Row& row : rows) {
    if (!words.empty()) words += ' ';
    words += row.*column;
  }
  return words;
}

// Shows the menu of the rows; choice is the item it starts at and then the one chosen, 0 after
// Esc.
template <class Row, std::size_t N>
void table_menu(Session& s, const MenuLook& look, const Row (&rows)[N], int& choice) {
  wmenu(s, look.title, choice, menu_words(rows), static_cast<int>(N), look.helpfile, look.x, look.y,
        look.hifg, look.hibg, look.fg, look.bg, look.ncol, look.width);
}

// Calls the action of item choice (from 1); false when there is no such item, as after Esc.
template <class Row, std::size_t N, class Ctx>
bool call_item(const Row (&rows)[N], int choice, Ctx& ctx) {
  if (choice < 1 || choice > static_cast<int>(N)) return false;
  rows[choice - 1].action(ctx);
  return true;
}

}  // namespace tivor
