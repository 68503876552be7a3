// The conjugate-gradient solver with a diagonal preconditioner, and its progress line.
#include <algorithm>
#include <cmath>

#include "console/console.hpp"
#include "kernels/kernels.hpp"

namespace tivor {

void cj(Session& s, float* x, const float* d, float* w, float* r, float* p, float* z, int n,
        const CjOperator& op, float eps, int nprint) {
  if (n <= 0) return;
  int it = 0;
  op(x, d, w, n, 0);  // the residual of the start value
  if (flag_tst(s)) return;
  // Sums in double: squares of values from 1e-12 to 1e12 and of their residuals leave the range
  // of single precision.
  double rho = 0, start = 0, diag = 0;
  for (int i = 0; i < n; ++i) {
    r[i] = -w[i];
    z[i] = d[i] * r[i];
    p[i] = z[i];
    rho += double{z[i]} * r[i];
    if (d[i] > 0) {
      start += double{x[i]} * x[i] / d[i];
      diag += 1 / double{d[i]};
    }
  }
  diag /= n;  // the mean of the matrix diagonal, the operator's scale
  cj_warning(s, " cj :", it, static_cast<float>(rho), eps);
  // The start value solves the system when rho is small against the start value itself, both
  // measured with the diagonal (rho = r^T d r against x^T d^-1 x); a zero residual always does.
  if (rho <= eps * start) return;

  // Every test is relative: rho against the start, the operator along the search direction
  // against its mean diagonal, the squared step against the squared solution.
  for (;;) {
    ++it;
    op(p, d, w, n, it);  // w = A p
    if (flag_tst(s)) return;
    double pp = 0, pw = 0;
    for (int i = 0; i < n; ++i) {
      pp += double{p[i]} * p[i];
      pw += double{p[i]} * w[i];
    }
    if (pp == 0 || !(std::abs(pw) > eps * diag * pp)) return;  // stagnation: keep the iterate

    const float alpha = static_cast<float>(rho / pw);
    const double rho_old = rho;
    double step2 = 0, x2 = 0;
    rho = 0;
    for (int i = 0; i < n; ++i) {
      r[i] -= alpha * w[i];
      z[i] = r[i] * d[i];
      rho += double{z[i]} * r[i];
      const float dx = alpha * p[i];
      step2 += double{dx} * dx;
      x[i] += dx;
      x2 += double{x[i]} * x[i];
    }

    if (nprint > 0 && it % nprint == 0) {
      cj_warning(s, " cj :", it, static_cast<float>(rho), static_cast<float>(step2));
    }
    if (a_interrupt(s)) return;
    if (step2 <= eps * x2 || it >= 2 * int64_t{n}) {
      cj_warning(s, " cjend :", it, static_cast<float>(rho), static_cast<float>(step2));
      return;
    }
    const float beta = rho_old != 0 ? static_cast<float>(rho / rho_old) : 0.0f;
    for (int i = 0; i < n; ++i) p[i] = beta * p[i] + z[i];
  }
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
