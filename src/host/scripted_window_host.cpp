#include "host/scripted_window_host.hpp"

namespace tivor {

namespace {
constexpr double kKeyDelaySeconds = 0.15;
}

ScriptedWindowHost::ScriptedWindowHost(std::unique_ptr<Host> window,
                                       std::vector<ScriptToken> script, std::string shots_dir)
    : HeadlessHost(std::move(script), std::move(shots_dir)), window_(std::move(window)) {}

void ScriptedWindowHost::open_window(std::string_view title, int w, int h) {
  HeadlessHost::open_window(title, w, h);
  window_->open_window(title, w, h);
}

bool ScriptedWindowHost::wait_input(InputEvent& ev, double timeout_s) {
  // Keeps the window responsive and lets the watcher see each step; a real key typed meanwhile
  // (Ctrl-C, or closing the window) still stops the program.
  InputEvent real;
  if (window_->wait_input(real, kKeyDelaySeconds) && real.key == key::kCtrlC) {
    ev = real;
    return true;
  }
  return HeadlessHost::wait_input(ev, timeout_s);
}

}  // namespace tivor
