// BCN1: the boundary zones given as boxes, used by the assembly to choose the edges it glues.
#include <algorithm>
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

}  // namespace

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
  for (int32_t i = 0; i < nbox; ++i) {
    float box[4] = {0, 0, 0, 0};
    if (read_reals(s, std::string(text) + ":x0,y0,x1,y1", "m", box, 4)) return 1;
    for (int k = 0; k < c.n3; ++k) {
      const int32_t p = std::abs(b[2 * k + 1]);
      if (p < 1 || p > c.n1) continue;
      const float r = rz[2 * (p - 1)], z = rz[2 * (p - 1) + 1];
      if (r >= box[0] - kWiden && r <= box[2] + kWiden && z >= box[1] - kWiden &&
          z <= box[3] + kWiden) {
        flag[k] = 0;
      }
    }
  }
  return 0;
}

}  // namespace tivor
