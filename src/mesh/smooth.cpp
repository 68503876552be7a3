// ARZCOR and SMOO1: smoothing of node positions. Each pass moves every node halfway towards the
// centre of the range that each coordinate spans over its element neighbours; boundary nodes
// stay, and so do the nodes of an element that the move would turn inside out, and the nodes
// that it would take out of the region when the region is known.
#include <algorithm>
#include <cstdlib>
#include <limits>

#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_internal.hpp"

namespace tivor {

using namespace mesh_detail;

namespace {

constexpr float kAlpha = 0.5f;

// Puts back to their old positions (old_r, old_z) the moved nodes of every element that the
// move would turn inside out or flatten below the orientation margin, until no element is
// left so; a node put back may spoil a neighbour, hence the repeat. It ends because every
// repeat puts back at least one node.
void keep_orientation(float* rz, const int32_t* conn, int64_t n2, int m, int64_t n1,
                      const float* old_r, const float* old_z) {
  for (bool again = true; again;) {
    again = false;
    for (int64_t e = 0; e < n2; ++e) {
      int32_t v[4] = {0, 0, 0, 0};
      const int nn = element_nodes(conn, m, e, v);
      bool inside = true;
      for (int i = 0; i < nn; ++i) inside = inside && v[i] >= 1 && v[i] <= n1;
      if (!inside || element_oriented(rz, v, nn)) continue;
      for (int i = 0; i < nn; ++i) {
        const int64_t k = v[i] - 1;
        if (rz[2 * k] == old_r[k] && rz[2 * k + 1] == old_z[k]) continue;
        rz[2 * k] = old_r[k];
        rz[2 * k + 1] = old_z[k];
        again = true;
      }
    }
  }
}

// The nodes that the move took out of the region go back to where they were (old_r, old_z).
// Nodes that were outside it already (those of subregions whose contours are not known) may
// move.
void keep_in_region(float* rz, int64_t n1, const float* old_r, const float* old_z,
                    const std::vector<Polygon>& region) {
  std::vector<Pt> now(static_cast<size_t>(n1));
  for (int64_t k = 0; k < n1; ++k) now[k] = {rz[2 * k + 1], rz[2 * k]};  // (z, r), as contours
  const double tol = 1e-6 * extent(region);
  const std::vector<int64_t> out = points_outside(region, now, 0, tol);
  // Where the nodes found outside were before the move; only those few are looked at again.
  std::vector<Pt> before;
  for (const int64_t k : out) before.push_back({old_z[k], old_r[k]});
  const std::vector<int64_t> was_out = points_outside(region, before, 0, tol);
  for (size_t i = 0; i < out.size(); ++i) {
    if (std::binary_search(was_out.begin(), was_out.end(), static_cast<int64_t>(i))) continue;
    rz[2 * out[i]] = old_r[out[i]];
    rz[2 * out[i] + 1] = old_z[out[i]];
  }
}

// SMOO1: one pass with the 4 * n1 words at work (new r, new z, low, high).
int smoo1(Session& s, float* work, const std::vector<Polygon>* region) {
  if (rtmr(s, "smoo1")) return 1;
  const Cmesh& c = s.cmesh;
  const int64_t n1 = c.n1;
  float* rz = reals(s, c.jrz);
  float* lo = work + 2 * n1;
  float* hi = work + 3 * n1;
  const int32_t* conn = ints(s, c.jj1);
  for (int coord = 0; coord < 2; ++coord) {
    std::fill_n(lo, n1, std::numeric_limits<float>::infinity());
    std::fill_n(hi, n1, -std::numeric_limits<float>::infinity());
    for (int64_t e = 0; e < c.n2; ++e) {
      int32_t v[4] = {0, 0, 0, 0};
      const int nn = element_nodes(conn, c.m, e, v);
      for (int i = 0; i < nn; ++i) {
        if (v[i] < 1 || v[i] > n1) continue;
        for (int j = 0; j < nn; ++j) {
          if (v[j] == v[i] || v[j] < 1 || v[j] > n1) continue;
          const float x = rz[2 * (v[j] - 1) + coord];
          lo[v[i] - 1] = std::min(lo[v[i] - 1], x);
          hi[v[i] - 1] = std::max(hi[v[i] - 1], x);
        }
      }
    }
    float* out = work + coord * n1;
    for (int64_t k = 0; k < n1; ++k) {
      const float old = rz[2 * k + coord];
      out[k] = lo[k] <= hi[k] ? kAlpha * (lo[k] + hi[k]) / 2 + (1 - kAlpha) * old : old;
    }
  }
  const int32_t* b = ints(s, c.jj2);
  for (int64_t k = 0; k < 2 * int64_t{c.n3}; ++k) {
    const int32_t n = std::abs(b[k]);
    if (n < 1 || n > n1) continue;
    work[n - 1] = rz[2 * (n - 1)];
    work[n1 + n - 1] = rz[2 * (n - 1) + 1];
  }
  // The old positions go to lo and hi, the new ones into the mesh.
  for (int64_t k = 0; k < n1; ++k) {
    lo[k] = rz[2 * k];
    hi[k] = rz[2 * k + 1];
    rz[2 * k] = work[k];
    rz[2 * k + 1] = work[n1 + k];
  }
  if (region != nullptr) keep_in_region(rz, n1, lo, hi, *region);
  keep_orientation(rz, conn, c.n2, c.m, n1, lo, hi);
  return 0;
}

}  // namespace

namespace mesh_detail {

int arzcor_within(Session& s, int ncor, const std::vector<Polygon>* region) {
  if (rtmr(s, "arzcor")) return 1;
  if (!mesh_arrays_ok(s)) return bad_arrays(s);
  const int64_t n1 = s.cmesh.n1;
  if (real_words(s) - s.csize.maxa < 4 * n1) return flag_on(s, " arzcor:not enouth memory in /a/");
  float* work = reals(s, s.csize.maxa);
  for (int pass = 0; pass < ncor; ++pass) {
    if (smoo1(s, work, region)) return 1;
  }
  return 0;
}

}  // namespace mesh_detail

int arzcor(Session& s, int ncor) {
  return arzcor_within(s, ncor, nullptr);
}

}  // namespace tivor
