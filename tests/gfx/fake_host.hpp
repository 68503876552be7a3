// A host for the graphics tests (a fixed display, an in-memory window surface, no input) and a
// session on it that records the messages shown through the pause upcall.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/session.hpp"
#include "host/host.hpp"

namespace tivor::test {

class FakeHost : public Host {
 public:
  void display_size(int& w, int& h) override { w = 1280, h = 700; }
  void open_window(std::string_view title, int w, int h) override {
    caption = std::string(title);
    surf = {w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h, 0)};
  }
  void close_window() override {}
  bool window_open() const override { return !caption.empty(); }
  ScreenSurface& surface() override { return surf; }
  void present() override {}
  int poll_key() override { return 0; }
  void poll_mouse(int& button, int& x, int& y) override { button = x = y = 0; }
  bool wait_input(InputEvent&, double) override { return false; }
  bool timed_wait(double) override { return false; }
  void show_pointer(bool) override {}
  double clock() override { return 0.0; }
  int run_program(const std::vector<std::string>&) override { return -1; }
  int run_command_line(const std::string&) override { return -1; }
  [[noreturn]] void stop(int status) override { throw ProgramStop{status}; }

  std::string caption;
  ScreenSurface surf;
};

struct GfxSession {
  FakeHost host;
  std::unique_ptr<Session> s = std::make_unique<Session>(host);
  std::vector<std::string> messages;
  GfxSession() {
    s->up.pause = [this](std::string_view m) { messages.emplace_back(m); };
  }
  // Raster points of a colour inside the rectangle x1..x2, y1..y2 (1-based, inclusive).
  int count(int colour, int x1 = 1, int y1 = 1, int x2 = kCanvasW, int y2 = kCanvasH) {
    int n = 0;
    for (int y = y1; y <= y2; ++y) {
      for (int x = x1; x <= x2; ++x) n += s->frame.at(x, y) == colour;
    }
    return n;
  }
  int lit() { return kCanvasW * kCanvasH - count(0); }
  // Window pixels of a screen colour.
  long screen_count(int colour) {
    return std::count(host.surf.pixels.begin(), host.surf.pixels.end(), colour);
  }
};

// The four words of a rectangle field of the graphics state.
inline std::array<int, 4> four(const int32_t* p) {
  return {p[0], p[1], p[2], p[3]};
}
using Four = std::array<int, 4>;

}  // namespace tivor::test
