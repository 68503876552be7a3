// GSL1, GSL10, GSSGL1: the euler scheme of the gas-flow class. Each of its two stages forms, per
// element, the residuals of the inviscid conservation laws from the mean shape-function
// derivatives, adds an artificial viscosity scaled by the ratio of the residuals to the
// gradients, adds the thermal gravity term, updates the conserved quantities with the lumped
// masses and flattens the strict extrema of the new fields.
#include "classes/gs/scheme.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

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

// Four values as one vector (the vector extension of GCC and clang): the record of one node.
using Quad = float __attribute__((vector_size(16)));

inline Quad load_quad(const float* p) {
  Quad q;
  std::memcpy(&q, p, sizeof q);
  return q;
}

// Elements of one batch of the element loop.
constexpr int kBatch = 16;

// The values of a batch of elements with K nodes (M node numbers an element in the mesh),
// arranged by local node so that the arithmetic runs over the batch in vector registers.
template <int K, int M>
struct Batch {
  alignas(64) float ro[K][kBatch], u[K][kBatch], v[K][kBatch], e[K][kBatch];
  alignas(64) float d1[K][kBatch], d2[K][kBatch], hoop[kBatch], vol[kBatch];
  alignas(64) float add[K][4][kBatch];  // the element's contributions to its nodes' sums
  // The same as records of four values, element b of local node i at rec[i][b % 4][b / 4].
  alignas(64) float rec[K][4][kBatch / 4][4];

  // add to rec by 4 by 4 transpositions within each quarter of the batch.
  void transpose() {
    using Hex = float __attribute__((vector_size(64)));
    static_assert(kBatch == 16);
    for (int i = 0; i < K; ++i) {
      Hex r[4];
      std::memcpy(r, add[i], sizeof r);
      const Hex t0 = __builtin_shufflevector(r[0], r[1], 0, 16, 1, 17, 4, 20, 5, 21, 8, 24, 9, 25,
                                             12, 28, 13, 29);
      const Hex t1 = __builtin_shufflevector(r[0], r[1], 2, 18, 3, 19, 6, 22, 7, 23, 10, 26, 11, 27,
                                             14, 30, 15, 31);
      const Hex t2 = __builtin_shufflevector(r[2], r[3], 0, 16, 1, 17, 4, 20, 5, 21, 8, 24, 9, 25,
                                             12, 28, 13, 29);
      const Hex t3 = __builtin_shufflevector(r[2], r[3], 2, 18, 3, 19, 6, 22, 7, 23, 10, 26, 11, 27,
                                             14, 30, 15, 31);
      const Hex u[4] = {
          __builtin_shufflevector(t0, t2, 0, 1, 16, 17, 4, 5, 20, 21, 8, 9, 24, 25, 12, 13, 28, 29),
          __builtin_shufflevector(t0, t2, 2, 3, 18, 19, 6, 7, 22, 23, 10, 11, 26, 27, 14, 15, 30,
                                  31),
          __builtin_shufflevector(t1, t3, 0, 1, 16, 17, 4, 5, 20, 21, 8, 9, 24, 25, 12, 13, 28, 29),
          __builtin_shufflevector(t1, t3, 2, 3, 18, 19, 6, 7, 22, 23, 10, 11, 26, 27, 14, 15, 30,
                                  31)};
      std::memcpy(rec[i], u, sizeof u);
    }
  }
  int32_t node[kBatch][K];

  // Element el into place b.
  void take_nodes(const StageView& a, int64_t el, int b) {
    for (int i = 0; i < K; ++i) node[b][i] = a.conn[el * M + i] - 1;
  }
  void take_values(const StageView& a, int64_t el, int b, float w) {
    for (int i = 0; i < K; ++i) {
      const int32_t n = node[b][i];
      ro[i][b] = a.ro[n];
      u[i][b] = a.u[n];
      v[i][b] = a.v[n];
      e[i][b] = a.e[n];
      d1[i][b] = a.d1[el * M + i];
      d2[i][b] = a.d2[el * M + i];
    }
    hoop[b] = a.rmin1[el] * w;
    vol[b] = a.vol[el];
  }
  // Elements [e0, e0 + nb) into places [0, nb); the places after them get harmless values whose
  // results are never added.
  void take(const StageView& a, int64_t e0, int nb, float w) {
    if (nb == kBatch) {
      // Fixed trip counts: the compiler gathers with vector instructions.
      for (int b = 0; b < kBatch; ++b) take_nodes(a, e0 + b, b);
      for (int b = 0; b < kBatch; ++b) take_values(a, e0 + b, b, w);
      return;
    }
    for (int b = 0; b < nb; ++b) {
      // The empty statement hides b from the vectoriser, which gains nothing on this short loop
      // and, in GCC 12, fails on it with an internal error.
      asm("" : "+r"(b));
      take_nodes(a, e0 + b, b);
      take_values(a, e0 + b, b, w);
    }
    for (int b = nb; b < kBatch; ++b) {
      for (int i = 0; i < K; ++i) ro[i][b] = u[i][b] = v[i][b] = e[i][b] = d1[i][b] = d2[i][b] = 0;
      hoop[b] = vol[b] = 0;
    }
  }
};

// Step 3 of a stage for the elements [first, end) of one subregion: residuals and viscous
// fluxes added to the nodal sums (records of four values a node in sums), the smallest element
// sizes around each node into hmin_r, hmin_z (when sizes is true). The elements go in batches:
// their node values are gathered, the arithmetic runs over the batch as one loop the compiler turns
// into vector instructions (square root and division included), and the contributions are added to
// the nodes element by element, so that every nodal sum keeps its order.
template <int K, int M, bool sizes>
void element_sums(const StageView& a, int32_t first, int32_t end, float g, const Scales& sc,
                  float* sums, float* hmin_r, float* hmin_z) {
  const float gm1 = g - 1;
  const float sonic = g * gm1;
  const float w = 1.0f / K;
  const float inv[4] = {sc.inv_ro, sc.inv_mom, sc.inv_mom, sc.inv_en};
  const float res_ro = sc.inv_ro * sc.inv_ro, res_mom = sc.inv_mom * sc.inv_mom;
  const float res_en = sc.inv_en * sc.inv_en;
  Batch<K, M> t;
  const auto& ro = t.ro;
  const auto& u = t.u;
  const auto& vv = t.v;
  const auto& en = t.e;
  const auto& d1 = t.d1;
  const auto& d2 = t.d2;
  auto& cmu = t.add;
  for (int32_t e0 = first; e0 < end; e0 += kBatch) {
    const int nb = std::min(kBatch, end - e0);
    t.take(a, e0, nb, w);
    for (int b = 0; b < kBatch; ++b) {
      float mm[K], qq[K], ee[K], pp[K], r[K];
      for (int i = 0; i < K; ++i) {
        r[i] = std::max(ro[i][b], 1e-6f);
        pp[i] = gm1 * r[i] * en[i][b];
        mm[i] = r[i] * u[i][b];
        qq[i] = r[i] * vv[i][b];
        ee[i] = r[i] * ((u[i][b] * u[i][b] + vv[i][b] * vv[i][b]) / 2 + en[i][b]);
      }
      float div = 0, r_ro = 0, r_m = 0, r_q = 0, r_en = 0;
      float gr[4] = {0, 0, 0, 0}, gz[4] = {0, 0, 0, 0};
      float ub = 0, vb = 0, eb = 0;
      float h_ro = 0, h_m = 0, h_q = 0, h_en = 0;
      for (int i = 0; i < K; ++i) {
        const float a1 = d1[i][b], a2 = d2[i][b];
        const float flow = a1 * u[i][b] + a2 * vv[i][b];
        div += flow;
        r_ro += a1 * mm[i] + a2 * qq[i];
        r_m += a1 * (mm[i] * u[i][b] + pp[i]) + a2 * mm[i] * vv[i][b];
        r_q += a1 * mm[i] * vv[i][b] + a2 * (qq[i] * vv[i][b] + pp[i]);
        r_en += (ee[i] + pp[i]) * flow;
        gr[0] += a1 * r[i], gz[0] += a2 * r[i];
        gr[1] += a1 * mm[i], gz[1] += a2 * mm[i];
        gr[2] += a1 * qq[i], gz[2] += a2 * qq[i];
        gr[3] += a1 * ee[i], gz[3] += a2 * ee[i];
        ub += u[i][b], vb += vv[i][b], eb += en[i][b];
        h_ro += mm[i], h_m += mm[i] * u[i][b], h_q += mm[i] * vv[i][b];
        h_en += (ee[i] + pp[i]) * u[i][b];
      }
      ub *= w, vb *= w, eb *= w;
      // In an axisymmetric task the divergence of a flux F in the meridian plane has the part
      // F_r / r besides the plane one; 1/r is 0 in a plane task.
      r_ro += t.hoop[b] * h_ro;
      r_m += t.hoop[b] * h_m;
      r_q += t.hoop[b] * h_q;
      r_en += t.hoop[b] * h_en;
      const float kv = (div > 0 || ub * ub + vb * vb < sonic * eb) ? 0.6f : 0.4f;
      const float res =
          w * (r_ro * r_ro * res_ro + (r_m * r_m + r_q * r_q) * res_mom + r_en * r_en * res_en);
      float grad = 0, gi[K][4];
      for (int i = 0; i < K; ++i) {
        for (int f = 0; f < 4; ++f) {
          gi[i][f] = d1[i][b] * gr[f] + d2[i][b] * gz[f];
          const float x = gi[i][f] * inv[f];
          grad += x * x;
        }
      }
      const float mu = kv * std::sqrt(res / std::max(grad, 1e-10f) + 1e-10f) * t.vol[b];
      const float wv = w * t.vol[b];
      const float wr[4] = {wv * r_ro, wv * r_m, wv * r_q, wv * r_en};
      for (int i = 0; i < K; ++i) {
        for (int f = 0; f < 4; ++f) cmu[i][f][b] = wr[f] + mu * gi[i][f];
      }
    }
    t.transpose();
    for (int b = 0; b < nb; ++b) {
      const int64_t e = e0 + b;
      for (int i = 0; i < K; ++i) {
        const int32_t n = t.node[b][i];
        if constexpr (sizes) {
          hmin_r[n] = std::min(hmin_r[n], a.hr[e]);
          hmin_z[n] = std::min(hmin_z[n], a.hz[e]);
        }
        const Quad sum = load_quad(sums + 4 * int64_t{n}) + load_quad(t.rec[i][b % 4][b / 4]);
        std::memcpy(sums + 4 * int64_t{n}, &sum, sizeof sum);
      }
    }
  }
}

// The test of one node against the range [lo, hi] of its neighbours: a strict extremum is pulled a
// quarter of the way to the middle of the range. A node of no element (lo > hi) keeps its value.
inline float limited(float x, float lo, float hi) {
  const bool strict = (x < lo || x > hi) && lo <= hi;
  return strict ? 0.75f * x + 0.125f * (lo + hi) : x;
}

// One pass of the extremum limiter of one field, from src into dst (never the same array): each
// node compares its value with the range of its neighbours along the element outlines (the
// diagonal of a quadrilateral is not an outline edge).
void limit_pass(const GsCache& nb, int64_t n1, const float* src, float* dst) {
  const int32_t* start = nb.start.data();
  const int32_t* next = nb.next.data();
  for (int64_t n = 0; n < n1; ++n) {
    float lo = 1e18f, hi = -1e18f;
    for (int32_t j = start[n]; j < start[n + 1]; ++j) {
      const float w = src[next[j]];
      lo = w < lo ? w : lo;
      hi = w > hi ? w : hi;
    }
    dst[n] = limited(src[n], lo, hi);
  }
}

// The same pass on the four fields ro, u, v, e held as one record of four values a node. The nodes
// go in batches of four, whose records make one 16-wide vector: the neighbours of a batch come
// slot by slot, the k-th neighbours of its four nodes as one vector, so that the ranges of four
// nodes take one minimum and one maximum a slot. The nodes after the last whole batch take their
// neighbours one by one. The result goes to records (split false) or to four separate arrays dst,
// dst + n1, ... (split true).
template <bool split>
void limit_records(const GsCache& nb, int64_t n1, const float* __restrict src,
                   float* __restrict dst) {
  using Hex = float __attribute__((vector_size(64)));
  using Oct = float __attribute__((vector_size(32)));
  static_assert(GsCache::kNodeBatch == 4);
  const int32_t* bstart = nb.batch_start.data();
  const int32_t* bnext = nb.batch_next.data();
  const Hex big = {1e18f, 1e18f, 1e18f, 1e18f, 1e18f, 1e18f, 1e18f, 1e18f,
                   1e18f, 1e18f, 1e18f, 1e18f, 1e18f, 1e18f, 1e18f, 1e18f};
  const int64_t batches = n1 / 4;
  for (int64_t g = 0; g < batches; ++g) {
    Hex lo = big, hi = -big;
    const int32_t* k_end = bnext + 4 * int64_t{bstart[g + 1]};
    for (const int32_t* k = bnext + 4 * int64_t{bstart[g]}; k < k_end; k += 4) {
      const Oct w01 = __builtin_shufflevector(load_quad(src + k[0]), load_quad(src + k[1]), 0, 1, 2,
                                              3, 4, 5, 6, 7);
      const Oct w23 = __builtin_shufflevector(load_quad(src + k[2]), load_quad(src + k[3]), 0, 1, 2,
                                              3, 4, 5, 6, 7);
      const Hex w =
          __builtin_shufflevector(w01, w23, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
      lo = w < lo ? w : lo;
      hi = w > hi ? w : hi;
    }
    Hex x;
    std::memcpy(&x, src + 16 * g, sizeof x);
    // limited() on sixteen values at once, without branches.
    const auto strict = ((x < lo) | (x > hi)) & (lo <= hi);
    const Hex out = strict ? 0.75f * x + 0.125f * (lo + hi) : x;
    if constexpr (split) {
      // Four nodes' records to four values of each field.
      const Quad f0 = __builtin_shufflevector(out, out, 0, 4, 8, 12);
      const Quad f1 = __builtin_shufflevector(out, out, 1, 5, 9, 13);
      const Quad f2 = __builtin_shufflevector(out, out, 2, 6, 10, 14);
      const Quad f3 = __builtin_shufflevector(out, out, 3, 7, 11, 15);
      std::memcpy(dst + 4 * g, &f0, sizeof f0);
      std::memcpy(dst + n1 + 4 * g, &f1, sizeof f1);
      std::memcpy(dst + 2 * n1 + 4 * g, &f2, sizeof f2);
      std::memcpy(dst + 3 * n1 + 4 * g, &f3, sizeof f3);
    } else {
      std::memcpy(dst + 16 * g, &out, sizeof out);
    }
  }
  const int32_t* start = nb.start.data();
  const int32_t* next = nb.next.data();
  const Quad big4 = {1e18f, 1e18f, 1e18f, 1e18f};
  for (int64_t n = 4 * batches; n < n1; ++n) {
    Quad lo = big4, hi = -big4;
    for (int32_t j = start[n]; j < start[n + 1]; ++j) {
      const Quad w = load_quad(src + 4 * int64_t{next[j]});
      lo = w < lo ? w : lo;
      hi = w > hi ? w : hi;
    }
    const Quad x = load_quad(src + 4 * n);
    const auto strict = ((x < lo) | (x > hi)) & (lo <= hi);
    const Quad out = strict ? 0.75f * x + 0.125f * (lo + hi) : x;
    if constexpr (split) {
      for (int f = 0; f < 4; ++f) dst[f * n1 + n] = out[f];
    } else {
      std::memcpy(dst + 4 * n, &out, sizeof out);
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

void gsl10(Session& s, float dt, int32_t in, int32_t base, int32_t out, int limiter_passes,
           bool sizes) {
  if (rtmr(s, "gsl10")) return;
  GsParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  const int64_t n1 = c.n1;
  gsb(s, p.jf[0]);
  float* df = reals(s, p.jdf[0]);
  std::fill_n(df, 4 * n1, 0.0f);
  if (sizes) std::fill_n(df + 4 * n1, 2 * n1, 1e18f);
  float* const hmin_r = sizes ? df + 4 * n1 : nullptr;
  float* const hmin_z = sizes ? df + 5 * n1 : nullptr;
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
      const bool tri = c.m == 3 || corners(a.conn + int64_t{e} * c.m, c.m) == 3;
      int32_t run = c.m == 3 ? end : e + 1;
      while (run < end && (corners(a.conn + int64_t{run} * c.m, c.m) == 3) == tri) ++run;
      // The loops for a quadrilateral mesh and for one of triangles, with and without sizes.
      using Loop = void (*)(const StageView&, int32_t, int32_t, float, const Scales&, float*,
                            float*, float*);
      const Loop loops[2][3] = {
          {element_sums<3, 3, false>, element_sums<3, 4, false>, element_sums<4, 4, false>},
          {element_sums<3, 3, true>, element_sums<3, 4, true>, element_sums<4, 4, true>}};
      loops[sizes][c.m == 3 ? 0 : tri ? 1 : 2](a, e, run, gam[sub], sc, df, hmin_r, hmin_z);
      e = run;
    }
    first = end;
  }
  const float* mass = reals(s, c.jmm);
  // The lumped update of the conserved quantities from the base state, with the thermal gravity
  // along z from the density and energy of the stage's input. With limiter passes to follow,
  // the new state goes to records of four values a node in jdf(7..10); the passes then run back
  // and forth between those and the sums' place jdf(1..4), the last one into out.
  const float* b = reals(s, base);
  float* o = reals(s, out);
  float* const rec[2] = {df + 6 * n1, df};
  const float tfz = p.tfz, e0 = p.fna[3];
  for (int64_t n = 0; n < n1; ++n) {
    const float k = mass[n] * dt;
    const float rb = std::max(b[n], 1e-6f);
    const float mb = rb * b[n1 + n], qb = rb * b[2 * n1 + n];
    const float eb = rb * b[3 * n1 + n] + (mb * mb + qb * qb) / (2 * rb);
    float dq = df[4 * n + 2];
    if (tfz != 0.0f) dq += a.ro[n] * tfz * (a.e[n] - e0) / mass[n];
    const float r1 = std::max(rb - k * df[4 * n], 1e-6f);
    const float u1 = (mb - k * df[4 * n + 1]) / r1;
    const float v1 = (qb - k * dq) / r1;
    const float e1 = std::max((eb - k * df[4 * n + 3]) / r1 - (u1 * u1 + v1 * v1) / 2, 0.0f);
    if (limiter_passes > 0) {
      float* r = rec[0] + 4 * n;
      r[0] = r1, r[1] = u1, r[2] = v1, r[3] = e1;
    } else {
      o[n] = r1, o[n1 + n] = u1, o[2 * n1 + n] = v1, o[3 * n1 + n] = e1;
    }
  }
  const GsCache& nb = gs_cache(s);
  for (int pass = 0; pass < limiter_passes; ++pass) {
    const float* from = rec[pass % 2];
    if (pass + 1 < limiter_passes) {
      limit_records<false>(nb, n1, from, rec[(pass + 1) % 2]);
    } else {
      limit_records<true>(nb, n1, from, o);
    }
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
  // The element sizes around the nodes are those the first stage found on the same mesh.
  gsl10(s, ht, p.jf0[0], p.jf[0], p.jf0[0], kLimiterPasses, false);
}

void gssgl1(Session& s, int32_t f, int32_t g, int32_t wmax, int32_t wmin) {
  static_cast<void>(wmax);
  const int64_t n1 = s.cmesh.n1;
  // The old values go to wmin first, so that g may be f.
  float* old = reals(s, wmin);
  std::copy_n(reals(s, f), n1, old);
  limit_pass(gs_cache(s), n1, old, reals(s, g));
}

}  // namespace tivor::gs
