// A batch run: the same preparation, steps and writes as the menus' prepare_task, go,
// write_state and the exporter, with the answers taken from the command line.
#include "app/batch.hpp"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <new>
#include <string>

#include "app/batch_host.hpp"
#include "app/class_managers.hpp"
#include "console/console.hpp"
#include "core/newarr.hpp"
#include "export/export.hpp"
#include "gfx/gfx.hpp"
#include "reader/reader.hpp"
#include "results/results.hpp"
#include "shell/checker.hpp"
#include "shell/shell.hpp"

namespace tivor {
namespace {

// A method the class does not have is a bad argument, as for the options themselves.
constexpr int kBatchBadMethod = 2;

void say(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
}

// A blank-padded field without its leading and trailing blanks.
template <size_t N>
std::string trimmed(const char (&field)[N]) {
  const std::string text = field_str(field);
  const size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

// Copies every line the console finishes showing to standard output. A message that waited for
// its key is shown once, not again when the line then ends.
class Transcript {
 public:
  explicit Transcript(const Session& s) : s_(s) {}

  void line(int row, bool waits) {
    if (row < 1 || row > kRows) return;
    std::string text;
    for (int col = 1; col <= kCols; ++col) {
      const uint8_t c = s_.text.ch[static_cast<size_t>((row - 1) * kCols + col - 1)];
      text.push_back(c == 0 ? ' ' : static_cast<char>(c));
    }
    text = rtrim(text);
    const bool repeated = row == paused_row_ && text == paused_text_;
    paused_row_ = waits ? row : 0;
    paused_text_ = waits ? text : std::string();
    if (!text.empty() && !repeated) say(text);
  }

 private:
  const Session& s_;
  int paused_row_ = 0;
  std::string paused_text_;
};

// The class whose code is the data file's extension (0 when none), as the data-file menu names
// its files: "./" + code + "/" + name + "." + code.
int class_of_extension(const Session& s, const std::string& file) {
  const std::string ext = std::filesystem::path(file).extension().string();
  if (ext.size() < 2) return 0;
  for (int i = 0; i < 15; ++i) {
    const std::string code = rtrim(std::string_view(s.cls.clcode[i], 4));
    if (!code.empty() && code == ext.substr(1)) return i + 1;
  }
  return 0;
}

// Chooses the class and method as the menus do and prepares the task from the data file.
int prepare(Session& s, const Options& opt) {
  const std::string& file = opt.data_file;
  const int c = class_of_extension(s, file);
  if (c == 0) {
    say("batch:no class has data files named " + file);
    return kBatchNotPrepared;
  }
  // A state buffer finds its class again by the first dot of the name after its first
  // character, so the name must have no other.
  const size_t dot = file.size() - std::filesystem::path(file).extension().string().size();
  if (file.size() > sizeof s.cls.datfile || file.find('.', 1) != dot) {
    say("batch:data file name too long or with a dot before its extension: " + file);
    return kBatchNotPrepared;
  }
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    say("batch:data file " + file + " is not found");
    return kBatchNotPrepared;
  }
  s.cls.iclass = c;
  set_field(s.cls.datfile, file);
  // The method menu's list, which also gives the summary its title.
  execlass(s, c, 0);
  if (flag_tst(s)) return kBatchNotPrepared;
  if (opt.method > s.cls.nmethod) {
    say("batch:the class has methods 1 to " + std::to_string(s.cls.nmethod) + ", not " +
        std::to_string(opt.method));
    return kBatchBadMethod;
  }
  s.cls.imethod = opt.method;
  s.cht.is = 0;
  return prepare_chosen_task(s) ? 0 : kBatchNotPrepared;
}

// Reads the task from the state buffer as read_state does.
int resume(Session& s, const Options& opt) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(opt.read_state, ec)) {
    say("batch:state buffer " + opt.read_state + " is not found");
    return kBatchBufferRefused;
  }
  rewrin(s, 1, opt.read_state);
  if (flag_tst(s)) return kBatchBufferRefused;
  if (s.cht.itask != kTaskPrepared || !has_manager(s, s.cls.iclass)) {
    say("batch:no task of this program in " + opt.read_state);
    return kBatchBufferRefused;
  }
  return 0;
}

// The files asked for, each tried; kBatchWriteFailed when one could not be written.
int write_files(Session& s, const Options& opt) {
  int status = 0;
  if (!opt.state.empty()) {
    flag_off(s);
    rewrin(s, 2, opt.state);
    if (flag_tst(s)) status = kBatchWriteFailed;
  }
  for (const std::string* file : {&opt.vtu, &opt.msh}) {
    std::string error;
    if (!file->empty() && !write_export(s, *file, error, {opt.deformed, opt.factor})) {
      say(error);
      status = kBatchWriteFailed;
    }
  }
  return status;
}

}  // namespace

int run_batch(const Options& opt) {
  BatchHost host;
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
  Transcript transcript(s);
  s.up.line_shown = [&transcript](int row, bool waits) { transcript.line(row, waits); };
  console_install(s);
  results_install(s);
  std::shared_ptr<const bool> series_failed;
  if (!opt.series.empty()) series_failed = series_install(s, opt.series);
  s.up.termuser = [&s] { termuser(s); };
  debugger_install(s);
  install_class_managers(s);

  const std::clock_t cpu0 = std::clock();
  int status = 0;
  int32_t made = 0, before = -1;    // steps made; steps done before them (-1: none run)
  int stopped = kBatchNotPrepared;  // the status of a stop of the program in the current phase
  try {
    dinit1(s, "tivor", 0.6f, 0.6f);
    read_keyboard(s);
    iniclass(s);
    abase(s);
    s.ctime1.itrace = 1;  // no trace
    status = opt.read_state.empty() ? prepare(s, opt) : resume(s, opt);
    // A signal during the preparation may have ended it, or let it end as if nothing happened.
    if (host.interrupted()) status = kBatchInterrupted;
    if (status == 0) {
      before = s.cht.is;
      flag_off(s);
      stopped = kBatchStepFailed;
      run_steps(s, opt.steps);
      made = s.cht.is - before;
      if (host.interrupted()) {
        status = kBatchInterrupted;
      } else if (flag_tst(s) || made < opt.steps) {
        status = kBatchStepFailed;
      }
      if (status != 0) {
        say("batch:stopped after " + std::to_string(made) + " of " + std::to_string(opt.steps) +
            " steps");
      }
    }
    // What the last step made is written also after a failed or interrupted run: to look at,
    // or to go on from.
    if (s.cht.itask == kTaskPrepared) {
      stopped = kBatchWriteFailed;
      const int written = write_files(s, opt);
      if (status == 0) status = written;
    }
  } catch (const ProgramStop&) {
    say(host.gave_up() ? "batch:the run kept waiting for keys" : "batch:the program stopped");
    if (status == 0) status = stopped;
  }
  if (series_failed && *series_failed && status == 0) status = kBatchWriteFailed;
  if (before >= 0) made = s.cht.is - before;

  const int c = s.cls.iclass, m = s.cls.imethod;
  const std::string code = c >= 1 && c <= 15 ? trimmed(s.cls.clcode[c - 1]) : "none";
  const std::string method = m >= 1 && m <= 15 ? trimmed(s.cls.mtname[m - 1]) : "";
  char tail[96];
  std::snprintf(tail, sizeof tail, ", time %.6g, cpu %.2f s", static_cast<double>(s.cht.t),
                static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC);
  say("batch:class " + code + ", method " + std::to_string(m) + " \"" + method + "\", steps " +
      std::to_string(made) + " of " + std::to_string(opt.steps) + tail);
  return status;
}

}  // namespace tivor
