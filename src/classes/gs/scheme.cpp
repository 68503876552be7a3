// GSL1, GSL10: the euler scheme of the gas-flow class. Each of its two stages forms, per
// element, the residuals of the inviscid conservation laws from the mean shape-function
// derivatives, adds an artificial viscosity scaled by the ratio of the residuals to the
// gradients, adds the thermal gravity term, updates the conserved quantities with the lumped
// masses and flattens the strict extrema of the new fields.
#include "classes/gs/scheme.hpp"

#include <algorithm>
#include <cstdint>

#include "classes/gs/element_residual.hpp"
#include "classes/gs/gs_internal.hpp"
#include "classes/gs/limiter.hpp"
#include "core/trace_hook.hpp"
#include "kernels/loop_hints.hpp"

namespace tivor::gs {
namespace {

// What the lumped update of a stage reads: the lumped masses, the base state (four consecutive
// fields), the nodal sums (records of four), the stage's input density and energy, the step, the
// gravity coefficient and the reference energy.
struct Update {
  const float *mass, *b, *df, *ro, *e;
  int64_t n1;
  float dt, tfz, e0;
};

// The update of the conserved quantities from the base state with the lumped masses, with the
// thermal gravity along z from the density and energy of the stage's input, into records of four
// values a node (records true) or four consecutive fields.
// std::max by value (b when a < b, else a): a select the compiler runs in vector registers.
inline float larger(float a, float b) {
  return a < b ? b : a;
}

template <bool gravity, bool records>
[[gnu::always_inline]] inline void lumped_update(const Update& a, float* o) noexcept {
  const int64_t n1 = a.n1;
  const float* b = a.b;
  const float* df = a.df;
  for (int64_t n = 0; n < n1; ++n) {
    const float k = a.mass[n] * a.dt;
    const float rb = larger(b[n], 1e-6f);
    const float mb = rb * b[n1 + n], qb = rb * b[2 * n1 + n];
    const float eb = rb * b[3 * n1 + n] + (mb * mb + qb * qb) / (2 * rb);
    float dq = df[4 * n + 2];
    if constexpr (gravity) dq += a.ro[n] * a.tfz * (a.e[n] - a.e0) / a.mass[n];
    const float r1 = larger(rb - k * df[4 * n], 1e-6f);
    const float u1 = (mb - k * df[4 * n + 1]) / r1;
    const float v1 = (qb - k * dq) / r1;
    const float e1 = larger((eb - k * df[4 * n + 3]) / r1 - (u1 * u1 + v1 * v1) / 2, 0.0f);
    if constexpr (records) {
      o[4 * n] = r1, o[4 * n + 1] = u1, o[4 * n + 2] = v1, o[4 * n + 3] = e1;
    } else {
      o[n] = r1, o[n1 + n] = u1, o[2 * n1 + n] = v1, o[3 * n1 + n] = e1;
    }
  }
}

TIVOR_CLONES void update_to_records(const Update& a, float* o) {
  a.tfz != 0.0f ? lumped_update<true, true>(a, o) : lumped_update<false, true>(a, o);
}

TIVOR_CLONES void update_to_fields(const Update& a, float* o) {
  a.tfz != 0.0f ? lumped_update<true, false>(a, o) : lumped_update<false, false>(a, o);
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
    element_sums(a, first, end, gam[sub], scales(p, gam[sub]), df, hmin_r, hmin_z);
    first = end;
  }
  // The lumped update, its new state into records of four values a node in jdf(7..10) when
  // limiter passes follow; the passes then run back and forth between those and the sums' place
  // jdf(1..4), the last one into out.
  const Update u{reals(s, c.jmm), reals(s, base), df, a.ro, a.e, n1, dt, p.tfz, p.fna[3]};
  float* o = reals(s, out);
  float* const rec[2] = {df + 6 * n1, df};
  if (limiter_passes > 0) {
    update_to_records(u, rec[0]);
  } else {
    update_to_fields(u, o);
  }
  const GsCache& nb = gs_cache(s);
  for (int pass = 0; pass < limiter_passes; ++pass) {
    const float* from = rec[pass % 2];
    if (pass + 1 < limiter_passes) {
      limit_records(nb, n1, from, rec[(pass + 1) % 2]);
    } else {
      limit_records_to_fields(nb, n1, from, o);
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

}  // namespace tivor::gs
