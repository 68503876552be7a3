// A host for the benchmarks: a fixed display, an in-memory window, no input, a still clock.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "host/host.hpp"

namespace tivor::bench {

class BenchHost : public Host {
 public:
  void display_size(int& w, int& h) override { w = 753, h = 412; }
  void open_window(std::string_view, int w, int h) override {
    surf_ = {w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h, 0)};
  }
  void close_window() override {}
  bool window_open() const override { return true; }
  ScreenSurface& surface() override { return surf_; }
  void present() override {}
  int poll_key() override { return 0; }
  void poll_mouse(int& button, int& x, int& y) override { button = x = y = 0; }
  bool wait_input(InputEvent& ev, double) override {
    ev = InputEvent{key::kEnter, 0, 0, 0};
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
};

// A temporary working directory for a benchmark's task: entered when made, left and removed
// with everything in it when gone.
class ScratchDir {
 public:
  ScratchDir() : old_(std::filesystem::current_path()) {
    std::string templ = (std::filesystem::temp_directory_path() / "tivor_bench_XXXXXX").string();
    if (mkdtemp(templ.data()) != nullptr) dir_ = templ;
    std::filesystem::current_path(dir_);
  }
  ~ScratchDir() {
    std::filesystem::current_path(old_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

 private:
  std::filesystem::path old_;
  std::string dir_;
};

}  // namespace tivor::bench
