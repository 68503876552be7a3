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
  float rho = 0;
  for (int i = 0; i < n; ++i) {
    r[i] = -w[i];
    z[i] = d[i] * r[i];
    p[i] = z[i];
    rho += z[i] * r[i];
  }
  cj_warning(s, " cj :", it, rho, eps);
  if (rho < eps) return;  // the start value solves the system

  // The tolerance is compared with squared quantities: rho, the squared length of the search
  // direction and the squared step relative to the squared solution.
  for (;;) {
    ++it;
    op(p, d, w, n, it);  // w = A p
    if (flag_tst(s)) return;
    float pp = 0, pw = 0;
    for (int i = 0; i < n; ++i) {
      pp += p[i] * p[i];
      pw += p[i] * w[i];
    }
    if (pp < eps || std::abs(pw) < eps || pw == 0) return;  // stagnation: keep the iterate

    const float alpha = rho / pw;
    const float rho_old = rho;
    float step2 = 0, x2 = 0;
    rho = 0;
    for (int i = 0; i < n; ++i) {
      r[i] -= alpha * w[i];
      z[i] = r[i] * d[i];
      rho += z[i] * r[i];
      const float dx = alpha * p[i];
      step2 += dx * dx;
      x[i] += dx;
      x2 += x[i] * x[i];
    }

    if (nprint > 0 && it % nprint == 0) cj_warning(s, " cj :", it, rho, step2);
    if (a_interrupt(s)) return;
    if (step2 / std::max(x2, kEpsilon) < eps || it >= 2 * int64_t{n}) {
      cj_warning(s, " cjend :", it, rho, step2);
      return;
    }
    const float beta = rho_old != 0 ? rho / rho_old : 0.0f;
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
