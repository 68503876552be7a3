#include "host/key_script.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "test_dir.hpp"

namespace tivor {
namespace {

using Kind = ScriptToken::Kind;

std::vector<ScriptToken> keys(std::initializer_list<int> codes) {
  std::vector<ScriptToken> out;
  for (int c : codes) out.push_back(ScriptToken::press(c));
  return out;
}

TEST(KeyScriptParse, EveryNamedKeyMapsToItsConsoleCode) {
  const std::vector<std::pair<std::string, int>> table = {
      {"Enter", 13},      {"Esc", 27},         {"Tab", 9},          {"Up", -72},
      {"Down", -80},      {"Left", -75},       {"Right", -77},      {"Home", -71},
      {"End", -79},       {"PgUp", -73},       {"PgDn", -81},       {"Del", -83},
      {"Bksp", 8},        {"F1", -59},         {"F2", -60},         {"F3", -61},
      {"F4", -62},        {"Ctrl-C", 3},       {"Ctrl-Y", 25},      {"Ctrl-Home", -119},
      {"Ctrl-End", -117}, {"Ctrl-PgUp", -132}, {"Ctrl-PgDn", -118}, {"Alt-C", -46},
  };
  std::string script;
  std::vector<ScriptToken> expected;
  for (const auto& [name, code] : table) {
    script += "<" + name + ">";
    expected.push_back(ScriptToken::press(code));
  }
  const KeyScript all = parse_key_script(script);
  ASSERT_TRUE(all.ok());
  EXPECT_EQ(all.tokens, expected);
}

TEST(KeyScriptParse, LiteralsLineEndsAndComments) {
  EXPECT_EQ(parse_key_script("ab\ncd\r\n e\n").tokens, keys({'a', 'b', 'c', 'd', ' ', 'e'}));
  // A comment is a whole line starting with '#', even one holding a bad token; '#' elsewhere is
  // typed.
  EXPECT_EQ(parse_key_script("#<Nonsense\nx#y\n  #z\n#\n").tokens,
            keys({'x', '#', 'y', ' ', ' ', '#', 'z'}));
  EXPECT_EQ(parse_key_script("a\tb").tokens, keys({'a', key::kTab, 'b'}));
  EXPECT_EQ(parse_key_script("<<>x<<><Enter>").tokens, keys({'<', 'x', '<', key::kEnter}));
  EXPECT_EQ(parse_key_script("a>b").tokens, keys({'a', '>', 'b'}));
  EXPECT_TRUE(parse_key_script("").tokens.empty());
  EXPECT_TRUE(parse_key_script("\n\n# only comments\n").ok());
}

TEST(KeyScriptParse, SavesPollEscAndMouse) {
  const KeyScript s = parse_key_script(
      "<Shot:main-menu_1.v2><Text:T>\n<Click:1,1><RClick:640,350><MClick:12,305><!Esc>");
  ASSERT_TRUE(s.ok());
  const std::vector<ScriptToken> expected = {
      ScriptToken::shot("main-menu_1.v2"), ScriptToken::text("T"),
      ScriptToken::click(1, 1, 1),         ScriptToken::click(2, 640, 350),
      ScriptToken::click(3, 12, 305),      ScriptToken::poll_esc(),
  };
  EXPECT_EQ(s.tokens, expected);
}

TEST(KeyScriptParse, MalformedTokensReportTheirLine) {
  auto expect_error = [](const std::string& text, int line) {
    const KeyScript s = parse_key_script(text);
    ASSERT_FALSE(s.ok()) << text;
    EXPECT_TRUE(s.error->line == line && !s.error->message.empty() && s.tokens.empty()) << text;
  };
  // Names are case-sensitive, a token does not span lines, file names stay in the directory,
  // clicks stay on the canvas.
  for (const char* text : {"<Foo>",
                           "<enter>",
                           "<>",
                           "<Enter\n>",
                           "<Esc<Enter>",
                           "<<Enter>",
                           "<Shot:a/b>",
                           "<Text:../up>",
                           "<Shot:a b>",
                           "<Shot:x\\y>",
                           "<Shot>",
                           "<Beep:1>",
                           "<Click:0,1>",
                           "<Click:641,1>",
                           "<Click:1,351>",
                           "<Click:1>",
                           "<Click:1,2,3>",
                           "<Click:-1,2>",
                           "<Click:+1,2>",
                           "<Click: 1,2>",
                           "<Click:,>",
                           "<RClick:1,9999999>",
                           "a\x7f"}) {
    expect_error(text, 1);
  }
  expect_error("ab\n<Enter", 2);
  expect_error("x\n\x01", 2);
  expect_error("ok\n# <Bad>\n\n<Shot:>", 4);
}

TEST(KeyScriptLoad, ReadsAFileAndReportsAMissingOne) {
  TestDir dir;
  std::ofstream(dir.file("keys.txt")) << "# demo\nq<Enter>\n";
  const KeyScript s = load_key_script(dir.file("keys.txt"));
  ASSERT_TRUE(s.ok());
  EXPECT_EQ(s.tokens, keys({'q', key::kEnter}));

  const KeyScript missing = load_key_script("/nonexistent/dir/keys.txt");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error->line, 0);
}

}  // namespace
}  // namespace tivor
