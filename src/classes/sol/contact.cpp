// SOCZON, SOKN, SOKN1: contact between the zones of a solid. The boundary nodes of the contact
// zones may not pass through the boundary segments of the other zones.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "classes/sol/sol_internal.hpp"
#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "mesh/mesh.hpp"
#include "reader/reader.hpp"

namespace tivor::sol {
namespace {

// The boundary elements of zone z are [first, last) of jj2.
struct BoundaryRange {
  int32_t first, last;
};
BoundaryRange zone_boundary(const Session& s, int32_t z) {
  const Cmesh& c = s.cmesh;
  const int32_t* jn3 = ints(s, c.jn3);
  const int32_t first = z == 0 ? 0 : std::clamp(jn3[z - 1], 0, c.n3);
  return {first, std::clamp(jn3[z], first, c.n3)};
}

bool any_contact(const Session& s) {
  const SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  const int32_t* b = ints(s, c.jj2);
  const int32_t* cnod = ints(s, p.jcnod);
  for (int32_t k = 0; k < c.n3; ++k) {
    if (b[2 * k + 1] > 0 && cnod[b[2 * k + 1] - 1] == 0) return true;
  }
  return false;
}

// Positions and velocities of the nodes (r in the first n1 values, z in the next).
struct Nodes {
  const float* x;  // start positions
  float* vr;
  float* vz;
  int32_t n1;
  float r(int32_t i) const { return x[i]; }
  float z(int32_t i) const { return x[n1 + i]; }
};

// The doubled signed area of the predicted triangle (P, A, B); positive when P lies on the
// inner side of the segment A-B. In double precision: the correction takes its derivative from
// the difference of two nearly equal areas.
double area2(const Nodes& nd, float dt, int32_t p, int32_t a, int32_t b) {
  const auto pos = [&](int32_t i, double& r, double& z) {
    r = double{nd.r(i)} + double{dt} * nd.vr[i];
    z = double{nd.z(i)} + double{dt} * nd.vz[i];
  };
  double pr, pz, ar, az, br, bz;
  pos(p, pr, pz);
  pos(a, ar, az);
  pos(b, br, bz);
  return (br - pr) * (az - pz) - (ar - pr) * (bz - pz);
}

// SOKN1: corrects the velocities vr, vz so that no contact node passes through a segment of
// another zone within the step; backwards visits the zones from the last. 1 on the error exit.
int sokn1(Session& s, float* vr, float* vz, bool backwards) {
  SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  const int32_t n1 = c.n1, n3 = c.n3;
  const float dt = s.cht.ht;
  const int32_t* b = ints(s, c.jj2);
  const int32_t* cnod = ints(s, p.jcnod);
  const int32_t* yr = ints(s, p.jy[1]);
  const int32_t* yz = ints(s, p.jy[2]);
  const float* mass = reals(s, c.jmm);
  const float* rz = reals(s, c.jrz);
  const float* ur = reals(s, p.jf0[kUr]);
  const float* uz = reals(s, p.jf0[kUz]);
  float* x = reals(s, p.jx);
  float* w = reals(s, p.js);
  for (int32_t k = 0; k < n3; ++k) {
    const int32_t i = b[2 * k + 1] - 1;
    if (i < 0) continue;
    w[i] = static_cast<float>(yr[k]) * mass[i] * dt;
    w[n1 + i] = static_cast<float>(yz[k]) * mass[n1 + i] * dt;
    x[i] = rz[2 * i] + ur[i];
    x[n1 + i] = rz[2 * i + 1] + uz[i];
    const int32_t a = std::abs(b[2 * k]) - 1;
    x[a] = rz[2 * a] + ur[a];
    x[n1 + a] = rz[2 * a + 1] + uz[a];
  }
  const Nodes nd{x, vr, vz, n1};
  const float hg2 = p.hgmin * p.hgmin;
  const float probe = 100.0f * dt;
  for (int iter = 0; iter < 11; ++iter) {
    bool applied = false;
    float largest = 0.0f;
    for (int32_t zi = 0; zi < c.ntel; ++zi) {
      const int32_t z = backwards ? c.ntel - 1 - zi : zi;
      const BoundaryRange own = zone_boundary(s, z);
      for (int32_t k = own.first; k < own.last; ++k) {
        const int32_t pn = b[2 * k + 1] - 1;
        if (pn < 0 || cnod[pn] != 0) continue;
        // The tangent of P's own boundary: next node minus previous node.
        const int32_t knext = k + 1 < own.last ? k + 1 : own.first;
        const int32_t prev = std::abs(b[2 * k]) - 1, next = std::abs(b[2 * knext + 1]) - 1;
        const float tr = nd.r(next) - nd.r(prev), tz = nd.z(next) - nd.z(prev);
        for (int32_t j = 0; j < n3; ++j) {
          if (j >= own.first && j < own.last) continue;
          const int32_t a = b[2 * j] - 1, bb = b[2 * j + 1] - 1;
          if (a < 0 || bb < 0 || a == pn || bb == pn || (cnod[a] != 0 && cnod[bb] != 0)) continue;
          const float ar = nd.r(a) + dt * vr[a], az = nd.z(a) + dt * vz[a];
          const float er = nd.r(bb) + dt * vr[bb] - ar, ez = nd.z(bb) + dt * vz[bb] - az;
          const float e2 = er * er + ez * ez;
          const double s2 = area2(nd, dt, pn, a, bb);
          if (!(s2 >= 1e-37) || s2 * s2 > hg2 * e2 || tr * er + tz * ez > 0.0f) continue;
          const float pr = nd.r(pn) + dt * vr[pn], pz = nd.z(pn) + dt * vz[pn];
          const float along = (pr - ar) * er + (pz - az) * ez;
          if (along < -0.05f * e2 || along > 1.05f * e2) continue;
          const float t = along / e2;
          // Relative velocity of P to the segment's point, along the inward normal (ez, -er).
          const float rel_r = vr[pn] - ((1 - t) * vr[a] + t * vr[bb]);
          const float rel_z = vz[pn] - ((1 - t) * vz[a] + t * vz[bb]);
          if (!(rel_r * ez - rel_z * er > 0.0f)) continue;
          // Velocity changes lam times: P by its weights along the normal, A and B against it.
          const auto shift = [&](float lam) {
            vr[pn] += lam * w[pn] * ez;
            vz[pn] -= lam * w[n1 + pn] * er;
            vr[a] -= lam * w[a] * (1 - t) * ez;
            vz[a] += lam * w[n1 + a] * (1 - t) * er;
            vr[bb] -= lam * w[bb] * t * ez;
            vz[bb] += lam * w[n1 + bb] * t * er;
          };
          shift(probe);
          const double slope = (area2(nd, dt, pn, a, bb) - s2) / probe;
          shift(-probe);
          if (!(slope >= 1e-18)) return flag_on(s, "dsss.lt.1e-18");
          const float lam = static_cast<float>(-s2 / slope);
          shift(lam);
          largest = std::max(largest,
                             std::abs(lam) *
                                 std::max({w[pn], w[n1 + pn], w[a], w[n1 + a], w[bb], w[n1 + bb]}) *
                                 std::sqrt(e2));
          applied = true;
        }
      }
    }
    if (!applied || largest * dt <= 0.05f * p.hgmin) break;
  }
  return 0;
}

}  // namespace

int soczon_setup(Session& s) {
  if (rtmr(s, "soczon")) return 1;
  SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  if (reserve_ints(s, p.jcnod, c.n1, "jcnod") || reserve_ints(s, p.jce, 3 * int64_t{c.n3}, "jce") ||
      reserve_reals(s, p.jcf, 3 * int64_t{c.n3}, "jcf") ||
      reserve_ints(s, p.jkontw, c.n3, "jkontw") || bcn1(s, " contact zones", p.jkontw, "contact") ||
      read_real(s, " penalty factor", "penalty", p.penalty) ||
      read_real(s, " friction factor", "frict", p.frict)) {
    return 1;
  }
  int32_t* cnod = ints(s, p.jcnod);
  std::fill_n(cnod, c.n1, 1);
  const int32_t* b = ints(s, c.jj2);
  const int32_t* kont = ints(s, p.jkontw);
  for (int32_t k = 0; k < c.n3; ++k) {
    if (b[2 * k + 1] > 0 && kont[k] == 0) cnod[b[2 * k + 1] - 1] = 0;
  }
  std::fill_n(ints(s, p.jce), 3 * int64_t{c.n3}, 0);
  std::fill_n(reals(s, p.jcf), 3 * int64_t{c.n3}, 0.0f);
  p.nce = 0;
  return 0;
}

int soczon_list(Session& s) {
  if (!arrays_ok(s)) return flag_on(s, " soczon:task arrays lie outside the pools");
  SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  p.nce = 0;
  if (!any_contact(s)) return 0;
  const int32_t n1 = c.n1, n3 = c.n3;
  const float dt = s.cht.ht;
  int32_t* ce = ints(s, p.jce);
  float* cf = reals(s, p.jcf);
  std::fill_n(ce, 3 * int64_t{n3}, 0);
  const int32_t* b = ints(s, c.jj2);
  const int32_t* cnod = ints(s, p.jcnod);
  const float* rz = reals(s, c.jrz);
  float* x = reals(s, p.jx);
  for (int32_t k = 0; k < n3; ++k) {
    for (const int32_t node : {std::abs(b[2 * k]), std::abs(b[2 * k + 1])}) {
      const int32_t i = node - 1;
      if (i < 0) continue;
      x[i] = rz[2 * i] + reals(s, p.jf[kUr])[i] + dt * reals(s, p.jf[kVr])[i];
      x[n1 + i] = rz[2 * i + 1] + reals(s, p.jf[kUz])[i] + dt * reals(s, p.jf[kVz])[i];
    }
  }
  const auto xr = [&](int32_t i) { return x[i]; };
  const auto xz = [&](int32_t i) { return x[n1 + i]; };
  for (int32_t z = 0; z < c.ntel; ++z) {
    const BoundaryRange own = zone_boundary(s, z);
    for (int32_t k = own.first; k < own.last; ++k) {
      const int32_t pn = b[2 * k + 1] - 1;
      if (pn < 0 || cnod[pn] != 0) continue;
      const int32_t knext = k + 1 < own.last ? k + 1 : own.first;
      const int32_t prev = std::abs(b[2 * k]) - 1, next = std::abs(b[2 * knext + 1]) - 1;
      const float dr = xr(next) - xr(prev), dz = xz(next) - xz(prev);
      const float dlen = std::sqrt(dr * dr + dz * dz);
      for (int32_t j = 0; j < n3; ++j) {
        if (j >= own.first && j < own.last) continue;
        const int32_t a = b[2 * j] - 1, bb = b[2 * j + 1] - 1;
        if (a < 0 || bb < 0 || a == pn || bb == pn || (cnod[a] != 0 && cnod[bb] != 0)) continue;
        const float er = xr(bb) - xr(a), ez = xz(bb) - xz(a);
        const float elen = std::sqrt(er * er + ez * ez);
        if (!(elen > 0.0f) || !(dlen > 0.0f)) continue;
        const float t = ((xr(pn) - xr(a)) * er + (xz(pn) - xz(a)) * ez) / (elen * elen);
        // The depth of P inside the other zone: the mesh's boundaries run clockwise in (r, z),
        // so the inside of a segment lies on its right, where the cross product is negative.
        const float cross =
            (xr(a) - xr(pn)) * (xz(bb) - xz(pn)) - (xz(a) - xz(pn)) * (xr(bb) - xr(pn));
        const float dist = -cross / elen;
        const float cosine = (dr * er + dz * ez) / (dlen * elen);
        // The ends of a segment are taken with the explicit correction's margin of 5%: a node
        // at the corner of the other zone must not drop out by the rounding of its position.
        if (t < -0.05f || t > 1.05f || cosine > -0.5f || dist < 0 ||
            dist * dist > p.hgmin * p.hgmin * elen * elen) {
          continue;
        }
        ce[3 * p.nce] = pn + 1;
        ce[3 * p.nce + 1] = a + 1;
        ce[3 * p.nce + 2] = bb + 1;
        cf[3 * p.nce] = -ez / elen;
        cf[3 * p.nce + 1] = er / elen;
        cf[3 * p.nce + 2] = t;
        if (++p.nce >= n3) return flag_on(s, "not enough room for contact");
      }
    }
  }
  return 0;
}

int sokn(Session& s) {
  if (rtmr(s, "sokn")) return 1;
  SolParm& p = parm(s);
  const int32_t n1 = s.cmesh.n1;
  if (!any_contact(s)) return 0;
  float* vr = reals(s, p.jf0[kVr]);
  float* vz = reals(s, p.jf0[kVz]);
  float* saved = reals(s, p.jgr0);
  std::copy_n(vr, n1, saved);
  std::copy_n(vz, n1, saved + n1);
  if (sokn1(s, saved, saved + n1, true) || sokn1(s, vr, vz, false)) return 1;
  for (int32_t i = 0; i < n1; ++i) {
    vr[i] = 0.5f * (vr[i] + saved[i]);
    vz[i] = 0.5f * (vz[i] + saved[n1 + i]);
  }
  return 0;
}

}  // namespace tivor::sol
