// A host for fuzzing: every blocking wait is answered with Enter at once, polls see no key, so
// a reader that reports an error and waits goes on without a script.
#pragma once

#include "host/host.hpp"

namespace tivor::fuzz {

class FuzzHost : public Host {
 public:
  void display_size(int& w, int& h) override {
    w = 753;
    h = 412;
  }
  void open_window(std::string_view, int w, int h) override {
    surface_.w = w;
    surface_.h = h;
    surface_.pixels.assign(static_cast<size_t>(w) * h, 0);
  }
  void close_window() override {}
  bool window_open() const override { return true; }
  ScreenSurface& surface() override { return surface_; }
  void present() override {}
  int poll_key() override { return 0; }
  void poll_mouse(int& button, int& x, int& y) override { button = x = y = 0; }
  bool wait_input(InputEvent& ev, double) override {
    // A reader that keeps asking would loop for ever on Enter; the budget ends such a run.
    if (++waits_ > 10000) throw ProgramStop{3};
    ev = InputEvent{key::kEnter, 0, 0, 0};
    return true;
  }
  bool timed_wait(double) override { return false; }
  void show_pointer(bool) override {}
  double clock() override { return 0.0; }
  int run_program(const std::vector<std::string>&) override { return -1; }
  int run_command_line(const std::string&) override { return -1; }
  [[noreturn]] void stop(int status) override { throw ProgramStop{status}; }

  void reset() { waits_ = 0; }

 private:
  ScreenSurface surface_;
  int waits_ = 0;
};

}  // namespace tivor::fuzz
