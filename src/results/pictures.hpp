// The picture routines of the 2D results viewer, shared by the menus, the film and the multi
// picture. Internal to src/results.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/session.hpp"

namespace tivor {

// ITERMTIP: 2 for the finite-difference classes "gfd", "ffd", "the", 1 otherwise.
int itermtip(const Session& s);

// The drawn node positions: mesh coordinate + rmesh * displacement (jdcr(3), jdcr(4)); rmesh is
// taken as 0 while no task is prepared. Empty when the mesh arrays do not lie in the pools.
struct Positions {
  std::vector<float> x, y;
};
// TLIM: the positions, written also into the viewer's work arrays jdcr(5), jdcr(6) when they lie
// in the pool, and the window set from them (TLIM1).
Positions tlim(Session& s);
// TLIM1: the window from reg, or the square around the positions (doubled and centred on the
// axis with the mirror on), passed to the graphics library as its limits.
void tlim1(Session& s, const Positions& p);
// SETLIM: n levels of the field f (n1 values) from rlim or the field's range (a range below 1e-9
// widened by -1 and +1): level i = fmin + i (fmax - fmin) / (n + 1).
std::vector<float> setlim(const Session& s, const float* f, int n1, int n);
// MARKPIC: "time=" with t and the title on the picture border.
void markpic(Session& s, std::string_view title);
// LGRAN: the boundary segments (rmesh >= 0) and the shrunk outlines of marked or destroyed
// elements (0.1 <= rtmesh <= 1), with the mirror.
void lgran(Session& s, const Positions& p);

// The field of function nf (clamped to 1..nipp), or nullptr when none is published or it does
// not lie in the pool.
const float* current_function(Session& s);

// ---- the pictures (ipc 1..10) ----
void linur2(Session& s);   // 1 contour lines
void lline2(Session& s);   // 2 line graph along rlin
void lmesh(Session& s);    // 3 mesh
void lspeed2(Session& s);  // 4 velocities or directions
void lgran1(Session& s);   // 6 boundaries
void linurc2(Session& s);  // 7 contour zones
void lling(Session& s);    // 8 graph along the boundary
void multi2(Session& s);   // 9 six functions on one page
void grapr2(Session& s);   // 10 prograph, the relief view
// PRLINE: the line table to the screen or a file.
void prline(Session& s);
// TRACK2: moving markers along the velocity field until Esc.
void track2(Session& s);

}  // namespace tivor
