#include "host/scripted_window_host.hpp"

namespace tivor {

ScriptedWindowHost::ScriptedWindowHost(std::unique_ptr<Host> window,
                                       std::vector<ScriptToken> script, std::string shots_dir,
                                       double key_delay_s)
    : HeadlessHost(std::move(script), std::move(shots_dir)),
      window_(std::move(window)),
      key_delay_s_(key_delay_s) {}

void ScriptedWindowHost::open_window(std::string_view title, int w, int h) {
  HeadlessHost::open_window(title, w, h);
  window_->open_window(title, w, h);
}

int ScriptedWindowHost::poll_key() {
  // The window's poll shows what a computation draws, at the display's pace; a real Ctrl-C
  // still stops the program.
  if (window_->poll_key() == key::kCtrlC) return key::kCtrlC;
  return HeadlessHost::poll_key();
}

bool ScriptedWindowHost::wait_input(InputEvent& ev, double timeout_s) {
  // Keeps the window responsive and lets the watcher see each step; a real key typed meanwhile
  // (Ctrl-C, or closing the window) still stops the program.
  InputEvent real;
  if (window_->wait_input(real, key_delay_s_) && real.key == key::kCtrlC) {
    ev = real;
    return true;
  }
  return HeadlessHost::wait_input(ev, timeout_s);
}

}  // namespace tivor
