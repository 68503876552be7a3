#include "app/batch_host.hpp"

#include <csignal>

namespace tivor {
namespace {

volatile std::sig_atomic_t g_signalled = 0;

extern "C" void on_signal(int) {
  g_signalled = 1;
}

// The first SIGINT or SIGTERM is noted; the handler then falls back to the default, so that a
// second one ends the program.
void handle(int sig) {
  struct sigaction action {};
  action.sa_handler = on_signal;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  sigaction(sig, &action, nullptr);
}

}  // namespace

BatchHost::BatchHost() {
  g_signalled = 0;
  handle(SIGINT);
  handle(SIGTERM);
}

BatchHost::~BatchHost() {
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}

bool BatchHost::interrupted() const {
  return g_signalled != 0;
}

void BatchHost::display_size(int& w, int& h) {
  // The headless host's display: the first window is exactly the canvas.
  w = HeadlessHost::kDisplayW;
  h = HeadlessHost::kDisplayH;
}

void BatchHost::open_window(std::string_view, int w, int h) {
  surface_.w = w;
  surface_.h = h;
  surface_.pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  open_ = true;
}

// The signal is one Esc: the first check that sees it raises the error flag, which ends the run
// at its next test as a key press would.
int BatchHost::poll_key() {
  if (!interrupted() || esc_given_) return key::kNone;
  esc_given_ = true;
  return key::kEsc;
}

void BatchHost::poll_mouse(int& button, int& x, int& y) {
  button = 0;
  x = 1;
  y = 1;
}

bool BatchHost::wait_input(InputEvent& ev, double) {
  if (++waits_ > kMaxWaits) stop(1);
  ev = InputEvent{};
  ev.key = key::kEsc;
  return true;
}

double BatchHost::clock() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void BatchHost::stop(int status) {
  throw ProgramStop{status};
}

}  // namespace tivor
