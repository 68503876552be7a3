// The headless host: no window; keys and mouse clicks come from a key script, the screen can be
// saved as PNG and the text screen as text along the way, and the clock is virtual so scripted
// runs never sleep. Used by the end-to-end tests, batch runs, and machines without a display.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "host/key_script.hpp"

namespace tivor {

class HeadlessHost : public Host {
 public:
  // The fixed display size; the first window (0.85 of it) is exactly the 640 by 350 canvas.
  static constexpr int kDisplayW = 753;
  static constexpr int kDisplayH = 412;

  // Takes the script's tokens and the directory for <Shot:...> and <Text:...> files, which is
  // created when missing.
  HeadlessHost(std::vector<ScriptToken> script, std::string shots_dir);

  // The text screen for <Text:...>: 25 lines of 80 characters, each ending in '\n'.
  void set_text_source(std::function<std::string()> source) { text_source_ = std::move(source); }
  // Screenshots at the 4:3 shape the window shows, w by 3w/4 pixels; 0 (the default) keeps the
  // raw 640 by 350 canvas, which pixel tests compare against.
  void set_shot_width(int w) { shot_width_ = w; }

  const std::string& title() const { return title_; }
  bool pointer_shown() const { return pointer_shown_; }
  // Tokens not yet delivered (saves included).
  size_t tokens_left() const { return script_.size(); }

  void display_size(int& w, int& h) override;
  void open_window(std::string_view title, int w, int h) override;
  void close_window() override { open_ = false; }
  bool window_open() const override { return open_; }
  ScreenSurface& surface() override { return surface_; }
  void present() override {}

  // Sees only a <!Esc> token (returning Esc and taking it, and doing the saves before it); any
  // other token is left for the next blocking wait, and 0 is returned.
  int poll_key() override;
  // No button held; the pointer stays where the last scripted click put it.
  void poll_mouse(int& button, int& x, int& y) override;
  // Does the saves at the head of the script, then delivers the next key or click; a <!Esc>
  // met here is delivered as an ordinary Esc. Never times out; a wait with a time-out moves the
  // clock on by that time, at most half a second, so cursor blinking still advances. When the
  // script has run out it stops the program with status 3.
  bool wait_input(InputEvent& ev, double timeout_s) override;
  // Moves the virtual clock on by the time and returns false at once; consumes nothing.
  bool timed_wait(double seconds) override;
  void show_pointer(bool on) override { pointer_shown_ = on; }
  double clock() override { return clock_s_; }

  int run_program(const std::vector<std::string>& argv) override;
  int run_command_line(const std::string& line) override;

  [[noreturn]] void stop(int status) override;

 private:
  // Performs and removes the <Shot:...>/<Text:...> tokens at the head of the script.
  void do_saves();
  void save_shot(const std::string& name);
  void save_text(const std::string& name);

  std::deque<ScriptToken> script_;
  std::string shots_dir_;
  int shot_width_ = 0;
  std::function<std::string()> text_source_;
  ScreenSurface surface_;
  std::string title_;
  bool open_ = false;
  bool pointer_shown_ = true;
  double clock_s_ = 0.0;
  int mouse_x_ = 1;
  int mouse_y_ = 1;
};

}  // namespace tivor
