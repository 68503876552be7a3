// Linear interpolation of a nodal field inside the triangle that holds a point.
#include "mesh/point_value.hpp"

#include "core/pool.hpp"

namespace tivor {

namespace {

bool value_on(const Session& s, int32_t jf, const int32_t (&nodes)[3], const double (&w)[3],
              float& value) {
  const float* f = reals(s, jf);
  value =
      static_cast<float>(w[0] * f[nodes[0] - 1] + w[1] * f[nodes[1] - 1] + w[2] * f[nodes[2] - 1]);
  return true;
}

}  // namespace

bool point_value(const Session& s, const MeshLocator& locator, int32_t jf, float r, float z,
                 float& value) {
  value = 0.0f;
  if (!real_array_ok(s, jf, s.cmesh.n1)) return false;
  int32_t nodes[3];
  double w[3];
  return locator.triangle_at(r, z, nodes, w) && value_on(s, jf, nodes, w, value);
}

bool point_value_in(const Session& s, const MeshLocator& locator, int32_t e, int32_t jf, float r,
                    float z, float& value) {
  value = 0.0f;
  if (!real_array_ok(s, jf, s.cmesh.n1)) return false;
  int32_t nodes[3];
  double w[3];
  return locator.triangle_in(e, r, z, nodes, w) && value_on(s, jf, nodes, w, value);
}

}  // namespace tivor
