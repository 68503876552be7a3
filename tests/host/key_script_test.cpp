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
  struct Case {
    std::string text;
    int line;
  };
  // Names are case-sensitive, a token does not span lines, file names stay in the directory,
  // clicks stay on the canvas.
  const std::vector<Case> cases = {{"<Foo>", 1},
                                   {"<enter>", 1},
                                   {"<>", 1},
                                   {"ab\n<Enter", 2},
                                   {"<Enter\n>", 1},
                                   {"<Esc<Enter>", 1},
                                   {"<<Enter>", 1},
                                   {"ok\n# <Bad>\n\n<Shot:>", 4},
                                   {"<Shot:a/b>", 1},
                                   {"<Text:../up>", 1},
                                   {"<Shot:a b>", 1},
                                   {"<Shot:x\\y>", 1},
                                   {"<Shot>", 1},
                                   {"<Beep:1>", 1},
                                   {"<Click:0,1>", 1},
                                   {"<Click:641,1>", 1},
                                   {"<Click:1,351>", 1},
                                   {"<Click:1>", 1},
                                   {"<Click:1,2,3>", 1},
                                   {"<Click:-1,2>", 1},
                                   {"<Click:+1,2>", 1},
                                   {"<Click: 1,2>", 1},
                                   {"<Click:,>", 1},
                                   {"<RClick:1,9999999>", 1},
                                   {"x\n\x01", 2},
                                   {"a\x7f", 1}};
  for (const Case& c : cases) {
    const KeyScript s = parse_key_script(c.text);
    ASSERT_FALSE(s.ok()) << c.text;
    EXPECT_TRUE(s.error->line == c.line && !s.error->message.empty() && s.tokens.empty()) << c.text;
  }
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
