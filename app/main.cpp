// The program: sizes the pools, opens the graphics console and runs the main menu.
//
//   tivor [--headless] [--keys FILE] [--shots DIR] [--workdir DIR] [--reals N] [--integers N]
//         [--series DIR]
//   tivor --batch DATAFILE --method N [--steps N] [--vtu FILE] [--msh FILE] [--state FILE] ...
//   tivor --batch --read-state FILE [--steps N] ...
//
// With no arguments it opens its window in the current directory. --headless runs without a
// window, taking keys from the script given with --keys and saving screenshots into --shots.
// --reals and --integers size the two pools (never below the sizes they have without them).
// --series names a folder that receives the frames of every run as ParaView files.
// --batch runs a task without window or keys (app/batch.hpp).
// Exit status: 0 after a normal exit, 3 when a key script ran out while the program waited for
// a key, 2 for a malformed key script or bad arguments, 1 when no window can be opened or the
// pools do not fit in memory; a batch run's others are in app/batch.hpp.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <string>

#include "app/batch.hpp"
#include "app/class_managers.hpp"
#include "app/options.hpp"
#include "console/console.hpp"
#include "gfx/gfx.hpp"
#include "host/headless_host.hpp"
#include "host/key_script.hpp"
#include "host/scripted_window_host.hpp"
#include "host/sdl_host.hpp"
#include "kernels/multigrid.hpp"
#include "reader/reader.hpp"
#include "results/results.hpp"
#include "shell/checker.hpp"
#include "shell/shell.hpp"

namespace {

using namespace tivor;

std::string text_screen_dump(Session& s) {
  std::string out;
  out.reserve(kRows * (kCols + 1));
  for (int row = 1; row <= kRows; ++row) {
    for (int col = 1; col <= kCols; ++col) {
      const uint8_t c = s.text.char_at(col, row);
      out.push_back(c == 0 ? ' ' : static_cast<char>(c));
    }
    out.push_back('\n');
  }
  return out;
}

int run(Host& host, const Options& opt, std::function<void(Session&)> attach) {
  std::unique_ptr<Session> session;
  try {
    session = std::make_unique<Session>(host, opt.reals, opt.integers);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "tivor: not enough memory for pools of %d real and %d integer words\n",
                 opt.reals, opt.integers);
    return 1;
  }
  Session& s = *session;
  s.solver = opt.solver;
  attach(s);
  console_install(s);
  results_install(s);
  if (!opt.series.empty()) series_install(s, opt.series);
  s.up.termuser = [&s] { termuser(s); };
  debugger_install(s);
  install_class_managers(s);
  try {
    dinit1(s, "tivor", 0.6f, 0.6f);
    read_keyboard(s);
    tivor_main(s);
    d_c(s);
  } catch (const ProgramStop& stop) {
    return stop.status;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  message_passing_alone_by_default();
  Options opt;
  std::string error;
  if (!parse_options(argc, argv, opt, error)) {
    std::fprintf(stderr, "tivor: %s\n%s", error.c_str(), kUsage);
    return 2;
  }
  if (opt.help || opt.version) {
    if (opt.help) std::fputs(kUsage, stdout);
    if (!opt.help) std::printf("tivor %s\n", TIVOR_VERSION);
    return 0;
  }

  if (opt.batch) {
    // Every file but the data file is named relative to where the program was started.
    for (std::string* name : {&opt.read_state, &opt.vtu, &opt.msh, &opt.state, &opt.series}) {
      if (!name->empty()) *name = std::filesystem::absolute(*name);
    }
    if (!opt.workdir.empty() && ::chdir(opt.workdir.c_str()) != 0) {
      std::fprintf(stderr, "tivor: can not enter working directory %s\n", opt.workdir.c_str());
      return 2;
    }
    return run_batch(opt);
  }

  KeyScript script;
  if (!opt.keys.empty()) {
    script = load_key_script(opt.keys);
    if (!script.ok()) {
      std::fprintf(stderr, "tivor: %s:%d: %s\n", opt.keys.c_str(), script.error->line,
                   script.error->message.c_str());
      return kKeyScriptErrorStatus;
    }
  }
  // Screenshots go where the user asked, relative to where the program was started.
  const std::string shots = std::filesystem::absolute(opt.shots.empty() ? "." : opt.shots);
  if (!opt.series.empty()) opt.series = std::filesystem::absolute(opt.series);
  if (!opt.workdir.empty() && ::chdir(opt.workdir.c_str()) != 0) {
    std::fprintf(stderr, "tivor: can not enter working directory %s\n", opt.workdir.c_str());
    return 2;
  }

  if (opt.headless) {
    HeadlessHost host(std::move(script.tokens), shots);
    host.set_shot_width(opt.shot_width);
    return run(host, opt,
               [&](Session& s) { host.set_text_source([&s] { return text_screen_dump(s); }); });
  }
  std::string why;
  std::unique_ptr<SdlHost> window = SdlHost::create(why);
  if (!window) {
    std::fprintf(stderr,
                 "tivor: no display available (%s); run it headless: tivor --headless --keys FILE "
                 "[--shots DIR] [--workdir DIR]\n",
                 why.c_str());
    return 1;
  }
  if (!opt.keys.empty()) {
    // Keys are held back for a watcher, unless the window shows nothing (timings, tests).
    const double delay = window->invisible() ? 0.0 : ScriptedWindowHost::kKeyDelaySeconds;
    ScriptedWindowHost host(std::move(window), std::move(script.tokens), shots, delay);
    host.set_shot_width(opt.shot_width);
    return run(host, opt,
               [&](Session& s) { host.set_text_source([&s] { return text_screen_dump(s); }); });
  }
  SdlHost& host = *window;
  const int status = run(host, opt, [](Session&) {});
  if (!host.failure().empty()) std::fprintf(stderr, "tivor: %s\n", host.failure().c_str());
  return status;
}
