// The host: everything the workbench needs from the machine it runs on (window, keys, mouse,
// clock, commands), behind one small interface with an SDL2 back-end and a headless back-end.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tivor {

// Console key codes: ordinary keys give their character code, extended keys 256 minus the
// host's extended code (negative numbers).
namespace key {
inline constexpr int kNone = 0;
inline constexpr int kCtrlC = 3;
inline constexpr int kBksp = 8;
inline constexpr int kTab = 9;
inline constexpr int kEnter = 13;
inline constexpr int kCtrlY = 25;
inline constexpr int kEsc = 27;
inline constexpr int kF1 = -59;
inline constexpr int kF2 = -60;
inline constexpr int kF3 = -61;
inline constexpr int kF4 = -62;
inline constexpr int kHome = -71;
inline constexpr int kUp = -72;
inline constexpr int kPgUp = -73;
inline constexpr int kLeft = -75;
inline constexpr int kRight = -77;
inline constexpr int kEnd = -79;
inline constexpr int kDown = -80;
inline constexpr int kPgDn = -81;
inline constexpr int kDel = -83;
inline constexpr int kCtrlEnd = -117;
inline constexpr int kCtrlPgDn = -118;
inline constexpr int kCtrlHome = -119;
inline constexpr int kCtrlPgUp = -132;
inline constexpr int kAltC = -46;
}  // namespace key

// One input event: a key (code != 0) or a mouse button (1 left, 2 right, 3 and 4 others) with
// the pointer position in canvas points (1..640, 1..350).
struct InputEvent {
  int key = 0;
  int button = 0;
  int x = 0;
  int y = 0;
};

// The window's pixels: one screen colour index (0..15) per pixel, w by h.
struct ScreenSurface {
  int w = 0;
  int h = 0;
  std::vector<uint8_t> pixels;
  uint8_t& at(int x, int y) { return pixels[static_cast<size_t>(y) * w + x]; }
};

// Thrown by Host::stop and caught by main() (or by a test) to end the program with a status:
// the one controlled way out from deep inside a dialogue (Ctrl-C, window close, script end).
struct ProgramStop {
  int status;
};

class Host {
 public:
  virtual ~Host() = default;

  // Size of the display in pixels.
  virtual void display_size(int& w, int& h) = 0;
  // Opens (or reopens) the window with a caption and a drawing area of w by h pixels; the
  // surface is resized and cleared.
  virtual void open_window(std::string_view title, int w, int h) = 0;
  virtual void close_window() = 0;
  virtual bool window_open() const = 0;
  virtual ScreenSurface& surface() = 0;
  // Shows what was drawn on the surface (a no-op for the headless host).
  virtual void present() = 0;

  // Reads one key without waiting; 0 when none.
  virtual int poll_key() = 0;
  // Polls the mouse: button now held (0 none) and the pointer in canvas points.
  virtual void poll_mouse(int& button, int& x, int& y) = 0;
  // Waits for a key or a mouse button, at most timeout_s seconds (negative: forever). Returns
  // false on time-out. The headless host never times out here: it delivers the script's next
  // token, and stops the program (status 3) when the script has run out.
  virtual bool wait_input(InputEvent& ev, double timeout_s) = 0;
  // A timed pause that a key press may end early (the banner); returns true when a key ended it.
  // The headless clock is virtual: it returns false at once and consumes no key.
  virtual bool timed_wait(double seconds) = 0;
  virtual void show_pointer(bool on) = 0;
  // Seconds since the host started.
  virtual double clock() = 0;

  // Runs a program with arguments, without a shell; returns its exit status (-1 when it could
  // not be started).
  virtual int run_program(const std::vector<std::string>& argv) = 0;
  // Hands a line the user typed as a command to the host's command interpreter.
  virtual int run_command_line(const std::string& line) = 0;

  // Ends the program with the status (throws ProgramStop).
  [[noreturn]] virtual void stop(int status) = 0;
};

}  // namespace tivor
