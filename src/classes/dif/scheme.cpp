// DICON: one backward-Euler step of both concentrations, solved by conjugate gradients written
// into the scheme (lumped mass, linear triangles, cross diffusion from the old time level).
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

// Rows that do not take part in the solve: prescribed boundary nodes, and every node of a
// component whose equation is switched off (it keeps its values).
void fix_rows(const Session& s, float* r) {
  const DifParm& p = s.cparm.dif;
  const Cmesh& c = s.cmesh;
  const int32_t n1 = c.n1;
  const int32_t on[2] = {p.iconc1, p.iconc2};
  for (int ic = 0; ic < 2; ++ic) {
    float* rc = r + int64_t{ic} * n1;
    if (on[ic] == 0) {
      std::fill_n(rc, n1, 0.0f);
    } else {
      clear_prescribed(ints(s, c.jj2), c.n3, ints(s, p.jy[ic]), rc);
    }
  }
}

// R += K v over both components; cross terms only when kCross.
template <bool kCross>
void apply_stiffness(const Session& s, const Elements& el, const float* v, float* r) {
  const int32_t n1 = s.cmesh.n1;
  const float* dcoef = reals(s, s.cparm.dif.jdiffc);
  el.for_subregions([&](int32_t sub, int32_t first, int32_t end) {
    const float d[4] = {dcoef[4 * sub], dcoef[4 * sub + 1], dcoef[4 * sub + 2], dcoef[4 * sub + 3]};
    stiffness2<kCross>(el, first, end, d, v, v + n1, r, r + n1);
  });
}

// Two running sums of the solver in double.
struct Sums {
  double a = 0.0, b = 0.0;
};

// Calls body(k, i, sums) for every value k of a two-component vector (i the node of k) and
// returns the sums. Four partial sums taken in turn let consecutive additions, each waiting
// for the one before in a single sum, overlap.
template <class F>
Sums sum_per_component(int32_t n1, F&& body) {
  Sums part[4];
  for (int ic = 0; ic < 2; ++ic) {
    const int64_t off = int64_t{ic} * n1;
    int32_t i = 0;
    for (; i + 4 <= n1; i += 4) {
      for (int j = 0; j < 4; ++j) body(off + i + j, i + j, part[j]);
    }
    for (; i < n1; ++i) body(off + i, i, part[0]);
  }
  return {(part[0].a + part[1].a) + (part[2].a + part[3].a),
          (part[0].b + part[1].b) + (part[2].b + part[3].b)};
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
  if (p.iconc1 + p.iconc2 == 0) return 0;
  const Cmesh& c = s.cmesh;
  if (!task_arrays_ok(s)) return flag_on(s, " dicon:task arrays lie outside the pools");
  const int32_t n1 = c.n1;
  const int64_t n = 2 * int64_t{n1};
  const float ht = s.cht.ht;

  bou1(s, c.jj2, c.n3, p.jf[0], p.jfg[0], p.jy[0], 1);
  bou1(s, c.jj2, c.n3, p.jf[1], p.jfg[1], p.jy[1], 1);
  float* conc = reals(s, p.jf[0]);
  float* x = reals(s, p.jf0[0]);
  float* r = reals(s, p.jdf[0]);
  float* dg = reals(s, p.jdf[2]);
  float* g = reals(s, p.jdf[4]);
  float* z = reals(s, p.jdf[6]);
  float* dir = reals(s, p.jdf[8]);
  const float* minv = reals(s, c.jmm);
  std::copy_n(conc, n, x);
  std::fill_n(r, n, 0.0f);
  std::fill_n(dg, n, 0.0f);

  // The preconditioner: the inverse of the diagonal of M/ht + K for each component.
  const Elements el(s);
  const float* dcoef = reals(s, p.jdiffc);
  el.for_subregions([&](int32_t sub, int32_t first, int32_t end) {
    stiffness_diagonal(el, first, end, std::abs(dcoef[4 * sub]) + kTiny, dg);
    stiffness_diagonal(el, first, end, std::abs(dcoef[4 * sub + 3]) + kTiny, dg + n1);
  });
  for (int64_t i = 0; i < n; ++i) {
    const float mht = minv[i < n1 ? i : i - n1] * ht;
    dg[i] = mht / (dg[i] * mht + 1.0f);
  }
  for (int32_t i = 0; i < n1; ++i) {
    r[i] += p.fc1 / minv[i];
    r[n1 + i] += p.fc2 / minv[i];
  }

  // it = 0: the residual of the old field, cross diffusion included. Each later product of the
  // operator starts from its mass term M/ht P, written in the pass that makes P; it applies at
  // every node whatever the size of its lumped mass (which grows with the unit of length).
  apply_stiffness<true>(s, el, x, r);
  fix_rows(s, r);
  const float inv_ht = 1.0f / ht;
  double rho = sum_per_component(n1, [&](int64_t k, int32_t i, Sums& sum) {
                 g[k] = -r[k];
                 z[k] = dg[k] * g[k];
                 dir[k] = z[k];
                 sum.a += double{z[k]} * g[k];
                 r[k] = dir[k] * inv_ht / minv[i];
               }).a;
  cj_warning(s, " dicon:", 0, static_cast<float>(rho), kTiny);

  for (int it = 1; rho >= kTiny; ++it) {
    if (it > 4 * n1) return ill_conditions(s);
    apply_stiffness<false>(s, el, dir, r);
    fix_rows(s, r);
    const double sigma = sum_per_component(n1, [&](int64_t k, int32_t, Sums& sum) {
                           sum.a += double{dir[k]} * r[k];
                         }).a;
    if (std::abs(sigma) < 1e-37) return ill_conditions(s);
    const float alpha = static_cast<float>(rho / sigma);
    const double rho_old = rho;
    const Sums upd = sum_per_component(n1, [&](int64_t k, int32_t, Sums& sum) {
      const float dx = alpha * dir[k];
      g[k] -= alpha * r[k];
      x[k] += dx;
      sum.b += double{dx} * dx;
      z[k] = g[k] * dg[k];
      sum.a += double{z[k]} * g[k];
    });
    rho = upd.a;
    const double step2 = upd.b;
    if (it % kProgressEvery == 0) {
      cj_warning(s, " dicon:", it, static_cast<float>(rho), static_cast<float>(step2));
    }
    if (a_interrupt(s)) return 1;
    if (rho < kTiny || step2 < kTiny) break;
    const float beta = static_cast<float>(rho / rho_old);
    for (int ic = 0; ic < 2; ++ic) {
      float* d = dir + int64_t{ic} * n1;
      const float* zc = z + int64_t{ic} * n1;
      float* rc = r + int64_t{ic} * n1;
      for (int32_t i = 0; i < n1; ++i) {
        d[i] = beta * d[i] + zc[i];
        rc[i] = d[i] * inv_ht / minv[i];
      }
    }
  }

  std::copy_n(x, n, conc);
  return rtmr(s, "dicon-end");
}

}  // namespace tivor::dif
