// Contour zones: every triangle is cut into bands between consecutive levels, each band one
// convex polygon filled in its colour; grids and element meshes are split into triangles first.
#include <algorithm>
#include <cstdlib>

#include "gfx/contour_mesh.hpp"
#include "gfx/gfx.hpp"

namespace tivor {
namespace {

constexpr float kFar = 1.0e18f;

// The point at fraction t (clamped to 0..1) of the way from vertex a to vertex b.
struct Point {
  float x, y;
};
Point along(const float* x, const float* y, int a, int b, float t) {
  t = std::clamp(t, 0.0f, 1.0f);
  if (!(t == t)) t = 0.0f;
  return {x[a] + (x[b] - x[a]) * t, y[a] + (y[b] - y[a]) * t};
}

// A level's fraction of the way from value fa to fb (0 when they are equal).
float fraction(float level, float fa, float fb) {
  return fb == fa ? 0.0f : (level - fa) / (fb - fa);
}

// Contour lines of every level in colour 15 over a triangle (the pass over TVFE1's zones).
void white_lines(Session& s, const Triangle& t, const float* lev, int nlev, bool ascending) {
  color(s, 15);
  const LevelRange met = levels_met(t, lev, nlev, ascending);
  for (int k = met.first; k < met.last; ++k) {
    float px[3], py[3];
    const int n = level_cuts(t, lev[k], kEpsilon, true, px, py);
    if (n >= 2) lineo(s, px, py, n);
  }
}

// The node of an element (1-based, a negative number standing for its absolute value), or -1
// when it lies outside 1..nn.
int node_index(int32_t number, int nn) {
  const int64_t k = std::llabs(static_cast<int64_t>(number));
  return k >= 1 && k <= nn ? static_cast<int>(k - 1) : -1;
}

}  // namespace

void flood0(Session& s, const float* x, const float* y, int n, int icol) {
  if (n < 3 || n > 9) return;
  float px[9], py[9];
  for (int k = 0; k < n; ++k) tmp(s, x[k], y[k], px[k], py[k]);
  flood(s, px, py, n, icol);
}

void flood1(Session& s, const float* x, const float* y, const float* f, const float* lev,
            const int32_t* col, int nlev) {
  nlev = std::max(nlev, 0);
  // Vertex 0 is the one with the smallest value (the first on ties), the order kept.
  int i0 = 0;
  if (f[1] < f[i0]) i0 = 1;
  if (f[2] < f[i0]) i0 = 2;
  const int v[3] = {i0, (i0 + 1) % 3, (i0 + 2) % 3};
  const float vx[3] = {x[v[0]], x[v[1]], x[v[2]]}, vy[3] = {y[v[0]], y[v[1]], y[v[2]]};
  const float f0 = f[v[0]], f1 = f[v[1]], f2 = f[v[2]];

  int k = 0;  // 0-based band: the band below lev[k]; k = nlev is the band above the last level
  while (k < nlev && !(lev[k] > f0)) ++k;
  if (k == nlev) {
    flood0(s, vx, vy, 3, col[nlev]);
    return;
  }
  float px[9], py[9];
  int n = 0;
  auto add = [&](Point p) {
    px[n] = p.x;
    py[n] = p.y;
    ++n;
  };
  add({vx[0], vy[0]});
  for (; k <= nlev; ++k) {
    const float up = k == nlev ? kFar : lev[k];
    const float down = k == 0 ? -kFar : lev[k - 1];
    bool has_a = false, has_b = false;
    Point a{}, b{};
    if (up <= f1) {
      a = along(vx, vy, 0, 1, fraction(up, f0, f1));
      has_a = true;
      add(a);
    }
    if (down <= f1 && f1 < up) add({vx[1], vy[1]});
    if (std::min(f1, f2) < up && up < std::max(f1, f2)) {
      const Point c = along(vx, vy, 1, 2, fraction(up, f1, f2));
      if (!has_a) {
        a = c;
        has_a = true;
      } else {
        b = c;
        has_b = true;
      }
      add(c);
    }
    if (down <= f2 && f2 < up) add({vx[2], vy[2]});
    if (up <= f2) {
      const Point e = along(vx, vy, 0, 2, fraction(up, f0, f2));
      if (has_a) {
        b = e;
        has_b = true;
      }
      add(e);
    }
    flood0(s, px, py, n, col[k]);
    if (!has_a || !has_b) return;
    // The next band starts on this level's cut line, reversed.
    n = 0;
    add(b);
    add(a);
  }
}

void izolc(Session& s, const float* f, const float* x, const float* y, int nx, int ny,
           const float* lev, const int32_t* col, int nlev) {
  if (nlev < 1) return;
  clip(s, 3);
  grid_triangles(f, x, y, nx, ny,
                 [&](const Triangle& t) { flood1(s, t.x, t.y, t.f, lev, col, nlev); });
  clip(s, 2);
}

void tvfe1(Session& s, const float* x, const float* y, const float* f, const int32_t* nodes, int ne,
           int nv, int nn, const float* lev, const int32_t* col, int nlev) {
  if ((nv != 3 && nv != 4) || nlev == 0) return;
  const bool mirrored = nlev < 0;
  const int levels = std::abs(nlev);
  // Calls fn for the triangles of every element whose nodes all exist.
  auto each_triangle = [&](auto&& fn) {
    for (int e = 0; e < ne; ++e) {
      const int32_t* el = nodes + static_cast<int64_t>(e) * nv;
      const bool triangle = nv == 3 || el[3] == 0 || el[2] == el[3];
      const int corners = triangle ? 3 : 4;
      int idx[4];
      bool ok = true;
      for (int k = 0; k < corners; ++k) {
        idx[k] = node_index(el[k], nn);
        ok = ok && idx[k] >= 0;
      }
      if (!ok) continue;
      float qx[4], qy[4], qf[4];
      for (int k = 0; k < corners; ++k) {
        qx[k] = x[idx[k]];
        qy[k] = y[idx[k]];
        qf[k] = f[idx[k]];
      }
      if (triangle) {
        fn(Triangle{{qx[0], qx[1], qx[2]}, {qy[0], qy[1], qy[2]}, {qf[0], qf[1], qf[2]}});
      } else {
        split_quad(qx, qy, qf, fn);
      }
    }
  };
  each_triangle([&](const Triangle& t) {
    flood1(s, t.x, t.y, t.f, lev, col, levels);
    if (mirrored) {
      const float mx[3] = {-t.x[0], -t.x[1], -t.x[2]};
      flood1(s, mx, t.y, t.f, lev, col, levels);
    }
  });
  const bool ascending = ascending_levels(lev, levels);
  each_triangle([&](const Triangle& t) { white_lines(s, t, lev, levels, ascending); });
}

}  // namespace tivor
