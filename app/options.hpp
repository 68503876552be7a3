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
  std::string series;   // folder of the .vtu time series of runs
  int32_t shot_width = 0;  // screenshots W by 3W/4 at the window's shape; 0: the raw canvas
  bool help = false;
  bool version = false;
  int32_t reals = kPoolReals;                     // words of the real pool
  int32_t integers = kPoolInts;                   // words of the integer pool
  SolverChoice solver = default_solver_choice();  // the preconditioner of the implicit solves

  // A batch run: a data file (relative to the working directory) or a state buffer to go on
  // from, a method of the class's menu, a number of steps, and the files to write at the end.
  bool batch = false;
  std::string data_file;
  std::string read_state;
  int32_t method = 0;  // 0: not given
  int32_t steps = 0;
  std::string vtu;
  std::string msh;
  std::string state;
  bool deformed = false;  // --vtu and --msh at the deformed place of a solid
  double factor = 1.0;    // the displacement's factor there
};

inline constexpr const char* kUsage =
    "usage: tivor [--headless] [--keys FILE] [--shots DIR] [--workdir DIR] [--reals N]\n"
    "             [--integers N] [--series DIR] [--shot-width W]\n"
    "             [--solver auto|jacobi|multigrid]\n"
    "       tivor --batch DATAFILE --method N [--steps N] [--vtu FILE] [--msh FILE]\n"
    "             [--deformed [FACTOR]] [--state FILE] [--series DIR] [--workdir DIR]\n"
    "             [--reals N] [--integers N]\n"
    "       tivor --batch --read-state FILE [--steps N] [--vtu FILE] ...\n"
    "       tivor --help | --version\n"
    "  --headless: no window; keys from the script --keys, screenshots into --shots\n"
    "  --shot-width W: screenshots W by 3W/4 pixels (64 to 8192), the 4:3 shape the window\n"
    "  shows; without it the raw 640 by 350 canvas\n"
    "  --workdir DIR: the working directory (data files, buf/, hlp/, lbr/, images/)\n"
    "  --reals N, --integers N: words of the real and integer pools (at least 4000000 and\n"
    "  1000000, the sizes without these options)\n"
    "  --solver NAME: the preconditioner of the implicit solves: auto (the default, or\n"
    "  TIVOR_SOLVER) takes multigrid for large tasks that leave it the memory, jacobi otherwise\n"
    "  --series DIR: every film frame of a run (without a film, the last step of every go)\n"
    "  also written as DIR/NAME_NNNNN.vtu (NNNNN the step), listed with its time in\n"
    "  DIR/NAME.pvd for ParaView; NAME is the data file's name\n"
    "  --batch: no window and no keys. The class is the data file's extension, --method N\n"
    "  the item of its method menu; the task is prepared (or read from the state buffer\n"
    "  --read-state), runs --steps N steps, then --vtu and --msh write the results (as\n"
    "  tivor-export does; --deformed: every node moved by FACTOR, 1 unless given, times its\n"
    "  displacement) and --state the task. The data file is relative to --workdir, the\n"
    "  other files to the directory the program was started in. The class's messages and a\n"
    "  last line (class, method, steps made, time reached, CPU seconds) go to standard output.\n"
    "Exit status: 0 after a normal exit (a batch run: every step made and every file\n"
    "written), 1 when no window can be opened or the pools do not fit in memory, 2 for bad\n"
    "arguments or a malformed key script, 3 when a key script ran out while the program waited\n"
    "for a key; batch runs: 4 the task could not be prepared (a data error), 5 the state\n"
    "buffer was refused, 6 a step failed (a value not finite, a solver that did not converge,\n"
    "any error of the class), 7 interrupted (SIGINT or SIGTERM), 8 a file could not be written.\n";

// Parses the arguments; false with a reason for an unknown option, a missing value, a pool size
// that is not a whole number from the default size up to 2147483646, or batch options that do
// not go together.
bool parse_options(int argc, char** argv, Options& opt, std::string& error);

}  // namespace tivor
