// A host for the benchmarks: a fixed display, an in-memory window, no input, a still clock.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "core/session.hpp"
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

// The program's pools hold some 40k-60k elements of a class; a benchmark's task gets 64M reals
// and 8M integers, enough for 200k elements, and more in proportion to `elements` beyond.
inline void size_pools(Session& s, double elements) {
  const double scale = elements > 200000 ? elements / 200000 : 1.0;
  const auto reals = static_cast<int32_t>(64000000 * scale);
  const auto ints = static_cast<int32_t>(8000000 * scale);
  s.a.assign(static_cast<size_t>(reals) + 1, 0.0f);
  s.km.assign(static_cast<size_t>(ints) + 1, 0);
  s.csize = Csize{reals, ints, 0, 0};
}

// A sample task of the source tree (a path under examples/), edited as bench/whole_program.sh
// edits it, so that a benchmark times the scheme on the task the whole program runs: a line that
// starts with an edit's prefix has that prefix replaced, or is left out when the edit drops it.
// Empty when the file cannot be read.
struct LineEdit {
  std::string prefix, replacement;
  bool drop = false;
};
inline std::string sample_task(const std::string& path, const std::vector<LineEdit>& edits) {
  std::ifstream in(std::filesystem::path(TIVOR_SOURCE_DIR) / path);
  std::ostringstream out;
  for (std::string line; std::getline(in, line);) {
    bool dropped = false;
    for (const LineEdit& e : edits) {
      if (line.rfind(e.prefix, 0) != 0) continue;
      dropped = e.drop;
      line = e.replacement + line.substr(e.prefix.size());
    }
    if (!dropped) out << line << '\n';
  }
  return out.str();
}

}  // namespace tivor::bench
