// The problem classes this program offers, registered with a session.
#pragma once

#include "classes/dif/dif.hpp"
#include "classes/gs/gs.hpp"
#include "classes/sol/sol.hpp"
#include "shell/shell.hpp"

namespace tivor {

// Registers the manager and the state check of every class the program has; a class of the
// registry without one is refused when chosen.
inline void install_class_managers(Session& s) {
  s.managers.push_back({"dif ", dim1, dif_state_ok});
  s.managers.push_back({"sol ", som, sol_state_ok});
  s.managers.push_back({"gs  ", gsm, gs_state_ok});
  s.managers.push_back({"the ", unavailable_class_manager, nullptr});
}

}  // namespace tivor
