// The scripted host of the tests: an in-memory window surface, a queue of keys and mouse clicks
// for the blocking waits (none left ends the program with status 3, unless spare Enter keys are
// allowed), a queue of keys for the non-blocking poll, a clock the test sets and a record of the
// window caption and of the command lines run.
#pragma once

#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.hpp"
#include "host/key_script.hpp"

namespace tivor::test {

class TestHost : public Host {
 public:
  // The window starts open at the canvas size, for tests that never start the graphics.
  TestHost() { open_window("", 640, 350); }

  void press(int code) { events.push_back(InputEvent{code, 0, 0, 0}); }
  void type(std::string_view text) {
    for (char c : text) press(static_cast<unsigned char>(c));
  }
  // Types the text followed by Enter.
  void line(std::string_view text) {
    type(text);
    press(key::kEnter);
  }
  // The keys and clicks of a key script: "p jfna<Enter> " types the line, Enter and a blank.
  void script(std::string_view text) {
    const KeyScript ks = parse_key_script(text);
    if (!ks.ok()) throw std::invalid_argument("bad key script: " + std::string(text));
    for (const ScriptToken& t : ks.tokens) events.push_back(InputEvent{t.key, t.button, t.x, t.y});
  }
  // A click in the middle of a text cell (1-based column and row of the 80 by 25 screen).
  void click_cell(int col, int row, int button = 1) {
    events.push_back(InputEvent{0, button, (col - 1) * 8 + 4, (row - 1) * 14 + 7});
  }

  std::deque<InputEvent> events;  // for the blocking waits
  std::deque<int> polled;         // keys seen by the non-blocking poll
  // Enter presses a wait gets once the queue is empty, before the program is stopped; a large
  // budget lets a reader that reports errors run without a script.
  int spare_enters = 0;
  int waits = 0;  // blocking waits so far
  // Called at each blocking wait with its number (from 1), before the event is taken: a look at
  // the screen of a pop-up.
  std::function<void(int)> on_wait;
  std::function<void()> on_poll;  // called at each non-blocking poll
  double now = 0.0;               // the clock
  int display_w = 753;            // 0.85 of the default display is the 640 by 350 canvas
  int display_h = 412;
  std::string caption;
  std::vector<std::string> commands;

  void display_size(int& w, int& h) override {
    w = display_w;
    h = display_h;
  }
  void open_window(std::string_view title, int w, int h) override {
    caption = std::string(title);
    surf_ = ScreenSurface{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h, 0)};
    open_ = true;
  }
  void close_window() override { open_ = false; }
  bool window_open() const override { return open_; }
  ScreenSurface& surface() override { return surf_; }
  void present() override {}
  int poll_key() override {
    if (on_poll) on_poll();
    if (polled.empty()) return 0;
    const int k = polled.front();
    polled.pop_front();
    return k;
  }
  void poll_mouse(int& button, int& x, int& y) override { button = x = y = 0; }
  bool wait_input(InputEvent& ev, double) override {
    ++waits;
    if (on_wait) on_wait(waits);
    if (!events.empty()) {
      ev = events.front();
      events.pop_front();
    } else if (spare_enters > 0) {
      --spare_enters;
      ev = InputEvent{key::kEnter, 0, 0, 0};
    } else {
      throw ProgramStop{3};
    }
    return true;
  }
  bool timed_wait(double) override { return false; }
  void show_pointer(bool) override {}
  double clock() override { return now; }
  int run_program(const std::vector<std::string>&) override { return -1; }
  int run_command_line(const std::string& command) override {
    commands.push_back(command);
    return 0;
  }
  [[noreturn]] void stop(int status) override { throw ProgramStop{status}; }

 private:
  ScreenSurface surf_;
  bool open_ = false;
};

}  // namespace tivor::test
