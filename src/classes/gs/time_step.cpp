// GSHT: the time step of the gas-flow class: a multiple of the stable step of the explicit
// scheme (convection with or without the sound speed, and diffusion), or a fixed step.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "classes/gs/gs_internal.hpp"
#include "core/trace_hook.hpp"
#include "kernels/loop_hints.hpp"

namespace tivor::gs {
namespace {

// What the stable step of the elements of one subregion reads.
struct StepView {
  const int32_t* conn;
  const float *dm, *hr, *hz, *ro, *u, *v, *pr;
  float g, nu;
  bool sound;  // the sound speed counts
};

constexpr int kBatch = 16;

// std::min and std::max by value: selects the compiler runs in vector registers.
inline float smaller(float a, float b) {
  return b < a ? b : a;
}
inline float larger(float a, float b) {
  return a < b ? b : a;
}

// The least stable step of elements [first, end) with K nodes (M node numbers an element): the
// time the flow, with the sound speed or without it, takes across the element in r and in z,
// and the time of diffusion across its smaller size. The elements go in batches: their means
// are gathered, then one loop makes their estimates in vector registers; the last batch repeats
// its first element.
template <int K, int M>
[[gnu::always_inline]] inline float least_step(const StepView& a, int32_t first,
                                               int32_t end) noexcept {
  float est = 1e18f;
  for (int32_t e0 = first; e0 < end; e0 += kBatch) {
    const int32_t nb = std::min(kBatch, end - e0);
    // The element means of the batch, gathered through the connectivity.
    float pe[kBatch], re[kBatch], ue[kBatch], ve[kBatch], hr[kBatch], hz[kBatch];
    for (int b = 0; b < kBatch; ++b) {
      const int64_t e = e0 + (b < nb ? b : 0);
      pe[b] = re[b] = ue[b] = ve[b] = 0;
      for (int i = 0; i < K; ++i) {
        const int32_t n = a.conn[e * M + i] - 1;
        const float w = a.dm[e * M + i];
        pe[b] += w * larger(a.pr[n], 1e-10f);
        re[b] += w * larger(a.ro[n], 0.001f);
        ue[b] += w * a.u[n];
        ve[b] += w * a.v[n];
      }
      hr[b] = a.hr[e], hz[b] = a.hz[e];
    }
    float x[kBatch];
    for (int b = 0; b < kBatch; ++b) {
      const float c = std::sqrt(std::abs(pe[b]) * a.g / (re[b] + kEpsilon) + kEpsilon);
      const float speed = a.sound ? c : 1e-6f;
      const float hmin = smaller(hr[b], hz[b]);
      x[b] = smaller(smaller(hz[b] / (std::abs(ve[b]) + speed), hr[b] / (std::abs(ue[b]) + speed)),
                     hmin * hmin / (2 * a.nu + kEpsilon));
    }
    for (int b = 0; b < kBatch; ++b) est = std::min(est, x[b]);
  }
  return est;
}

TIVOR_CLONES float triangle_step(const StepView& a, int32_t first, int32_t end) {
  return least_step<3, 3>(a, first, end);
}

TIVOR_CLONES float quad_triangle_step(const StepView& a, int32_t first, int32_t end) {
  return least_step<3, 4>(a, first, end);
}

TIVOR_CLONES float quad_step(const StepView& a, int32_t first, int32_t end) {
  return least_step<4, 4>(a, first, end);
}

}  // namespace

void gsht(Session& s, bool viscous_limit) {
  if (rtmr(s, "gsht")) return;
  const GsParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  Cht& h = s.cht;
  // cur > 1: cur - 1 times the step of the flow speed alone (the sound speed left out); up to
  // and including 1 the sound speed counts, so that cur = 1 is the whole stable step.
  const bool sound = h.cur <= 1.0f;
  float factor = h.cur > 1.0f ? h.cur - 1.0f : h.cur;
  if (std::abs(factor) < 1e-6f) factor = 0.4f;
  const int32_t m = c.m, n1 = c.n1;
  const int32_t* last = ints(s, c.jn2);
  const float* gam = reals(s, p.jgam);
  const float* mu0 = reals(s, p.jmu0);
  const float* kk0 = reals(s, p.jkk0);
  const float* f = reals(s, p.jf[0]);
  StepView a{ints(s, c.jj1),
             reals(s, c.jdm),
             reals(s, c.jhr),
             reals(s, c.jhz),
             f + kRo * int64_t{n1},
             f + kU * int64_t{n1},
             f + kV * int64_t{n1},
             f + kP * int64_t{n1},
             0,
             0,
             false};
  float est = 1e18f;
  int32_t first = 0;
  for (int32_t sub = 0; sub < c.ntel; ++sub) {
    const int32_t end = range_end(last, sub, first, c.n2);
    a.nu = viscous_limit ? std::max({mu0[sub], kk0[sub], 1e-18f}) : 1e-18f;
    a.g = gam[sub];
    a.sound = a.g >= 0 && sound;
    for_each_run(a.conn, m, first, end, [&](int32_t e, int32_t next, bool tri) {
      const float run = m == 3 ? triangle_step(a, e, next)
                        : tri  ? quad_triangle_step(a, e, next)
                               : quad_step(a, e, next);
      est = std::min(est, run);
    });
    first = end;
  }
  h.hist.htdyn = est;
  h.ht = factor < 0 ? std::abs(factor) : est * factor;
  static_cast<void>(rtmr(s, "gsht-end"));
}

}  // namespace tivor::gs
