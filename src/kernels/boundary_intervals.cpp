// Boundary conditions given as straight intervals in the (r, z) plane with a value at each end:
// the readers that turn them into a flag and a value per boundary element.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "console/console.hpp"
#include "core/pool.hpp"
#include "core/trace_hook.hpp"
#include "kernels/kernels.hpp"
#include "reader/reader.hpp"

namespace tivor {
namespace {

constexpr float kTol = 0.001f;

// The boundary arrays of the mesh record lie inside the pools with node numbers that are nodes.
bool boundary_ok(const Session& s) {
  const Cmesh& c = s.cmesh;
  if (c.n1 < 0 || c.n3 < 0 || !real_array_ok(s, c.jrz, 2 * int64_t{c.n1}) ||
      !int_array_ok(s, c.jj2, 2 * int64_t{c.n3})) {
    return false;
  }
  const int32_t* b = ints(s, c.jj2);
  for (int64_t k = 0; k < 2 * int64_t{c.n3}; ++k) {
    if (std::abs(b[k]) > c.n1) return false;
  }
  return true;
}

int bad_boundary(Session& s) {
  return flag_on(s, "bcn:boundary arrays lie outside the pools");
}

int read_count(Session& s, std::string_view text, std::string_view key, int32_t& n) {
  return read_int(s, " number of intervals for " + std::string(text), key, n);
}

}  // namespace

int bcn2(Session& s, std::string_view text, int32_t jy, int32_t jf, std::string_view key) {
  if (rtmr(s, "bcn2-" + std::string(text))) return 1;
  if (jy < 1) paus(s, "bcn2:jy<=0");
  const Cmesh& c = s.cmesh;
  if (!boundary_ok(s) || !int_array_ok(s, jy, c.n3) || !real_array_ok(s, jf, c.n3)) {
    return bad_boundary(s);
  }
  int32_t* flag = ints(s, jy);
  float* value = reals(s, jf);
  std::fill_n(flag, c.n3, 1);
  std::fill_n(value, c.n3, 0.0f);
  int32_t n = 0;
  if (read_count(s, text, key, n)) return 1;
  const float* rz = reals(s, c.jrz);
  const int32_t* b = ints(s, c.jj2);
  for (int32_t i = 0; i < n; ++i) {
    float v[6] = {0, 0, 0, 0, 0, 0};
    if (read_reals(s, std::string(text) + ":x0,y0,x1,y1,f0,f1", "m", v, 6)) return 1;
    const float x0 = v[0], y0 = v[1], x1 = v[2], y1 = v[3];
    const float dx = x1 - x0, dy = y1 - y0;
    const float len2 = dx * dx + dy * dy + kTol;
    for (int32_t k = 0; k < c.n3; ++k) {
      const int32_t p = std::abs(b[2 * k + 1]);
      if (p == 0) continue;
      const float r = rz[2 * (p - 1)], z = rz[2 * (p - 1) + 1];
      // Upper bounds relative to the end point, lower bounds absolute: an interval must be given
      // with x0 <= x1 and y0 <= y1.
      if (r > (1 + kTol) * x1 || x0 > r + kTol || z > (1 + kTol) * y1 || y0 > z + kTol) continue;
      const float t = ((r - x0) * dx + (z - y0) * dy) / len2;
      if (t < -kTol || t > 1 + kTol) continue;
      flag[k] = 0;
      value[k] = (1 - t) * v[4] + t * v[5];
    }
  }
  return 0;
}

}  // namespace tivor
