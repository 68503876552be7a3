// Point queries on the current 2D mesh: the nodes near a point and the element holding it,
// answered through cell indexes built once per locator.
#pragma once

#include <cstdint>
#include <vector>

#include "core/session.hpp"
#include "mesh/spatial_index.hpp"

namespace tivor {

// A node near a point and its weight 1 / (distance + 1e-18): the larger, the nearer.
struct NodeWeight {
  int32_t node;
  float weight;
};

// How a locator finds the element of a point: through an index of the elements' boxes, which
// sorts the whole mesh once, or by a walk over all elements, which costs each new point a pass
// over the mesh and a point asked again nothing: the cheaper for a few points, asked again and
// again while the mesh stays as it was.
enum class LocatorSearch { indexed, walk };

// Indexes the nodes and the elements of s.cmesh as they are when it is built (the nodes when
// first asked for, with a walk); a mesh whose arrays do not lie inside the pools gives a locator
// that finds nothing. Both searches give the same answers.
class MeshLocator {
 public:
  explicit MeshLocator(const Session& s, LocatorSearch search = LocatorSearch::indexed);

  // LNTR1: the nodes of the search square that first holds a node within its half side, nearest
  // first (equal distances by node number); empty only for a mesh without nodes.
  std::vector<NodeWeight> nodes_near(float r, float z) const;
  // FCELL2: the first element (in element order) that holds the point, edges included; 0 when
  // none does. A quadrilateral is tested as its two triangles (1, 2, 3) and (1, 3, 4).
  int32_t cell_at(float r, float z) const;
  // The triangle of cell_at's element that holds the point (a quadrilateral's (1, 2, 3) or
  // (1, 3, 4)) and the point's barycentric weights on its three nodes; false when none does.
  bool triangle_at(float r, float z, int32_t (&nodes)[3], double (&weights)[3]) const;
  // The same for element e (from 1) of the mesh as it is now, with the locator's tolerance: false
  // when e is not an element of it or does not hold the point. For a point found before, whose
  // element still holds it, this costs no search.
  bool triangle_in(int32_t e, float r, float z, int32_t (&nodes)[3], double (&weights)[3]) const;

 private:
  bool contains(int32_t e, double r, double z) const;
  void index_nodes() const;
  int32_t walk_to(float r, float z) const;

  // The walk's answers so far, for the points asked again.
  struct Answer {
    float r, z;
    int32_t element;
  };
  static constexpr size_t kAnswersKept = 64;
  mutable std::vector<Answer> answers_;

  const Session& s_;
  bool ok_ = false;
  bool walk_ = false;
  mutable bool nodes_indexed_ = false;
  mutable CellIndex nodes_;
  CellIndex cells_;
  double rmax_ = 0.0, zmax_ = 0.0;
  double span_ = 0.0;  // diagonal of the nodes' box
  // How far outside an element a point may lie and still count as in it: coordinates carry
  // float rounding (and the data's scale factors |s| + 1e-6), so a point given on the mesh's
  // boundary may miss it by about a millionth of the mesh size.
  static constexpr double kBoundaryTolerance = 1e-5;
  double tol_ = 0.0;
  double rmin_ = 0.0, zmin_ = 0.0;
};

}  // namespace tivor
