// Key scripts and the headless host that plays them: keys, clicks and polls in order, the
// virtual clock, screen shots and text screens, and the commands it runs.
#include "host/headless_host.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "host/host.hpp"
#include "host/key_script.hpp"
#include "host/palette.hpp"
#include "host/png_writer.hpp"
#include "support/files.hpp"
#include "test_dir.hpp"

namespace tivor {
namespace {

std::vector<ScriptToken> script(const std::string& text) {
  KeyScript s = parse_key_script(text);
  EXPECT_TRUE(s.ok()) << text;
  return s.tokens;
}

int stop_status(Host& host) {
  InputEvent ev;
  try {
    host.wait_input(ev, -1);
  } catch (const ProgramStop& stop) {
    return stop.status;
  }
  return -1;
}

// The next event of a blocking wait: key, button, x, y.
std::tuple<int, int, int, int> next(Host& host, double timeout = -1) {
  InputEvent ev;
  EXPECT_TRUE(host.wait_input(ev, timeout));
  return {ev.key, ev.button, ev.x, ev.y};
}

// Every test has a directory of its own for the files the host writes.
class HeadlessHostTest : public ::testing::Test {
 protected:
  TestDir dir;
};

TEST_F(HeadlessHostTest, DeliversKeysAndClicksInOrderThenStopsWithStatus3) {
  HeadlessHost host(script("a<Enter><RClick:100,200><F1>"), dir.path());
  EXPECT_EQ(std::get<0>(next(host)), 'a');
  const auto enter = next(host, 1.0);
  EXPECT_TRUE(std::get<0>(enter) == key::kEnter && std::get<1>(enter) == 0);
  EXPECT_EQ(next(host), std::tuple(0, 2, 100, 200));
  // The pointer stays at the last click; no button is held between clicks.
  int b = -1, x = 0, y = 0;
  host.poll_mouse(b, x, y);
  EXPECT_EQ(std::tuple(b, x, y), std::tuple(0, 100, 200));
  EXPECT_EQ(std::get<0>(next(host, 0.0)), key::kF1);
  EXPECT_TRUE(stop_status(host) == 3 && stop_status(host) == 3);
}

TEST_F(HeadlessHostTest, PollSeesOnlyPollEsc) {
  HeadlessHost host(script("a<!Esc><Esc><!Esc>"), dir.path());
  // 'a' waits for a blocking wait; an ordinary <Esc> is not seen by polls; a blocking wait that
  // meets <!Esc> takes it as an ordinary Esc.
  EXPECT_TRUE(host.poll_key() == 0 && host.tokens_left() == 4u);
  auto key_of = [&] { return std::get<0>(next(host)); };
  EXPECT_EQ((std::vector<int>{key_of(), host.poll_key(), host.poll_key(), key_of(), key_of(),
                              host.poll_key(), stop_status(host)}),
            (std::vector<int>{'a', key::kEsc, 0, key::kEsc, key::kEsc, 0, 3}));
}

TEST_F(HeadlessHostTest, IsVirtualAndTimedWaitsConsumeNothing) {
  HeadlessHost host(script("xyz"), dir.path());
  EXPECT_TRUE(host.clock() == 0.0 && !host.timed_wait(2.5));
  EXPECT_TRUE(host.clock() == 2.5 && host.tokens_left() == 3u);
  next(host);  // no time-out: no time passes
  EXPECT_DOUBLE_EQ(host.clock(), 2.5);
  next(host, 10.0);  // at most half a second
  EXPECT_DOUBLE_EQ(host.clock(), 3.0);
  EXPECT_EQ(std::get<0>(next(host, 0.2)), 'z');
  EXPECT_DOUBLE_EQ(host.clock(), 3.2);
}

// The window size of the first window is checked by every session test's pictures.
TEST_F(HeadlessHostTest, ShotIsTakenWhenTheNextInputIsTakenWithThePalette) {
  HeadlessHost host(script("<Shot:first>k<Shot:esc><!Esc>"), dir.path());
  host.open_window("t", 320, 200);
  host.surface().at(319, 199) = 12;
  host.open_window("t", 640, 350);  // a new window starts black
  EXPECT_EQ(host.surface().pixels, std::vector<uint8_t>(640u * 350u, 0));
  for (int y = 0; y < 350; ++y) {
    for (int x = 0; x < 640; ++x) host.surface().at(x, y) = static_cast<uint8_t>((x / 40) % 16);
  }
  // A poll does not take the key behind the shot, so the shot waits too.
  EXPECT_TRUE(host.poll_key() == 0 && !std::filesystem::exists(dir.file("first.png")));
  EXPECT_EQ(std::get<0>(next(host)), 'k');
  const auto img = read_png_rgb(dir.file("first.png"));
  ASSERT_TRUE(img.has_value());
  EXPECT_TRUE(img->w == 640 && img->h == 350);
  for (int c = 0; c < 16; ++c) {
    EXPECT_EQ(img->at(c * 40, 0), kConsolePalette[c]) << c;
    EXPECT_EQ(img->at(c * 40 + 39, 349), kConsolePalette[c]) << c;
  }
  // Later drawing shows in a later shot, taken by the poll that takes the <!Esc> behind it.
  host.surface().at(0, 0) = 14;
  EXPECT_EQ(host.poll_key(), key::kEsc);
  const auto later = read_png_rgb(dir.file("esc.png"));
  ASSERT_TRUE(later.has_value());
  EXPECT_EQ(later->at(0, 0), kConsolePalette[14]);
}

TEST_F(HeadlessHostTest, TextScreenIsWrittenAsGivenAndTrailingSavesHappenBeforeTheStop) {
  HeadlessHost host(script("<Text:screen>"), dir.path() + "/new/shots");
  std::string screen;
  for (int row = 1; row <= 25; ++row)
    screen += "row " + std::to_string(row % 10) + std::string(75, ' ') + "\n";
  host.set_text_source([&] { return screen; });
  EXPECT_EQ(stop_status(host), 3);
  EXPECT_EQ(test::file_bytes(dir.file("new/shots/screen.txt")), screen);
}

TEST_F(HeadlessHostTest, AFailedSaveDoesNotStopTheScript) {
  // The shots "directory" is a file, so nothing can be written into it.
  const std::string blocker = dir.file("blocker");
  std::ofstream(blocker) << "x";
  HeadlessHost host(script("<Shot:a><Text:b>q"), blocker);
  host.open_window("t", 8, 8);
  host.set_text_source([] { return std::string("text\n"); });
  testing::internal::CaptureStderr();
  EXPECT_EQ(std::get<0>(next(host)), 'q');
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(err.find("a.png") != std::string::npos && err.find("b.txt") != std::string::npos);
}

TEST_F(HeadlessHostTest, RunsProgramsWithoutAShellAndLinesWithOne) {
  HeadlessHost host({}, dir.path());
  const std::pair<std::vector<std::string>, int> runs[] = {
      {{"true"}, 0},
      {{"false"}, 1},
      {{"sh", "-c", "exit 7"}, 7},
      {{"sh", "-c", "kill -TERM $$"}, 128 + 15},
      {{"/nonexistent/program"}, -1},
      {{}, -1}};
  for (const auto& [args, status] : runs) EXPECT_EQ(host.run_program(args), status);
  // Arguments reach the program as they are, shell characters included.
  const std::string odd = dir.file("a b;$(x)");
  EXPECT_TRUE(host.run_program({"touch", odd}) == 0 && std::filesystem::exists(odd));

  EXPECT_EQ(host.run_command_line("exit 5"), 5);
  EXPECT_EQ(host.run_command_line("echo hi > '" + dir.file("out.txt") + "'"), 0);
  EXPECT_EQ(test::file_bytes(dir.file("out.txt")), "hi\n");
}

using Kind = ScriptToken::Kind;

std::vector<ScriptToken> keys(std::initializer_list<int> codes) {
  std::vector<ScriptToken> out;
  for (int c : codes) out.push_back(ScriptToken::press(c));
  return out;
}

TEST(KeyScriptParse, EveryNamedKeyMapsToItsConsoleCode) {
  const KeyScript all = parse_key_script(
      "<Enter><Esc><Tab><Up><Down><Left><Right><Home><End><PgUp><PgDn><Del><Bksp><F1><F2><F3><F4>"
      "<Ctrl-C><Ctrl-Y><Ctrl-Home><Ctrl-End><Ctrl-PgUp><Ctrl-PgDn><Alt-C>");
  ASSERT_TRUE(all.ok());
  EXPECT_EQ(all.tokens, keys({13, 27,  9,   -72, -80, -75, -77, -71,  -79,  -73,  -81,  -83,
                              8,  -59, -60, -61, -62, 3,   25,  -119, -117, -132, -118, -46}));
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
  EXPECT_EQ(s.tokens, (std::vector{ScriptToken::shot("main-menu_1.v2"), ScriptToken::text("T"),
                                   ScriptToken::click(1, 1, 1), ScriptToken::click(2, 640, 350),
                                   ScriptToken::click(3, 12, 305), ScriptToken::poll_esc()}));
}

TEST(KeyScriptParse, MalformedTokensReportTheirLine) {
  auto expect_error = [](const std::string& text, int line) {
    const KeyScript s = parse_key_script(text);
    ASSERT_FALSE(s.ok()) << text;
    EXPECT_TRUE(s.error->line == line && !s.error->message.empty() && s.tokens.empty()) << text;
  };
  // Names are case-sensitive, a token does not span lines, file names stay in the directory,
  // clicks stay on the canvas.
  for (const char* text : {"<Foo>",         "<enter>",       "<>",
                           "<Esc<Enter>",   "<<Enter>",      "<Shot:a/b>",
                           "<Text:../up>",  "<Shot:a b>",    "<Shot:x\\y>",
                           "<Shot>",        "<Beep:1>",      "<Click:0,1>",
                           "<Click:641,1>", "<Click:1,351>", "<Click:1>",
                           "<Click:1,2,3>", "<Click:-1,2>",  "<Click:+1,2>",
                           "<Click: 1,2>",  "<Click:,>",     "<RClick:1,9999999>",
                           "a\x7f"}) {
    expect_error(text, 1);
  }
  expect_error("<Enter\n>", 1);
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
