// Boundary conditions given as straight intervals in the (r, z) plane with a value at each end:
// the readers that turn them into a flag and a value per boundary element.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "core/pool.hpp"
#include "core/trace_hook.hpp"
#include "kernels/kernels.hpp"
#include "mesh/mesh.hpp"
#include "reader/reader.hpp"

namespace tivor {
namespace {

constexpr float kTol = 0.001f;
constexpr float kLengthGuard = 1.0e-10f;

// How a reader decides which boundary elements an interval takes.
struct Rule {
  const char* name;     // the reader's name, for the message about an interval taking nothing
  bool midpoint;        // test the edge's midpoint (otherwise its second node)
  bool interfaces;      // take interface edges (negative second node) too
  bool relative;        // upper bounds relative to the end point (1.001 x1), else widened by 0.001
  bool guard_tol;       // add the margin (else the length guard) to the interval's length²
  bool single = false;  // only one interval may be given
};

// BCN2 tests the second node, interface edges included, with the relative upper bounds and the
// tolerance added to the squared length; BCNP and BCNP1 test the midpoint, BCNP without the
// interface edges.
constexpr Rule kBcn2{
    .name = "bcn2", .midpoint = false, .interfaces = true, .relative = true, .guard_tol = true};
constexpr Rule kBcnp{
    .name = "bcnp", .midpoint = true, .interfaces = false, .relative = false, .guard_tol = false};
constexpr Rule kBcnp1{
    .name = "bcnp1", .midpoint = true, .interfaces = true, .relative = false, .guard_tol = false};

// An interval x0, y0, x1, y1 with the values f0, f1 at its ends.
struct Interval {
  float x0, y0, x1, y1, f0, f1;
};

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

// The upper bound of a coordinate: 1.001 times the end coordinate, taken away from zero for a
// negative end too, so that a node lying exactly at the end always belongs.
float relative_upper(float x1) {
  return x1 + kTol * std::abs(x1);
}

// A message for interval i (from 1) of the keyword that took no boundary element: a reversed
// or misplaced interval would otherwise leave the condition out without a word.
void took_nothing(Session& s, const Rule& rule, std::string_view key, int i) {
  if (s.colors.col != 1) newstr(s);
  paus(s, std::string(rule.name) + ":" + std::string(key) + " interval" + fmt_int(i, "(i3)") +
              " selects no boundary element");
}

// An interval named by a physical curve of the mesh files, m="name" f0 f1: it takes the
// boundary elements lying along the curve, the value going linearly from f0 at the curve's
// start to f1 at its end. last receives the box of the points it took.
int named_interval(Session& s, std::string_view prompt, std::string_view key, const Rule& rule,
                   int32_t* flag, float* value, Interval& last) {
  std::string name, files;
  float f[2] = {0, 0};
  if (read_named(s, prompt, "m", name, f, 2)) return 1;
  std::vector<CurveHit> hits;
  if (!curve_elements(s, name, rule.midpoint, hits, files)) {
    return flag_on(s, std::string(rule.name) + ":" + std::string(key) + " curve \"" + name +
                          "\" is not in " + (files.empty() ? "the mesh" : files));
  }
  const Cmesh& c = s.cmesh;
  const int32_t* b = ints(s, c.jj2);
  const float* rz = reals(s, c.jrz);
  last = {0, 0, 0, 0, f[0], f[1]};
  int taken = 0;
  for (const CurveHit& h : hits) {
    const int32_t second = b[2 * h.k + 1];
    if (second < 0 && !rule.interfaces) continue;
    if (flag != nullptr) flag[h.k] = 0;
    value[h.k] = (1 - h.t) * f[0] + h.t * f[1];
    const int32_t p = std::abs(second);
    const float r = rz[2 * (p - 1)], z = rz[2 * (p - 1) + 1];
    if (taken == 0) last = {r, z, r, z, f[0], f[1]};
    last = {std::min(last.x0, r),
            std::min(last.y0, z),
            std::max(last.x1, r),
            std::max(last.y1, z),
            f[0],
            f[1]};
    ++taken;
  }
  if (taken == 0) {
    if (s.colors.col != 1) newstr(s);
    paus(s, std::string(rule.name) + ":" + std::string(key) + " curve \"" + name +
                "\" selects no boundary element");
  }
  return 0;
}

// Reads the count and the intervals; each interval sets the value (and the flag, when there is
// a flag array) of every boundary element it takes. Later intervals overwrite earlier ones. The
// last interval read goes to last.
int read_intervals(Session& s, std::string_view text, std::string_view key, const Rule& rule,
                   int32_t* flag, float* value, Interval& last) {
  const Cmesh& c = s.cmesh;
  int32_t n = 0;
  if (read_int(s, " number of intervals for " + std::string(text), key, n)) return 1;
  if (rule.single && n > 1) return flag_on(s, "n should be equal to 1 here");
  const float* rz = reals(s, c.jrz);
  const int32_t* b = ints(s, c.jj2);
  const std::string prompt = std::string(text) + ":x0,y0,x1,y1,f0,f1";
  // The margins shrink with a region smaller than 1 and take in the coordinates' rounding.
  const BoundaryTolerance tol = boundary_tolerance(s);
  const float lower = tol.eps + tol.round;
  const float guard = rule.guard_tol ? tol.eps * tol.scale : kLengthGuard * tol.scale * tol.scale;
  for (int32_t i = 0; i < n; ++i) {
    if (next_entry_named(s, "m")) {
      if (named_interval(s, prompt, key, rule, flag, value, last)) return 1;
      continue;
    }
    float v[6] = {0, 0, 0, 0, 0, 0};
    if (read_reals(s, prompt, "m", v, 6)) return 1;
    const Interval iv{v[0], v[1], v[2], v[3], v[4], v[5]};
    last = iv;
    const float dx = iv.x1 - iv.x0, dy = iv.y1 - iv.y0;
    const float len2 = dx * dx + dy * dy + guard;
    const float rmax = (rule.relative ? relative_upper(iv.x1) : iv.x1 + tol.eps) + tol.round;
    const float zmax = (rule.relative ? relative_upper(iv.y1) : iv.y1 + tol.eps) + tol.round;
    int taken = 0;
    for (int32_t k = 0; k < c.n3; ++k) {
      const int32_t pa = std::abs(b[2 * k]), second = b[2 * k + 1];
      const int32_t pb = std::abs(second);
      if (pb == 0 || (second < 0 && !rule.interfaces)) continue;
      float r = rz[2 * (pb - 1)], z = rz[2 * (pb - 1) + 1];
      if (rule.midpoint) {
        if (pa == 0) continue;
        r = (r + rz[2 * (pa - 1)]) / 2;
        z = (z + rz[2 * (pa - 1) + 1]) / 2;
      }
      // Lower bounds absolute: an interval must be given with x0 <= x1 and y0 <= y1. The
      // distance from the interval's line is not tested: every point of the box whose
      // projection falls on the interval belongs to it.
      if (r > rmax || iv.x0 > r + lower || z > zmax || iv.y0 > z + lower) continue;
      const float t = ((r - iv.x0) * dx + (z - iv.y0) * dy) / len2;
      if (t < -kTol || t > 1 + kTol) continue;
      if (flag != nullptr) flag[k] = 0;
      value[k] = (1 - t) * iv.f0 + t * iv.f1;
      ++taken;
    }
    if (taken == 0) took_nothing(s, rule, key, i + 1);
  }
  return 0;
}

// Checks the arrays, sets every flag (when there is a flag array, jy >= 1) to 1 and every value
// to 0, and reads the intervals into them.
int read_flags_and_values(Session& s, std::string_view text, std::string_view key, const Rule& rule,
                          int32_t jy, int32_t jf, Interval& last) {
  const Cmesh& c = s.cmesh;
  const bool flags = jy >= 1;
  if (!boundary_ok(s) || (flags && !int_array_ok(s, jy, c.n3)) || !real_array_ok(s, jf, c.n3)) {
    return bad_boundary(s);
  }
  int32_t* flag = flags ? ints(s, jy) : nullptr;
  float* value = reals(s, jf);
  if (flag != nullptr) std::fill_n(flag, c.n3, 1);
  std::fill_n(value, c.n3, 0.0f);
  return read_intervals(s, text, key, rule, flag, value, last);
}

}  // namespace

int bcn2(Session& s, std::string_view text, int32_t jy, int32_t jf, std::string_view key) {
  if (rtmr(s, "bcn2-" + std::string(text))) return 1;
  // Without a flag array the intervals are still read (the data stay in step) and give values.
  const bool flags = jy >= 1;
  if (!flags) paus(s, "bcn2:jy<=0");
  Interval last{};
  return read_flags_and_values(s, text, key, kBcn2, flags ? jy : 0, jf, last);
}

int bcnp(Session& s, std::string_view text, int32_t jf, std::string_view key) {
  if (rtmr(s, "bcnp-" + std::string(text))) return 1;
  Interval last{};
  return read_flags_and_values(s, text, key, kBcnp, 0, jf, last);
}

int bcnp1(Session& s, std::string_view text, int32_t jf, std::string_view key) {
  if (rtmr(s, "bcnp1-" + std::string(text))) return 1;
  Interval last{};
  return read_flags_and_values(s, text, key, kBcnp1, 0, jf, last);
}

int bcn3(Session& s, int mode, std::string_view text, int32_t jf, int32_t jy, std::string_view key,
         float (&seg)[4]) {
  if (rtmr(s, "bcn3-" + std::string(text))) return 1;
  std::fill_n(seg, 4, 0.0f);
  Interval last{};
  const Rule rule{.name = "bcn3",
                  .midpoint = false,
                  .interfaces = mode < 1,
                  .relative = false,
                  .guard_tol = false,
                  .single = true};
  if (read_flags_and_values(s, text, key, rule, jy, jf, last)) return 1;
  seg[0] = last.x0;
  seg[1] = last.y0;
  seg[2] = last.x1;
  seg[3] = last.y1;
  return 0;
}

}  // namespace tivor
