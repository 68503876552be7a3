// The command line of the program.
#pragma once

#include <string>

namespace tivor {

struct Options {
  bool headless = false;
  std::string keys;
  std::string shots;
  std::string workdir;
};

inline constexpr const char* kUsage =
    "usage: tivor [--headless] [--keys FILE] [--shots DIR] [--workdir DIR]\n";

// Parses the arguments; false with a reason for an unknown option or a missing value.
bool parse_options(int argc, char** argv, Options& opt, std::string& error);

}  // namespace tivor
