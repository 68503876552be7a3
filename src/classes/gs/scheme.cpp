// GSL1, GSL10, GSSGL1: the euler scheme of the gas-flow class. Each of its two stages forms, per
// element, the residuals of the inviscid conservation laws from the mean shape-function
// derivatives, adds an artificial viscosity scaled by the ratio of the residuals to the
// gradients, adds the thermal gravity term, updates the conserved quantities with the lumped
// masses and flattens the strict extrema of the new fields.
#include "classes/gs/scheme.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "classes/gs/gs_internal.hpp"
#include "core/trace_hook.hpp"

namespace tivor::gs {
namespace {

// The reference scales of the artificial viscosity of a subregion with adiabatic ratio g.
struct Scales {
  float inv_ro, inv_mom, inv_en;  // 1/ro0, 1/(ro0 U), 1/(ro0 E)
};

Scales scales(const GsParm& p, float g) {
  const float ro0 = p.fna[0], u0 = p.fna[1], v0 = p.fna[2], e0 = p.fna[3];
  const float c0 = std::sqrt(g * (g - 1) * e0 + 1e-10f);
  const float big_u = std::max({c0, std::abs(u0), std::abs(v0)});
  // The energy scale keeps the floor of the sound-speed scale so that a gas at rest with no
  // reference energy does not divide by zero.
  const float big_e = std::max({e0, (u0 * u0 + v0 * v0) / 2, 1e-10f});
  const float r = 1.0f / std::max(ro0, 1e-10f);
  return {r, r / big_u, r / big_e};
}

// Step 3 of a stage for the elements [first, end) of one subregion: residuals and viscous
// fluxes added to the nodal sums df (four consecutive arrays), the smallest element sizes
// around each node into df(5), df(6).
template <int K>
void element_sums(const StageView& a, int32_t first, int32_t end, float g, const Scales& sc,
                  float* df) {
  const int64_t n1 = a.n1;
  float* d_ro = df;
  float* d_m = df + n1;
  float* d_q = df + 2 * n1;
  float* d_en = df + 3 * n1;
  float* hmin_r = df + 4 * n1;
  float* hmin_z = df + 5 * n1;
  const float gm1 = g - 1;
  const float sonic = g * gm1;
  const float w = 1.0f / K;
  for (int32_t e = first; e < end; ++e) {
    const int32_t* v = a.conn + int64_t{e} * a.m;
    const float* e1 = a.d1 + int64_t{e} * a.m;
    const float* e2 = a.d2 + int64_t{e} * a.m;
    int32_t node[K];
    float ro[K], u[K], vv[K], en[K], mm[K], qq[K], ee[K], pp[K];
    for (int i = 0; i < K; ++i) {
      const int32_t n = v[i] - 1;
      node[i] = n;
      ro[i] = std::max(a.ro[n], 1e-6f);
      u[i] = a.u[n];
      vv[i] = a.v[n];
      en[i] = a.e[n];
      pp[i] = gm1 * ro[i] * en[i];
      mm[i] = ro[i] * u[i];
      qq[i] = ro[i] * vv[i];
      ee[i] = ro[i] * ((u[i] * u[i] + vv[i] * vv[i]) / 2 + en[i]);
    }
    float div = 0, r_ro = 0, r_m = 0, r_q = 0, r_en = 0;
    float gr[4] = {0, 0, 0, 0}, gz[4] = {0, 0, 0, 0};
    float ub = 0, vb = 0, eb = 0;
    float h_ro = 0, h_m = 0, h_q = 0, h_en = 0;
    for (int i = 0; i < K; ++i) {
      const float a1 = e1[i], a2 = e2[i];
      const float flow = a1 * u[i] + a2 * vv[i];
      div += flow;
      r_ro += a1 * mm[i] + a2 * qq[i];
      r_m += a1 * (mm[i] * u[i] + pp[i]) + a2 * mm[i] * vv[i];
      r_q += a1 * mm[i] * vv[i] + a2 * (qq[i] * vv[i] + pp[i]);
      r_en += (ee[i] + pp[i]) * flow;
      gr[0] += a1 * ro[i], gz[0] += a2 * ro[i];
      gr[1] += a1 * mm[i], gz[1] += a2 * mm[i];
      gr[2] += a1 * qq[i], gz[2] += a2 * qq[i];
      gr[3] += a1 * ee[i], gz[3] += a2 * ee[i];
      ub += u[i], vb += vv[i], eb += en[i];
      h_ro += mm[i], h_m += mm[i] * u[i], h_q += mm[i] * vv[i], h_en += (ee[i] + pp[i]) * u[i];
    }
    ub *= w, vb *= w, eb *= w;
    // In an axisymmetric task the divergence of a flux F in the meridian plane has the part
    // F_r / r besides the plane one; 1/r is 0 in a plane task.
    const float hoop = a.rmin1[e] * w;
    r_ro += hoop * h_ro;
    r_m += hoop * h_m;
    r_q += hoop * h_q;
    r_en += hoop * h_en;
    const float kv = (div > 0 || ub * ub + vb * vb < sonic * eb) ? 0.6f : 0.4f;
    const float res = w * (r_ro * r_ro * sc.inv_ro * sc.inv_ro +
                           (r_m * r_m + r_q * r_q) * sc.inv_mom * sc.inv_mom +
                           r_en * r_en * sc.inv_en * sc.inv_en);
    float gi[K][4];
    float grad = 0;
    const float inv[4] = {sc.inv_ro, sc.inv_mom, sc.inv_mom, sc.inv_en};
    for (int i = 0; i < K; ++i) {
      for (int f = 0; f < 4; ++f) {
        gi[i][f] = e1[i] * gr[f] + e2[i] * gz[f];
        const float x = gi[i][f] * inv[f];
        grad += x * x;
      }
    }
    const float vol = a.vol[e];
    const float mu = kv * std::sqrt(res / std::max(grad, 1e-10f) + 1e-10f) * vol;
    const float wv = w * vol;
    const float hr = a.hr[e], hz = a.hz[e];
    for (int i = 0; i < K; ++i) {
      const int32_t n = node[i];
      hmin_r[n] = std::min(hmin_r[n], hr);
      hmin_z[n] = std::min(hmin_z[n], hz);
      d_ro[n] += wv * r_ro + mu * gi[i][0];
      d_m[n] += wv * r_m + mu * gi[i][1];
      d_q[n] += wv * r_q + mu * gi[i][2];
      d_en[n] += wv * r_en + mu * gi[i][3];
    }
  }
}

// One pass of the extremum limiter on F fields at once, from src[f] into dst[f] (never the same
// array): each node compares its value with the range of its neighbours along the element
// outlines (the diagonal of a quadrilateral is not an outline edge); a strict extremum is
// pulled a quarter of the way to the middle of that range. A node of no element keeps its value.
template <int F>
void limit_pass(const GsCache& nb, int64_t n1, const float* const (&src)[F],
                float* const (&dst)[F]) {
  const int32_t* start = nb.start.data();
  const int32_t* next = nb.next.data();
  for (int64_t n = 0; n < n1; ++n) {
    float lo[F], hi[F];
    for (int f = 0; f < F; ++f) lo[f] = 1e18f, hi[f] = -1e18f;
    for (int32_t j = start[n]; j < start[n + 1]; ++j) {
      const int32_t k = next[j];
      for (int f = 0; f < F; ++f) {
        const float w = src[f][k];
        lo[f] = w < lo[f] ? w : lo[f];
        hi[f] = w > hi[f] ? w : hi[f];
      }
    }
    for (int f = 0; f < F; ++f) {
      const float x = src[f][n];
      const bool strict = (x < lo[f] || x > hi[f]) && lo[f] <= hi[f];
      dst[f][n] = strict ? 0.75f * x + 0.125f * (lo[f] + hi[f]) : x;
    }
  }
}

}  // namespace

StageView stage_view(Session& s, int32_t in) {
  const Cmesh& c = s.cmesh;
  StageView a;
  a.n1 = c.n1;
  a.m = c.m;
  a.conn = ints(s, c.jj1);
  a.d1 = reals(s, c.jd1);
  a.d2 = reals(s, c.jd2);
  a.vol = reals(s, c.jsss);
  a.rmin1 = reals(s, c.jrmin1);
  a.hr = reals(s, c.jhr);
  a.hz = reals(s, c.jhz);
  const float* f = reals(s, in);
  a.ro = f + kRo * int64_t{c.n1};
  a.u = f + kU * int64_t{c.n1};
  a.v = f + kV * int64_t{c.n1};
  a.e = f + kE * int64_t{c.n1};
  return a;
}

void gsl10(Session& s, float dt, int32_t in, int32_t base, int32_t out, int limiter_passes) {
  if (rtmr(s, "gsl10")) return;
  GsParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  const int64_t n1 = c.n1;
  gsb(s, p.jf[0]);
  float* df = reals(s, p.jdf[0]);
  std::fill_n(df, 4 * n1, 0.0f);
  std::fill_n(df + 4 * n1, 2 * n1, 1e18f);
  const StageView a = stage_view(s, in);
  const int32_t* last = ints(s, c.jn2);
  const float* gam = reals(s, p.jgam);
  int32_t first = 0;
  for (int32_t sub = 0; sub < c.ntel; ++sub) {
    const int32_t end = range_end(last, sub, first, c.n2);
    const Scales sc = scales(p, gam[sub]);
    // A quadrilateral mesh may hold triangles (third and fourth node equal): runs of each kind
    // go to the loop made for them.
    int32_t e = first;
    while (e < end) {
      const bool tri = corners(a.conn + int64_t{e} * c.m, c.m) == 3;
      int32_t run = e + 1;
      while (run < end && (corners(a.conn + int64_t{run} * c.m, c.m) == 3) == tri) ++run;
      if (tri) {
        element_sums<3>(a, e, run, gam[sub], sc, df);
      } else {
        element_sums<4>(a, e, run, gam[sub], sc, df);
      }
      e = run;
    }
    first = end;
  }
  const float* mass = reals(s, c.jmm);
  // Thermal gravity along z, from the density and energy of the stage's input.
  if (p.tfz != 0.0f) {
    const float e0 = p.fna[3];
    for (int64_t n = 0; n < n1; ++n) df[2 * n1 + n] += a.ro[n] * p.tfz * (a.e[n] - e0) / mass[n];
  }
  // The lumped update of the conserved quantities from the base state.
  const float* b = reals(s, base);
  float* o = reals(s, out);
  for (int64_t n = 0; n < n1; ++n) {
    const float k = mass[n] * dt;
    const float rb = std::max(b[n], 1e-6f);
    const float mb = rb * b[n1 + n], qb = rb * b[2 * n1 + n];
    const float eb = rb * b[3 * n1 + n] + (mb * mb + qb * qb) / (2 * rb);
    const float r1 = std::max(rb - k * df[n], 1e-6f);
    const float u1 = (mb - k * df[n1 + n]) / r1;
    const float v1 = (qb - k * df[2 * n1 + n]) / r1;
    o[n] = r1;
    o[n1 + n] = u1;
    o[2 * n1 + n] = v1;
    o[3 * n1 + n] = std::max((eb - k * df[3 * n1 + n]) / r1 - (u1 * u1 + v1 * v1) / 2, 0.0f);
  }
  // The limiter's passes run on the four fields together, back and forth between out and the
  // spare arrays jdf(7..10); all new values of a pass come from the values before it.
  float* fields[4];
  float* spare[4];
  for (int f = 0; f < 4; ++f) {
    fields[f] = o + f * n1;
    spare[f] = df + (6 + f) * n1;
  }
  const GsCache& nb = gs_cache(s);
  for (int pass = 0; pass < limiter_passes; ++pass) {
    const bool forth = pass % 2 == 0;
    const float* const from[4] = {forth ? fields[0] : spare[0], forth ? fields[1] : spare[1],
                                  forth ? fields[2] : spare[2], forth ? fields[3] : spare[3]};
    float* const to[4] = {forth ? spare[0] : fields[0], forth ? spare[1] : fields[1],
                          forth ? spare[2] : fields[2], forth ? spare[3] : fields[3]};
    limit_pass<4>(nb, n1, from, to);
  }
  if (limiter_passes % 2 == 1) {
    for (int f = 0; f < 4; ++f) std::copy_n(spare[f], n1, fields[f]);
  }
  gsb(s, out);
  // The pressure by the gas law of the subregion that holds the node.
  const int32_t* node_last = ints(s, c.jn1);
  first = 0;
  for (int32_t sub = 0; sub < c.ntel; ++sub) {
    const int32_t end = range_end(node_last, sub, first, c.n1);
    const float gm1 = gam[sub] - 1;
    for (int64_t n = first; n < end; ++n) o[4 * n1 + n] = gm1 * o[n] * o[3 * n1 + n];
    first = end;
  }
}

void gsl1(Session& s, float ht) {
  if (rtmr(s, "gsl1")) return;
  const GsParm& p = parm(s);
  gsl10(s, ht / 2, p.jf[0], p.jf[0], p.jf0[0], kLimiterPasses);
  gsl10(s, ht, p.jf0[0], p.jf[0], p.jf0[0], kLimiterPasses);
}

void gssgl1(Session& s, int32_t f, int32_t g, int32_t wmax, int32_t wmin) {
  static_cast<void>(wmax);
  const int64_t n1 = s.cmesh.n1;
  // The old values go to wmin first, so that g may be f.
  float* old = reals(s, wmin);
  std::copy_n(reals(s, f), n1, old);
  const float* const from[1] = {old};
  float* const to[1] = {reals(s, g)};
  limit_pass<1>(gs_cache(s), n1, from, to);
}

}  // namespace tivor::gs
