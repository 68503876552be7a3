#include "app/options.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

namespace tivor {
namespace {

// A whole number from least up to most.
bool whole_number(std::string_view arg, std::string_view text, int64_t least, int64_t most,
                  int32_t& out, std::string& error) {
  int64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < least || v > most) {
    error = "option " + std::string(arg) + " needs a whole number from " + std::to_string(least) +
            " to " + std::to_string(most) + ", not " + std::string(text);
    return false;
  }
  out = static_cast<int32_t>(v);
  return true;
}

// The options that only a batch run takes.
bool batch_only(std::string_view arg) {
  return arg == "--method" || arg == "--steps" || arg == "--vtu" || arg == "--msh" ||
         arg == "--state" || arg == "--read-state" || arg == "--deformed";
}

// The combinations a batch run refuses.
bool check_batch(const Options& opt, std::string& error) {
  if (opt.headless || !opt.keys.empty() || !opt.shots.empty()) {
    error = "--batch reads no keys and opens no window: no --headless, --keys or --shots";
  } else if (opt.data_file.empty() == opt.read_state.empty()) {
    error = "--batch needs a data file or --read-state FILE (one of them)";
  } else if (!opt.data_file.empty() && opt.method == 0) {
    error = "--batch with a data file needs --method N";
  } else if (!opt.read_state.empty() && opt.method != 0) {
    error = "--method does not go with --read-state: the task goes on with its own method";
  } else {
    return true;
  }
  return false;
}

}  // namespace

bool parse_options(int argc, char** argv, Options& opt, std::string& error) {
  // Pool sizes reach up to what a 32-bit pointer reaches (the pool vectors hold one word more).
  constexpr int64_t kMost = std::numeric_limits<int32_t>::max() - 1;
  std::string_view batch_option;  // the first option that only a batch run takes
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--headless" || arg == "--help" || arg == "--version") {
      (arg == "--headless" ? opt.headless : arg == "--help" ? opt.help : opt.version) = true;
      continue;
    }
    if (arg == "--batch") {
      opt.batch = true;
      // The data file, when one follows.
      if (i + 1 < argc && std::string_view(argv[i + 1]).substr(0, 2) != "--") {
        opt.data_file = argv[++i];
      }
      continue;
    }
    if (batch_only(arg) && batch_option.empty()) batch_option = arg;
    if (i + 1 >= argc &&
        (arg == "--reals" || arg == "--integers" || arg == "--method" || arg == "--steps")) {
      error = "option " + std::string(arg) + " needs a value";
      return false;
    }
    if (arg == "--reals" || arg == "--integers") {
      const bool reals = arg == "--reals";
      if (!whole_number(arg, argv[++i], reals ? kPoolReals : kPoolInts, kMost,
                        reals ? opt.reals : opt.integers, error)) {
        return false;
      }
      continue;
    }
    if (arg == "--deformed") {
      // The factor, when a number follows.
      opt.deformed = true;
      double v = 0;
      const std::string_view next = i + 1 < argc ? argv[i + 1] : "";
      const auto [end, ec] = std::from_chars(next.data(), next.data() + next.size(), v);
      if (!next.empty() && ec == std::errc() && end == next.data() + next.size()) {
        if (!std::isfinite(v)) {
          error = "option --deformed needs a finite factor, not " + std::string(next);
          return false;
        }
        opt.factor = v;
        ++i;
      }
      continue;
    }
    if (arg == "--shot-width") {
      if (!whole_number(arg, i + 1 < argc ? argv[++i] : "", 64, 8192, opt.shot_width, error)) {
        return false;
      }
      continue;
    }
    if (arg == "--method" || arg == "--steps") {
      const bool method = arg == "--method";
      if (!whole_number(arg, argv[++i], method ? 1 : 0, method ? 15 : kMost,
                        method ? opt.method : opt.steps, error)) {
        return false;
      }
      continue;
    }
    if (arg == "--solver") {
      if (i + 1 >= argc || !solver_choice_of(argv[i + 1], opt.solver)) {
        error = "option --solver needs auto, jacobi or multigrid";
        return false;
      }
      ++i;
      continue;
    }
    std::string* target = arg == "--keys"         ? &opt.keys
                          : arg == "--shots"      ? &opt.shots
                          : arg == "--workdir"    ? &opt.workdir
                          : arg == "--series"     ? &opt.series
                          : arg == "--vtu"        ? &opt.vtu
                          : arg == "--msh"        ? &opt.msh
                          : arg == "--state"      ? &opt.state
                          : arg == "--read-state" ? &opt.read_state
                                                  : nullptr;
    if (target == nullptr) {
      error = "unknown option " + std::string(arg);
      return false;
    }
    if (i + 1 >= argc) {
      error = "option " + std::string(arg) + " needs a value";
      return false;
    }
    *target = argv[++i];
  }
  if (opt.help || opt.version) return true;
  if (opt.batch) return check_batch(opt, error);
  if (!batch_option.empty()) {
    error = "option " + std::string(batch_option) + " needs --batch";
    return false;
  }
  if (opt.headless && opt.keys.empty()) {
    error = "--headless needs a key script (--keys FILE)";
    return false;
  }
  return true;
}

}  // namespace tivor
