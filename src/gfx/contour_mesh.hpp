// The triangles that contour lines and zones are drawn on: a quadrilateral cell or element is
// split by its centre (the mean of its four corners, coordinates and value) into four triangles,
// triangle k joining the centre with corners k and k + 1.
#pragma once

#include <algorithm>
#include <cmath>

namespace tivor {

// A triangle of world points and the field's values at them.
struct Triangle {
  float x[3], y[3], f[3];
};

// Calls fn(triangle) for the four triangles of the quadrilateral with corners 0..3 in order; the
// centre is vertex 0 of each.
template <typename Fn>
void split_quad(const float* qx, const float* qy, const float* qf, Fn&& fn) {
  const float cx = (qx[0] + qx[1] + qx[2] + qx[3]) / 4.0f;
  const float cy = (qy[0] + qy[1] + qy[2] + qy[3]) / 4.0f;
  const float cf = (qf[0] + qf[1] + qf[2] + qf[3]) / 4.0f;
  for (int k = 0; k < 4; ++k) {
    const int j = (k + 1) % 4;
    fn(Triangle{{cx, qx[k], qx[j]}, {cy, qy[k], qy[j]}, {cf, qf[k], qf[j]}});
  }
}

// Calls fn(triangle) for the four triangles of every cell of a grid of nx by ny nodes (node (i, j)
// at (i - 1) + (j - 1) * nx); cell (i, j) has the corners (i-1, j-1), (i-1, j), (i, j), (i, j-1).
template <typename Fn>
void grid_triangles(const float* f, const float* x, const float* y, int nx, int ny, Fn&& fn) {
  for (int j = 2; j <= ny; ++j) {
    for (int i = 2; i <= nx; ++i) {
      const int corner[4] = {(i - 2) + (j - 2) * nx, (i - 2) + (j - 1) * nx, (i - 1) + (j - 1) * nx,
                             (i - 1) + (j - 2) * nx};
      float qx[4], qy[4], qf[4];
      for (int k = 0; k < 4; ++k) {
        qx[k] = x[corner[k]];
        qy[k] = y[corner[k]];
        qf[k] = f[corner[k]];
      }
      split_quad(qx, qy, qf, fn);
    }
  }
}

// Where the level cuts the triangle's edges (0-1, 1-2, 2-0): an edge from value a to b is cut
// when the level lies between them (ends included) and |b - a| is at least min_step (more than
// min_step when strict). Returns the number of cut points (0..3) stored in px, py.
inline int level_cuts(const Triangle& t, float level, float min_step, bool strict, float* px,
                      float* py) {
  int n = 0;
  for (int e = 0; e < 3; ++e) {
    const int b = (e + 1) % 3;
    const float fa = t.f[e], fb = t.f[b];
    const float step = fb - fa;
    const float size = step < 0 ? -step : step;
    if (strict ? !(size > min_step) : !(size >= min_step)) continue;
    if (!(level >= (fa < fb ? fa : fb) && level <= (fa < fb ? fb : fa))) continue;
    const float u = (level - fa) / step;
    px[n] = t.x[e] + (t.x[b] - t.x[e]) * u;
    py[n] = t.y[e] + (t.y[b] - t.y[e]) * u;
    ++n;
  }
  return n;
}

// True when the n levels rise and are all finite, so that a triangle meets only those between
// its least and its greatest value.
inline bool ascending_levels(const float* lev, int n) {
  return std::is_sorted(lev, lev + n) &&
         std::all_of(lev, lev + n, [](float v) { return std::isfinite(v); });
}

struct LevelRange {
  int first, last;
};

// The ascending levels lev[first .. last) from lo to hi.
inline LevelRange levels_within(const float* lev, int n, float lo, float hi) {
  const float* first = std::lower_bound(lev, lev + n, lo);
  return {static_cast<int>(first - lev),
          static_cast<int>(std::upper_bound(first, lev + n, hi) - lev)};
}

// The levels lev[first .. last) that can cut the triangle's edges: with ascending levels only
// those from its least value to its greatest (most triangles of a fine mesh meet none), in their
// order; otherwise, or when a value is undefined, all n.
inline LevelRange levels_met(const Triangle& t, const float* lev, int n, bool ascending) {
  const float lo = std::min({t.f[0], t.f[1], t.f[2]});
  const float hi = std::max({t.f[0], t.f[1], t.f[2]});
  if (!ascending || !(lo <= hi)) return {0, n};
  return levels_within(lev, n, lo, hi);
}

// False when none of the four triangles of the quadrilateral of values qf (split as split_quad
// splits it) can meet an ascending level: its corner values and their mean all lie within one gap
// between levels. True otherwise, also when the levels do not rise or a value is undefined.
inline bool quad_meets_levels(const float* qf, const float* lev, int n, bool ascending) {
  if (!ascending) return true;
  const float cf = (qf[0] + qf[1] + qf[2] + qf[3]) / 4.0f;
  if (!(cf == cf)) return true;
  float lo = cf, hi = cf;
  for (int k = 0; k < 4; ++k) {
    if (!(qf[k] == qf[k])) return true;
    lo = std::min(lo, qf[k]);
    hi = std::max(hi, qf[k]);
  }
  const LevelRange met = levels_within(lev, n, lo, hi);
  return met.first < met.last;
}

}  // namespace tivor
