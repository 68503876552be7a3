// Contour lines on a structured grid, and the clipped world polyline they are drawn with.
#include <algorithm>

#include "gfx/contour_mesh.hpp"
#include "gfx/gfx.hpp"

namespace tivor {
namespace {

// Cuts the segment to the rectangle (Liang-Barsky); false when nothing of it is inside.
bool cut_to(double& x1, double& y1, double& x2, double& y2, const int32_t* c) {
  const double dx = x2 - x1, dy = y2 - y1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x1 - c[0], c[2] - x1, y1 - c[1], c[3] - y1};
  double t0 = 0.0, t1 = 1.0;
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0.0) {
      if (q[k] < 0.0) return false;
      continue;
    }
    const double r = q[k] / p[k];
    if (p[k] < 0.0) {
      t0 = std::max(t0, r);
    } else {
      t1 = std::min(t1, r);
    }
  }
  if (!(t0 <= t1)) return false;
  const double ox = x1, oy = y1;
  x1 = ox + t0 * dx;
  y1 = oy + t0 * dy;
  x2 = ox + t1 * dx;
  y2 = oy + t1 * dy;
  return true;
}

bool inside(double x, double y, const int32_t* c) {
  return x >= c[0] && x <= c[2] && y >= c[1] && y <= c[3];
}

}  // namespace

void lineo(Session& s, const float* x, const float* y, int n) {
  if (n < 2) return;
  const int32_t* c = s.grf.clip;  // x min, y min, x max, y max
  float px = 0.0f, py = 0.0f;
  tmp(s, x[0], y[0], px, py);
  for (int k = 1; k < n; ++k) {
    float qx = 0.0f, qy = 0.0f;
    tmp(s, x[k], y[k], qx, qy);
    double x1 = px, y1 = py, x2 = qx, y2 = qy;
    if (inside(x1, y1, c) && inside(x2, y2, c)) {
      line(s, px, py, qx, qy, s.grf.igcolor);
    } else if (cut_to(x1, y1, x2, y2, c)) {
      line(s, static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
           static_cast<float>(y2), s.grf.igcolor);
    }
    px = qx;
    py = qy;
  }
}

void izol(Session& s, const float* f, const float* x, const float* y, int nx, int ny,
          const float* lev, const int32_t* col, int nlev) {
  if (nlev < 1) return;
  clip(s, 3);
  grid_triangles(f, x, y, nx, ny, [&](const Triangle& t) {
    for (int k = 0; k < nlev; ++k) {
      color(s, col[k] == 0 ? 15 : col[k]);
      float px[3], py[3];
      const int n = level_cuts(t, lev[k], 1.0e-7f, false, px, py);
      if (n >= 2) lineo(s, px, py, n);
    }
  });
  clip(s, 2);
}

}  // namespace tivor
