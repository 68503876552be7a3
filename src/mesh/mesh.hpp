// Mesh generation: the dispatchers MESH and MESH3DFD, the structured generators, the assembly of
// subregions, uniform refinement, smoothing, the mesh test and the small operations on the mesh
// record. Every routine works on s.cmesh and the two pools; a routine that may fail returns 1
// (error exit, the error flag set and the message shown) or 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/session.hpp"

namespace tivor {

// ---- the dispatchers ----

// MESH: reads "ntel" and "m", meshes every subregion (generator, test, move, refinement,
// smoothing), glues them into one mesh with one node numbering, then scales, smooths and builds
// the owner table. The scratch file "mesh.tmp" exists only while it runs.
[[nodiscard]] int mesh(Session& s);
// MESH3DFD: the same subregion loop with generators 2 and 5 only, each subregion extruded or
// revolved by MESH36; the 3D arrays of all subregions end up one after another.
[[nodiscard]] int mesh3dfd(Session& s);

// ---- the mesh record ----

// INITMESH: all 200 words of the mesh record to zero.
void initmesh(Session& s);
// MESHTEST: boundary elements at least 1e-6 of the mesh's size long and every element
// counter-clockwise in the (z, r) plane (test quantity at least 1e-6 times the square of the
// element's longest edge): both margins are those of a mesh of size 1, in any unit of length.
// The first fault is reported and raises the flag.
[[nodiscard]] int meshtest(Session& s);
// AROTOR: reads "turn" (centre r0, z0, angle in radians, shift in r and z) and turns and shifts
// the nodes of the current subregion and its contour.
[[nodiscard]] int arotor(Session& s);
// RZSCALE: reads "scale" and multiplies every r by |sr| + 1e-6 and every z by |sz| + 1e-6.
[[nodiscard]] int rzscale(Session& s);
// GREL: reserves jgrel and stores, for each boundary element, the first element that has its
// edge in the same direction (0 when none has).
[[nodiscard]] int grel(Session& s);
// MESHMOVE: the mesh-deformation factor of the results viewer (0: the mesh does not move).
void meshmove(Session& s, float factor);
// MSHTERM: offers to look at the mesh between iterations; 1 when the user did.
int mshterm(Session& s, int it);

// ---- generators of one subregion (i is the subregion's number, used to store its counts) ----

// MESH23, MESH24: generator 2, the logical rectangle mapped through 8 boundary points, in
// triangles (split along the shorter diagonal) or quadrilaterals.
[[nodiscard]] int mesh23(Session& s, int i);
[[nodiscard]] int mesh24(Session& s, int i);
// MESH5: generator 5, four boundary polylines, nodes by arc length, interior improved by MESH5_3.
[[nodiscard]] int mesh5(Session& s, int i);
// MESH5_3: the iterative improvement of a quadrilateral grid whose boundary nodes stay fixed;
// pic 1 draws the grid while it runs.
[[nodiscard]] int mesh5_3(Session& s, int pic);
// MESH1: generator 1, one contour with its boundary nodes given by contour parameter and any
// interior nodes, connected into triangles; coincident positions make interface edges.
[[nodiscard]] int mesh1(Session& s, int i);
// MGRID: generator 3, contours with a cell size h, an advancing front that makes nodes and
// triangles together, then five smoothing passes (paired into quadrilaterals when m = 4).
[[nodiscard]] int mgrid(Session& s, int i);
// MESH4: generator 4, contours with a cell size h, boundary nodes about h apart and a lattice
// of step h inside, connected into triangles (paired into quadrilaterals when m = 4).
[[nodiscard]] int mesh4(Session& s, int i);
// MESH4TO3: every quadrilateral split into two triangles along its shorter diagonal; m := 3.
[[nodiscard]] int mesh4to3(Session& s);
// MESH36: reads "nz", "zn", "zk" and extrudes (nz > 0) or revolves (nz < 0) the current 2D
// subregion into the 3D fields of the mesh record; nz = 0 is refused.
[[nodiscard]] int mesh36(Session& s);

// ---- refinement and smoothing of the current mesh ----

// MESHI: one uniform refinement of a triangle mesh: every triangle into four, every boundary
// element into two, new boundary nodes projected onto the contour jgrz when there is one.
[[nodiscard]] int meshi(Session& s);
// ARZCOR: ncor smoothing passes (SMOO1) over the node positions; boundary nodes never move,
// and a node stays where it is when its move would leave one of its elements without the
// orientation that MESHTEST asks for. Needs 4 * n1 free words in /a/.
[[nodiscard]] int arzcor(Session& s, int ncor);
// BNODE: the point of the closed contour of ng points (r and z interleaved) nearest to (r, z)
// among the feet of perpendiculars inside their segment; false, and (r, z) left as it is, when
// no foot falls inside any segment.
bool bnode(const float* contour, int ng, float& r, float& z);

// ---- boundary zones ----

// The tolerances with which boundary boxes and intervals take nodes, scaled to the mesh. eps is
// the readers' margin of 0.001 for a region of size 1 or more and 0.001 times the size for a
// smaller one, so that a part measured in metres selects what it selects in millimetres;
// round, 1e-5 times the region's size, takes in the rounding of node coordinates (a node of a
// turned subregion that should lie on r = 0 lies a few 1e-8 off it).
struct BoundaryTolerance {
  float eps;    // the margin, and the guard added to a squared interval length (eps * scale)
  float round;  // added to every bound
  float scale;  // min(1, size of the region)
};
BoundaryTolerance boundary_tolerance(const Session& s);

// BCN1: reads the number of boxes (keyword key) and the boxes x0, y0, x1, y1 (keyword "m"), and
// sets the flag jy(k) of boundary element k to 0 when its second node lies in a box (widened by
// 0.001), to 1 elsewhere. jy points into /km/ and holds n3 flags.
[[nodiscard]] int bcn1(Session& s, std::string_view text, int32_t jy, std::string_view key);

// ---- boundary curves named in mesh files (generator 6) ----

// A boundary element on a named curve: its index (from 0) and where its tested point lies along
// the curve, from 0 at the curve's start to 1 at its end (its line elements taken end to end in
// the order of the file).
struct CurveHit {
  int32_t k;
  float t;
};
// The boundary elements lying along the physical curve name of the mesh files of the last mesh,
// tested at their midpoint or at their second node. False when none of those files has a curve
// of that name; files receives the names of the files read (empty when the mesh read none).
bool curve_elements(const Session& s, std::string_view name, bool midpoint,
                    std::vector<CurveHit>& hits, std::string& files);

// ---- drawing ----

// Draws the current 2D mesh into the standard picture (page 1, region 11) with equal scales on
// both axes: elements in colour 15, boundary elements in 12, interface edges in 9.
void draw_mesh(Session& s);

}  // namespace tivor
