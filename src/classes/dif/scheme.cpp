// DICON: one backward-Euler step of both concentrations, solved by conjugate gradients written
// into the scheme (lumped mass, linear triangles, cross diffusion from the old time level).
//
// The implicit operator M/ht + K_diag does not couple the components, so the components that are
// on are independent systems of one solve: each has its own step lengths and its own stopping
// test, one pass over the rows serves both while both iterate, and a component that has
// converged, or is switched off, costs nothing. The stopping tests are relative, so that the same
// physics gives the same answer in any unit and at any size of the values.
//
// The operator is applied row by row from the step cache (the stiffness kept as compressed rows
// between steps), so the rows split into blocks that run on the session's threads.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#if defined(__AVX512F__)
#include <immintrin.h>
#endif

#include "classes/dif/dif_internal.hpp"
#include "classes/dif/element_loops.hpp"
#include "classes/dif/step_cache.hpp"
#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "kernels/kernels.hpp"
#include "kernels/parallel.hpp"

namespace tivor::dif {
namespace {

constexpr int kProgressEvery = 50;
// A component has converged when rho (the residual squared in the preconditioner's measure) is
// below kRelTol times its reference, or when the squared step is below kRelTol times the
// squared solution: residual and step 1e-10 of their scale, below single-precision rounding.
constexpr double kRelTol = 1e-20;
// The operator's rows come in whole slices to every block but the last.
static_assert(kBlockRows % StepCache::kSlice == 0);

constexpr size_t kSlice = StepCache::kSlice;

// The columns of the groups of a cache (step_cache.hpp).
struct Groups {
  const int32_t* code;
  const int32_t* listed;
  explicit Groups(const StepCache& c) : code(c.group.data()), listed(c.listed.data()) {}
  const int32_t* list(int32_t g) const { return listed + (-int64_t{g} - 1) * int64_t{kSlice}; }
};

// s[l] += a[l] v[column of lane l of group g] for the lanes of a slice.
inline void add_group(const Groups& gr, int32_t g, const float* a, const float* v, float* s) {
  if (g >= 0) {
    const float* vg = v + g;
    for (size_t l = 0; l < kSlice; ++l) s[l] += a[l] * vg[l];
    return;
  }
  const int32_t* ck = gr.list(g);
  for (size_t l = 0; l < kSlice; ++l) s[l] += a[l] * v[ck[l]];
}

// Asks for the values kAhead entries after v: on rows larger than the caches the hardware
// prefetcher alone brings them too late. (An address past the end is never read.)
constexpr uintptr_t kAhead = 1024;
inline void fetch_ahead(const float* v) {
  __builtin_prefetch(
      reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(v) + kAhead * sizeof(float)));
}

#if defined(__AVX512F__)
static_assert(kSlice == 16);
// The values of v at the columns of group g, one per lane.
inline __m512 group_values(const Groups& gr, int32_t g, const float* v) {
  if (g >= 0) return _mm512_loadu_ps(v + g);
  const __m512i ck = _mm512_loadu_si512(gr.list(g));
  return _mm512_mask_i32gather_ps(_mm512_setzero_ps(), 0xffff, ck, v, 4);
}
#endif

// w = (M/ht + K_cc) v on rows [begin, end) of the components k1 (c1) and k2 (c2), a slice of
// rows at a time side by side; the columns of a slice are read once for both components. begin
// is the first row of a slice.
template <bool k1, bool k2>
void product_rows(const StepCache& c, const float* v1, const float* v2, float* w1, float* w2,
                  size_t begin, size_t end) {
  const Groups gr(c);
  const float* a1 = c.k[0].data();
  const float* a2 = c.k[3].data();
  const float* d1 = c.adiag.data();
  const float* d2 = c.adiag.data() + c.n1;
  for (size_t row = begin; row < end; row += kSlice) {
    const size_t sl = row / kSlice, rows = std::min(kSlice, end - row);
    const size_t first = c.slice_at[sl], width = (c.slice_at[sl + 1] - first) / kSlice;
    const int32_t* groups = gr.code + first / kSlice;
#if defined(__AVX512F__)
    // The loop below with the lanes of a whole slice in one register: the same products and
    // sums in the same order, so the same bits.
    if (rows == kSlice) {
      __m512 t1 = _mm512_setzero_ps(), t2 = _mm512_setzero_ps();
      if constexpr (k1) t1 = _mm512_mul_ps(_mm512_loadu_ps(d1 + row), _mm512_loadu_ps(v1 + row));
      if constexpr (k2) t2 = _mm512_mul_ps(_mm512_loadu_ps(d2 + row), _mm512_loadu_ps(v2 + row));
      for (size_t k = 0; k < width; ++k) {
        const size_t at = first + k * kSlice;
        if constexpr (k1) fetch_ahead(a1 + at);
        if constexpr (k2) fetch_ahead(a2 + at);
        if constexpr (k1) {
          const __m512 g = group_values(gr, groups[k], v1);
          t1 = _mm512_add_ps(t1, _mm512_mul_ps(_mm512_loadu_ps(a1 + at), g));
        }
        if constexpr (k2) {
          const __m512 g = group_values(gr, groups[k], v2);
          t2 = _mm512_add_ps(t2, _mm512_mul_ps(_mm512_loadu_ps(a2 + at), g));
        }
      }
      if constexpr (k1) _mm512_storeu_ps(w1 + row, t1);
      if constexpr (k2) _mm512_storeu_ps(w2 + row, t2);
      continue;
    }
#endif
    float s1[kSlice] = {}, s2[kSlice] = {};
    for (size_t l = 0; l < rows; ++l) {
      if constexpr (k1) s1[l] = d1[row + l] * v1[row + l];
      if constexpr (k2) s2[l] = d2[row + l] * v2[row + l];
    }
    for (size_t k = 0; k < width; ++k) {
      const size_t at = first + k * kSlice;
      if constexpr (k1) fetch_ahead(a1 + at);
      if constexpr (k2) fetch_ahead(a2 + at);
      if constexpr (k1) add_group(gr, groups[k], a1 + at, v1, s1);
      if constexpr (k2) add_group(gr, groups[k], a2 + at, v2, s2);
    }
    for (size_t l = 0; l < rows; ++l) {
      if constexpr (k1) w1[row + l] = s1[l];
      if constexpr (k2) w2[row + l] = s2[l];
    }
  }
}

// The residual of the old field for component ic on rows [begin, end): the source fc/m plus
// K_ic,ic v_ic and, when it is not zero, the cross term K_ic,other v_other; zero at the nodes
// whose value is prescribed.
void residual_rows(const StepCache& c, int ic, float fc, const float* minv, const float* v_own,
                   const float* v_other, float* w, size_t begin, size_t end) {
  const int own = 3 * ic, cross = ic == 0 ? 1 : 2;
  const Groups gr(c);
  const float* a = c.k[own].data();
  const float* ad = c.kdiag[own].data();
  const bool has_cross = !c.k[cross].empty();
  const float* x = c.k[cross].data();
  const float* xd = c.kdiag[cross].data();
  const uint8_t* fixed = c.prescribed[ic].data();
  for (size_t row = begin; row < end; row += kSlice) {
    const size_t sl = row / kSlice, rows = std::min(kSlice, end - row);
    const size_t first = c.slice_at[sl], width = (c.slice_at[sl + 1] - first) / kSlice;
    const int32_t* groups = gr.code + first / kSlice;
#if defined(__AVX512F__)
    // As product_rows: the loop below, a whole slice at a time.
    if (rows == kSlice) {
      const __m512 own = _mm512_mul_ps(_mm512_loadu_ps(ad + row), _mm512_loadu_ps(v_own + row));
      __m512 t = _mm512_add_ps(_mm512_div_ps(_mm512_set1_ps(fc), _mm512_loadu_ps(minv + row)), own);
      if (has_cross) {
        t = _mm512_add_ps(t,
                          _mm512_mul_ps(_mm512_loadu_ps(xd + row), _mm512_loadu_ps(v_other + row)));
      }
      for (size_t k = 0; k < width; ++k) {
        const size_t at = first + k * kSlice;
        t = _mm512_add_ps(
            t, _mm512_mul_ps(_mm512_loadu_ps(a + at), group_values(gr, groups[k], v_own)));
        if (has_cross) {
          t = _mm512_add_ps(
              t, _mm512_mul_ps(_mm512_loadu_ps(x + at), group_values(gr, groups[k], v_other)));
        }
      }
      const __mmask16 free = _mm512_cmpeq_epi32_mask(
          _mm512_maskz_cvtepu8_epi32(
              0xffff, _mm_loadu_si128(reinterpret_cast<const __m128i*>(fixed + row))),
          _mm512_setzero_si512());
      _mm512_storeu_ps(w + row, _mm512_maskz_mov_ps(free, t));
      continue;
    }
#endif
    float t[kSlice] = {};
    for (size_t l = 0; l < rows; ++l) {
      t[l] = fc / minv[row + l] + ad[row + l] * v_own[row + l];
      if (has_cross) t[l] += xd[row + l] * v_other[row + l];
    }
    for (size_t k = 0; k < width; ++k) {
      const size_t at = first + k * kSlice;
      const int32_t g = groups[k];
      for (size_t l = 0; l < kSlice; ++l) {
        const size_t j = g >= 0 ? static_cast<size_t>(g) + l : static_cast<size_t>(gr.list(g)[l]);
        t[l] += a[at + l] * v_own[j];
        if (has_cross) t[l] += x[at + l] * v_other[j];
      }
    }
    for (size_t l = 0; l < rows; ++l) w[row + l] = fixed[row + l] ? 0.0f : t[l];
  }
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
  StepCache* cache = step_cache(s);
  if (cache == nullptr) return flag_on(s, " dicon:task arrays lie outside the pools");
  const Cmesh& c = s.cmesh;
  const int32_t n1 = c.n1;
  const float ht = s.cht.ht;
  const float t_new = s.cht.t + ht;
  set_time_step(s, *cache, ht);
  const StepCache& m = *cache;

  // Vectors of 2 n1 values, the c1 part then the c2 part; only the parts of the components that
  // are on are touched.
  float* conc = reals(s, p.jf[0]);
  float* x = reals(s, p.jf0[0]);
  float* work = reals(s, p.jdf[0]);
  float* r = work;
  float* g = work + 4 * int64_t{n1};
  float* z = work + 6 * int64_t{n1};
  float* dir = work + 8 * int64_t{n1};
  const float* minv = reals(s, c.jmm);
  const float fc[2] = {p.fc1, p.fc2};
  const auto part = [n1](int ic) { return int64_t{ic} * n1; };

  // The start value: the old field with the prescribed values written in.
  for (int ic = 0; ic < 2; ++ic) {
    if (!on[ic]) continue;
    std::copy_n(conc + part(ic), n1, x + part(ic));
    bou1(s, c.jj2, c.n3, p.jf0[ic], p.jfg[ic], p.jy[ic], 1);
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

  // The components that are on are the solver's systems, c1 first; every vector of the solver
  // starts at the part of the first of them.
  const int first = on[0] ? 0 : 1;
  const int systems = on[0] && on[1] ? 2 : 1;
  const auto span_of = [&](float* v) { return std::span<float>(v + part(first), systems * n1); };
  const std::span<const float> dg(m.dg.data() + part(first), systems * n1);
  // it = 0: the sources and the residual of the old field, cross diffusion included (a
  // component that is off still drives the other through its fixed values). Later: (M/ht + K) v
  // for the components still iterating.
  const float* old1 = on[0] ? x : conc;
  const float* old2 = on[1] ? x + n1 : conc + n1;
  const CjRowOperator op = [&](std::span<const float> v, std::span<float>, int it, unsigned live,
                               size_t begin, size_t end) {
    if (it == 0) {
      if (on[0]) residual_rows(m, 0, fc[0], minv, old1, old2, r, begin, end);
      if (on[1]) residual_rows(m, 1, fc[1], minv, old2, old1, r + n1, begin, end);
      return;
    }
    bool rows[2] = {false, false};
    for (int j = 0; j < systems; ++j) rows[first + j] = (live & (1u << j)) != 0;
    const float* vall = v.data() - part(first);
    if (rows[0] && rows[1]) {
      product_rows<true, true>(m, vall, vall + n1, r, r + n1, begin, end);
    } else if (rows[0]) {
      product_rows<true, false>(m, vall, vall + n1, r, r + n1, begin, end);
    } else {
      product_rows<false, true>(m, vall, vall + n1, r, r + n1, begin, end);
    }
  };
  CjOptions opt;
  opt.eps = kRelTol;
  opt.max_iterations = 4 * n1;
  opt.text = " dicon:";
  opt.nprint = kProgressEvery;
  opt.systems = systems;
  opt.threads = s.threads;
  const CjResult res =
      cj_rows(s, span_of(x), dg, span_of(r), span_of(g), span_of(dir), span_of(z), op, opt);
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
