// A host for the reader's tests: keys come from a queue the test fills, the surface is an
// in-memory 640 by 350 picture and the clock stands still.
#pragma once

#include <deque>
#include <string_view>

#include "host/host.hpp"

namespace tivor {

class FakeHost : public Host {
 public:
  FakeHost() { open_window("test", 640, 350); }

  void type(std::string_view text) {
    for (char c : text) keys.push_back(static_cast<unsigned char>(c));
  }
  void press(int code) { keys.push_back(code); }

  // Keys still to be delivered; when empty a wait stops the program (status 3), unless
  // spare_keys allows that many further Enter presses.
  std::deque<int> keys;
  int spare_keys = 0;
  int waits = 0;

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
  int poll_key() override { return 0; }
  void poll_mouse(int& button, int& x, int& y) override { button = x = y = 0; }
  bool wait_input(InputEvent& ev, double) override {
    ++waits;
    ev = InputEvent{};
    if (!keys.empty()) {
      ev.key = keys.front();
      keys.pop_front();
    } else if (spare_keys > 0) {
      --spare_keys;
      ev.key = key::kEnter;
    } else {
      throw ProgramStop{3};
    }
    return true;
  }
  bool timed_wait(double) override { return false; }
  void show_pointer(bool) override {}
  double clock() override { return 0.0; }
  int run_program(const std::vector<std::string>&) override { return -1; }
  int run_command_line(const std::string&) override { return -1; }
  [[noreturn]] void stop(int status) override { throw ProgramStop{status}; }

 private:
  ScreenSurface surf_;
  bool open_ = false;
};

}  // namespace tivor
