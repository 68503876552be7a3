// SOIND3 and SOKC: the element geometry on the current configuration, the nodal masses, and the
// prescribed velocities.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "classes/sol/explicit_step.hpp"
#include "classes/sol/sol_internal.hpp"
#include "console/console.hpp"
#include "kernels/kernels.hpp"
#include "kernels/lane.hpp"
#include "kernels/loop_hints.hpp"

namespace tivor::sol {

namespace {

// The arrays of the geometry sweep. The displacements and velocities come as every stride-th
// value from their pointers: separate fields (stride 1) or the step's records of four values a
// node (stride 4); vr, vz and ee are read only with the step limits.
struct Geometry {
  int32_t m;
  const int32_t* conn;
  const float* rz;
  const float* ur;
  const float* uz;
  const float* vr;
  const float* vz;
  const float* ee;
  int stride;
  float* d1;
  float* d2;
  float* dm;
  float* vol;
  float* rmin1;
  float gn;
  bool axisym;
};

Geometry geometry(Session& s, const float* ur, const float* uz, int stride) {
  const Cmesh& c = s.cmesh;
  Geometry g{};
  g.m = c.m;
  g.conn = ints(s, c.jj1);
  g.rz = reals(s, c.jrz);
  g.ur = ur;
  g.uz = uz;
  g.vr = ur + 2;
  g.vz = ur + 3;
  g.ee = reals(s, parm(s).jf[kEe]);
  g.stride = stride;
  g.d1 = reals(s, c.jd1);
  g.d2 = reals(s, c.jd2);
  g.dm = reals(s, c.jdm);
  g.vol = reals(s, c.jsss);
  g.rmin1 = reals(s, c.jrmin1);
  g.gn = parm(s).gn;
  g.axisym = c.isym == 1;
  return g;
}

// The batch of n elements of K nodes from e0 (M node numbers an element in the mesh): their
// geometry on the mesh coordinates plus gn times the displacements, and with zl their step
// limits into x (lane by lane). The elements' nodes are gathered into lanes, one array a value;
// element_shape and element_limits run over the lanes; the results go out element by element. A
// flat or turned element keeps its old geometry; one reaching below the axis its old volume.
// Returns the first element (from 1) that is not sound, 0 when all are. On vectors V.
template <int M, int K, class V>
[[gnu::always_inline]] inline int32_t batch_geometry(const Geometry& g, const ZoneLimits* zl,
                                                     int32_t e0, int n, StepLimits (&x)[kLanes]) {
  const int64_t st = g.stride;
  float r[K][kLanes], z[K][kLanes], vr[K][kLanes], vz[K][kLanes], ee[K][kLanes];
  for (int j = 0; j < kLanes; ++j) {
    const int32_t* v = g.conn + int64_t{e0 + (j < n ? j : 0)} * M;
    for (int i = 0; i < K; ++i) {
      const int64_t node = v[i] - 1;
      r[i][j] = g.rz[2 * node] + g.gn * g.ur[st * node];
      z[i][j] = g.rz[2 * node + 1] + g.gn * g.uz[st * node];
      if (zl != nullptr) {
        vr[i][j] = g.vr[st * node];
        vz[i][j] = g.vz[st * node];
        ee[i][j] = g.ee[node];
      }
    }
  }
  // Vectors of elements through the formulas, their results one array a value.
  float d1[K][kLanes], d2[K][kLanes], w[K][kLanes], volume[kLanes], rmin1[kLanes];
  float rate[kLanes], inv_stable[kLanes];
  int32_t shaped[kLanes], sound[kLanes];
  const bool axisym = g.axisym;
  const ZoneLimits zone = zl != nullptr ? *zl : ZoneLimits{};
  for (int j = 0; j < kLanes; j += kWidth<V>) {
    V rj[K], zj[K];
    for (int i = 0; i < K; ++i) rj[i] = load<V>(&r[i][j]), zj[i] = load<V>(&z[i][j]);
    ElementShape<K, V> e;
    element_shape<K>(rj, zj, axisym, e);
    for (int i = 0; i < K; ++i) {
      store(&d1[i][j], e.d1[i]);
      store(&d2[i][j], e.d2[i]);
      store(&w[i][j], e.w[i]);
    }
    store(&volume[j], e.volume);
    store(&rmin1[j], e.rmin1);
    store(&shaped[j], e.shaped);
    store(&sound[j], e.sound);
    if (zl != nullptr) {
      V vrj[K], vzj[K], eej[K];
      for (int i = 0; i < K; ++i) {
        vrj[i] = load<V>(&vr[i][j]);
        vzj[i] = load<V>(&vz[i][j]);
        eej[i] = load<V>(&ee[i][j]);
      }
      V lr, li;
      element_limits<K>(e.d1, e.d2, e.w, e.rmin1, vrj, vzj, eej, zone, lr, li);
      store(&rate[j], lr);
      store(&inv_stable[j], li);
    }
  }
  int32_t bad = 0;
  for (int j = 0; j < n; ++j) {
    const int64_t el = e0 + j, at = el * M;
    if (shaped[j]) {
      for (int i = 0; i < M; ++i) {
        g.d1[at + i] = i < K ? d1[i][j] : 0.0f;
        g.d2[at + i] = i < K ? d2[i][j] : 0.0f;
        g.dm[at + i] = i < K ? w[i][j] : 0.0f;
      }
    }
    if (!sound[j]) {
      if (bad == 0) bad = static_cast<int32_t>(el + 1);
      continue;
    }
    g.vol[el] = volume[j];
    g.rmin1[el] = rmin1[j];
    if (zl != nullptr) {
      x[j].rate = std::max(x[j].rate, rate[j]);
      x[j].inv_stable = std::max(x[j].inv_stable, inv_stable[j]);
    }
  }
  return bad;
}

// The geometry of every element and, from the zones, the step limits: elements past the last
// zone take their geometry only. Returns as batch_geometry.
template <class V>
[[gnu::always_inline]] inline int32_t geometry_on(const Geometry& g, Session& s, bool with_limits,
                                                  StepLimits& limits) {
  const Cmesh& c = s.cmesh;
  const int32_t* last = ints(s, c.jn2);
  StepLimits x[kLanes];
  int32_t bad = 0, first = 0;
  for (int32_t z = 0; z <= c.ntel; ++z) {
    const int32_t end = z < c.ntel ? std::clamp(last[z], first, c.n2) : c.n2;
    const ZoneLimits zl = z < c.ntel ? zone_limits(s, z) : ZoneLimits{};
    const ZoneLimits* with = with_limits && z < c.ntel ? &zl : nullptr;
    // Batches of elements of one kind.
    for (int32_t e = first; e < end;) {
      const bool quad = is_quadrilateral(g.conn, g.m, e);
      int n = 1;
      while (n < kLanes && e + n < end && is_quadrilateral(g.conn, g.m, e + n) == quad) ++n;
      const int32_t b = quad       ? batch_geometry<4, 4, V>(g, with, e, n, x)
                        : g.m == 4 ? batch_geometry<4, 3, V>(g, with, e, n, x)
                                   : batch_geometry<3, 3, V>(g, with, e, n, x);
      if (bad == 0) bad = b;
      e += n;
    }
    first = end;
  }
  StepLimits out;
  for (const StepLimits& y : x) {
    out.rate = std::max(out.rate, y.rate);
    out.inv_stable = std::max(out.inv_stable, y.inv_stable);
  }
  limits = out;
  return bad;
}

int32_t geometry_narrow(const Geometry& g, Session& s, bool with_limits, StepLimits& limits) {
  return geometry_on<Lane>(g, s, with_limits, limits);
}
TIVOR_WIDE int32_t geometry_wide(const Geometry& g, Session& s, bool with_limits,
                                 StepLimits& limits) {
  return geometry_on<Wide>(g, s, with_limits, limits);
}
int32_t geometry_sweep(const Geometry& g, Session& s, bool with_limits, StepLimits& limits) {
  return wide_vectors() ? geometry_wide(g, s, with_limits, limits)
                        : geometry_narrow(g, s, with_limits, limits);
}

// mode_sum of the K coefficients and weights stored from at.
template <int K>
float stored_mode_sum(const float* d1, const float* d2, const float* w, int64_t at, float rmin1) {
  float c1[K], c2[K], cw[K];
  for (int i = 0; i < K; ++i) c1[i] = d1[at + i], c2[i] = d2[at + i], cw[i] = w[at + i];
  return mode_sum<K>(c1, c2, cw, rmin1);
}

}  // namespace

int32_t soind3_limits(Session& s, const float* motion, StepLimits& limits) {
  return geometry_sweep(geometry(s, motion, motion + 1, 4), s, true, limits);
}

int32_t soind3(Session& s, int32_t fr, int32_t fz, bool setup) {
  const Cmesh& c = s.cmesh;
  StepLimits unused;
  const int32_t bad = geometry_sweep(geometry(s, reals(s, fr), reals(s, fz), 1), s, false, unused);
  if (!setup || bad != 0) return bad;

  std::copy_n(reals(s, c.jsss), c.n2, reals(s, c.jsss0));
  nodal_masses(s, 0.0f);
  return 0;
}

void nodal_masses(Session& s, float fixed_dt) {
  const SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  const int32_t m = c.m, n1 = c.n1, n2 = c.n2;
  const int32_t* conn = ints(s, c.jj1);
  const float* d1 = reals(s, c.jd1);
  const float* d2 = reals(s, c.jd2);
  const float* dm = reals(s, c.jdm);
  const float* vol = reals(s, c.jsss);
  const float* vol0 = reals(s, c.jsss0);
  const float* rmin1 = reals(s, c.jrmin1);
  const int32_t* last = ints(s, c.jn2);
  const float* rom = reals(s, p.jrom);
  const float* c0 = reals(s, p.jc0m);
  float* mass = reals(s, c.jmm);
  std::fill_n(mass, n1, 0.0f);
  int32_t first = 0;
  for (int32_t zone = 0; zone < c.ntel; ++zone) {
    const int32_t end = std::clamp(last[zone], first, n2);
    const float ro = rom[zone], cdt = 2.0f * c0[zone] * fixed_dt;
    for (int32_t e = first; e < end; ++e) {
      const int64_t at = int64_t{e} * m;
      const int k = is_quadrilateral(conn, m, e) ? 4 : 3;
      float me = ro * vol0[e];
      if (fixed_dt > 0.0f) {
        // The density at which dt is half the stable step: the element's sound speed falls as
        // the square root of its mass.
        const float q = cdt * inverse_size(k == 4 ? stored_mode_sum<4>(d1, d2, dm, at, rmin1[e])
                                                  : stored_mode_sum<3>(d1, d2, dm, at, rmin1[e]));
        me = std::max(me, ro * q * q * vol[e]);
      }
      for (int i = 0; i < k; ++i) mass[conn[at + i] - 1] += dm[at + i] * me;
    }
    first = end;
  }
  for (int32_t i = 0; i < n1; ++i) mass[i] = 1.0f / (mass[i] + kEpsilon);
  std::copy_n(mass, n1, mass + n1);
}

void sokc(Session& s, int32_t vr, int32_t vz) {
  if (flag_tst(s)) return;
  SolParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  const float t = s.cht.t + s.cht.ht;
  float slope = 0.0f;
  intr(t, p.ntvr > 0 ? reals(s, p.jtvr) : nullptr, p.ntvr, p.tvr, slope);
  intr(t, p.ntvz > 0 ? reals(s, p.jtvz) : nullptr, p.ntvz, p.tvz, slope);
  const int32_t* b = ints(s, c.jj2);
  const int32_t* yr = ints(s, p.jy[1]);
  const int32_t* yz = ints(s, p.jy[2]);
  const float* gr = reals(s, p.jvrg);
  const float* gz = reals(s, p.jvzg);
  float* fr = reals(s, vr);
  float* fz = reals(s, vz);
  for (int32_t k = 0; k < c.n3; ++k) {
    const int32_t node = b[2 * k + 1];
    if (node < 1) continue;
    if (yr[k] == 0) fr[node - 1] = gr[k] * p.tvr;
    if (yz[k] == 0) fz[node - 1] = gz[k] * p.tvz;
  }
}

MeshArrays mesh_arrays(Session& s) {
  const Cmesh& c = s.cmesh;
  return {c.m,
          c.n1,
          c.n2,
          c.ntel,
          ints(s, c.jj1),
          ints(s, c.jn2),
          reals(s, c.jd1),
          reals(s, c.jd2),
          reals(s, c.jdm),
          reals(s, c.jsss),
          reals(s, c.jsss0),
          reals(s, c.jrmin1)};
}

}  // namespace tivor::sol
