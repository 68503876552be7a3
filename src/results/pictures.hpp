// The picture routines of the 2D results viewer, shared by the menus, the film and the multi
// picture. Internal to src/results.
#pragma once

#include <cstdint>
#include <string>
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
// SETLIM: n levels of the field f (n1 values) from rlim or the field's range: level i = fmin +
// i (fmax - fmin) / (n + 1). The levels of a constant field lie around its value, none at it,
// so that it fills one zone.
std::vector<float> setlim(const Session& s, const float* f, int n1, int n);
// True, with the value, when the levels come from the field (no limits set) and the field's
// finite values differ by no more than float rounding of their size (1e-5 of it): drawn as
// levels, the differences would only show rounding noise.
bool constant_field(const Session& s, const float* f, int n1, float& value);
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

// ---- helpers shared by the picture routines (positions.cpp) ----

// The name of result function k (1..nipp) as a picture title: underscores shown as blanks,
// trailing blanks dropped; empty for a k outside 1..nipp.
std::string function_title(const Session& s, int k);
// Opens the standard picture (page 1) with the plot region in text columns 7..col2 (room for the y
// axis labels) and rows 2..row2. The region stops above the time line at the page's foot so that
// the x axis labels stay clear of it: row 15 for pictures, row 14 for graphs with a line of their
// own (the line's or interval's coordinates) below the axis; pictures with a level or colour scale
// stop at column 43 so that the scale's numbers (up to 17 characters) fit on the page.
inline constexpr int kPlotCol = 58, kLegendCol = 43, kPlotRow = 15, kGraphRow = 14;
void lpg_region(Session& s, int col2, int row2);
// Narrows the plot region, once its limits are set, so that the axis labels stay on the page.
void room_for_axes(Session& s);
// The same for a picture with a level or colour scale: columns 7..43, rows 2..15.
void lpg_legend(Session& s);
// The element nodes of the current mesh as 0-based indices into the positions, 3 or 4 per
// element (a triangle stored with four nodes has 3); false when the element names a node
// outside 1..n1.
bool element_nodes(const Session& s, int32_t e, int (&idx)[4], int& corners);
// True when the mesh's node coordinates and connectivity lie in the pools.
bool mesh_ok(const Session& s);
// A segment between two world points in colour ic (negative: the drawing colour), and its mirror
// image at x = 0 when mirror is set (boundaries_picture.cpp).
void segment(Session& s, float x1, float y1, float x2, float y2, int ic, bool mirror);

// ---- the markers of the tracks (tracks.cpp) ----

class MeshLocator;
// A marker at (r, z) in mesh coordinates; it stops for good at the mesh's edge.
struct TrackMarker {
  double r = 0.0, z = 0.0;
  bool moving = true;
};
// Moves every moving marker one midpoint step of dt through the velocity field jdcr(1),
// jdcr(2); a step that would leave the mesh ends at its edge and stops the marker. Returns the
// largest distance a marker moved.
double track_step(const Session& s, const MeshLocator& locator, std::vector<TrackMarker>& markers,
                  double dt);

// ---- shared by the viewer's menus (results_menu.cpp, options_menu.cpp, boundaries_menu.cpp) ----

// The help file of the viewer's menus.
inline constexpr std::string_view kViewerHelp = "hlp/auto.hlp";
// The colour editor's default palette: up to 11 zones, a ramp from blue through green and yellow to
// red spread over the nl + 1 zones that nl levels make, the entries after them running through the
// ramp again; more zones take the 14 colours other than black and white in turn.
void default_zone_colours(int nl, int32_t (&icolor)[95]);
// Lets the next keyboard question read a new line: what was left of an earlier answer is
// dropped, so that a menu choice is never followed by a stale value.
void new_answer_line(Session& s);

}  // namespace tivor
