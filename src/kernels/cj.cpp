// The conjugate-gradient solver with a diagonal preconditioner for one or two independent
// systems sharing one operator product per iteration, and its progress line.
//
// Every vector loop runs over the fixed row blocks of parallel.hpp: the sums of a block go into
// lanes that are combined in a fixed order, and the blocks' sums are added in block order, so the
// iterates are the same bit for bit with any number of threads.
#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

#if defined(__AVX512F__)
#include <immintrin.h>
#endif

#include "console/console.hpp"
#include "kernels/kernels.hpp"
#include "kernels/parallel.hpp"

namespace tivor {
namespace {

#if defined(__AVX512F__)
// Eight floats to doubles (the masked form: GCC 12 reports the plain one's undefined start
// value as uninitialised).
inline __m512d widen(__m256 v) {
  return _mm512_maskz_cvtps_pd(0xff, v);
}
#endif

// Running sums of the solver, in double: squares of values from 1e-12 to 1e12 and of their
// residuals leave the range of single precision.
struct Sums {
  double a = 0.0, b = 0.0, c = 0.0;
  Sums& operator+=(const Sums& o) {
    a += o.a, b += o.b, c += o.c;
    return *this;
  }
};

// Consecutive rows add into separate lanes, so that the additions of a row do not wait for
// those of the row before and the compiler can put the lanes side by side in vector registers.
constexpr size_t kLanes = 8;

// The rows from i to end (fewer than kLanes) into the lanes from the first, then the lanes
// combined pairwise in a fixed order.
template <class F>
Sums lane_tail(size_t i, size_t end, double (&a)[kLanes], double (&b)[kLanes], double (&c)[kLanes],
               F&& body) {
  for (size_t l = 0; i < end; ++i, ++l) body(i, a[l], b[l], c[l]);
  for (size_t width = kLanes / 2; width > 0; width /= 2) {
    for (size_t l = 0; l < width; ++l) {
      a[l] += a[l + width], b[l] += b[l + width], c[l] += c[l + width];
    }
  }
  return {a[0], b[0], c[0]};
}

// Calls body(i, a, b, c) for the rows i of [begin, end), with the lane accumulators of row i.
template <class F>
Sums lane_sums(size_t begin, size_t end, F&& body) {
  double a[kLanes] = {}, b[kLanes] = {}, c[kLanes] = {};
  size_t i = begin;
  for (; i + kLanes <= end; i += kLanes) {
    for (size_t l = 0; l < kLanes; ++l) body(i + l, a[l], b[l], c[l]);
  }
  return lane_tail(i, end, a, b, c, body);
}

bool finite(double v) {
  return std::isfinite(v);
}

// One system's part of the vectors.
struct Part {
  float* x;
  const float* d;
  float* w;
  float* r;
  float* p;
  float* z;
};

// The row loops take their vectors as distinct arrays (restrict), so that the compiler keeps the
// lanes in vector registers without checking for overlaps as it goes.

// r := -w, z := d r, p := z over the rows; sums z r, x^2 / d and 1 / d where d > 0.
Sums start_rows(const float* __restrict x, const float* __restrict d, const float* __restrict w,
                float* __restrict r, float* __restrict p, float* __restrict z, size_t begin,
                size_t end) {
  return lane_sums(begin, end, [&](size_t i, double& a, double& b, double& c) {
    r[i] = -w[i];
    z[i] = d[i] * r[i];
    p[i] = z[i];
    a += double{z[i]} * r[i];
    const double di = d[i] > 0 ? double{d[i]} : 0.0;
    const double inv = di > 0 ? 1 / di : 0.0;
    b += double{x[i]} * x[i] * inv;
    c += inv;
  });
}
Sums start_rows(const Part& v, size_t begin, size_t end) {
  return start_rows(v.x, v.d, v.w, v.r, v.p, v.z, begin, end);
}

// The sums p p and p w of the search direction over the rows.
Sums direction_rows(const float* __restrict p, const float* __restrict w, size_t begin,
                    size_t end) {
  const auto body = [&](size_t i, double& a, double& b, double&) {
    a += double{p[i]} * p[i];
    b += double{p[i]} * w[i];
  };
#if defined(__AVX512F__)
  __m512d a8 = _mm512_setzero_pd(), b8 = _mm512_setzero_pd();
  size_t i = begin;
  for (; i + kLanes <= end; i += kLanes) {
    const __m512d pd = widen(_mm256_loadu_ps(p + i));
    a8 = _mm512_add_pd(a8, _mm512_mul_pd(pd, pd));
    b8 = _mm512_add_pd(b8, _mm512_mul_pd(pd, widen(_mm256_loadu_ps(w + i))));
  }
  alignas(64) double a[kLanes], b[kLanes], c[kLanes] = {};
  _mm512_store_pd(a, a8);
  _mm512_store_pd(b, b8);
  return lane_tail(i, end, a, b, c, body);
#else
  return lane_sums(begin, end, body);
#endif
}
Sums direction_rows(const Part& v, size_t begin, size_t end) {
  return direction_rows(v.p, v.w, begin, end);
}

// The step of length alpha; sums z r, the squared step and x x.
Sums update_rows(float* __restrict x, const float* __restrict d, const float* __restrict w,
                 float* __restrict r, const float* __restrict p, float* __restrict z, float alpha,
                 size_t begin, size_t end) {
#if defined(__AVX512F__)
  // The same operations in the same order as the loop below, kLanes rows at a time: the lanes
  // hold the same sums, so either way gives the same bits.
  static_assert(kLanes == 8);
  __m512d a8 = _mm512_setzero_pd(), b8 = _mm512_setzero_pd(), c8 = _mm512_setzero_pd();
  const __m256 al = _mm256_set1_ps(alpha);
  size_t i = begin;
  for (; i + kLanes <= end; i += kLanes) {
    const __m256 dx = _mm256_mul_ps(al, _mm256_loadu_ps(p + i));
    const __m256 ri =
        _mm256_sub_ps(_mm256_loadu_ps(r + i), _mm256_mul_ps(al, _mm256_loadu_ps(w + i)));
    const __m256 xi = _mm256_add_ps(_mm256_loadu_ps(x + i), dx);
    const __m256 zi = _mm256_mul_ps(ri, _mm256_loadu_ps(d + i));
    _mm256_storeu_ps(r + i, ri);
    _mm256_storeu_ps(x + i, xi);
    _mm256_storeu_ps(z + i, zi);
    const __m512d dxd = widen(dx), xd = widen(xi);
    b8 = _mm512_add_pd(b8, _mm512_mul_pd(dxd, dxd));
    c8 = _mm512_add_pd(c8, _mm512_mul_pd(xd, xd));
    a8 = _mm512_add_pd(a8, _mm512_mul_pd(widen(zi), widen(ri)));
  }
  alignas(64) double a[kLanes], b[kLanes], c[kLanes];
  _mm512_store_pd(a, a8);
  _mm512_store_pd(b, b8);
  _mm512_store_pd(c, c8);
  return lane_tail(i, end, a, b, c, [&](size_t k, double& sa, double& sb, double& sc) {
    const float dx = alpha * p[k];
    r[k] -= alpha * w[k];
    x[k] += dx;
    sb += double{dx} * dx;
    sc += double{x[k]} * x[k];
    z[k] = r[k] * d[k];
    sa += double{z[k]} * r[k];
  });
#else
  return lane_sums(begin, end, [&](size_t i, double& a, double& b, double& c) {
    const float dx = alpha * p[i];
    r[i] -= alpha * w[i];
    x[i] += dx;
    b += double{dx} * dx;
    c += double{x[i]} * x[i];
    z[i] = r[i] * d[i];
    a += double{z[i]} * r[i];
  });
#endif
}
Sums update_rows(const Part& v, float alpha, size_t begin, size_t end) {
  return update_rows(v.x, v.d, v.w, v.r, v.p, v.z, alpha, begin, end);
}

// The sum z r over the rows.
Sums dot_rows(const float* __restrict z, const float* __restrict r, size_t begin, size_t end) {
  return lane_sums(begin, end,
                   [&](size_t i, double& a, double&, double&) { a += double{z[i]} * r[i]; });
}

// p := beta p + z over the rows. Kept out of line: inlined into the block loop, the arrays lose
// their restrict and the loop is left scalar.
[[gnu::noinline]] void direction_update(float* __restrict p, const float* __restrict z, float beta,
                                        size_t begin, size_t end) {
  for (size_t i = begin; i < end; ++i) p[i] = beta * p[i] + z[i];
}

// The solve with either form of the operator (the other one null).
CjResult solve(Session& s, std::span<float> x, std::span<const float> d, std::span<float> w,
               std::span<float> r, std::span<float> p, std::span<float> z, const CjOperator* whole,
               const CjRowOperator* rows, const CjOptions& opt) {
  CjResult res;
  const int k = opt.systems;
  const size_t size = x.size();
  const bool own_z = static_cast<bool>(opt.precondition);
  if (k < 1 || k > kCjMaxSystems || size % k != 0 || d.size() != size || w.size() != size ||
      r.size() != size || p.size() != size || z.size() != size || (own_z && k != 1)) {
    flag_on(s, " cj:vectors do not match");
    res.end = CjEnd::interrupted;
    return res;
  }
  const size_t n = size / k;
  if (n == 0) return res;
  const auto fail = [&res](CjEnd end, int j) {
    res.end = end;
    res.system = j;
    return res;
  };
  Part parts[kCjMaxSystems];
  for (int j = 0; j < k; ++j) {
    const size_t o = j * n;
    parts[j] = {x.data() + o, d.data() + o, w.data() + o, r.data() + o, p.data() + o, z.data() + o};
  }
  const unsigned all = (1u << k) - 1;
  const size_t blocks = block_count(n);
  const int threads = std::max(opt.threads, 1);
  // The sums of block b for system j at partial[b k + j], added up in block order.
  std::vector<Sums> partial(blocks * k);
  const auto total = [&](int j) {
    Sums t;
    for (size_t b = 0; b < blocks; ++b) t += partial[b * k + j];
    return t;
  };
  // The operator on the rows of block b: the row form there, the whole form before the loop.
  const auto apply = [&](std::span<const float> v, int it, unsigned live, size_t b) {
    if (rows != nullptr) (*rows)(v, w, it, live, block_begin(b), block_end(b, n));
  };
  const auto apply_whole = [&](std::span<const float> v, int it, unsigned live) {
    if (whole != nullptr) (*whole)(v, w, it, live);
    return flag_tst(s);
  };

  // The residual of the start value.
  if (apply_whole(x, 0, all)) return fail(CjEnd::interrupted, 0);
  for_blocks(threads, blocks, [&](size_t b) {
    apply(x, 0, all, b);
    for (int j = 0; j < k; ++j) {
      partial[b * k + j] = start_rows(parts[j], block_begin(b), block_end(b, n));
    }
  });
  // The caller's preconditioner replaces z = d r, and z r then sets the steps (zr); the tests
  // still measure the residual with the diagonal (rho), as without it.
  double zr[kCjMaxSystems] = {};
  std::vector<double> zr_partial(own_z ? blocks : 0);
  const auto precondition = [&](bool start) {
    opt.precondition(r, z);
    for_blocks(threads, blocks, [&](size_t b) {
      const size_t begin = block_begin(b), end = block_end(b, n);
      if (start) std::copy(z.begin() + begin, z.begin() + end, p.begin() + begin);
      zr_partial[b] = dot_rows(z.data(), r.data(), begin, end).a;
    });
    double sum = 0.0;
    for (size_t b = 0; b < blocks; ++b) sum += zr_partial[b];
    return sum;
  };
  // Every test is relative: rho against the start value and the first rho (a start of zeros
  // has only that), both measured with the diagonal; the operator along the search direction
  // against its mean diagonal; the squared step against the squared solution.
  double ref[kCjMaxSystems] = {}, diag[kCjMaxSystems] = {};
  const auto rho_limit = [&](int j) {
    return opt.floor_only ? opt.rho_floor : std::max(opt.eps * ref[j], opt.rho_floor);
  };
  unsigned live = 0;
  double shown_ref = 0.0;
  for (int j = 0; j < k; ++j) {
    const Sums sum = total(j);
    res.rho[j] = sum.a;
    if (!own_z) zr[j] = sum.a;
    ref[j] = sum.b + sum.a;
    diag[j] = sum.c / static_cast<double>(n);  // the mean of the matrix diagonal
    if (!finite(ref[j]) || !finite(diag[j])) return fail(CjEnd::not_finite, j);
    shown_ref += ref[j];
    if (res.rho[j] > rho_limit(j)) live |= 1u << j;
  }
  // Only a solve that iterates asks for the caller's preconditioner, which may be dear to build.
  // The preconditioner may raise the flag to stop the solver, as the operator may (Esc while it
  // is built, say).
  if (own_z && live != 0) {
    zr[0] = precondition(true);
    if (flag_tst(s)) return fail(CjEnd::interrupted, 0);
    if (!finite(zr[0])) return fail(CjEnd::not_finite, 0);
  }
  cj_warning(s, opt.text, 0, static_cast<float>(res.rho[0] + res.rho[1]),
             static_cast<float>(opt.eps * shown_ref));

  const auto is_live = [](unsigned set, int j) { return (set & (1u << j)) != 0; };
  while (live != 0) {
    const int it = ++res.iterations;
    // w = A p, with the sums of the direction.
    if (apply_whole(p, it, live)) return fail(CjEnd::interrupted, 0);
    for_blocks(threads, blocks, [&](size_t b) {
      apply(p, it, live, b);
      for (int j = 0; j < k; ++j) {
        if (is_live(live, j)) {
          partial[b * k + j] = direction_rows(parts[j], block_begin(b), block_end(b, n));
        }
      }
    });
    float alpha[kCjMaxSystems] = {};
    for (int j = 0; j < k; ++j) {
      if (!is_live(live, j)) continue;
      const Sums dir = total(j);
      if (!finite(dir.a) || !finite(dir.b)) return fail(CjEnd::not_finite, j);
      if (dir.a == 0 || !(dir.b > opt.eps * diag[j] * dir.a)) return fail(CjEnd::stagnated, j);
      alpha[j] = static_cast<float>(zr[j] / dir.b);
    }
    for_blocks(threads, blocks, [&](size_t b) {
      for (int j = 0; j < k; ++j) {
        if (is_live(live, j)) {
          partial[b * k + j] = update_rows(parts[j], alpha[j], block_begin(b), block_end(b, n));
        }
      }
    });
    const double zr_new = own_z ? precondition(false) : 0.0;
    if (own_z && flag_tst(s)) return fail(CjEnd::interrupted, 0);
    double shown_step2 = 0.0;
    unsigned done = 0;
    float beta[kCjMaxSystems] = {};
    for (int j = 0; j < k; ++j) {
      if (!is_live(live, j)) continue;
      const Sums upd = total(j);
      if (!finite(upd.a) || !finite(upd.c)) return fail(CjEnd::not_finite, j);
      const double zr_old = zr[j];
      zr[j] = own_z ? zr_new : upd.a;
      if (!finite(zr[j])) return fail(CjEnd::not_finite, j);
      res.rho[j] = upd.a;
      shown_step2 += upd.b;
      if (upd.a <= rho_limit(j) || (opt.step_test && upd.b <= opt.eps * upd.c)) {
        done |= 1u << j;
      } else {
        beta[j] = zr_old != 0 ? static_cast<float>(zr[j] / zr_old) : 0.0f;
      }
    }
    const unsigned next = live & ~done;
    if (next != 0) {
      for_blocks(threads, blocks, [&](size_t b) {
        const size_t begin = block_begin(b), end = block_end(b, n);
        for (int j = 0; j < k; ++j) {
          if (!is_live(next, j)) continue;
          direction_update(parts[j].p, parts[j].z, beta[j], begin, end);
        }
      });
    }
    const float shown_rho = static_cast<float>(res.rho[0] + res.rho[1]);
    if (opt.nprint > 0 && it % opt.nprint == 0) {
      cj_warning(s, opt.text, it, shown_rho, static_cast<float>(shown_step2));
    }
    if (a_interrupt(s)) return fail(CjEnd::interrupted, 0);
    live = next;
    if (live == 0 || it >= opt.max_iterations) {
      if (!opt.end_text.empty()) {
        cj_warning(s, opt.end_text, it, shown_rho, static_cast<float>(shown_step2));
      }
      if (live != 0) return fail(CjEnd::iteration_limit, std::countr_zero(live));
    }
  }
  return res;
}

}  // namespace

CjResult cj(Session& s, std::span<float> x, std::span<const float> d, std::span<float> w,
            std::span<float> r, std::span<float> p, std::span<float> z, const CjOperator& op,
            const CjOptions& opt) {
  return solve(s, x, d, w, r, p, z, &op, nullptr, opt);
}

CjResult cj_rows(Session& s, std::span<float> x, std::span<const float> d, std::span<float> w,
                 std::span<float> r, std::span<float> p, std::span<float> z,
                 const CjRowOperator& op, const CjOptions& opt) {
  return solve(s, x, d, w, r, p, z, nullptr, &op, opt);
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
