// The interactive host: an SDL2 window showing the screen surface through the 16-colour
// palette, the keyboard and mouse turned into console key codes and canvas points. The only
// place that includes SDL.
#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "host/host.hpp"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;

namespace tivor {

class SdlHost : public Host {
 public:
  // Makes the host, or nothing (with SDL's reason in why) when SDL cannot open a display. One
  // host at a time: SDL is shut down when it is destroyed.
  static std::unique_ptr<SdlHost> create(std::string& why);
  ~SdlHost() override;
  SdlHost(const SdlHost&) = delete;
  SdlHost& operator=(const SdlHost&) = delete;

  void display_size(int& w, int& h) override;
  void open_window(std::string_view title, int w, int h) override;
  void close_window() override;
  bool window_open() const override { return window_ != nullptr; }
  ScreenSurface& surface() override { return surface_; }
  // Marks the surface as changed. It is shown by the next poll or wait once a frame interval
  // (one refresh of the display, or 1/60 s, and at least nine times what the last frame cost)
  // has passed since the last frame, and always before the program waits for input, so drawing
  // never waits for the display and showing takes at most a tenth of a long computation.
  void present() override;

  int poll_key() override;
  void poll_mouse(int& button, int& x, int& y) override;
  bool wait_input(InputEvent& ev, double timeout_s) override;
  // Waits up to the time for a key; a key that arrives (or was waiting) ends it and is taken.
  // Mouse clicks do not end it and stay queued.
  bool timed_wait(double seconds) override;
  void show_pointer(bool on) override;
  double clock() override;
  // The time spent so far turning the canvas into frames on the screen, in seconds.
  double presenting_seconds() const { return std::chrono::duration<double>(presenting_).count(); }

  int run_program(const std::vector<std::string>& argv) override;
  int run_command_line(const std::string& line) override;

  [[noreturn]] void stop(int status) override;

  // Why the window could not be opened, when open_window stopped the program with status 1.
  const std::string& failure() const { return failure_; }
  // True under a video driver that shows nothing (asked for by name, for tests and timings).
  bool invisible() const { return invisible_; }

 private:
  explicit SdlHost(bool invisible);
  // Takes every event SDL has ready into the queue.
  void pump();
  // Turns one SDL event into queued input (or a redraw).
  void handle(const SDL_Event& e);
  void queue_key(int code) { queue_.push_back(InputEvent{code, 0, 0, 0}); }
  // Window coordinates to canvas points 1..640, 1..350 (through the 4:3 view).
  void to_canvas(int wx, int wy, int& x, int& y) const;
  // Removes and returns the first key in the queue (0 when none), leaving clicks in place.
  int take_key();
  // Shows a changed surface when a frame interval has passed (or at once when now is set).
  void show_changes(bool now);
  // Copies the texture into the window's 4:3 view and presents it.
  void redraw();

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  ScreenSurface surface_;
  std::vector<uint8_t> shown_;  // the surface as last shown
  std::deque<InputEvent> queue_;
  // Set by a key press that produced a console key, so that the text event that may follow it
  // (Alt-C also types "c") is not delivered a second time.
  bool drop_next_text_ = false;
  std::string failure_;
  bool invisible_ = false;
  bool changed_ = false;  // the surface holds drawing not yet shown
  std::chrono::steady_clock::duration frame_interval_ = std::chrono::microseconds(16667);
  std::chrono::steady_clock::duration frame_gap_ = frame_interval_;  // least time between frames
  std::chrono::steady_clock::time_point last_frame_{};
  std::chrono::steady_clock::duration presenting_{};
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace tivor
