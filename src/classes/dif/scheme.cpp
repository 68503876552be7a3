// DICON: one backward-Euler step of both concentrations, solved by conjugate gradients written
// into the scheme (lumped mass, linear triangles, cross diffusion from the old time level).
//
// The implicit operator M/ht + K_diag does not couple the components, so the components that are
// on are independent systems of one solve: each has its own step lengths and its own stopping
// test, one element pass serves both while both iterate, and a component that has converged, or
// is switched off, costs nothing. The stopping tests are relative, so that the same physics gives
// the same answer in any unit and at any size of the values.
#include <algorithm>
#include <cmath>
#include <span>

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

  // The preconditioner: the inverse of the diagonal of M/ht + K.
  const Elements el(s);
  const float* dcoef = reals(s, p.jdiffc);
  el.for_subregions([&](int32_t sub, int32_t first, int32_t end) {
    if (on[0]) stiffness_diagonal(el, first, end, std::abs(dcoef[4 * sub]) + kTiny, dg);
    if (on[1]) stiffness_diagonal(el, first, end, std::abs(dcoef[4 * sub + 3]) + kTiny, dg + n1);
  });
  for (int ic = 0; ic < 2; ++ic) {
    if (!on[ic]) continue;
    float* dgc = dg + part(ic);
    for (int32_t i = 0; i < n1; ++i) {
      const float mht = minv[i] * ht;
      dgc[i] = mht / (dgc[i] * mht + 1.0f);
    }
  }

  // The components that are on are the solver's systems, c1 first; every vector of the solver
  // starts at the part of the first of them.
  const int first = on[0] ? 0 : 1;
  const int systems = on[0] && on[1] ? 2 : 1;
  const auto span_of = [&](float* v) { return std::span<float>(v + part(first), systems * n1); };
  // it = 0: the sources and the residual of the old field, cross diffusion included (a
  // component that is off still drives the other through its fixed values). Later: M/ht v + K v
  // for the components still iterating.
  const CjOperator op = [&](std::span<const float> v, std::span<float>, int it, unsigned live) {
    bool rows[2] = {false, false};
    for (int j = 0; j < systems; ++j) rows[first + j] = (live & (1u << j)) != 0;
    if (it == 0) {
      for (int ic = 0; ic < 2; ++ic) {
        if (!on[ic]) continue;
        float* rc = r + part(ic);
        for (int32_t i = 0; i < n1; ++i) rc[i] = fc[ic] / minv[i];
      }
      apply_stiffness<true>(s, el, on, on[0] ? x : conc, on[1] ? x + n1 : conc + n1, r);
    } else {
      const float* vall = v.data() - part(first);
      for (int ic = 0; ic < 2; ++ic) {
        if (!rows[ic]) continue;
        const float* vc = vall + part(ic);
        float* rc = r + part(ic);
        for (int32_t i = 0; i < n1; ++i) rc[i] = vc[i] * inv_ht / minv[i];
      }
      apply_stiffness<false>(s, el, rows, vall, vall + n1, r);
    }
    for (int ic = 0; ic < 2; ++ic) {
      if (rows[ic]) clear_prescribed(ints(s, c.jj2), c.n3, ints(s, p.jy[ic]), r + part(ic));
    }
  };
  CjOptions opt;
  opt.eps = kRelTol;
  opt.max_iterations = 4 * n1;
  opt.text = " dicon:";
  opt.nprint = kProgressEvery;
  opt.systems = systems;
  const CjResult res =
      cj(s, span_of(x), span_of(dg), span_of(r), span_of(g), span_of(dir), span_of(z), op, opt);
  const auto report_nonfinite = [&] {
    const int ic = first + res.system;
    return fail_nonfinite(ic, find_nonfinite(ic));
  };
  if (solve_outcome(s, res, " dicon", report_nonfinite) != 0) return 1;

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
