// The host of batch runs: no window and no keys. Every wait for a key is answered with Esc, so
// a message is acknowledged and a question or menu abandoned; SIGINT and SIGTERM become the Esc
// that interrupts a run between two steps (a second signal ends the program at once).
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "host/headless_host.hpp"
#include "host/host.hpp"

namespace tivor {

class BatchHost : public Host {
 public:
  // A run that asks this many times is taken to be asking in a loop and is stopped.
  static constexpr long kMaxWaits = 100000;

  BatchHost();
  ~BatchHost() override;
  BatchHost(const BatchHost&) = delete;
  BatchHost& operator=(const BatchHost&) = delete;

  // True once a signal asked the run to stop.
  bool interrupted() const;
  // True when the host stopped the program because it kept waiting for keys.
  bool gave_up() const { return waits_ > kMaxWaits; }

  void display_size(int& w, int& h) override;
  void open_window(std::string_view title, int w, int h) override;
  void close_window() override { open_ = false; }
  bool window_open() const override { return open_; }
  ScreenSurface& surface() override { return surface_; }
  void present() override {}

  int poll_key() override;
  void poll_mouse(int& button, int& x, int& y) override;
  bool wait_input(InputEvent& ev, double timeout_s) override;
  bool timed_wait(double) override { return false; }
  void show_pointer(bool) override {}
  double clock() override;

  // A batch run starts no other program.
  int run_program(const std::vector<std::string>&) override { return -1; }
  int run_command_line(const std::string&) override { return -1; }

  [[noreturn]] void stop(int status) override;

 private:
  ScreenSurface surface_;
  bool open_ = false;
  long waits_ = 0;
  bool esc_given_ = false;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace tivor
