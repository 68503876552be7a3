// The tracks: markers set on a regular grid of points inside the mesh move through the frozen
// velocity field (jdcr(1), jdcr(2)), each leaving its path on the picture, step after step, until
// Esc. The arrow keys change the time increment; a marker that reaches the mesh's edge stops
// there, and the run ends by itself once nothing moves any more.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "console/console.hpp"
#include "core/pool.hpp"
#include "gfx/gfx.hpp"
#include "mesh/locate.hpp"
#include "mesh/point_value.hpp"
#include "results/pictures.hpp"

namespace tivor {
namespace {

constexpr int kSeedsAcross = 16;          // grid points of the markers along the longer side
constexpr double kStartFraction = 0.002;  // path of the fastest marker per step, of the size
constexpr int kMaxSpeedUp = 1000;         // the increment grows to at most this many starts
constexpr double kStall = 1.0e-6;         // a step moving less (of the size) ends the run
constexpr double kTick = 0.02;            // seconds a step lasts at least on a real clock
constexpr int kEdgeHalvings = 30;
constexpr int kColours[] = {14, 11, 10, 13, 9};

// The velocity at (r, z), linear on the triangle that holds the point; false outside the mesh.
bool velocity(const Session& s, const MeshLocator& locator, double r, double z, double& vr,
              double& vz) {
  int32_t nodes[3];
  double w[3];
  if (!locator.triangle_at(static_cast<float>(r), static_cast<float>(z), nodes, w)) return false;
  const float* u = reals(s, s.cmesh.jdcr[0]);
  const float* v = reals(s, s.cmesh.jdcr[1]);
  vr = vz = 0.0;
  for (int k = 0; k < 3; ++k) {
    vr += w[k] * u[nodes[k] - 1];
    vz += w[k] * v[nodes[k] - 1];
  }
  return true;
}

bool inside(const MeshLocator& locator, double r, double z) {
  return locator.cell_at(static_cast<float>(r), static_cast<float>(z)) != 0;
}

// The last point inside the mesh on the segment from (r0, z0), inside, to (r1, z1), outside.
void edge_point(const MeshLocator& locator, double r0, double z0, double& r1, double& z1) {
  double lo = 0.0, hi = 1.0;
  for (int i = 0; i < kEdgeHalvings; ++i) {
    const double mid = 0.5 * (lo + hi);
    if (inside(locator, r0 + mid * (r1 - r0), z0 + mid * (z1 - z0))) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  r1 = r0 + lo * (r1 - r0);
  z1 = z0 + lo * (z1 - z0);
}

bool fields_ok(const Session& s) {
  const Cmesh& c = s.cmesh;
  return c.n1 > 0 && real_array_ok(s, c.jrz, 2 * int64_t{c.n1}) &&
         real_array_ok(s, c.jdcr[0], c.n1) && real_array_ok(s, c.jdcr[1], c.n1);
}

// The box of the mesh nodes: rmin, zmin, rmax, zmax.
void node_box(const Session& s, double (&box)[4]) {
  const float* rz = reals(s, s.cmesh.jrz);
  box[0] = box[2] = rz[0];
  box[1] = box[3] = rz[1];
  for (int32_t i = 1; i < s.cmesh.n1; ++i) {
    box[0] = std::min<double>(box[0], rz[2 * i]);
    box[2] = std::max<double>(box[2], rz[2 * i]);
    box[1] = std::min<double>(box[1], rz[2 * i + 1]);
    box[3] = std::max<double>(box[3], rz[2 * i + 1]);
  }
}

// The markers at the centres of a square grid over the nodes' box, kSeedsAcross along its longer
// side, those inside the mesh.
std::vector<TrackMarker> seeds(const MeshLocator& locator, const double (&box)[4]) {
  std::vector<TrackMarker> markers;
  const double h = std::max(box[2] - box[0], box[3] - box[1]) / kSeedsAcross;
  if (!(h > 0.0)) return markers;
  const int nr = std::max(1, static_cast<int>((box[2] - box[0]) / h + 0.5));
  const int nz = std::max(1, static_cast<int>((box[3] - box[1]) / h + 0.5));
  const double hr = (box[2] - box[0]) / nr, hz = (box[3] - box[1]) / nz;
  for (int j = 0; j < nz; ++j) {
    for (int i = 0; i < nr; ++i) {
      TrackMarker m;
      m.r = box[0] + (i + 0.5) * hr;
      m.z = box[1] + (j + 0.5) * hz;
      if (inside(locator, m.r, m.z)) markers.push_back(m);
    }
  }
  return markers;
}

// The largest nodal speed.
double max_speed(const Session& s) {
  const float* u = reals(s, s.cmesh.jdcr[0]);
  const float* v = reals(s, s.cmesh.jdcr[1]);
  double vmax = 0.0;
  for (int32_t i = 0; i < s.cmesh.n1; ++i) {
    vmax = std::max(vmax, std::hypot(double{u[i]}, double{v[i]}));
  }
  return vmax;
}

// Where a marker is drawn: its point moved by rmesh times the displacement there, as the nodes
// are drawn.
struct Drawn {
  const Session& s;
  const MeshLocator& locator;
  bool moved;

  void at(const TrackMarker& m, float& x, float& y) const {
    x = static_cast<float>(m.r);
    y = static_cast<float>(m.z);
    float dr = 0.0f, dz = 0.0f;
    if (moved && point_value(s, locator, s.cmesh.jdcr[2], x, y, dr) &&
        point_value(s, locator, s.cmesh.jdcr[3], x, y, dz)) {
      x += s.cterm.rmesh * dr;
      y += s.cterm.rmesh * dz;
    }
  }
};

void path(Session& s, float x1, float y1, float x2, float y2, int ic, bool mirror) {
  color(s, ic);
  const float x[2] = {x1, x2}, y[2] = {y1, y2};
  lineo(s, x, y, 2);
  if (mirror) {
    const float xm[2] = {-x1, -x2};
    lineo(s, xm, y, 2);
  }
}

// Waits until a step has lasted kTick while watching the keys; returns the first key pressed, 0
// when none. A clock that stands still between two looks (the scripted hosts) is not waited for.
int pace(Session& s) {
  const double start = s.host->clock();
  double last = start;
  for (;;) {
    const int key = inkey(s);
    if (key != 0) return key;
    const double now = s.host->clock();
    if (now - start >= kTick || now == last) return 0;
    last = now;
  }
}

}  // namespace

double track_step(const Session& s, const MeshLocator& locator, std::vector<TrackMarker>& markers,
                  double dt) {
  double moved = 0.0;
  for (TrackMarker& m : markers) {
    if (!m.moving) continue;
    double vr1 = 0.0, vz1 = 0.0, vr2 = 0.0, vz2 = 0.0;
    if (!velocity(s, locator, m.r, m.z, vr1, vz1)) {
      m.moving = false;
      continue;
    }
    double r = 0.0, z = 0.0;
    if (velocity(s, locator, m.r + 0.5 * dt * vr1, m.z + 0.5 * dt * vz1, vr2, vz2)) {
      r = m.r + dt * vr2;
      z = m.z + dt * vz2;
    } else {
      // The midpoint lies outside already: the marker leaves along its present direction.
      r = m.r + dt * vr1;
      z = m.z + dt * vz1;
      m.moving = false;
    }
    if (!inside(locator, r, z)) {
      edge_point(locator, m.r, m.z, r, z);
      m.moving = false;
    }
    moved = std::max(moved, std::hypot(r - m.r, z - m.z));
    m.r = r;
    m.z = z;
  }
  return moved;
}

void track2(Session& s) {
  if (s.cht.itask != kTaskPrepared || !fields_ok(s)) {
    lmesh(s);
    return;
  }
  dinit(s, "tivor", 0.8f, 0.8f);
  lpg_region(s, kPlotCol, kPlotRow);
  const Positions p = tlim(s);
  room_for_axes(s);
  const bool mirror = s.cterm.isymg == 2;
  color(s, 15);
  axes(s);
  clip(s, 3);
  lgran(s, p);

  const MeshLocator locator(s);
  double box[4];
  node_box(s, box);
  const double size = std::max(box[2] - box[0], box[3] - box[1]);
  std::vector<TrackMarker> markers = seeds(locator, box);
  const Drawn drawn{s, locator,
                    s.cterm.rmesh != 0.0f && real_array_ok(s, s.cmesh.jdcr[2], s.cmesh.n1) &&
                        real_array_ok(s, s.cmesh.jdcr[3], s.cmesh.n1)};
  std::vector<float> x(markers.size()), y(markers.size());
  for (size_t k = 0; k < markers.size(); ++k) {
    drawn.at(markers[k], x[k], y[k]);
    path(s, x[k], y[k], x[k], y[k], kColours[k % std::size(kColours)], mirror);
  }
  s.host->present();

  const double vmax = max_speed(s);
  if (!markers.empty() && vmax > 1.0e-10 && size > 0.0) {
    const double dt0 = kStartFraction * size / vmax;
    double dt = dt0;
    for (;;) {
      const double moved = track_step(s, locator, markers, dt);
      bool any = false;
      for (size_t k = 0; k < markers.size(); ++k) {
        float xn = 0.0f, yn = 0.0f;
        drawn.at(markers[k], xn, yn);
        if (xn != x[k] || yn != y[k]) {
          path(s, x[k], y[k], xn, yn, kColours[k % std::size(kColours)], mirror);
          x[k] = xn;
          y[k] = yn;
        }
        any = any || markers[k].moving;
      }
      s.host->present();
      if (!any || moved < kStall * size) break;
      const int key = pace(s);
      if (key == key::kEsc) break;
      if (key == key::kRight) dt = std::min(dt + dt0, kMaxSpeedUp * dt0);
      if (key == key::kLeft) dt = std::max(dt - dt0, dt0);
    }
  }
  clip(s, 2);
  markpic(s, "tracks");
  lpg(s, 2);
  dinit1(s, "tivor", 0.8f, 0.8f);
}

}  // namespace tivor
