#include "console/menu_table.hpp"

#include <gtest/gtest.h>

#include "console/console_fixture.hpp"

namespace tivor::test {
namespace {

struct Row {
  std::string_view word, text;
  void (*action)(int&);
};
constexpr Row kRows[] = {{"a", "first", [](int& n) { n = 1; }},
                         {"bb", "second_item", [](int& n) { n = 2; }}};

TEST(MenuTable, ItemStringChosenActionAndEsc) {
  EXPECT_EQ(menu_words(kRows, &Row::word), "a bb");
  Console c;
  int choice = 1, called = 0;
  for (int k : {key::kDown, key::kEnter, key::kEsc}) c.host.press(k);
  table_menu(c.s, {.title = "menu", .helpfile = "null"}, kRows, choice);
  EXPECT_EQ(c.row(3).substr(63, 15), "second item    ");  // in the strip on the right
  EXPECT_TRUE(call_item(kRows, choice, called) && called == 2);
  table_menu(c.s, {.title = "menu", .helpfile = "null"}, kRows, choice);
  EXPECT_FALSE(call_item(kRows, choice, called));
}

}  // namespace
}  // namespace tivor::test
