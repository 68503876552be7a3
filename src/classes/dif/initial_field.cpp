// DICON0: the steady field of one component (Laplace's equation with its prescribed boundary
// values), used as the initial field when the data ask for it.
#include <algorithm>
#include <cmath>

#include "classes/dif/dif_internal.hpp"
#include "classes/dif/element_loops.hpp"
#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "kernels/kernels.hpp"

namespace tivor::dif {
namespace {

constexpr int kProgressEvery = 10;
// Converged when rho is below kRelTol times its reference or the squared step below kRelTol
// times the squared solution (see DICON).
constexpr double kRelTol = 1e-20;

int ill_conditions(Session& s) {
  return flag_on(s, " dicon0:ill conditions");
}

}  // namespace

int dicon0(Session& s, int ic, int32_t on) {
  if (on == 0) return 0;
  if (rtmr(s, "dicon0")) return 1;
  DifParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  if (!task_arrays_ok(s)) return flag_on(s, " dicon0:task arrays lie outside the pools");
  const int32_t n1 = c.n1;
  const int i = ic == 2 ? 1 : 0;
  // The iterate lives at the real pool's free mark without being reserved.
  if (!real_array_ok(s, s.csize.maxa, n1)) {
    return flag_on(s, "newarr:not enouth memory for array :dicon0");
  }
  bou1(s, c.jj2, c.n3, p.jf[i], p.jfg[i], p.jy[i], 1);
  float* conc = reals(s, p.jf[i]);
  float* x = reals(s, s.csize.maxa);
  float* r = reals(s, p.jdf[0]);
  float* dg = reals(s, p.jdf[1]);
  float* g = reals(s, p.jdf[2]);
  float* z = reals(s, p.jdf[3]);
  float* dir = reals(s, p.jdf[4]);
  const int32_t* jj2 = ints(s, c.jj2);
  const int32_t* flag = ints(s, p.jy[i]);
  const Elements el(s);
  std::copy_n(conc, n1, x);
  std::fill_n(dg, n1, 0.0f);
  stiffness_diagonal(el, 0, el.n2, 1.0f, dg);
  // The reference of the stopping test: the start value squared in the measure of the diagonal,
  // then the first rho added (a start of zeros with nonzero boundary values has only that).
  double ref = 0.0;
  for (int32_t k = 0; k < n1; ++k) {
    ref += double{x[k]} * x[k] * dg[k];
    dg[k] = dg[k] > 0.0f ? 1.0f / dg[k] : 0.0f;
  }
  std::fill_n(r, n1, 0.0f);
  laplace(el, x, r);
  clear_prescribed(jj2, c.n3, flag, r);
  double rho = 0.0;
  for (int32_t k = 0; k < n1; ++k) {
    g[k] = -r[k];
    z[k] = dg[k] * g[k];
    dir[k] = z[k];
    rho += double{z[k]} * g[k];
  }
  // A value that overflowed stops the preparation, naming the first node that holds one.
  const auto fail_nonfinite = [&] {
    int64_t node = 0;
    for (const float* v : {x, r, g, dir}) {
      node = first_nonfinite(v, n1);
      if (node >= 0) break;
    }
    return nonfinite(s, "dicon0", ic, std::max<int64_t>(node, 0), s.cht.t);
  };
  if (!std::isfinite(rho) || !std::isfinite(ref)) return fail_nonfinite();
  ref += rho;
  const double tol = kRelTol * ref;
  cj_warning(s, " dicon0:", 0, static_cast<float>(rho), static_cast<float>(tol));
  for (int it = 1; rho > tol; ++it) {
    if (it > 2 * n1) return ill_conditions(s);
    std::fill_n(r, n1, 0.0f);
    laplace(el, dir, r);
    clear_prescribed(jj2, c.n3, flag, r);
    double sigma = 0.0;
    for (int32_t k = 0; k < n1; ++k) sigma += double{dir[k]} * r[k];
    if (!std::isfinite(sigma)) return fail_nonfinite();
    if (!(sigma > 0)) return ill_conditions(s);
    const float alpha = static_cast<float>(rho / sigma);
    const double rho_old = rho;
    double step2 = 0.0, x2 = 0.0;
    rho = 0.0;
    for (int32_t k = 0; k < n1; ++k) {
      const float dx = alpha * dir[k];
      g[k] -= alpha * r[k];
      x[k] += dx;
      step2 += double{dx} * dx;
      x2 += double{x[k]} * x[k];
      z[k] = g[k] * dg[k];
      rho += double{z[k]} * g[k];
    }
    if (it % kProgressEvery == 0) {
      cj_warning(s, " dicon0:", it, static_cast<float>(rho), static_cast<float>(step2));
    }
    if (a_interrupt(s)) return 1;
    if (!std::isfinite(rho) || !std::isfinite(x2)) return fail_nonfinite();
    if (rho <= tol || step2 <= kRelTol * x2) break;
    const float beta = static_cast<float>(rho / rho_old);
    for (int32_t k = 0; k < n1; ++k) dir[k] = beta * dir[k] + z[k];
  }
  std::copy_n(x, n1, conc);
  return 0;
}

}  // namespace tivor::dif
