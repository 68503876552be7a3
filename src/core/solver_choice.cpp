// The default preconditioner of the implicit solves, from the environment.
#include <cstdlib>

#include "core/session.hpp"

namespace tivor {

bool solver_choice_of(std::string_view name, SolverChoice& out) {
  if (name == "auto") {
    out = SolverChoice::automatic;
  } else if (name == "jacobi") {
    out = SolverChoice::jacobi;
  } else if (name == "multigrid") {
    out = SolverChoice::multigrid;
  } else {
    return false;
  }
  return true;
}

SolverChoice default_solver_choice() {
  SolverChoice choice = SolverChoice::automatic;
  if (const char* env = std::getenv("TIVOR_SOLVER"); env != nullptr) {
    static_cast<void>(solver_choice_of(env, choice));
  }
  return choice;
}

}  // namespace tivor
