// The conjugate-gradient solver with a diagonal preconditioner for one or two independent
// systems sharing one operator product per iteration, and its progress line.
#include <algorithm>
#include <bit>
#include <cmath>

#include "console/console.hpp"
#include "kernels/kernels.hpp"

namespace tivor {
namespace {

// Running sums of the solver, in double: squares of values from 1e-12 to 1e12 and of their
// residuals leave the range of single precision.
struct Sums {
  double a = 0.0, b = 0.0, c = 0.0;
};

// Calls body(i, sums) for i in [0, n) and returns the sums. Four partial sums taken in turn let
// consecutive additions, each waiting for the one before in a single sum, overlap.
template <class F>
Sums sum_over(size_t n, F&& body) {
  Sums part[4];
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    for (size_t j = 0; j < 4; ++j) body(i + j, part[j]);
  }
  for (; i < n; ++i) body(i, part[0]);
  return {(part[0].a + part[1].a) + (part[2].a + part[3].a),
          (part[0].b + part[1].b) + (part[2].b + part[3].b),
          (part[0].c + part[1].c) + (part[2].c + part[3].c)};
}

bool finite(double v) {
  return std::isfinite(v);
}

}  // namespace

CjResult cj(Session& s, std::span<float> x, std::span<const float> d, std::span<float> w,
            std::span<float> r, std::span<float> p, std::span<float> z, const CjOperator& op,
            const CjOptions& opt) {
  CjResult res;
  const int k = opt.systems;
  const size_t size = x.size();
  if (k < 1 || k > kCjMaxSystems || size % k != 0 || d.size() != size || w.size() != size ||
      r.size() != size || p.size() != size || z.size() != size) {
    flag_on(s, " cj:vectors do not match");
    res.end = CjEnd::interrupted;
    return res;
  }
  const size_t n = size / k;
  if (n == 0) return res;
  const auto part = [n](std::span<float> v, int j) { return v.subspan(j * n, n); };
  const auto fail = [&res](CjEnd end, int j) {
    res.end = end;
    res.system = j;
    return res;
  };
  const unsigned all = (1u << k) - 1;

  op(x, w, 0, all);  // the residual of the start value
  if (flag_tst(s)) return fail(CjEnd::interrupted, 0);
  // Every test is relative: rho against the start value and the first rho (a start of zeros
  // has only that), both measured with the diagonal; the operator along the search direction
  // against its mean diagonal; the squared step against the squared solution.
  double ref[kCjMaxSystems] = {}, diag[kCjMaxSystems] = {};
  unsigned live = 0;
  double shown_ref = 0.0;
  for (int j = 0; j < k; ++j) {
    const float* xj = part(x, j).data();
    const float* dj = d.subspan(j * n, n).data();
    float* wj = part(w, j).data();
    float* rj = part(r, j).data();
    float* pj = part(p, j).data();
    float* zj = part(z, j).data();
    const Sums sum = sum_over(n, [&](size_t i, Sums& acc) {
      rj[i] = -wj[i];
      zj[i] = dj[i] * rj[i];
      pj[i] = zj[i];
      acc.a += double{zj[i]} * rj[i];
      if (dj[i] > 0) {
        acc.b += double{xj[i]} * xj[i] / dj[i];
        acc.c += 1 / double{dj[i]};
      }
    });
    res.rho[j] = sum.a;
    ref[j] = sum.b + sum.a;
    diag[j] = sum.c / static_cast<double>(n);  // the mean of the matrix diagonal
    if (!finite(ref[j]) || !finite(diag[j])) return fail(CjEnd::not_finite, j);
    shown_ref += ref[j];
    if (res.rho[j] > opt.eps * ref[j]) live |= 1u << j;
  }
  cj_warning(s, opt.text, 0, static_cast<float>(res.rho[0] + res.rho[1]),
             static_cast<float>(opt.eps * shown_ref));

  while (live != 0) {
    const int it = ++res.iterations;
    op(p, w, it, live);  // w = A p
    if (flag_tst(s)) return fail(CjEnd::interrupted, 0);
    double shown_step2 = 0.0;
    unsigned done = 0;
    for (int j = 0; j < k; ++j) {
      if ((live & (1u << j)) == 0) continue;
      const float* dj = d.subspan(j * n, n).data();
      float* xj = part(x, j).data();
      float* wj = part(w, j).data();
      float* rj = part(r, j).data();
      float* pj = part(p, j).data();
      float* zj = part(z, j).data();
      const Sums dir = sum_over(n, [&](size_t i, Sums& acc) {
        acc.a += double{pj[i]} * pj[i];
        acc.b += double{pj[i]} * wj[i];
      });
      if (!finite(dir.a) || !finite(dir.b)) return fail(CjEnd::not_finite, j);
      if (dir.a == 0 || !(dir.b > opt.eps * diag[j] * dir.a)) return fail(CjEnd::stagnated, j);

      const float alpha = static_cast<float>(res.rho[j] / dir.b);
      const Sums upd = sum_over(n, [&](size_t i, Sums& acc) {
        const float dx = alpha * pj[i];
        rj[i] -= alpha * wj[i];
        xj[i] += dx;
        acc.b += double{dx} * dx;
        acc.c += double{xj[i]} * xj[i];
        zj[i] = rj[i] * dj[i];
        acc.a += double{zj[i]} * rj[i];
      });
      if (!finite(upd.a) || !finite(upd.c)) return fail(CjEnd::not_finite, j);
      const double rho_old = res.rho[j];
      res.rho[j] = upd.a;
      shown_step2 += upd.b;
      if (upd.a <= opt.eps * ref[j] || upd.b <= opt.eps * upd.c) {
        done |= 1u << j;
      } else {
        const float beta = rho_old != 0 ? static_cast<float>(upd.a / rho_old) : 0.0f;
        for (size_t i = 0; i < n; ++i) pj[i] = beta * pj[i] + zj[i];
      }
    }
    const float shown_rho = static_cast<float>(res.rho[0] + res.rho[1]);
    if (opt.nprint > 0 && it % opt.nprint == 0) {
      cj_warning(s, opt.text, it, shown_rho, static_cast<float>(shown_step2));
    }
    if (a_interrupt(s)) return fail(CjEnd::interrupted, 0);
    live &= ~done;
    if (live == 0 || it >= opt.max_iterations) {
      if (!opt.end_text.empty()) {
        cj_warning(s, opt.end_text, it, shown_rho, static_cast<float>(shown_step2));
      }
      if (live != 0) return fail(CjEnd::iteration_limit, std::countr_zero(live));
    }
  }
  return res;
}

// Written through the text shadow like any message line, so that a repaint or a look at the text
// screen shows it.
void cj_warning(Session& s, std::string_view text, int it, float a, float b) {
  const int col = s.colors.col, row = s.colors.row;
  cls1(s, 1, 18, 11, 18);
  locate1(s, 1, 18);
  dispstr(s, text);
  locate1(s, 13, 18);
  dispstr(s, "ii=" + fmt_int(it, "(i6)") + " ggh=" + fmt_real(a, "(e10.3)") +
                 " dx2=" + fmt_real(b, "(e10.3)"));
  locate1(s, col, row);
}

}  // namespace tivor
