// MESH5_3: iterative improvement of a quadrilateral grid. Each quadrilateral is seen as four
// corner triangles; every corner pulls its free nodes towards a smoother grid and pushes them
// away from a vanishing Jacobian, node steps are limited to a small part of the local cell size,
// and the iteration ends at the first pass without inverted quadrilaterals whose largest and
// smallest quadrilateral Jacobians differ by less than a factor 8.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "console/console.hpp"
#include "core/newarr.hpp"
#include "core/trace_hook.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_internal.hpp"

namespace tivor {

using namespace mesh_detail;

namespace {

// Corner k uses the quadrilateral's nodes kCorner[k] with the weights kA (x_ksi, y_ksi) and kB
// (x_eta, y_eta) on them.
constexpr int kCorner[4][3] = {{3, 0, 1}, {0, 1, 2}, {1, 2, 3}, {2, 3, 0}};
constexpr double kA[4][3] = {{1, -1, 0}, {0, -1, 1}, {-1, 1, 0}, {0, 1, -1}};
constexpr double kB[4][3] = {{0, -1, 1}, {-1, 1, 0}, {0, 1, -1}, {1, -1, 0}};

constexpr double kStopRatio = 8.0;      // smax / smin below this ends the iteration
constexpr double kStepLimit = 0.005;    // of the local cell size
constexpr int kExtraIterations = 2000;  // beyond n1 iterations the run ends by itself

struct Corner {
  double xk, xe, yk, ye, jac;
};

Corner corner(const float* rz, const int32_t (&q)[4], int k) {
  Corner c{0, 0, 0, 0, 0};
  for (int t = 0; t < 3; ++t) {
    const int32_t n = q[kCorner[k][t]] - 1;
    c.xk += kA[k][t] * rz[2 * n];
    c.xe += kB[k][t] * rz[2 * n];
    c.yk += kA[k][t] * rz[2 * n + 1];
    c.ye += kB[k][t] * rz[2 * n + 1];
  }
  c.jac = c.xk * c.ye - c.xe * c.yk;
  return c;
}

// Counters of one pass over the grid.
struct PassStats {
  int neg4 = 0;  // corner triangles with J <= 0
  int neg = 0;   // quadrilaterals whose corner Jacobians sum to a negative value
  double smax = -1e30, smin = 1e30;
  double mean_abs_jac = 0.0;
};

// The work arrays following the grid: accumulated terms (2 per node), the limited step (2 per
// node), the diagonal weight and the local size (1 each per node), the fixed marks (1 per node).
struct Work {
  float* acc;
  float* step;
  float* diag;
  float* size;
  float* fixed;
};

// One pass: accumulates every free node's terms and returns the counters of the grid as it is.
PassStats accumulate(const float* rz, const int32_t* conn, int64_t n2, double jref, Work& w,
                     int64_t n1) {
  std::fill_n(w.acc, 2 * n1, 0.0f);
  std::fill_n(w.diag, n1, 0.0f);
  std::fill_n(w.size, n1, 0.0f);
  PassStats st;
  double sum_abs = 0.0;
  for (int64_t e = 0; e < n2; ++e) {
    int32_t q[4] = {0, 0, 0, 0};
    element_nodes(conn, 4, e, q);
    double sum = 0.0;
    for (int k = 0; k < 4; ++k) {
      const Corner c = corner(rz, q, k);
      sum += c.jac;
      sum_abs += std::abs(c.jac);
      if (c.jac <= 0.0) ++st.neg4;
      int32_t n[3];
      bool all_fixed = true;
      for (int t = 0; t < 3; ++t) {
        n[t] = q[kCorner[k][t]] - 1;
        all_fixed = all_fixed && w.fixed[n[t]] != 0.0f;
      }
      if (all_fixed) continue;
      // The exponential term grows without bound for inverted corners; 1/J^2 near J = 0.
      const double ex = std::exp(std::min(-c.jac / jref, 50.0));
      const double big_e = ex - 1.0 + 1.0 / std::pow(std::max(c.jac, 1e-4), 2);
      double smooth[3][2], barrier[3][2], s2 = 0.0, b2 = 0.0;
      for (int t = 0; t < 3; ++t) {
        const double a = kA[k][t], b = kB[k][t];
        smooth[t][0] = a * c.xk + b * c.xe;
        smooth[t][1] = a * c.yk + b * c.ye;
        barrier[t][0] = big_e * (a * c.ye - b * c.yk);
        barrier[t][1] = big_e * (b * c.xk - a * c.xe);
        s2 += smooth[t][0] * smooth[t][0] + smooth[t][1] * smooth[t][1];
        b2 += barrier[t][0] * barrier[t][0] + barrier[t][1] * barrier[t][1];
      }
      const double sigma = 0.1 * std::sqrt(b2 / std::max(s2, 1e-10) + 1e-10);
      const double h = std::max(std::hypot(c.xk, c.xe), std::hypot(c.yk, c.ye));
      for (int t = 0; t < 3; ++t) {
        if (w.fixed[n[t]] != 0.0f) continue;
        const double a = kA[k][t], b = kB[k][t];
        w.acc[2 * n[t]] += static_cast<float>(barrier[t][0] - sigma * smooth[t][0]);
        w.acc[2 * n[t] + 1] += static_cast<float>(barrier[t][1] - sigma * smooth[t][1]);
        w.diag[n[t]] += static_cast<float>(sigma * (a * a + b * b));
        w.size[n[t]] = std::max(w.size[n[t]], static_cast<float>(h));
      }
    }
    if (sum < 0.0) ++st.neg;
    st.smax = std::max(st.smax, sum);
    st.smin = std::min(st.smin, sum);
  }
  st.smin = std::max(st.smin, 1e-10);
  st.mean_abs_jac = n2 > 0 ? sum_abs / (4.0 * n2) : 0.0;
  return st;
}

// Moves every free node halfway along its limited step; the largest and the mean step.
void move_nodes(float* rz, int64_t n1, Work& w, double& largest, double& mean) {
  largest = 0.0;
  double total = 0.0;
  for (int64_t n = 0; n < n1; ++n) {
    if (w.fixed[n] != 0.0f) continue;
    double dx = w.acc[2 * n] / (w.diag[n] + 1e-10), dy = w.acc[2 * n + 1] / (w.diag[n] + 1e-10);
    const double len = std::hypot(dx, dy), limit = kStepLimit * w.size[n];
    if (len > limit) {
      dx *= limit / len;
      dy *= limit / len;
    }
    w.step[2 * n] = static_cast<float>(dx);
    w.step[2 * n + 1] = static_cast<float>(dy);
    rz[2 * n] += static_cast<float>(0.5 * dx);
    rz[2 * n + 1] += static_cast<float>(0.5 * dy);
    const double moved = std::min(len, limit);
    largest = std::max(largest, moved);
    total += moved;
  }
  mean = n1 > 0 ? total / n1 : 0.0;
}

void show_progress(Session& s, int it, const PassStats& st, int negs, double ss1, double iss1,
                   int64_t n1) {
  draw_mesh(s);
  clswnd3(s);
  const int32_t counts[4] = {it, st.neg, negs, st.neg4};
  prtim(s, "it,neg,negs,neg4=", counts, 4);
  rwrite(s, "smax/smin=", static_cast<float>(st.smax / st.smin), "(e12.4)", 1);
  const float mids[3] = {static_cast<float>(std::sqrt(st.mean_abs_jac)), static_cast<float>(ss1),
                         static_cast<float>(iss1)};
  prtrm(s, "hmid,ss1,iss1=", mids, 3);
  if (it > n1) txtcon(s, "hit esc to break");
}

}  // namespace

int mesh5_3(Session& s, int pic) {
  if (rtmr(s, "mesh5_3")) return 1;
  if (!mesh_arrays_ok(s) || s.cmesh.m != 4) return bad_arrays(s);
  Cmesh& c = s.cmesh;
  const int32_t saved_m = c.m, saved_maxa = s.csize.maxa;
  int32_t saved_jdcr[6];
  std::copy_n(c.jdcr, 6, saved_jdcr);
  const int64_t n1 = c.n1, n2 = c.n2;

  int32_t jw = 0;
  if (reserve_reals(s, jw, 7 * n1, "mesh5_3") ||
      newarr(s, c.jdcr, 1, 6, c.n1, s.csize.maxa, s.csize.na, "jdcr")) {
    return 1;
  }
  // The class arrays point at zeroed scratch, so that the viewer can show the grid meanwhile.
  std::fill_n(reals(s, c.jdcr[0]), 6 * n1, 0.0f);
  float* base = reals(s, jw);
  Work w{base, base + 2 * n1, base + 4 * n1, base + 5 * n1, base + 6 * n1};
  std::fill_n(w.fixed, n1, 0.0f);
  const int32_t* b = ints(s, c.jj2);
  for (int64_t k = 0; k < 2 * int64_t{c.n3}; ++k) {
    const int32_t n = std::abs(b[k]);
    if (n >= 1 && n <= n1) w.fixed[n - 1] = 1.0f;
  }

  if (pic == 1) {
    draw_mesh(s);
    clswnd3(s);
    paus(s, "initial grid");
  }
  float* rz = reals(s, c.jrz);
  const int32_t* conn = ints(s, c.jj1);
  double jref = std::max(accumulate(rz, conn, n2, 1.0, w, n1).mean_abs_jac, 1e-30);
  PassStats st;
  int negs = 0;
  bool reached = false;
  int it = 1;
  for (;; ++it) {
    st = accumulate(rz, conn, n2, jref, w, n1);
    jref = std::max(st.mean_abs_jac, 1e-30);
    const bool done = st.neg == 0 && st.smax / st.smin < kStopRatio;
    double ss1 = 0.0, iss1 = 0.0;
    if (!done) move_nodes(rz, n1, w, ss1, iss1);
    if (st.neg == 0) ++negs;
    if (it % 10 == 0) {
      if (pic == 1) show_progress(s, it, st, negs, ss1, iss1, n1);
      a_wait(s, static_cast<int>(n1 - it));
    }
    reached = done;
    if (done || it >= n1 + kExtraIterations) break;
    if (inkey(s) == key::kEsc) {
      iwrite(s, "it=", it, "(i8)", 1);
      mshterm(s, it);
      break;
    }
  }
  if (s.colors.col != 1) newstr(s);
  if (!reached) {
    // The grid is kept as it is; the mesh test that follows refuses it when it is inverted.
    txtcon(s, "mesh5:target not reached, stopped at it=" + fmt_int(it, "(i8)") +
                  (st.neg > 0 ? " neg=" + fmt_int(st.neg, "(i8)") : std::string()));
  }
  rwrite(s, "smax/smin=", static_cast<float>(st.smax / st.smin), "(e12.4)", 1);
  paus(s, "mesh5_end");
  c.m = saved_m;
  std::copy_n(saved_jdcr, 6, c.jdcr);
  s.csize.maxa = saved_maxa;
  return 0;
}

}  // namespace tivor
