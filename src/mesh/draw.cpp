// The picture of the current 2D mesh drawn while it is generated.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "gfx/gfx.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_internal.hpp"

namespace tivor {

using namespace mesh_detail;

namespace {

constexpr int kElementColour = 15;
constexpr int kBoundaryColour = 12;
constexpr int kInterfaceColour = 9;

void edge(Session& s, const float* rz, int32_t p, int32_t q, int colour) {
  float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  tmp(s, rz[2 * (p - 1)], rz[2 * (p - 1) + 1], x1, y1);
  tmp(s, rz[2 * (q - 1)], rz[2 * (q - 1) + 1], x2, y2);
  line(s, x1, y1, x2, y2, colour);
}

// Limits of the region that show the nodes' box with equal scales in r (across) and z (up).
void fit_limits(Session& s, const float* rz, int64_t n1) {
  float rmin = std::numeric_limits<float>::max(), rmax = -rmin, zmin = rmin, zmax = -rmin;
  for (int64_t k = 0; k < n1; ++k) {
    rmin = std::min(rmin, rz[2 * k]);
    rmax = std::max(rmax, rz[2 * k]);
    zmin = std::min(zmin, rz[2 * k + 1]);
    zmax = std::max(zmax, rz[2 * k + 1]);
  }
  const float* reg = s.grf.reg_real;  // x min, x max, y min, y max in points
  const double w = std::max(reg[1] - reg[0], 1.0f), h = std::max(reg[3] - reg[2], 1.0f);
  const double dr = std::max(double{rmax} - rmin, 1e-30), dz = std::max(double{zmax} - zmin, 1e-30);
  const double scale = std::min(w / dr, h / dz);  // points per unit
  const double cr = (double{rmin} + rmax) / 2, cz = (double{zmin} + zmax) / 2;
  limits(s, static_cast<float>(cr - w / scale / 2), static_cast<float>(cr + w / scale / 2),
         static_cast<float>(cz - h / scale / 2), static_cast<float>(cz + h / scale / 2));
}

}  // namespace

void draw_mesh(Session& s) {
  if (!mesh_arrays_ok(s) || s.cmesh.n1 < 1) return;
  const Cmesh& c = s.cmesh;
  const float* rz = reals(s, c.jrz);
  const auto valid = [&c](int32_t k) { return k >= 1 && k <= c.n1; };
  lpg(s, 1);
  fit_limits(s, rz, c.n1);
  clip(s, 3);
  const int32_t* conn = ints(s, c.jj1);
  for (int64_t e = 0; e < c.n2; ++e) {
    int32_t v[4] = {0, 0, 0, 0};
    const int nn = element_nodes(conn, c.m, e, v);
    for (int i = 0; i < nn; ++i) {
      if (valid(v[i]) && valid(v[(i + 1) % nn])) edge(s, rz, v[i], v[(i + 1) % nn], kElementColour);
    }
  }
  const int32_t* b = ints(s, c.jj2);
  for (int64_t k = 0; k < c.n3; ++k) {
    const int32_t p = std::abs(b[2 * k]), q = std::abs(b[2 * k + 1]);
    if (valid(p) && valid(q)) {
      edge(s, rz, p, q, b[2 * k + 1] < 0 ? kInterfaceColour : kBoundaryColour);
    }
  }
  lpg(s, 2);
}

}  // namespace tivor
