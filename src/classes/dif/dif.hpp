// The diffusion class "dif ": two coupled concentrations on a 2D triangle mesh, implicit in time.
#pragma once

#include "core/session.hpp"

namespace tivor {

// DIM1: the class manager. itask -1 results hook (nothing of its own), 0 the method list
// ("cj implicit"), k >= 1 run method k: read the data when the task is not prepared, then step
// until is reaches isp.
void dim1(Session& s, int itask);
// True when a prepared task read from a buffer has the class's arrays in the pools.
bool dif_state_ok(const Session& s);

}  // namespace tivor
