// The value of a nodal field at a point of the 2D mesh, shared by the history recorder, the line
// graphs and the tracks of the results viewer.
#pragma once

#include <cstdint>

#include "core/session.hpp"
#include "mesh/locate.hpp"

namespace tivor {

// The field at pointer jf (n1 nodal values) at (r, z), linear on the triangle that holds the
// point (a quadrilateral as its triangles (1, 2, 3) and (1, 3, 4)). False, and value 0, when no
// element holds the point or the field does not lie in the real pool.
bool point_value(const Session& s, const MeshLocator& locator, int32_t jf, float r, float z,
                 float& value);
// The same in element e (from 1) of the mesh as it is now; false, and value 0, when e does not
// hold the point (MeshLocator::triangle_in).
bool point_value_in(const Session& s, const MeshLocator& locator, int32_t e, int32_t jf, float r,
                    float z, float& value);

}  // namespace tivor
