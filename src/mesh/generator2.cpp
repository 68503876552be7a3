// Generator 2 (MESH23, MESH24): the logical rectangle of nksi by neta cells mapped onto the
// curvilinear quadrilateral given by 8 boundary points through the 8-node serendipity functions.
#include <algorithm>

#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_internal.hpp"
#include "mesh/structured.hpp"

namespace tivor {

using namespace mesh_detail;

namespace mesh_detail {

int read_cells(Session& s, std::string_view key_ksi, std::string_view prompt_ksi,
               std::string_view key_eta, std::string_view prompt_eta, int32_t& nksi,
               int32_t& neta) {
  if (read_int(s, prompt_ksi, key_ksi, nksi) || read_int(s, prompt_eta, key_eta, neta)) return 1;
  nksi = std::max(nksi, 1);
  neta = std::max(neta, 1);
  return 0;
}

void block_boundary(int32_t nksi, int32_t neta, int32_t* b) {
  auto node = [neta](int32_t i, int32_t j) { return i * (neta + 1) + j + 1; };
  int32_t k = 0;
  auto append = [&](int32_t second) {
    b[2 * k + 1] = second;
    ++k;
  };
  for (int32_t i = nksi - 1; i >= 0; --i) append(node(i, 0));
  for (int32_t j = 1; j <= neta; ++j) append(node(0, j));
  for (int32_t i = 1; i <= nksi; ++i) append(node(i, neta));
  for (int32_t j = neta - 1; j >= 0; --j) append(node(nksi, j));
  // Each element starts where the one before it ends; the first where the last ends.
  for (int32_t e = 0; e < k; ++e) b[2 * e] = b[2 * ((e + k - 1) % k) + 1];
}

void block_quads(int32_t nksi, int32_t neta, int32_t* conn) {
  int64_t e = 0;
  for (int32_t i = 1; i <= nksi; ++i) {
    for (int32_t j = 1; j <= neta; ++j, ++e) {
      const int32_t a = (i - 1) * (neta + 1) + j;
      int32_t* q = conn + 4 * e;
      q[0] = a;
      q[1] = a + 1;
      q[2] = a + neta + 2;
      q[3] = a + neta + 1;
    }
  }
}

}  // namespace mesh_detail

namespace {

// Weights of the 8 points at (s, t) of the square [-1, 1]^2.
void serendipity(double s, double t, double (&n)[8]) {
  n[0] = -(1 - t) * (1 - s) * (1 + s + t) / 4;
  n[1] = (1 - t * t) * (1 - s) / 2;
  n[2] = -(1 - s) * (1 + t) * (1 + s - t) / 4;
  n[3] = (1 - s * s) * (1 + t) / 2;
  n[4] = (1 + s) * (1 + t) * (s + t - 1) / 4;
  n[5] = (1 + s) * (1 - t * t) / 2;
  n[6] = (1 + s) * (1 - t) * (s - t - 1) / 4;
  n[7] = (1 - s * s) * (1 - t) / 2;
}

double dist2(const float* rz, int32_t p, int32_t q) {
  const double dr = double{rz[2 * (p - 1)]} - rz[2 * (q - 1)];
  const double dz = double{rz[2 * (p - 1) + 1]} - rz[2 * (q - 1) + 1];
  return dr * dr + dz * dz;
}

// Each cell (a, b, c, d) as two consecutive triangles split along its shorter diagonal.
void block_triangles(int32_t nksi, int32_t neta, const float* rz, int32_t* conn) {
  int64_t t = 0;
  for (int32_t i = 1; i <= nksi; ++i) {
    for (int32_t j = 1; j <= neta; ++j) {
      const int32_t a = (i - 1) * (neta + 1) + j, b = a + 1, c = a + neta + 2, d = a + neta + 1;
      const int32_t split_bd[6] = {a, b, d, c, d, b};
      const int32_t split_ac[6] = {a, b, c, c, d, a};
      const int32_t* pick = dist2(rz, b, d) < dist2(rz, a, c) ? split_bd : split_ac;
      std::copy(pick, pick + 6, conn + 3 * t);
      t += 2;
    }
  }
}

int generator2(Session& s, int i, bool quads, std::string_view name, std::string_view rz_prompt) {
  if (rtmr(s, name)) return 1;
  Cmesh& c = s.cmesh;
  if (quads) c.m = 4;
  if (reserve_reals(s, c.jgrz, 16, "jgrz")) return 1;
  if (read_reals(s, rz_prompt, "rz", reals(s, c.jgrz), 16)) return 1;
  c.ng = 8;
  int32_t nksi = 1, neta = 1;
  if (read_cells(s, "nksi", " number of cells for ksi", "neta", " number of cells for eta", nksi,
                 neta)) {
    return 1;
  }
  const int64_t n1 = (int64_t{nksi} + 1) * (int64_t{neta} + 1);
  const int64_t cells = int64_t{nksi} * neta;
  const int64_t n2 = quads ? cells : 2 * cells;
  const int64_t n3 = 2 * (int64_t{nksi} + neta);
  if (reserve_reals(s, c.jrz, 2 * n1, "jrz") || reserve_ints(s, c.jj2, 2 * n3, "jj2") ||
      reserve_ints(s, c.jj1, c.m * n2, "jj1")) {
    return 1;
  }
  c.n1 = static_cast<int32_t>(n1);
  c.n2 = static_cast<int32_t>(n2);
  c.n3 = static_cast<int32_t>(n3);

  const float* p = reals(s, c.jgrz);
  float* rz = reals(s, c.jrz);
  for (int32_t ii = 0; ii <= nksi; ++ii) {
    const double sv = -1.0 + 2.0 * ii / nksi;
    for (int32_t jj = 0; jj <= neta; ++jj) {
      double w[8];
      serendipity(sv, -1.0 + 2.0 * jj / neta, w);
      double r = 0, z = 0;
      for (int k = 0; k < 8; ++k) {
        r += w[k] * p[2 * k];
        z += w[k] * p[2 * k + 1];
      }
      const int64_t node = int64_t{ii} * (neta + 1) + jj;
      rz[2 * node] = static_cast<float>(r);
      rz[2 * node + 1] = static_cast<float>(z);
    }
  }
  if (quads) {
    block_quads(nksi, neta, ints(s, c.jj1));
  } else {
    block_triangles(nksi, neta, rz, ints(s, c.jj1));
  }
  block_boundary(nksi, neta, ints(s, c.jj2));
  store_counts(s, i);
  return 0;
}

}  // namespace

int mesh23(Session& s, int i) {
  return generator2(s, i, false, "mesh23", " xy coordinates of 8 boundary nodes");
}

int mesh24(Session& s, int i) {
  return generator2(s, i, true, "mesh24", " coordinates of 8 boundary nodes");
}

}  // namespace tivor
