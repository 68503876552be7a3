// DICON: one backward-Euler step of both concentrations, solved by conjugate gradients written
// into the scheme (lumped mass, linear triangles, cross diffusion from the old time level).
//
// The implicit operator M/ht + K_diag does not couple the components, so each component that is
// on runs its own iteration (its own step lengths and its own stopping test) in lockstep with the
// other: one element pass serves both while both iterate, and a component that has converged, or
// is switched off, costs nothing. The stopping tests are relative, so that the same physics gives
// the same answer in any unit and at any size of the values.
#include <algorithm>
#include <cmath>

#include "classes/dif/dif_internal.hpp"
#include "classes/dif/element_loops.hpp"
#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "kernels/kernels.hpp"

namespace tivor::dif {
namespace {

constexpr float kTiny = 1e-18f;
constexpr int kProgressEvery = 50;
// A component has converged when rho (the residual squared in the preconditioner's measure) is
// below kRelTol times its reference, or when the squared step is below kRelTol times the
// squared solution: residual and step 1e-10 of their scale, below single-precision rounding.
constexpr double kRelTol = 1e-20;

// Three running sums of the solver in double.
struct Sums {
  double a = 0.0, b = 0.0, c = 0.0;
};

// Calls body(i, sums) for i in [0, n) and returns the sums. Four partial sums taken in turn let
// consecutive additions, each waiting for the one before in a single sum, overlap.
template <class F>
Sums sum_over(int32_t n, F&& body) {
  Sums part[4];
  int32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    for (int j = 0; j < 4; ++j) body(i + j, part[j]);
  }
  for (; i < n; ++i) body(i, part[0]);
  return {(part[0].a + part[1].a) + (part[2].a + part[3].a),
          (part[0].b + part[1].b) + (part[2].b + part[3].b),
          (part[0].c + part[1].c) + (part[2].c + part[3].c)};
}

// R += K v for the rows of the components in rows (at least one); cross terms only when kCross.
template <bool kCross>
void apply_stiffness(const Session& s, const Elements& el, const bool (&rows)[2], const float* v1,
                     const float* v2, float* r) {
  const int32_t n1 = s.cmesh.n1;
  const float* dcoef = reals(s, s.cparm.dif.jdiffc);
  el.for_subregions([&](int32_t sub, int32_t first, int32_t end) {
    const float d[4] = {dcoef[4 * sub], dcoef[4 * sub + 1], dcoef[4 * sub + 2], dcoef[4 * sub + 3]};
    if (rows[0] && rows[1]) {
      stiffness2<true, true, kCross>(el, first, end, d, v1, v2, r, r + n1);
    } else if (rows[0]) {
      stiffness2<true, false, kCross>(el, first, end, d, v1, v2, r, r + n1);
    } else {
      stiffness2<false, true, kCross>(el, first, end, d, v1, v2, r, r + n1);
    }
  });
}

int ill_conditions(Session& s) {
  return flag_on(s, " dicon:ill conditions");
}

}  // namespace

bool task_arrays_ok(const Session& s) {
  const Cmesh& c = s.cmesh;
  const DifParm& p = s.cparm.dif;
  const int64_t n1 = c.n1, n2 = c.n2, n3 = c.n3;
  if (c.m != 3 || n1 < 1 || n2 < 1 || n3 < 0 || c.ntel < 1) return false;
  bool ok = int_array_ok(s, c.jj1, 3 * n2) && int_array_ok(s, c.jj2, 2 * n3) &&
            int_array_ok(s, c.jn2, c.ntel) && real_array_ok(s, c.jsss, n2) &&
            real_array_ok(s, c.jhr, n2) && real_array_ok(s, c.jhz, n2) &&
            real_array_ok(s, c.jmm, n1) && real_array_ok(s, p.jdiffc, 4 * int64_t{c.ntel}) &&
            real_array_ok(s, p.jf[0], 2 * n1) && p.jf[1] == p.jf[0] + n1 &&
            real_array_ok(s, p.jf0[0], 2 * n1) && p.jf0[1] == p.jf0[0] + n1 &&
            real_array_ok(s, p.jdf[0], 10 * n1) && p.jdf[9] == p.jdf[0] + 9 * n1;
  for (int k = 0; k < 3 && ok; ++k) {
    ok = real_array_ok(s, c.jdr[k], n2) && real_array_ok(s, c.jdz[k], n2);
  }
  for (int i = 0; i < 2 && ok; ++i) {
    ok = int_array_ok(s, p.jy[i], n3) && real_array_ok(s, p.jfg[i], n3);
  }
  if (!ok) return false;
  const int32_t* conn = ints(s, c.jj1);
  for (int64_t k = 0; k < 3 * n2; ++k) {
    if (conn[k] == 0 || std::abs(conn[k]) > n1) return false;
  }
  const int32_t* b = ints(s, c.jj2);
  for (int64_t k = 0; k < 2 * n3; ++k) {
    if (std::abs(b[k]) > n1) return false;
  }
  return true;
}

int dicon(Session& s) {
  if (rtmr(s, "dicon") || flag_tst(s)) return 1;
  DifParm& p = parm(s);
  const bool on[2] = {p.iconc1 != 0, p.iconc2 != 0};
  if (!on[0] && !on[1]) return 0;
  const Cmesh& c = s.cmesh;
  if (!task_arrays_ok(s)) return flag_on(s, " dicon:task arrays lie outside the pools");
  const int32_t n1 = c.n1;
  const float ht = s.cht.ht;
  const float inv_ht = 1.0f / ht;
  const float t_new = s.cht.t + ht;

  // Vectors of 2 n1 values, the c1 part then the c2 part; only the parts of the components that
  // are on are touched.
  float* conc = reals(s, p.jf[0]);
  float* x = reals(s, p.jf0[0]);
  float* r = reals(s, p.jdf[0]);
  float* dg = reals(s, p.jdf[2]);
  float* g = reals(s, p.jdf[4]);
  float* z = reals(s, p.jdf[6]);
  float* dir = reals(s, p.jdf[8]);
  const float* minv = reals(s, c.jmm);
  const float fc[2] = {p.fc1, p.fc2};
  const auto part = [n1](int ic) { return int64_t{ic} * n1; };

  // The start value: the old field with the prescribed values written in.
  for (int ic = 0; ic < 2; ++ic) {
    if (!on[ic]) continue;
    std::copy_n(conc + part(ic), n1, x + part(ic));
    bou1(s, c.jj2, c.n3, p.jf0[ic], p.jfg[ic], p.jy[ic], 1);
    std::fill_n(r + part(ic), n1, 0.0f);
    std::fill_n(dg + part(ic), n1, 0.0f);
  }
  // A failed step leaves the field and the start value as they were before it.
  const auto fail_nonfinite = [&](int ic, int64_t node) {
    for (int k = 0; k < 2; ++k) {
      if (on[k]) std::copy_n(conc + part(k), n1, x + part(k));
    }
    return nonfinite(s, "dicon", ic + 1, node, t_new);
  };
  // The first node where the iteration of component ic holds a value that is not finite.
  const auto find_nonfinite = [&](int ic) {
    for (const float* v : {x, r, g, dir}) {
      const int64_t i = first_nonfinite(v + part(ic), n1);
      if (i >= 0) return i;
    }
    return int64_t{0};
  };

  // The preconditioner: the inverse of the diagonal of M/ht + K. The reference of each
  // component's stopping test starts as the start value squared in the measure of that diagonal
  // (x^T diag x), which grows with the values and the unit as rho does.
  const Elements el(s);
  const float* dcoef = reals(s, p.jdiffc);
  el.for_subregions([&](int32_t sub, int32_t first, int32_t end) {
    if (on[0]) stiffness_diagonal(el, first, end, std::abs(dcoef[4 * sub]) + kTiny, dg);
    if (on[1]) stiffness_diagonal(el, first, end, std::abs(dcoef[4 * sub + 3]) + kTiny, dg + n1);
  });
  double ref[2] = {0.0, 0.0};
  for (int ic = 0; ic < 2; ++ic) {
    if (!on[ic]) continue;
    float* dgc = dg + part(ic);
    const float* xc = x + part(ic);
    float* rc = r + part(ic);
    ref[ic] = sum_over(n1, [&](int32_t i, Sums& sum) {
                const float mht = minv[i] * ht;
                const float inv = mht / (dgc[i] * mht + 1.0f);
                dgc[i] = inv;
                sum.a += double{xc[i]} * xc[i] / inv;
                rc[i] += fc[ic] / minv[i];
              }).a;
  }

  // it = 0: the residual of the old field, cross diffusion included (a component that is off
  // still drives the other through its fixed values). Each later product of the operator starts
  // from its mass term M/ht P, written in the pass that makes P.
  apply_stiffness<true>(s, el, on, on[0] ? x : conc, on[1] ? x + n1 : conc + n1, r);
  double rho[2] = {0.0, 0.0};
  bool live[2] = {false, false};
  for (int ic = 0; ic < 2; ++ic) {
    if (!on[ic]) continue;
    const int64_t o = part(ic);
    clear_prescribed(ints(s, c.jj2), c.n3, ints(s, p.jy[ic]), r + o);
    rho[ic] = sum_over(n1, [&](int32_t i, Sums& sum) {
                const int64_t k = o + i;
                g[k] = -r[k];
                z[k] = dg[k] * g[k];
                dir[k] = z[k];
                sum.a += double{z[k]} * g[k];
                r[k] = dir[k] * inv_ht / minv[i];
              }).a;
    if (!std::isfinite(rho[ic]) || !std::isfinite(ref[ic])) {
      return fail_nonfinite(ic, find_nonfinite(ic));
    }
    ref[ic] += rho[ic];
    live[ic] = rho[ic] > kRelTol * ref[ic];
  }
  cj_warning(s, " dicon:", 0, static_cast<float>(rho[0] + rho[1]),
             static_cast<float>(kRelTol * (ref[0] + ref[1])));

  for (int it = 1; live[0] || live[1]; ++it) {
    if (it > 4 * n1) return ill_conditions(s);
    apply_stiffness<false>(s, el, live, dir, dir + n1, r);
    double shown_step2 = 0.0;
    bool done[2] = {false, false};
    for (int ic = 0; ic < 2; ++ic) {
      if (!live[ic]) continue;
      const int64_t o = part(ic);
      clear_prescribed(ints(s, c.jj2), c.n3, ints(s, p.jy[ic]), r + o);
      const double sigma =
          sum_over(n1, [&](int32_t i, Sums& sum) { sum.a += double{dir[o + i]} * r[o + i]; }).a;
      if (!std::isfinite(sigma)) return fail_nonfinite(ic, find_nonfinite(ic));
      // The operator is positive definite (the factors are checked at input), so sigma > 0
      // while the residual is not yet zero.
      if (!(sigma > 0)) return ill_conditions(s);
      const float alpha = static_cast<float>(rho[ic] / sigma);
      const Sums upd = sum_over(n1, [&](int32_t i, Sums& sum) {
        const int64_t k = o + i;
        const float dx = alpha * dir[k];
        g[k] -= alpha * r[k];
        x[k] += dx;
        sum.b += double{dx} * dx;
        sum.c += double{x[k]} * x[k];
        z[k] = g[k] * dg[k];
        sum.a += double{z[k]} * g[k];
      });
      if (!std::isfinite(upd.a) || !std::isfinite(upd.c)) {
        return fail_nonfinite(ic, find_nonfinite(ic));
      }
      const double rho_old = rho[ic];
      rho[ic] = upd.a;
      shown_step2 += upd.b;
      done[ic] = rho[ic] <= kRelTol * ref[ic] || upd.b <= kRelTol * upd.c;
      if (!done[ic]) {
        const float beta = static_cast<float>(rho[ic] / rho_old);
        for (int32_t i = 0; i < n1; ++i) {
          dir[o + i] = beta * dir[o + i] + z[o + i];
          r[o + i] = dir[o + i] * inv_ht / minv[i];
        }
      }
    }
    if (it % kProgressEvery == 0) {
      cj_warning(s, " dicon:", it, static_cast<float>(rho[0] + rho[1]),
                 static_cast<float>(shown_step2));
    }
    if (a_interrupt(s)) return 1;
    for (int ic = 0; ic < 2; ++ic) live[ic] = live[ic] && !done[ic];
  }

  // The new field replaces the old one only when every value of it is finite.
  for (int ic = 0; ic < 2; ++ic) {
    if (!on[ic]) continue;
    const int64_t i = first_nonfinite(x + part(ic), n1);
    if (i >= 0) return fail_nonfinite(ic, i);
  }
  for (int ic = 0; ic < 2; ++ic) {
    if (on[ic]) std::copy_n(x + part(ic), n1, conc + part(ic));
  }
  return rtmr(s, "dicon-end");
}

}  // namespace tivor::dif
