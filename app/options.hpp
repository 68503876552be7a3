// The command line of the program.
#pragma once

#include <cstdint>
#include <string>

#include "core/session.hpp"

namespace tivor {

struct Options {
  bool headless = false;
  std::string keys;
  std::string shots;
  std::string workdir;
  std::string series;  // folder of the .vtu time series of runs
  bool help = false;
  bool version = false;
  int32_t reals = kPoolReals;    // words of the real pool
  int32_t integers = kPoolInts;  // words of the integer pool
};

inline constexpr const char* kUsage =
    "usage: tivor [--headless] [--keys FILE] [--shots DIR] [--workdir DIR] [--reals N]\n"
    "             [--integers N] [--series DIR]\n"
    "       tivor --help | --version\n"
    "  --headless: no window; keys from the script --keys, screenshots into --shots\n"
    "  --workdir DIR: the working directory (data files, buf/, hlp/, lbr/, images/)\n"
    "  --reals N, --integers N: words of the real and integer pools (at least 4000000 and\n"
    "  1000000, the sizes without these options)\n"
    "  --series DIR: every film frame of a run (without a film, the last step of every go)\n"
    "  also written as DIR/NAME_NNNNN.vtu (NNNNN the step), listed with its time in\n"
    "  DIR/NAME.pvd for ParaView; NAME is the data file's name\n";

// Parses the arguments; false with a reason for an unknown option, a missing value or a pool
// size that is not a whole number from the default size up to 2147483646.
bool parse_options(int argc, char** argv, Options& opt, std::string& error);

}  // namespace tivor
