// The element loops of the diffusion schemes: stiffness products and diagonals of linear
// triangles, element by element on the pools. Internal to src/classes/dif.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/pool.hpp"
#include "core/session.hpp"

namespace tivor::dif {

// The per-element arrays of the mesh record, element e at index e.
struct Elements {
  const int32_t* conn;  // 3 node numbers per element
  const float* dr[3];   // dN_k/dr
  const float* dz[3];   // dN_k/dz
  const float* sss;     // measure (area, times r_c when axisymmetric)
  const int32_t* last;  // cumulative element counts of the subregions
  int32_t ntel;
  int32_t n2;

  explicit Elements(const Session& s) {
    const Cmesh& c = s.cmesh;
    conn = ints(s, c.jj1);
    for (int k = 0; k < 3; ++k) {
      dr[k] = reals(s, c.jdr[k]);
      dz[k] = reals(s, c.jdz[k]);
    }
    sss = reals(s, c.jsss);
    last = ints(s, c.jn2);
    ntel = c.ntel;
    n2 = c.n2;
  }

  // Calls f(sub, first, end) for each subregion's element range [first, end).
  template <class F>
  void for_subregions(F&& f) const {
    int32_t first = 0;
    for (int32_t sub = 0; sub < ntel; ++sub) {
      int32_t end = last[sub];
      if (end < first) end = first;
      if (end > n2) end = n2;
      f(sub, first, end);
      first = end;
    }
  }
};

// r += K v for the unit-coefficient Laplace operator over all elements.
inline void laplace(const Elements& el, const float* v, float* r) {
  for (int32_t e = 0; e < el.n2; ++e) {
    const int32_t* nd = el.conn + 3 * e;
    const int32_t a = std::abs(nd[0]) - 1, b = std::abs(nd[1]) - 1, c = std::abs(nd[2]) - 1;
    const float ra = el.dr[0][e], rb = el.dr[1][e], rc = el.dr[2][e];
    const float za = el.dz[0][e], zb = el.dz[1][e], zc = el.dz[2][e];
    const float se = el.sss[e];
    const float gr = se * (v[a] * ra + v[b] * rb + v[c] * rc);
    const float gz = se * (v[a] * za + v[b] * zb + v[c] * zc);
    r[a] += ra * gr + za * gz;
    r[b] += rb * gr + zb * gz;
    r[c] += rc * gr + zc * gz;
  }
}

// diag += coef * S_e |grad N_k|^2 at each node k of elements [first, end).
inline void stiffness_diagonal(const Elements& el, int32_t first, int32_t end, float coef,
                               float* diag) {
  for (int32_t e = first; e < end; ++e) {
    const int32_t* nd = el.conn + 3 * e;
    const float se = coef * el.sss[e];
    for (int k = 0; k < 3; ++k) {
      const float gr = el.dr[k][e], gz = el.dz[k][e];
      diag[std::abs(nd[k]) - 1] += se * (gr * gr + gz * gz);
    }
  }
}

// Zeroes the rows of the nodes where a boundary element's flag is 0: the second node of each
// boundary element, interface edges (negative node) skipped as BOU1 skips them.
inline void clear_prescribed(const int32_t* jj2, int32_t n3, const int32_t* flag, float* r) {
  for (int32_t k = 0; k < n3; ++k) {
    const int32_t p = jj2[2 * k + 1];
    if (flag[k] == 0 && p > 0) r[p - 1] = 0.0f;
  }
}

// True when every array the schemes use lies inside the pools with node numbers in range.
bool task_arrays_ok(const Session& s);

// The report of a value that is not finite: " <routine>:conc<ic> not finite at node <node>
// t=<t>" (node from 1), with the error exit; returns 1.
int nonfinite(Session& s, std::string_view routine, int ic, int64_t node, float t);

}  // namespace tivor::dif
