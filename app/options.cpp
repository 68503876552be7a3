#include "app/options.hpp"

#include <charconv>
#include <limits>
#include <string_view>

namespace tivor {
namespace {

// A pool size: a whole number of words from the default up to what a 32-bit pointer reaches
// (the pool vectors hold one word more).
bool pool_size(std::string_view arg, std::string_view text, int32_t least, int32_t& out,
               std::string& error) {
  int64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < least ||
      v >= std::numeric_limits<int32_t>::max()) {
    error = "option " + std::string(arg) + " needs a whole number from " + std::to_string(least) +
            " to " + std::to_string(std::numeric_limits<int32_t>::max() - 1) + ", not " +
            std::string(text);
    return false;
  }
  out = static_cast<int32_t>(v);
  return true;
}

}  // namespace

bool parse_options(int argc, char** argv, Options& opt, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--headless" || arg == "--help" || arg == "--version") {
      (arg == "--headless" ? opt.headless : arg == "--help" ? opt.help : opt.version) = true;
      continue;
    }
    if (arg == "--reals" || arg == "--integers") {
      if (i + 1 >= argc) {
        error = "option " + std::string(arg) + " needs a value";
        return false;
      }
      const bool reals = arg == "--reals";
      if (!pool_size(arg, argv[++i], reals ? kPoolReals : kPoolInts,
                     reals ? opt.reals : opt.integers, error)) {
        return false;
      }
      continue;
    }
    std::string* target = arg == "--keys"      ? &opt.keys
                          : arg == "--shots"   ? &opt.shots
                          : arg == "--workdir" ? &opt.workdir
                          : arg == "--series"  ? &opt.series
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
  if (opt.headless && opt.keys.empty() && !opt.help && !opt.version) {
    error = "--headless needs a key script (--keys FILE)";
    return false;
  }
  return true;
}

}  // namespace tivor
