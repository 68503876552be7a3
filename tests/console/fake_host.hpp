// A host for console tests: a 640 by 350 surface in memory, a queue of keys and clicks for the
// blocking waits (none left ends the program with status 3) and a record of command lines.
#pragma once

#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "gfx/gfx.hpp"
#include "host/host.hpp"

namespace tivor::test {

class FakeHost : public Host {
 public:
  std::deque<InputEvent> events;
  std::vector<std::string> commands;
  int waits = 0;
  // Called at each blocking wait with its number (from 1): a look at the screen of a pop-up.
  std::function<void(int)> on_wait;

  void key(int k) { events.push_back(InputEvent{k, 0, 0, 0}); }
  void keys(std::string_view typed) {
    for (char c : typed) key(static_cast<unsigned char>(c));
  }
  void click_cell(int col, int row, int button = 1) {
    events.push_back(InputEvent{0, button, (col - 1) * 8 + 4, (row - 1) * 14 + 7});
  }

  void display_size(int& w, int& h) override {
    w = 753;  // 0.85 of it is the 640 by 350 canvas
    h = 412;
  }
  void open_window(std::string_view, int w, int h) override {
    surf_ = ScreenSurface{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h, 0)};
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
    if (on_wait) on_wait(waits);
    if (events.empty()) throw ProgramStop{3};
    ev = events.front();
    events.pop_front();
    return true;
  }
  bool timed_wait(double) override { return false; }
  void show_pointer(bool) override {}
  double clock() override { return 0.0; }
  int run_program(const std::vector<std::string>&) override { return 0; }
  int run_command_line(const std::string& line) override {
    commands.push_back(line);
    return 0;
  }
  [[noreturn]] void stop(int status) override { throw ProgramStop{status}; }

 private:
  ScreenSurface surf_;
  bool open_ = false;
};

// A session on a fake host with the window at the canvas size (canvas point (x, y) is window
// pixel (x - 1, y - 1)), the screen cleared to grey on black.
struct Console {
  FakeHost host;
  Session s{host};

  Console() {
    d_o(s, "test", 0.6f, 0.6f);
    clip(s, 1);
    s.colors.fg = 7;
    cls(s);
  }
  std::string row(int r) const {
    return std::string(s.text.ch.begin() + (r - 1) * kCols, s.text.ch.begin() + r * kCols);
  }
  std::string trimmed(int r) const { return rtrim(row(r)); }
  int attr(int col, int r) const { return s.text.attr[(r - 1) * kCols + (col - 1)]; }
  std::vector<uint8_t> screen() { return host.surface().pixels; }
  int pixel(int x, int y) { return host.surface().at(x - 1, y - 1); }
  void put(int col, int r, std::string_view txt, int fg = 7, int bg = 0) {
    const Colors keep = s.colors;
    s.colors.fg = fg;
    s.colors.bg = bg;
    locate1(s, col, r);
    dispstr(s, txt);
    s.colors = keep;
  }
  // Runs f, which must end the program; the stop status (-1 when it returned).
  template <typename F>
  int stops(F f) {
    try {
      f();
    } catch (const ProgramStop& st) {
      return st.status;
    }
    return -1;
  }
};

// A fresh temporary working directory for one test, removed afterwards.
class WorkDir {
 public:
  WorkDir() : old_(std::filesystem::current_path()) {
    std::string t = (std::filesystem::temp_directory_path() / "tivor_console_XXXXXX").string();
    if (mkdtemp(t.data()) != nullptr) std::filesystem::current_path(path_ = t);
  }
  ~WorkDir() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  WorkDir(const WorkDir&) = delete;
  WorkDir& operator=(const WorkDir&) = delete;

 private:
  std::filesystem::path old_, path_;
};

}  // namespace tivor::test
