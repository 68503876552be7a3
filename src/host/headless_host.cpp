#include "host/headless_host.hpp"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "host/png_writer.hpp"
#include "host/process.hpp"
#include "host/window_fit.hpp"

namespace tivor {

HeadlessHost::HeadlessHost(std::vector<ScriptToken> script, std::string shots_dir)
    : script_(std::make_move_iterator(script.begin()), std::make_move_iterator(script.end())),
      shots_dir_(shots_dir.empty() ? std::string(".") : std::move(shots_dir)) {
  std::error_code ec;
  // A failure shows when the first file cannot be written there.
  std::filesystem::create_directories(shots_dir_, ec);
}

void HeadlessHost::display_size(int& w, int& h) {
  w = kDisplayW;
  h = kDisplayH;
}

void HeadlessHost::open_window(std::string_view title, int w, int h) {
  title_ = std::string(title);
  surface_.w = std::max(w, 0);
  surface_.h = std::max(h, 0);
  surface_.pixels.assign(static_cast<size_t>(surface_.w) * surface_.h, 0);
  open_ = true;
}

int HeadlessHost::poll_key() {
  // Saves waiting in front of a <!Esc> are done when it is taken; otherwise they wait for the
  // next blocking wait, when the screen has settled.
  const auto next = std::find_if(script_.begin(), script_.end(), [](const ScriptToken& t) {
    return t.kind != ScriptToken::Kind::kShot && t.kind != ScriptToken::Kind::kText;
  });
  if (next == script_.end() || next->kind != ScriptToken::Kind::kPollEsc) return key::kNone;
  if (next->x > 1) {
    --next->x;
    return key::kNone;
  }
  do_saves();
  script_.pop_front();
  return key::kEsc;
}

void HeadlessHost::poll_mouse(int& button, int& x, int& y) {
  button = 0;
  x = mouse_x_;
  y = mouse_y_;
}

bool HeadlessHost::wait_input(InputEvent& ev, double timeout_s) {
  do_saves();
  if (script_.empty()) stop(3);
  if (timeout_s > 0.0) clock_s_ += std::min(timeout_s, 0.5);
  const ScriptToken tok = std::move(script_.front());
  script_.pop_front();
  ev = InputEvent{};
  if (tok.kind == ScriptToken::Kind::kMouse) {
    ev.button = tok.button;
    ev.x = mouse_x_ = tok.x;
    ev.y = mouse_y_ = tok.y;
  } else {
    ev.key = tok.kind == ScriptToken::Kind::kPollEsc ? key::kEsc : tok.key;
    ev.x = mouse_x_;
    ev.y = mouse_y_;
  }
  return true;
}

bool HeadlessHost::timed_wait(double seconds) {
  if (seconds > 0.0) clock_s_ += seconds;
  return false;
}

int HeadlessHost::run_program(const std::vector<std::string>& argv) {
  return run_and_wait(argv);
}

int HeadlessHost::run_command_line(const std::string& line) {
  return run_shell_line(line);
}

void HeadlessHost::stop(int status) {
  throw ProgramStop{status};
}

void HeadlessHost::do_saves() {
  while (!script_.empty()) {
    const ScriptToken& t = script_.front();
    if (t.kind == ScriptToken::Kind::kShot) {
      save_shot(t.name);
    } else if (t.kind == ScriptToken::Kind::kText) {
      save_text(t.name);
    } else {
      return;
    }
    script_.pop_front();
  }
}

void HeadlessHost::save_shot(const std::string& name) {
  const std::string path = shots_dir_ + "/" + name + ".png";
  const ScreenSurface& screen = surface();  // a subclass may show a real window
  if (screen.w <= 0 || screen.h <= 0) {
    std::fprintf(stderr, "tivor: no screen to save as %s\n", path.c_str());
    return;
  }
  const int w = shot_width_ > 0 ? shot_width_ : screen.w;
  const int h = shot_width_ > 0 ? (3 * shot_width_ + 2) / 4 : screen.h;
  const std::vector<uint8_t> shown =
      shot_width_ > 0 ? resampled(screen.pixels, screen.w, screen.h, w, h) : screen.pixels;
  if (!write_indexed_png(path, w, h, shown)) {
    std::fprintf(stderr, "tivor: cannot write %s\n", path.c_str());
  }
}

void HeadlessHost::save_text(const std::string& name) {
  const std::string path = shots_dir_ + "/" + name + ".txt";
  if (!text_source_) {
    std::fprintf(stderr, "tivor: no text screen to save as %s\n", path.c_str());
    return;
  }
  const std::string text = text_source_();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) std::fprintf(stderr, "tivor: cannot write %s\n", path.c_str());
}

}  // namespace tivor
