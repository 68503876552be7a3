// The elasto-plastic solids class "sol ": plane or axisymmetric solids on a Lagrangian mesh of
// triangles and quadrilaterals, explicit in time.
#pragma once

#include "core/session.hpp"

namespace tivor {

// SOM: the class manager. itask <= 0 the method list (" explicit scheme", " implicit scheme",
// " implicit scheme 2"); 1..3 prepare the task when it is not prepared, otherwise run method
// itask until is reaches isp; above 3 nothing.
void som(Session& s, int itask);
// True when a prepared task read from a buffer has the class's arrays in the pools.
bool sol_state_ok(const Session& s);

}  // namespace tivor
