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

// The larger side of the box of the n1 nodes at rz. The nodes are taken kLanes at a time, each
// into its own running bounds, so that the scan is not one chain of dependent comparisons (it
// runs once for every boundary condition a task reads).
float nodes_size(const float* rz, int64_t n1) {
  constexpr int kLanes = 4;
  float lo[2][kLanes], hi[2][kLanes];
  for (int d = 0; d < 2; ++d) {
    std::fill_n(lo[d], kLanes, rz[d]);
    std::fill_n(hi[d], kLanes, rz[d]);
  }
  int64_t k = 0;
  for (; k + kLanes <= n1; k += kLanes) {
    for (int l = 0; l < kLanes; ++l) {
      for (int d = 0; d < 2; ++d) {
        lo[d][l] = std::min(lo[d][l], rz[2 * (k + l) + d]);
        hi[d][l] = std::max(hi[d][l], rz[2 * (k + l) + d]);
      }
    }
  }
  for (; k < n1; ++k) {
    for (int d = 0; d < 2; ++d) {
      lo[d][0] = std::min(lo[d][0], rz[2 * k + d]);
      hi[d][0] = std::max(hi[d][0], rz[2 * k + d]);
    }
  }
  float side[2];
  for (int d = 0; d < 2; ++d) {
    for (int l = 1; l < kLanes; ++l) {
      lo[d][0] = std::min(lo[d][0], lo[d][l]);
      hi[d][0] = std::max(hi[d][0], hi[d][l]);
    }
    side[d] = hi[d][0] - lo[d][0];
  }
  return std::max(side[0], side[1]);
}

}  // namespace

BoundaryTolerance boundary_tolerance(const Session& s) {
  const Cmesh& c = s.cmesh;
  float size = 0.0f;
  if (c.n1 > 0 && real_array_ok(s, c.jrz, 2 * int64_t{c.n1})) {
    size = nodes_size(reals(s, c.jrz), c.n1);
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
