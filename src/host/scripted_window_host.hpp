// A key script driving the real window (for demonstrations): input, screenshots and text dumps
// come from the script as in the headless host, while drawing goes to a window host (the program
// gives it its SDL window) and each scripted key is held back a moment so that a watcher can
// follow.
#pragma once

#include <memory>

#include "host/headless_host.hpp"

namespace tivor {

class ScriptedWindowHost : public HeadlessHost {
 public:
  // How long each scripted key is held back for a watcher.
  static constexpr double kKeyDelaySeconds = 0.15;

  // key_delay_s: the hold-back of each key (0 for a window nobody watches).
  ScriptedWindowHost(std::unique_ptr<Host> window, std::vector<ScriptToken> script,
                     std::string shots_dir, double key_delay_s = kKeyDelaySeconds);

  void display_size(int& w, int& h) override { window_->display_size(w, h); }
  void open_window(std::string_view title, int w, int h) override;
  void close_window() override { window_->close_window(); }
  bool window_open() const override { return window_->window_open(); }
  ScreenSurface& surface() override { return window_->surface(); }
  void present() override { window_->present(); }
  int poll_key() override;
  bool wait_input(InputEvent& ev, double timeout_s) override;

 private:
  std::unique_ptr<Host> window_;
  double key_delay_s_;
};

}  // namespace tivor
