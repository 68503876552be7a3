// Linear interpolation of a nodal field inside the triangle that holds a point.
#include "mesh/point_value.hpp"

#include "core/pool.hpp"

namespace tivor {

bool point_value(const Session& s, const MeshLocator& locator, int32_t jf, float r, float z,
                 float& value) {
  value = 0.0f;
  if (!real_array_ok(s, jf, s.cmesh.n1)) return false;
  const int32_t e = locator.cell_at(r, z);
  return e != 0 && point_value_in(s, locator, e, jf, r, z, value);
}

bool point_value_in(const Session& s, const MeshLocator& locator, int32_t e, int32_t jf, float r,
                    float z, float& value) {
  value = 0.0f;
  if (!real_array_ok(s, jf, s.cmesh.n1)) return false;
  int32_t nodes[3];
  double w[3];
  if (!locator.triangle_in(e, r, z, nodes, w)) return false;
  const float* f = reals(s, jf);
  value =
      static_cast<float>(w[0] * f[nodes[0] - 1] + w[1] * f[nodes[1] - 1] + w[2] * f[nodes[2] - 1]);
  return true;
}

}  // namespace tivor
