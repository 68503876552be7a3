// The gas-flow class "gs  ": a compressible, viscous, heat-conducting perfect gas on a fixed
// plane or axisymmetric mesh of triangles and quadrilaterals.
#pragma once

#include "core/session.hpp"

namespace tivor {

// GSM: the class manager. itask -1 the results hook (the class's results are all in the shared
// viewer), 0 the method list (" euler scheme", " implicit velocity scheme"), k >= 1 run method
// k: prepare the task when it is not prepared, otherwise step until is reaches isp.
void gsm(Session& s, int itask);
// True when a prepared task read from a buffer has the class's arrays in the pools.
bool gs_state_ok(const Session& s);

}  // namespace tivor
