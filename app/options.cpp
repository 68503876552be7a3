#include "app/options.hpp"

#include <string_view>

namespace tivor {

bool parse_options(int argc, char** argv, Options& opt, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--headless") {
      opt.headless = true;
      continue;
    }
    std::string* target = arg == "--keys"      ? &opt.keys
                          : arg == "--shots"   ? &opt.shots
                          : arg == "--workdir" ? &opt.workdir
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
  if (opt.headless && opt.keys.empty()) {
    error = "--headless needs a key script (--keys FILE)";
    return false;
  }
  return true;
}

}  // namespace tivor
