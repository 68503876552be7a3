// SOIND3 and SOKC: the element geometry on the current configuration, the nodal masses, and the
// prescribed velocities.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "classes/sol/lanes.hpp"
#include "classes/sol/sol_internal.hpp"
#include "console/console.hpp"
#include "kernels/kernels.hpp"

namespace tivor::sol {

namespace {

// The arrays of the geometry sweep.
struct Geometry {
  int32_t m;
  const int32_t* conn;
  const float* rz;
  const float* ur;
  const float* uz;
  float* d1;
  float* d2;
  float* dm;
  float* vol;
  float* rmin1;
  float gn;
  bool axisym;
};

Geometry geometry(Session& s, int32_t fr, int32_t fz) {
  const Cmesh& c = s.cmesh;
  return {c.m,
          ints(s, c.jj1),
          reals(s, c.jrz),
          reals(s, fr),
          reals(s, fz),
          reals(s, c.jd1),
          reals(s, c.jd2),
          reals(s, c.jdm),
          reals(s, c.jsss),
          reals(s, c.jrmin1),
          parm(s).gn,
          c.isym == 1};
}

// The derivative coefficients, weights, volume and inverse mean radius of element e on the
// mesh coordinates plus gn times the displacements. False for an element turned over (or flat)
// or, in axisymmetry, reaching below the axis: it keeps its old geometry.
template <int K>
inline bool element_geometry(const Geometry& g, int32_t e) {
  const int32_t m = g.m;
  const int32_t* v = g.conn + int64_t{e} * m;
  float r[4], z[4];
  for (int i = 0; i < K; ++i) {
    const int32_t n = v[i] - 1;
    r[i] = g.rz[2 * n] + g.gn * g.ur[n];
    z[i] = g.rz[2 * n + 1] + g.gn * g.uz[n];
  }
  float a2 = (z[1] - z[0]) * (r[2] - r[0]) - (z[2] - z[0]) * (r[1] - r[0]);
  if (K == 4) a2 += (z[2] - z[0]) * (r[3] - r[0]) - (z[3] - z[0]) * (r[2] - r[0]);
  if (!(a2 > 0.0f)) return false;
  const float inv = 1.0f / a2;
  float* e1 = g.d1 + int64_t{e} * m;
  float* e2 = g.d2 + int64_t{e} * m;
  float* ew = g.dm + int64_t{e} * m;
  float sum = 0.0f, s1 = 0.0f, s1r = 0.0f;
  for (int i = 0; i < K; ++i) {
    const int prev = (i + K - 1) % K, next = (i + 1) % K;
    e1[i] = (z[prev] - z[next]) * inv;
    e2[i] = (r[next] - r[prev]) * inv;
    const float a1 = std::abs(e1[i]);
    sum += a1 + std::abs(e2[i]);
    s1 += a1;
    s1r += a1 * r[i];
  }
  for (int i = K; i < m; ++i) e1[i] = e2[i] = ew[i] = 0.0f;
  const float inv_sum = 1.0f / sum;
  for (int i = 0; i < K; ++i) ew[i] = (std::abs(e1[i]) + std::abs(e2[i])) * inv_sum;
  const float area = 0.5f * a2;
  if (g.axisym) {
    // Area times the mean radius; an element reaching below the axis has no volume.
    if (!(s1r > 0.0f)) return false;
    g.vol[e] = area * s1r / s1;
    g.rmin1[e] = s1 / s1r;
  } else {
    g.vol[e] = area;
    g.rmin1[e] = 0.0f;
  }
  return true;
}

}  // namespace

namespace {

// The largest strain rate and inverse stable step of each lane over the batches of a sweep.
struct LaneLimits {
  alignas(64) float rate[kLanes];
  alignas(64) float inv_stable[kLanes];
  LaneLimits() {
    std::fill_n(rate, kLanes, StepLimits{}.rate);
    std::fill_n(inv_stable, kLanes, StepLimits{}.inv_stable);
  }
};

// The geometry of n elements of K nodes from e0 (M nodes an element in the mesh) and, with zl,
// their step limits into x: what element_geometry and element_limits do, on vectors of
// elements. Each element's node values make a row (node i's r, z, vr, vz at 4i, with K = 3 the
// energies after them), the rows are turned into lanes for the arithmetic, and the results go
// out a batch at a time where every element is sound, element by element elsewhere. A batch of
// fewer than kLanes elements repeats its first in the other lanes. Returns the first element
// (from 1) that is not sound, 0 when all are.
template <int M, int K>
int32_t batch_geometry(const Geometry& g, const LimitArrays& l, const float* motion,
                       const ZoneLimits* zl, int32_t e0, int n, LaneLimits& x) {
  alignas(64) float row[kLanes][16];
  float en[K][kLanes];  // the energies, when the nodes fill the row
  const Quad scale = {g.gn, g.gn, 1.0f, 1.0f};
  for (int j = 0; j < kLanes; ++j) {
    const int32_t* v = g.conn + int64_t{e0 + (j < n ? j : 0)} * M;
    for (int i = 0; i < K; ++i) {
      const int32_t node = v[i] - 1;
      Quad u;
      std::memcpy(&u, motion + 4 * int64_t{node}, sizeof u);
      const Quad p = Quad{g.rz[2 * node], g.rz[2 * node + 1], 0.0f, 0.0f} + scale * u;
      std::memcpy(&row[j][4 * i], &p, sizeof p);
      if constexpr (K == 3) {
        row[j][12 + i] = l.ee[node];
      } else {
        en[i][j] = l.ee[node];
      }
    }
    if constexpr (K == 3) row[j][15] = 0.0f;
  }
  alignas(64) float col[16][16];
  transpose16(row, col);
  const auto r = [&](int i) -> const float* { return col[4 * i]; };
  const auto z = [&](int i) -> const float* { return col[4 * i + 1]; };
  const auto vr = [&](int i) -> const float* { return col[4 * i + 2]; };
  const auto vz = [&](int i) -> const float* { return col[4 * i + 3]; };
  const auto ee = [&](int i) -> const float* { return K == 3 ? col[12 + i] : en[i]; };
  alignas(64) float e1[M][kLanes] = {}, e2[M][kLanes] = {}, ew[M][kLanes] = {};
  alignas(64) float vol[kLanes], rmin1[kLanes], rate[kLanes], inv_stable[kLanes];
  int shaped[kLanes], sound[kLanes];  // ints, not bools: vectors of one width
  const bool axisym = g.axisym;
  const ZoneLimits zone = zl != nullptr ? *zl : ZoneLimits{};
  TIVOR_IVDEP
  for (int j = 0; j < kLanes; ++j) {
    float a2 =
        (z(1)[j] - z(0)[j]) * (r(2)[j] - r(0)[j]) - (z(2)[j] - z(0)[j]) * (r(1)[j] - r(0)[j]);
    if (K == 4) {
      a2 += (z(2)[j] - z(0)[j]) * (r(3)[j] - r(0)[j]) - (z(3)[j] - z(0)[j]) * (r(2)[j] - r(0)[j]);
    }
    shaped[j] = a2 > 0.0f;
    const float inv = 1.0f / a2;
    float sum = 0.0f, s1 = 0.0f, s1r = 0.0f;
    for (int i = 0; i < K; ++i) {
      const int prev = (i + K - 1) % K, next = (i + 1) % K;
      e1[i][j] = (z(prev)[j] - z(next)[j]) * inv;
      e2[i][j] = (r(next)[j] - r(prev)[j]) * inv;
      const float a1 = std::abs(e1[i][j]);
      sum += a1 + std::abs(e2[i][j]);
      s1 += a1;
      s1r += a1 * r(i)[j];
    }
    const float inv_sum = 1.0f / sum;
    for (int i = 0; i < K; ++i) ew[i][j] = (std::abs(e1[i][j]) + std::abs(e2[i][j])) * inv_sum;
    const float area = 0.5f * a2;
    sound[j] = shaped[j] && (!axisym || s1r > 0.0f);
    vol[j] = axisym ? area * s1r / s1 : area;
    rmin1[j] = axisym ? s1 / s1r : 0.0f;
    float vre = 0, eee = 0, drr = 0, drz = 0, dzr = 0, dzz = 0, modes = 0;
    const float hoop = rmin1[j] / std::max(s1, 1e-30f);
    for (int i = 0; i < K; ++i) {
      vre += ew[i][j] * vr(i)[j];
      eee += ew[i][j] * ee(i)[j];
      drr += e1[i][j] * vr(i)[j];
      drz += e2[i][j] * vr(i)[j];
      dzr += e1[i][j] * vz(i)[j];
      dzz += e2[i][j] * vz(i)[j];
      modes += mode_term(e1[i][j], e2[i][j], hoop * std::abs(e1[i][j]), ew[i][j]);
    }
    rate[j] = std::max({0.0f, std::abs(vre * rmin1[j]), std::abs(0.5f * (drz + dzr)), std::abs(dzz),
                        std::abs(drr)});
    const float speed =
        zone.gg == 0.0f ? zone.sound : std::sqrt(zone.gg * std::max(eee, 0.0f) + 1e-18f) + zone.c0;
    inv_stable[j] = inverse_size(modes) * speed;
  }
  int all_shaped = n == kLanes, all_sound = n == kLanes;
  for (int j = 0; j < kLanes; ++j) {
    all_shaped &= shaped[j];
    all_sound &= sound[j];
  }
  if (all_shaped) {
    interleave<M>(e1, g.d1 + int64_t{e0} * M);
    interleave<M>(e2, g.d2 + int64_t{e0} * M);
    interleave<M>(ew, g.dm + int64_t{e0} * M);
  }
  if (all_sound) {
    std::memcpy(g.vol + e0, vol, sizeof vol);
    std::memcpy(g.rmin1 + e0, rmin1, sizeof rmin1);
    if (zl != nullptr) {
      for (int j = 0; j < kLanes; ++j) {
        x.rate[j] = std::max(x.rate[j], rate[j]);
        x.inv_stable[j] = std::max(x.inv_stable[j], inv_stable[j]);
      }
    }
    return 0;
  }
  int32_t bad = 0;
  for (int j = 0; j < n; ++j) {
    const int64_t e = e0 + j, at = e * M;
    // An element turned over (or flat) keeps its old geometry; one reaching below the axis
    // keeps its old volume.
    if (shaped[j] && !all_shaped) {
      for (int i = 0; i < M; ++i) {
        g.d1[at + i] = e1[i][j];
        g.d2[at + i] = e2[i][j];
        g.dm[at + i] = ew[i][j];
      }
    }
    if (!sound[j]) {
      if (bad == 0) bad = static_cast<int32_t>(e + 1);
      continue;
    }
    g.vol[e] = vol[j];
    g.rmin1[e] = rmin1[j];
    if (zl != nullptr) {
      x.rate[j] = std::max(x.rate[j], rate[j]);
      x.inv_stable[j] = std::max(x.inv_stable[j], inv_stable[j]);
    }
  }
  return bad;
}

}  // namespace

int32_t soind3_limits(Session& s, const float* motion, StepLimits& limits) {
  const Cmesh& c = s.cmesh;
  const SolParm& p = parm(s);
  const Geometry g = geometry(s, p.jf0[kUr], p.jf0[kUz]);
  const LimitArrays l = limit_arrays(s);
  const int32_t* last = ints(s, c.jn2);
  LaneLimits x;
  int32_t bad = 0, first = 0;
  for (int32_t z = 0; z <= c.ntel; ++z) {
    // Elements past the last zone take their geometry only.
    const int32_t end = z < c.ntel ? std::clamp(last[z], first, c.n2) : c.n2;
    const ZoneLimits zl = z < c.ntel ? zone_limits(s, z) : ZoneLimits{};
    const ZoneLimits* with = z < c.ntel ? &zl : nullptr;
    // Batches of elements of one kind.
    for (int32_t e = first; e < end;) {
      const bool quad = is_quadrilateral(g.conn, g.m, e);
      int n = 1;
      while (n < kLanes && e + n < end && is_quadrilateral(g.conn, g.m, e + n) == quad) ++n;
      const int32_t b = quad       ? batch_geometry<4, 4>(g, l, motion, with, e, n, x)
                        : g.m == 4 ? batch_geometry<4, 3>(g, l, motion, with, e, n, x)
                                   : batch_geometry<3, 3>(g, l, motion, with, e, n, x);
      if (bad == 0) bad = b;
      e += n;
    }
    first = end;
  }
  StepLimits out;
  for (int j = 0; j < kLanes; ++j) {
    out.rate = std::max(out.rate, x.rate[j]);
    out.inv_stable = std::max(out.inv_stable, x.inv_stable[j]);
  }
  limits = out;
  return bad;
}

int32_t soind3(Session& s, int32_t fr, int32_t fz, bool setup) {
  const Cmesh& c = s.cmesh;
  const int32_t m = c.m, n2 = c.n2;
  const int32_t* conn = ints(s, c.jj1);
  const float* vol = reals(s, c.jsss);
  const Geometry g = geometry(s, fr, fz);
  int32_t bad = 0;
  for (int32_t e = 0; e < n2; ++e) {
    const bool sound =
        is_quadrilateral(conn, m, e) ? element_geometry<4>(g, e) : element_geometry<3>(g, e);
    if (!sound && bad == 0) bad = e + 1;
  }
  if (!setup || bad != 0) return bad;

  std::copy_n(vol, n2, reals(s, c.jsss0));
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
        const float q = cdt * inverse_size(mode_sum(d1 + at, d2 + at, dm + at, k, rmin1[e]));
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
