// BCN1: the boundary zones given as boxes, used by the assembly to choose the edges it glues.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_internal.hpp"

namespace tivor {

using namespace mesh_detail;

namespace {

constexpr float kWiden = 0.001f;
constexpr float kRounding = 1e-5f;

}  // namespace

BoundaryTolerance boundary_tolerance(const Session& s) {
  const Cmesh& c = s.cmesh;
  float size = 0.0f;
  if (c.n1 > 0 && real_array_ok(s, c.jrz, 2 * int64_t{c.n1})) {
    const NodesBox box = nodes_box(reals(s, c.jrz), c.n1);
    size = std::max(box.hi[0] - box.lo[0], box.hi[1] - box.lo[1]);
  }
  // A mesh without extent (or with coordinates beyond floats) keeps the plain margin.
  const float scale = size > 0.0f && std::isfinite(size) ? std::min(1.0f, size) : 1.0f;
  const float round = std::isfinite(size) ? kRounding * size : 0.0f;
  return {kWiden * scale, round, scale};
}

int bcn1(Session& s, std::string_view text, int32_t jy, std::string_view key) {
  if (rtmr(s, "bcn1-" + std::string(text))) return 1;
  const Cmesh& c = s.cmesh;
  if (!mesh_arrays_ok(s) || !int_array_ok(s, jy, c.n3)) return bad_arrays(s);
  int32_t* flag = ints(s, jy);
  std::fill_n(flag, c.n3, 1);
  int32_t nbox = 0;
  if (read_int(s, " number of intervals for " + std::string(text), key, nbox)) return 1;
  const float* rz = reals(s, c.jrz);
  const int32_t* b = ints(s, c.jj2);
  const BoundaryTolerance tol = boundary_tolerance(s);
  const float widen = tol.eps + tol.round;
  for (int32_t i = 0; i < nbox; ++i) {
    float box[4] = {0, 0, 0, 0};
    if (read_reals(s, std::string(text) + ":x0,y0,x1,y1", "m", box, 4)) return 1;
    int taken = 0;
    for (int k = 0; k < c.n3; ++k) {
      const int32_t p = std::abs(b[2 * k + 1]);
      if (p < 1 || p > c.n1) continue;
      const float r = rz[2 * (p - 1)], z = rz[2 * (p - 1) + 1];
      if (r >= box[0] - widen && r <= box[2] + widen && z >= box[1] - widen &&
          z <= box[3] + widen) {
        flag[k] = 0;
        ++taken;
      }
    }
    // A box that takes nothing is most likely a mistake (reversed or misplaced): say so.
    if (taken == 0) {
      if (s.colors.col != 1) newstr(s);
      paus(s, "bcn1:" + std::string(key) + " box" + fmt_int(i + 1, "(i3)") +
                  " selects no boundary element");
    }
  }
  return 0;
}

}  // namespace tivor
