// A host for the shell's tests: keys come from a queue the test fills (a wait with the queue
// empty stops the program with status 3), polls see their own queue, the surface is an
// in-memory 640 by 350 picture, the clock is set by the test and command lines are recorded.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.hpp"

namespace tivor::shell_test {

class FakeHost : public Host {
 public:
  FakeHost() { open_window("test", 640, 350); }

  // Types the text followed by Enter.
  void line(std::string_view text) {
    for (char c : text) keys.push_back(static_cast<unsigned char>(c));
    keys.push_back(key::kEnter);
  }
  void press(int code) { keys.push_back(code); }

  std::deque<int> keys;
  std::deque<int> polled;  // keys seen by the non-blocking poll
  double now = 0.0;
  std::vector<std::string> commands;
  std::function<void()> on_wait;  // called at every blocking wait, before the key is taken

  void display_size(int& w, int& h) override {
    w = 800;
    h = 600;
  }
  void open_window(std::string_view, int w, int h) override {
    surf_.w = w;
    surf_.h = h;
    surf_.pixels.assign(static_cast<size_t>(w) * h, 0);
    open_ = true;
  }
  void close_window() override { open_ = false; }
  bool window_open() const override { return open_; }
  ScreenSurface& surface() override { return surf_; }
  void present() override {}
  int poll_key() override {
    if (polled.empty()) return 0;
    const int k = polled.front();
    polled.pop_front();
    return k;
  }
  void poll_mouse(int& button, int& x, int& y) override { button = x = y = 0; }
  bool wait_input(InputEvent& ev, double) override {
    if (on_wait) on_wait();
    if (keys.empty()) throw ProgramStop{3};
    ev = InputEvent{};
    ev.key = keys.front();
    keys.pop_front();
    return true;
  }
  bool timed_wait(double) override { return false; }
  void show_pointer(bool) override {}
  double clock() override { return now; }
  int run_program(const std::vector<std::string>&) override { return -1; }
  int run_command_line(const std::string& line) override {
    commands.push_back(line);
    return 0;
  }
  [[noreturn]] void stop(int status) override { throw ProgramStop{status}; }

 private:
  ScreenSurface surf_;
  bool open_ = false;
};

}  // namespace tivor::shell_test
