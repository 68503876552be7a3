#include "host/sdl_host.hpp"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "host/headless_host.hpp"
#include "host/palette.hpp"
#include "host/process.hpp"
#include "host/window_fit.hpp"

namespace tivor {
namespace {

constexpr int kCanvasW = 640;
constexpr int kCanvasH = 350;

struct KeyMap {
  SDL_Keycode sym;
  int code;
};

// Keys that do not type a character.
constexpr KeyMap kKeys[] = {
    {SDLK_RETURN, key::kEnter}, {SDLK_KP_ENTER, key::kEnter}, {SDLK_ESCAPE, key::kEsc},
    {SDLK_TAB, key::kTab},      {SDLK_BACKSPACE, key::kBksp}, {SDLK_F1, key::kF1},
    {SDLK_F2, key::kF2},        {SDLK_F3, key::kF3},          {SDLK_F4, key::kF4},
    {SDLK_HOME, key::kHome},    {SDLK_UP, key::kUp},          {SDLK_PAGEUP, key::kPgUp},
    {SDLK_LEFT, key::kLeft},    {SDLK_RIGHT, key::kRight},    {SDLK_END, key::kEnd},
    {SDLK_DOWN, key::kDown},    {SDLK_PAGEDOWN, key::kPgDn},  {SDLK_DELETE, key::kDel},
};

// The keypad's cursor keys, in force when Num Lock is off (with it on, the digits are typed).
constexpr KeyMap kKeypad[] = {
    {SDLK_KP_7, key::kHome}, {SDLK_KP_8, key::kUp},    {SDLK_KP_9, key::kPgUp},
    {SDLK_KP_4, key::kLeft}, {SDLK_KP_6, key::kRight}, {SDLK_KP_1, key::kEnd},
    {SDLK_KP_2, key::kDown}, {SDLK_KP_3, key::kPgDn},  {SDLK_KP_PERIOD, key::kDel},
};

// Cursor keys that give another code with Ctrl held (plain code to Ctrl code).
constexpr std::pair<int, int> kCtrlCursor[] = {
    {key::kHome, key::kCtrlHome},
    {key::kEnd, key::kCtrlEnd},
    {key::kPgUp, key::kCtrlPgUp},
    {key::kPgDn, key::kCtrlPgDn},
};

template <size_t N>
int lookup(const KeyMap (&map)[N], SDL_Keycode sym) {
  for (const KeyMap& m : map) {
    if (m.sym == sym) return m.code;
  }
  return 0;
}

// Console code of a key press that does not type a character; 0 when it types one (the text
// event delivers it) or means nothing to the console.
int console_code(SDL_Keycode sym, Uint16 mod) {
  int code = lookup(kKeys, sym);
  if (code == 0 && (mod & KMOD_NUM) == 0) code = lookup(kKeypad, sym);
  if ((mod & KMOD_CTRL) != 0) {
    if (sym == SDLK_c) return key::kCtrlC;
    if (sym == SDLK_y) return key::kCtrlY;
    for (const auto& [plain, ctrl] : kCtrlCursor) {
      if (code == plain) return ctrl;
    }
    return code;  // other keys are the same with Ctrl
  }
  // AltGr (reported as Mode) types characters on many layouts; only a real Alt makes Alt-C.
  if ((mod & KMOD_ALT) != 0 && (mod & KMOD_MODE) == 0 && sym == SDLK_c) return key::kAltC;
  return code;
}

int console_button(Uint8 sdl_button) {
  switch (sdl_button) {
    case SDL_BUTTON_LEFT:
      return 1;
    case SDL_BUTTON_RIGHT:
      return 2;
    case SDL_BUTTON_MIDDLE:
      return 3;
    case SDL_BUTTON_X1:
      return 4;
    default:
      return 0;
  }
}

// The 16 screen colours for a surface of colour indices, repeated over all 256 indices so that
// any byte shows as its low four bits.
void set_screen_palette(SDL_Surface* indexed) {
  std::array<SDL_Color, 256> colours{};
  for (size_t i = 0; i < colours.size(); ++i) {
    const Rgb c = kConsolePalette[i & 15];
    colours[i] = SDL_Color{c.r, c.g, c.b, 255};
  }
  SDL_SetPaletteColors(indexed->format->palette, colours.data(), 0, 256);
}

}  // namespace

std::unique_ptr<SdlHost> SdlHost::create(std::string& why) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    why = SDL_GetError();
    return nullptr;
  }
  // Without a display SDL falls back to drivers that show nothing; a window nobody can see is
  // no interactive program, unless such a driver was asked for by name.
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* wanted = SDL_getenv("SDL_VIDEODRIVER");
  const bool invisible = driver != nullptr && (std::string_view(driver) == "offscreen" ||
                                               std::string_view(driver) == "dummy");
  if (invisible && (wanted == nullptr || std::string_view(wanted) != driver)) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    why = "no display found";
    return nullptr;
  }
  return std::unique_ptr<SdlHost>(new SdlHost(invisible));
}

SdlHost::SdlHost(bool invisible) : invisible_(invisible) {
  // Presenting must never wait for the display's refresh: frames are paced here instead.
  SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
  SDL_StartTextInput();
}

SdlHost::~SdlHost() {
  close_window();
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void SdlHost::display_size(int& w, int& h) {
  // A driver that shows nothing has no display of its own (its mode is made up): it gets the
  // display of the headless host, on which the first window is the 640 by 350 canvas, so that
  // runs in it draw what headless runs draw.
  if (invisible_) {
    w = HeadlessHost::kDisplayW;
    h = HeadlessHost::kDisplayH;
    return;
  }
  SDL_DisplayMode mode{};
  const int index = window_ != nullptr ? std::max(SDL_GetWindowDisplayIndex(window_), 0) : 0;
  if (SDL_GetDesktopDisplayMode(index, &mode) == 0 && mode.w > 0 && mode.h > 0) {
    w = mode.w;
    h = mode.h;
  } else {
    // No mode reported: a display on which the first window is the 640 by 350 canvas.
    w = HeadlessHost::kDisplayW;
    h = HeadlessHost::kDisplayH;
  }
}

void SdlHost::open_window(std::string_view title, int w, int h) {
  w = std::max(w, 1);
  h = std::max(h, 1);
  const std::string caption(title);
  if (window_ == nullptr) {
    window_ = SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w,
                               h, SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
    if (window_ == nullptr) {
      failure_ = std::string("cannot open a window: ") + SDL_GetError();
      stop(1);
    }
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (renderer_ == nullptr) {
      failure_ = std::string("cannot draw in the window: ") + SDL_GetError();
      close_window();
      stop(1);
    }
  } else {
    SDL_SetWindowTitle(window_, caption.c_str());
    if (w != surface_.w || h != surface_.h) SDL_SetWindowSize(window_, w, h);
  }
  if (texture_ == nullptr || w != surface_.w || h != surface_.h) {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    shown_.clear();  // a new texture shows nothing yet
    texture_ =
        SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, w, h);
    if (texture_ == nullptr) {
      failure_ = std::string("cannot draw in the window: ") + SDL_GetError();
      close_window();
      stop(1);
    }
    // The picture is opaque: copied, not blended.
    SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
  }
  SDL_DisplayMode mode{};
  const int display = std::max(SDL_GetWindowDisplayIndex(window_), 0);
  const int hz = SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0
                     ? mode.refresh_rate
                     : 60;
  frame_interval_ = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double>(1.0 / hz));
  surface_.w = w;
  surface_.h = h;
  surface_.pixels.assign(static_cast<size_t>(w) * h, 0);
  changed_ = true;
  show_changes(true);
}

void SdlHost::close_window() {
  if (texture_ != nullptr) SDL_DestroyTexture(texture_);
  if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
  if (window_ != nullptr) SDL_DestroyWindow(window_);
  texture_ = nullptr;
  renderer_ = nullptr;
  window_ = nullptr;
  shown_.clear();
}

void SdlHost::present() {
  changed_ = true;
}

void SdlHost::show_changes(bool now) {
  if (!changed_ || texture_ == nullptr) return;
  const auto t = std::chrono::steady_clock::now();
  if (!now && t - last_frame_ < frame_gap_) return;
  changed_ = false;
  // Only the rectangle in which the surface differs from the frame on the screen is converted;
  // a surface drawn over with what it already showed costs no frame at all.
  const size_t w = static_cast<size_t>(surface_.w);
  const size_t size = w * static_cast<size_t>(surface_.h);
  if (shown_.size() != size) shown_.assign(size, 0xFF);  // never a colour index: all differs
  const uint8_t* now_px = surface_.pixels.data();
  uint8_t* old_px = shown_.data();
  int top = -1, bottom = -1;
  size_t left = w, right = 0;  // columns left..right-1
  for (int y = 0; y < surface_.h; ++y) {
    const size_t at = static_cast<size_t>(y) * w;
    if (std::memcmp(now_px + at, old_px + at, w) == 0) continue;
    size_t a = 0;
    while (now_px[at + a] == old_px[at + a]) ++a;
    size_t b = w;
    while (now_px[at + b - 1] == old_px[at + b - 1]) --b;
    left = std::min(left, a);
    right = std::max(right, b);
    if (top < 0) top = y;
    bottom = y;
  }
  if (top < 0) return;
  last_frame_ = t;

  const SDL_Rect box{static_cast<int>(left), top, static_cast<int>(right - left), bottom - top + 1};
  void* dst = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(texture_, &box, &dst, &pitch) != 0) return;
  // SDL's own blitter turns the colour indices into the texture's pixels.
  SDL_Surface* from = SDL_CreateRGBSurfaceWithFormatFrom(
      surface_.pixels.data(), surface_.w, surface_.h, 8, surface_.w, SDL_PIXELFORMAT_INDEX8);
  SDL_Surface* to =
      SDL_CreateRGBSurfaceWithFormatFrom(dst, box.w, box.h, 32, pitch, SDL_PIXELFORMAT_ARGB8888);
  if (from != nullptr && to != nullptr) {
    set_screen_palette(from);
    SDL_Rect area = box;
    SDL_BlitSurface(from, &area, to, nullptr);
  }
  SDL_FreeSurface(to);
  SDL_FreeSurface(from);
  for (int y = top; y <= bottom; ++y) {
    const size_t at = static_cast<size_t>(y) * w + left;
    std::memcpy(old_px + at, now_px + at, right - left);
  }
  SDL_UnlockTexture(texture_);
  redraw();
  // The next frame waits for the display's refresh and for nine times what this one cost, so
  // that showing the picture takes at most a tenth of the time, whatever the display or build.
  const auto cost = std::chrono::steady_clock::now() - t;
  presenting_ += cost;
  frame_gap_ = std::max(frame_interval_, 9 * cost);
}

void SdlHost::redraw() {
  if (renderer_ == nullptr || texture_ == nullptr) return;
  // The output size in pixels, which on a high-density display differs from the window's size
  // in points; the view has the same shape in both.
  int ow = 0;
  int oh = 0;
  if (SDL_GetRendererOutputSize(renderer_, &ow, &oh) != 0) SDL_GetWindowSize(window_, &ow, &oh);
  const ViewRect v = canvas_view(ow, oh);
  const SDL_Rect dst{v.x, v.y, v.w, v.h};
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, &dst);
  SDL_RenderPresent(renderer_);
}

void SdlHost::to_canvas(int wx, int wy, int& x, int& y) const {
  int ww = surface_.w;
  int wh = surface_.h;
  if (window_ != nullptr) SDL_GetWindowSize(window_, &ww, &wh);
  if (ww <= 0 || wh <= 0) {
    ww = kCanvasW;
    wh = kCanvasH;
  }
  view_to_canvas(canvas_view(ww, wh), wx, wy, x, y);
}

void SdlHost::handle(const SDL_Event& e) {
  switch (e.type) {
    case SDL_KEYDOWN: {
      const int code = console_code(e.key.keysym.sym, e.key.keysym.mod);
      if (code != 0) queue_key(code);
      drop_next_text_ = code != 0;
      break;
    }
    case SDL_KEYUP:
      drop_next_text_ = false;
      break;
    case SDL_TEXTINPUT: {
      if (drop_next_text_) {
        drop_next_text_ = false;
        break;
      }
      // Only ASCII is typed: the console's character set has no use for other text.
      for (const char* p = e.text.text; *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c >= 32 && c < 127) queue_key(c);
      }
      break;
    }
    case SDL_MOUSEBUTTONDOWN: {
      InputEvent ev;
      ev.button = console_button(e.button.button);
      if (ev.button == 0) break;
      to_canvas(e.button.x, e.button.y, ev.x, ev.y);
      queue_.push_back(ev);
      break;
    }
    // Closing the (only) window ends in SDL_QUIT, as does an interrupt signal: both are Ctrl-C,
    // which the console turns into a stop.
    case SDL_QUIT:
      queue_key(key::kCtrlC);
      break;
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_EXPOSED ||
          e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        redraw();
      }
      break;
    default:
      break;
  }
}

void SdlHost::pump() {
  SDL_Event e;
  while (SDL_PollEvent(&e) != 0) handle(e);
}

int SdlHost::take_key() {
  const auto it =
      std::find_if(queue_.begin(), queue_.end(), [](const InputEvent& ev) { return ev.key != 0; });
  if (it == queue_.end()) return key::kNone;
  const int code = it->key;
  queue_.erase(it);
  return code;
}

int SdlHost::poll_key() {
  pump();
  show_changes(false);
  return take_key();
}

void SdlHost::poll_mouse(int& button, int& x, int& y) {
  SDL_PumpEvents();
  show_changes(false);
  int wx = 0;
  int wy = 0;
  const Uint32 held = SDL_GetMouseState(&wx, &wy);
  button = 0;
  for (const Uint8 b : {SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE, SDL_BUTTON_X1}) {
    if ((held & SDL_BUTTON(b)) != 0) {
      button = console_button(b);
      break;
    }
  }
  to_canvas(wx, wy, x, y);
}

bool SdlHost::wait_input(InputEvent& ev, double timeout_s) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(std::max(timeout_s, 0.0)));
  pump();
  while (queue_.empty()) {
    show_changes(true);  // what the user answers must be on the screen
    SDL_Event e;
    int got = 0;
    if (timeout_s < 0.0) {
      got = SDL_WaitEvent(&e);
      if (got == 0) SDL_Delay(10);  // an event-queue error: retry without spinning
    } else {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      got = SDL_WaitEventTimeout(&e, static_cast<int>(std::min<long long>(left, 1 << 30)));
    }
    if (got != 0) {
      handle(e);
      pump();
    }
  }
  ev = queue_.front();
  queue_.pop_front();
  return true;
}

bool SdlHost::timed_wait(double seconds) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(std::max(seconds, 0.0)));
  for (;;) {
    pump();
    if (take_key() != key::kNone) return true;
    show_changes(true);
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, static_cast<int>(std::min<long long>(left, 1 << 30))) != 0) {
      handle(e);
    }
  }
}

void SdlHost::show_pointer(bool on) {
  SDL_ShowCursor(on ? SDL_ENABLE : SDL_DISABLE);
}

double SdlHost::clock() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

int SdlHost::run_program(const std::vector<std::string>& argv) {
  return run_and_wait(argv);
}

int SdlHost::run_command_line(const std::string& line) {
  return run_shell_line(line);
}

void SdlHost::stop(int status) {
  throw ProgramStop{status};
}

}  // namespace tivor
