// The SDL host under SDL's dummy video driver: no display needed, events pushed by hand.
#include "host/sdl_host.hpp"

#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <tuple>

namespace tivor {
namespace {

class SdlHostTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    std::string why;
    host_ = SdlHost::create(why);
    if (!host_) GTEST_SKIP() << "SDL cannot start: " << why;
    host_->open_window("tivor test", 640, 350);
  }

  static void push_key(SDL_Keycode sym, Uint16 mod = KMOD_NONE) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN, e.key.state = SDL_PRESSED, e.key.keysym.sym = sym, e.key.keysym.mod = mod;
    SDL_PushEvent(&e);
  }
  static void push_text(const char* text) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    std::strncpy(e.text.text, text, sizeof e.text.text - 1);
    SDL_PushEvent(&e);
  }
  static void push_click(Uint8 button, int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN, e.button.button = button, e.button.state = SDL_PRESSED;
    e.button.x = x, e.button.y = y;
    SDL_PushEvent(&e);
  }

  std::unique_ptr<SdlHost> host_;
};

TEST_F(SdlHostTest, OpensDrawsPresentsReopensAndCloses) {
  ASSERT_TRUE(host_->window_open());
  for (int x = 0; x < 640; ++x) host_->surface().at(x, x % 350) = static_cast<uint8_t>(x % 16);
  host_->present();
  host_->open_window("bigger", 800, 437);
  EXPECT_EQ(host_->surface().pixels, std::vector<uint8_t>(800u * 437u, 0));
  host_->present();
  host_->close_window();
  EXPECT_FALSE(host_->window_open());
  host_->present();  // nothing to show, and no harm
}

TEST_F(SdlHostTest, KeyEventsBecomeConsoleCodes) {
  const std::vector<std::pair<SDL_Keycode, int>> plain = {
      {SDLK_RETURN, 13},   {SDLK_KP_ENTER, 13}, {SDLK_ESCAPE, 27},    {SDLK_TAB, 9},
      {SDLK_BACKSPACE, 8}, {SDLK_F1, -59},      {SDLK_F4, -62},       {SDLK_HOME, -71},
      {SDLK_UP, -72},      {SDLK_PAGEUP, -73},  {SDLK_LEFT, -75},     {SDLK_RIGHT, -77},
      {SDLK_END, -79},     {SDLK_DOWN, -80},    {SDLK_PAGEDOWN, -81}, {SDLK_DELETE, -83},
  };
  for (const auto& [sym, code] : plain) {
    push_key(sym);
    EXPECT_EQ(host_->poll_key(), code) << SDL_GetKeyName(sym);
  }
  const std::vector<std::pair<SDL_Keycode, int>> ctrl = {
      {SDLK_c, 3},      {SDLK_y, 25},        {SDLK_HOME, -119},
      {SDLK_END, -117}, {SDLK_PAGEUP, -132}, {SDLK_PAGEDOWN, -118},
  };
  for (const auto& [sym, code] : ctrl) {
    push_key(sym, KMOD_LCTRL);
    EXPECT_EQ(host_->poll_key(), code) << "Ctrl-" << SDL_GetKeyName(sym);
  }
  // Keypad: cursor keys with Num Lock off, digits (through text) with it on.
  push_key(SDLK_KP_8);
  EXPECT_EQ(host_->poll_key(), key::kUp);
  push_key(SDLK_KP_8, KMOD_NUM);
  push_text("8");
  EXPECT_EQ(host_->poll_key(), '8');
  EXPECT_EQ(host_->poll_key(), 0);
}

TEST_F(SdlHostTest, TextIsTypedOnceAndOnlyAscii) {
  push_key(SDLK_a);
  push_text("a");
  push_text("B \xC3\xA9!");  // the non-ASCII letter is dropped
  // Alt-C also produces the text "c"; it is delivered as Alt-C alone.
  push_key(SDLK_c, KMOD_LALT);
  push_text("c");
  push_key(SDLK_c);
  push_text("c");
  std::vector<int> got;
  for (int k = host_->poll_key(); k != 0; k = host_->poll_key()) got.push_back(k);
  EXPECT_EQ(got, (std::vector<int>{'a', 'B', ' ', '!', key::kAltC, 'c'}));
}

TEST_F(SdlHostTest, ClicksAreScaledToCanvasPointsAndCloseIsCtrlC) {
  host_->open_window("t", 1280, 700);
  push_click(SDL_BUTTON_LEFT, 0, 0);
  push_click(SDL_BUTTON_RIGHT, 1279, 699);
  push_click(SDL_BUTTON_MIDDLE, 640, 350);
  push_click(SDL_BUTTON_X1, 2, 3);
  push_text("z");
  // A poll takes the key and leaves the clicks for the blocking waits.
  EXPECT_EQ(host_->poll_key(), 'z');
  // The canvas stands 4:3 in the middle of the wide window: (2, 3) is in the left bar.
  const std::vector<InputEvent> expected = {
      {0, 1, 1, 1}, {0, 2, 640, 350}, {0, 3, 321, 176}, {0, 4, 1, 2}};
  for (const InputEvent& want : expected) {
    InputEvent ev;
    ASSERT_TRUE(host_->wait_input(ev, 1.0));
    EXPECT_EQ(std::tie(ev.key, ev.button, ev.x, ev.y),
              std::tie(want.key, want.button, want.x, want.y));
  }
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  InputEvent ev;
  ASSERT_TRUE(host_->wait_input(ev, -1));
  EXPECT_EQ(ev.key, key::kCtrlC);
}

TEST_F(SdlHostTest, WaitsTimeOutAndTimedWaitEndsOnAKey) {
  using Clock = std::chrono::steady_clock;
  InputEvent ev;
  const auto t0 = Clock::now();
  EXPECT_FALSE(host_->wait_input(ev, 0.05));
  EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(45));
  EXPECT_FALSE(host_->timed_wait(0.02));

  push_key(SDLK_ESCAPE);
  const auto t1 = Clock::now();
  EXPECT_TRUE(host_->timed_wait(10.0));
  EXPECT_LT(Clock::now() - t1, std::chrono::seconds(5));
  EXPECT_EQ(host_->poll_key(), 0);  // the key that ended the wait was taken
  const double c = host_->clock();
  EXPECT_TRUE(c > 0.0 && host_->clock() >= c);
}

// A long computation that changes the whole picture between polls loses about a tenth of its
// time to showing it, and never a sixth: with the window it takes at most 1.2 times as long as
// without. Both times are taken in the same stretch of the same process, so a busy or slow
// machine affects them alike: a frame delayed by the machine delays the next one nine times as
// long, and only the last frame's delay is not paid back within the run.
TEST_F(SdlHostTest, ShowingFramesTakesAFractionOfALongComputation) {
  using Clock = std::chrono::steady_clock;
  const auto t0 = Clock::now();
  volatile double sink = 0.0;
  for (int step = 0; Clock::now() - t0 < std::chrono::milliseconds(1500); ++step) {
    for (int i = 0; i < 20000; ++i) sink = sink + i * 1e-9;  // the step's own work
    std::fill(host_->surface().pixels.begin(), host_->surface().pixels.end(), step % 16);
    host_->present();
    host_->poll_key();
  }
  const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
  EXPECT_GT(host_->presenting_seconds(), 0.0);
  EXPECT_LE(host_->presenting_seconds(), wall / 6.0);
}

}  // namespace
}  // namespace tivor
