// The parts shared by the triangulation generators 1 and 4: contours and their arc length, the
// boundary nodes about h apart, the interior lattice, the node-connecting triangulator and the
// pairing of triangles into quadrilaterals. Internal to src/mesh.
//
// Geometry is done in the (z, r) plane with x = z and y = r, where counter-clockwise is the
// orientation rule of the mesh record; the region lies to the left of every boundary edge.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "core/session.hpp"
#include "gfx/gfx.hpp"
#include "mesh/spatial_index.hpp"

namespace tivor::mesh_detail {

struct Pt {
  double x = 0, y = 0;  // x = z, y = r
};

// One closed polygon (the last point joins the first).
using Polygon = std::vector<Pt>;

// Twice the signed area: positive when the polygon runs counter-clockwise.
double twice_area(const Polygon& p);
// True when (x, y) lies inside the polygons by the even-odd rule.
bool inside(const std::vector<Polygon>& polys, Pt q);
// True when two edges of the polygons cross properly (a contour crossing itself or another);
// touching and overlapping along a line, as a slit doubling back does, is allowed.
bool polygons_cross(const std::vector<Polygon>& polys);
// The index of the first of the points qs[from..] that lies within d of an edge of the
// polygon, or -1.
int64_t first_near_edge(const Polygon& p, const std::vector<Pt>& qs, size_t from, double d);
// The size of the region: the diagonal of the points' box.
double extent(const std::vector<Polygon>& polys);

// INITCLN: cln[i] is the length from the last point along the closing segment to point 1 and
// on to point i + 1 (0-based); cln.back() is the perimeter.
std::vector<double> initcln(const Polygon& p);
// POINT: the point at arc length t from the last point of the contour (along the closing
// segment first), t taken modulo the perimeter.
Pt point_at(const Polygon& p, const std::vector<double>& cln, double t);
// The point of contour parameter sv (0 < sv <= n): segment from point j to j + 1 (point 0 is
// point n) at the fraction sv - j, j the largest integer below sv.
Pt contour_param(const Polygon& p, double sv);

// The number of boundary nodes that boundary_nodes will place (for the room check).
double boundary_count(const Polygon& p, double h);
// MBIDOT's placement: corner by corner from the last contour point, k = round(d / h) equal
// steps along each side of length d >= 0.7 h, a point kept only at 0.7 h or more from the
// previous kept node. The nodes run in the contour's order; sides, when given, receives the
// side each lies on (side i runs from corner i - 1 to corner i, and a node at a corner lies at
// the end of its side).
Polygon boundary_nodes(const Polygon& p, double h, std::vector<size_t>* sides = nullptr);

// Where the boundary nodes skip a corner of a contour that points into the region, the chord
// between them runs outside the region: the pocket between the chord and the contour belongs
// to the mesh but not to the region. The contours as arranged (region on their left), each
// with its cell size.
class Pockets {
 public:
  Pockets(const std::vector<Polygon>& contours, const std::vector<float>& h);
  // True when q lies inside a pocket (not on its contour side).
  bool holds(Pt q) const;

 private:
  std::vector<Polygon> loops_;  // the skipped corners from one node to the next, then the chord
  CellIndex index_;
};

// The indices, in increasing order, of the points qs[from..] that lie outside the region of the
// polygons (even-odd) farther than tol from their edges.
std::vector<int64_t> points_outside(const std::vector<Polygon>& polys, const std::vector<Pt>& qs,
                                    size_t from, double tol);
// The first of them, or -1.
int64_t first_outside(const std::vector<Polygon>& polys, const std::vector<Pt>& qs, size_t from,
                      double tol);

// MESHIN: lattice nodes of step h inside the polygons (even-odd), at least 0.49 h from every
// edge. Returns false (nothing added) when more than limit nodes would be made.
bool lattice_nodes(const std::vector<Polygon>& polys, double h, int64_t limit, std::vector<Pt>& out,
                   int64_t& count);

// A triangulation in progress: nodes, boundary edges (directed, region on the left, interface
// ones flagged) and the triangles made from them (counter-clockwise, 0-based node numbers).
struct Triangulation {
  std::vector<Pt> nodes;
  std::vector<int32_t> bnd;  // pairs a, b
  std::vector<char> iface;   // one per boundary edge
  std::vector<int32_t> tri;  // triples
};

// MESH1_N: connects the nodes into triangles, starting from the boundary edges as the front;
// then flips the diagonals of neighbouring triangles wherever that raises their smaller angle.
// Returns 0, or 1 with the error raised when no triangle is made or the front cannot be closed.
[[nodiscard]] int mesh1_n(Session& s, Triangulation& t);

// The other side of every directed edge 3 t + i (from corner i of triangle t to the next
// corner): the edge running the other way in the neighbouring triangle, or -1 on the boundary.
std::vector<int32_t> edge_twins(const Triangulation& t);

// Flips the edge e1 (from a to b in triangle (a, b, c), its twin in (b, a, d)): the two
// triangles become (c, a, d) and (d, b, c) in their places, and the twins follow.
void flip_edge(std::vector<int32_t>& tri, std::vector<int32_t>& twin, int32_t e1);

// Flips the diagonal of every pair of triangles whose opposite angles sum to more than 180
// degrees and whose flipped triangles stay valid, until none is left: the smaller angle of each
// pair only grows. Boundary edges stay.
void flip_delaunay(Triangulation& t);
// The same with the edges' twins (edge_twins) given, and kept up to date.
void flip_delaunay(Triangulation& t, std::vector<int32_t>& twin);

// Flips the edges whose flip brings the number of edges at its four nodes nearer six at an inner
// node (at a boundary node, one more than its angle over 60 degrees), where the two new
// triangles keep at least keep times the smaller sine of the smallest angle of the old pair.
// twin: the edges' twins (edge_twins), kept up to date.
void flip_valence(Triangulation& t, std::vector<int32_t>& twin, double keep);

// The sine of the smallest angle of the triangle a, b, c (negative when it runs clockwise).
double sine_min(Pt a, Pt b, Pt c);
// The angle at the corner o of a triangle o, p, q.
double corner(Pt o, Pt p, Pt q);
// Whether a, b, c run counter-clockwise with twice their area at least a millionth of their
// longest side squared.
bool oriented(Pt a, Pt b, Pt c);

// Moves each node k by shift[k] (nodes past its end stay), except into one of the pockets; the
// nodes of a triangle that the moves turn over or flatten go back. Shifting every other row of a
// lattice of squares by half a step against its neighbours turns the right triangles cut from the
// squares into nearly equilateral ones (sides h, 1.12 h and 1.12 h), which the smoothing alone
// cannot: the right triangles are a balance point of it. improve_triangles flips the diagonals.
void stagger_rows(Triangulation& t, const std::vector<Pt>& shift, const Pockets& pockets);

// The quality pass: flip_delaunay, then passes that move the nodes off the boundary towards the
// area-weighted mean of the centres of their triangles' circles, each followed by flip_delaunay;
// then rounds of flip_valence, each followed by two passes to the neighbours' mean and
// flip_delaunay; then a search that lifts the worst triangles by radius ratio and smallest angle.
// A node moves only where no triangle round it turns over or gets worse than the worst was. No
// node is moved into one of the pockets, when given.
void improve_triangles(Triangulation& t, int passes, const Pockets& pockets, int rounds);

// Stores the triangulation as the current subregion: jrz, jj2 (interface edges with a negative
// second node), jj1; the counts checked against the pools first ("need more memory"). With
// quads the triangles are paired into quadrilaterals (MESH3TO4).
[[nodiscard]] int store_triangulation(Session& s, const Triangulation& t, bool quads);
// Reserves and fills jrz and jj2 only (n2 = 0), for drawing the boundary before connecting.
[[nodiscard]] int store_boundary(Session& s, const Triangulation& t);

// MESH3TO4 on triangles in t: pairs sharing an edge merged into counter-clockwise convex
// quadrilaterals when the squared diagonals differ by less than a factor 1.2; the rest stay as
// quadrilaterals with equal third and fourth nodes. Four node numbers per element out.
std::vector<int32_t> mesh3to4(const Triangulation& t);

// The smallest angle of the triangles, in degrees.
double smallest_angle(const Triangulation& t);

// RDCONTUR: reads "ng" (negative: the points are given in the opposite order), the 2 |ng|
// coordinates r, z ("m") and the cell size "del" of one contour.
[[nodiscard]] int rdcontur(Session& s, Polygon& p, float& h);
// Checks that the contours make one region (no contour crossing itself or another, no two
// points of a contour in one place, every contour but one inside that one and outside the
// others), puts the outer one first and orients it counter-clockwise, the holes clockwise.
// name prefixes the messages.
[[nodiscard]] int arrange_contours(Session& s, std::string_view name, std::vector<Polygon>& polys,
                                   std::vector<float>& h);
// Reads a region of several contours: the drawing flag (with the generator's own prompt), the
// number of contours "nc" and each contour with its cell size, then arranges them. routine
// prefixes the messages.
[[nodiscard]] int read_region(Session& s, std::string_view pic_prompt, std::string_view routine,
                              int32_t& pic, std::vector<Polygon>& polys, std::vector<float>& hs);
// The boundary nodes of every contour about its cell size apart (nodes, one polygon a contour),
// also put into t as its boundary, each contour a closed chain; refuses a cell too large for a
// contour and boundaries that cross.
[[nodiscard]] int place_boundary(Session& s, std::string_view routine,
                                 const std::vector<Polygon>& polys, const std::vector<float>& hs,
                                 std::vector<Polygon>& nodes, Triangulation& t);
// Points the triangulator at t: the boundary drawn and "start" when pic is 1, MESH1_N, the
// result stored (paired into quadrilaterals when the record asks m = 4), drawn, "ready".
// improve, when given, works on the triangles before they are stored (its flag: they will be
// paired into quadrilaterals) and returns 1 (the error raised) to refuse them.
[[nodiscard]] int connect_and_store(Session& s, Triangulation& t, int pic,
                                    const std::function<int(Triangulation&, bool)>& improve = {});
// Refuses, with "routine:node outside the region", a mesh whose interior nodes (those after the
// boundary nodes) do not all lie in the region of the contours.
[[nodiscard]] int nodes_in_region(Session& s, std::string_view routine,
                                  const std::vector<Polygon>& polys, const Triangulation& t);
// Generators 3 and 4, which also give the contours of the region they meshed, as arranged.
[[nodiscard]] int mgrid_region(Session& s, int i, std::vector<Polygon>& region);
[[nodiscard]] int mesh4_region(Session& s, int i, std::vector<Polygon>& region);
// ARZCOR (see arzcor); a move that would take a node out of the region, when it is given, is
// not made. The region's contours may cut a corner that the boundary nodes skip: the pocket
// between the contour and the chord belongs to the mesh, not to the region.
[[nodiscard]] int arzcor_within(Session& s, int ncor, const std::vector<Polygon>* region);
// The "turn" move of the points of the polygons.
void turn_polygons(std::vector<Polygon>& polys, const float (&t)[5]);
// Keeps the contour in jgrz (r, z pairs) for the moves and the refinement of the subregion.
[[nodiscard]] int keep_contour(Session& s, const Polygon& p);

// The graphics outputs, put back as they were when the drawing generator ends.
class OutputSwitches {
 public:
  explicit OutputSwitches(Session& s) : s_(s) { std::copy_n(s.cgout.igout, 3, saved_); }
  ~OutputSwitches() { gout(s_, saved_[0], saved_[1], saved_[2]); }
  OutputSwitches(const OutputSwitches&) = delete;
  OutputSwitches& operator=(const OutputSwitches&) = delete;

 private:
  Session& s_;
  int32_t saved_[3];
};

// "increase common/a/ up to" with the needed size, then "need more memory".
int need_more_reals(Session& s, int64_t need);

}  // namespace tivor::mesh_detail
