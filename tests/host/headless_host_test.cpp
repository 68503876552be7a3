#include "host/headless_host.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>

#include "host/palette.hpp"
#include "host/png_writer.hpp"
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

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buf;
  buf << in.rdbuf();
  return buf.str();
}

TEST(HeadlessHostInput, DeliversKeysAndClicksInOrderThenStopsWithStatus3) {
  TestDir dir;
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
  EXPECT_EQ(stop_status(host), 3);
  EXPECT_EQ(stop_status(host), 3);
}

TEST(HeadlessHostInput, PollSeesOnlyPollEsc) {
  TestDir dir;
  HeadlessHost host(script("a<!Esc><Esc><!Esc>"), dir.path());
  EXPECT_EQ(host.poll_key(), 0);  // 'a' waits for a blocking wait
  EXPECT_EQ(host.tokens_left(), 4u);
  EXPECT_EQ(std::get<0>(next(host)), 'a');
  EXPECT_EQ(host.poll_key(), key::kEsc);
  EXPECT_EQ(host.poll_key(), 0);  // an ordinary <Esc> is not seen by polls
  EXPECT_EQ(std::get<0>(next(host)), key::kEsc);
  // A blocking wait that meets <!Esc> takes it as an ordinary Esc.
  EXPECT_EQ(std::get<0>(next(host)), key::kEsc);
  EXPECT_EQ(host.poll_key(), 0);
  EXPECT_EQ(stop_status(host), 3);
}

TEST(HeadlessHostClock, IsVirtualAndTimedWaitsConsumeNothing) {
  TestDir dir;
  HeadlessHost host(script("xyz"), dir.path());
  EXPECT_EQ(host.clock(), 0.0);
  EXPECT_FALSE(host.timed_wait(2.5));
  EXPECT_DOUBLE_EQ(host.clock(), 2.5);
  EXPECT_EQ(host.tokens_left(), 3u);
  next(host);  // no time-out: no time passes
  EXPECT_DOUBLE_EQ(host.clock(), 2.5);
  next(host, 10.0);  // at most half a second
  EXPECT_DOUBLE_EQ(host.clock(), 3.0);
  EXPECT_EQ(std::get<0>(next(host, 0.2)), 'z');
  EXPECT_DOUBLE_EQ(host.clock(), 3.2);
}

// The window size of the first window is checked by every session test's pictures.
TEST(HeadlessHostSaves, ShotIsTakenWhenTheNextInputIsTakenWithThePalette) {
  TestDir dir;
  HeadlessHost host(script("<Shot:first>k<Shot:esc><!Esc>"), dir.path());
  host.open_window("t", 320, 200);
  host.surface().at(319, 199) = 12;
  host.open_window("t", 640, 350);  // a new window starts black
  EXPECT_EQ(host.surface().pixels, std::vector<uint8_t>(640u * 350u, 0));
  for (int y = 0; y < 350; ++y) {
    for (int x = 0; x < 640; ++x) host.surface().at(x, y) = static_cast<uint8_t>((x / 40) % 16);
  }
  // A poll does not take the key behind the shot, so the shot waits too.
  EXPECT_EQ(host.poll_key(), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("first.png")));
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

TEST(HeadlessHostSaves, TextScreenIsWrittenAsGivenAndTrailingSavesHappenBeforeTheStop) {
  TestDir dir;
  HeadlessHost host(script("<Text:screen>"), dir.path() + "/new/shots");
  std::string screen;
  for (int row = 1; row <= 25; ++row) {
    std::string line(80, ' ');
    line.replace(0, 6, "row " + std::to_string(row % 10) + " ");
    screen += line + "\n";
  }
  host.set_text_source([&] { return screen; });
  EXPECT_EQ(stop_status(host), 3);
  EXPECT_EQ(slurp(dir.file("new/shots/screen.txt")), screen);
}

TEST(HeadlessHostSaves, AFailedSaveDoesNotStopTheScript) {
  TestDir dir;
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

TEST(HeadlessHostCommands, RunsProgramsWithoutAShellAndLinesWithOne) {
  TestDir dir;
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
  EXPECT_EQ(host.run_program({"touch", odd}), 0);
  EXPECT_TRUE(std::filesystem::exists(odd));

  EXPECT_EQ(host.run_command_line("exit 5"), 5);
  EXPECT_EQ(host.run_command_line("echo hi > '" + dir.file("out.txt") + "'"), 0);
  EXPECT_EQ(slurp(dir.file("out.txt")), "hi\n");
}

}  // namespace
}  // namespace tivor
