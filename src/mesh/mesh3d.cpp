// MESH3DFD and MESH36: every 2D subregion extruded into layers or revolved about the axis, the
// subregions' 3D arrays stored in the scratch file and read back one after another.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_internal.hpp"

namespace tivor {

using namespace mesh_detail;

namespace {

// Grid neighbours of every 2D node along -ksi, +ksi, -eta, +eta (the node itself where there is
// none), read off the quadrilaterals (a, b, c, d): a -> b is +eta, b -> c is +ksi.
std::vector<int32_t> plane_neighbours(const int32_t* conn, int64_t n1, int64_t n2) {
  std::vector<int32_t> nb(4 * static_cast<size_t>(n1));
  for (int64_t k = 0; k < n1; ++k) std::fill_n(nb.begin() + 4 * k, 4, static_cast<int32_t>(k + 1));
  for (int64_t e = 0; e < n2; ++e) {
    int32_t v[4] = {0, 0, 0, 0};
    if (element_nodes(conn, 4, e, v) != 4) continue;
    auto set = [&](int32_t node, int dir, int32_t other) {
      if (node >= 1 && node <= n1) nb[4 * (node - 1) + dir] = other;
    };
    set(v[0], 3, v[1]);
    set(v[0], 1, v[3]);
    set(v[1], 2, v[0]);
    set(v[1], 1, v[2]);
    set(v[2], 0, v[1]);
    set(v[2], 2, v[3]);
    set(v[3], 0, v[0]);
    set(v[3], 3, v[2]);
  }
  return nb;
}

// The subregion's 3D arrays appended to the scratch file: the counts nuz3, nel3, nbe3, then x,
// y, z, jgran, jj13, jstar (hexahedra only) and jbelem.
int append_3d(Session& s, ScratchFile& f) {
  const Cmesh& c = s.cmesh;
  const int32_t counts[3] = {c.nuz3, c.nel3, c.nbe3};
  const size_t n = static_cast<size_t>(c.nuz3);
  return f.write(s, counts, sizeof counts) || f.write(s, reals(s, c.jxm), 4 * n) ||
         f.write(s, reals(s, c.jym), 4 * n) || f.write(s, reals(s, c.jzm), 4 * n) ||
         f.write(s, ints(s, c.jgran), 4 * n) ||
         f.write(s, ints(s, c.jj13), 4 * 2 * static_cast<size_t>(c.m) * c.nel3) ||
         (c.m == 4 && f.write(s, ints(s, c.jstar), 4 * 6 * n)) ||
         f.write(s, ints(s, c.jbelem), 4 * 4 * static_cast<size_t>(c.nbe3));
}

// Reads the subregions back into arrays sized for all of them; node numbers are offset by the
// nodes of the subregions before.
int read_back_3d(Session& s, ScratchFile& f, const std::vector<int64_t>& counts) {
  Cmesh& c = s.cmesh;
  int64_t nuz = 0, nel = 0, nbe = 0;
  for (int i = 0; i < c.ntel; ++i) {
    nuz += counts[3 * i];
    nel += counts[3 * i + 1];
    nbe += counts[3 * i + 2];
  }
  s.csize.maxa = c.maxaw;
  s.csize.maxk = c.maxkw;
  if (reserve_reals(s, c.jxm, nuz, "jxm") || reserve_reals(s, c.jym, nuz, "jym") ||
      reserve_reals(s, c.jzm, nuz, "jzm") || reserve_ints(s, c.jj13, 2 * c.m * nel, "jj13") ||
      reserve_ints(s, c.jbelem, 4 * nbe, "jbelem") || reserve_ints(s, c.jgran, nuz, "jgran") ||
      (c.m == 4 && reserve_ints(s, c.jstar, 6 * nuz, "jstar"))) {
    return 1;
  }
  if (f.rewind_for_reading(s)) return 1;
  int64_t at_n = 0, at_e = 0, at_b = 0;
  int32_t* jn[3] = {ints(s, c.jn1), ints(s, c.jn2), ints(s, c.jn3)};
  for (int i = 0; i < c.ntel; ++i) {
    int32_t head[3];
    if (f.read(s, head, sizeof head)) return 1;
    const size_t n = static_cast<size_t>(head[0]), ne = 2 * static_cast<size_t>(c.m) * head[1],
                 nb = 4 * static_cast<size_t>(head[2]);
    int32_t* conn = ints(s, c.jj13) + 2 * c.m * at_e;
    int32_t* star = c.m == 4 ? ints(s, c.jstar) + 6 * at_n : nullptr;
    int32_t* faces = ints(s, c.jbelem) + 4 * at_b;
    if (f.read(s, reals(s, c.jxm) + at_n, 4 * n) || f.read(s, reals(s, c.jym) + at_n, 4 * n) ||
        f.read(s, reals(s, c.jzm) + at_n, 4 * n) || f.read(s, ints(s, c.jgran) + at_n, 4 * n) ||
        f.read(s, conn, 4 * ne) || (star != nullptr && f.read(s, star, 4 * 6 * n)) ||
        f.read(s, faces, 4 * nb)) {
      return 1;
    }
    const auto off = static_cast<int32_t>(at_n);
    for (size_t k = 0; k < ne; ++k) conn[k] += off;
    for (size_t k = 0; star != nullptr && k < 6 * n; ++k) star[k] += off;
    for (size_t k = 0; k < nb; ++k) faces[k] += off;
    at_n += head[0];
    at_e += head[1];
    at_b += head[2];
    jn[0][i] = static_cast<int32_t>(at_n);
    jn[1][i] = static_cast<int32_t>(at_e);
    jn[2][i] = static_cast<int32_t>(at_b);
  }
  c.nuz3 = static_cast<int32_t>(at_n);
  c.nel3 = static_cast<int32_t>(at_e);
  c.nbe3 = static_cast<int32_t>(at_b);
  // The 2D arrays of the last subregion were overwritten: the record no longer names them.
  c.jrz = c.jj1 = c.jj2 = c.jgrz = 0;
  c.n1 = c.n2 = c.n3 = c.ng = 0;
  return 0;
}

}  // namespace

int mesh36(Session& s) {
  if (rtmr(s, "mesh36")) return 1;
  Cmesh& c = s.cmesh;
  int32_t nz = 1;
  float zn = 0.0f, zk = 1.0f;
  if (read_int(s, " number of elements along z", "nz", nz) || read_real(s, " zn", "zn", zn) ||
      read_real(s, " zk", "zk", zk)) {
    return 1;
  }
  if (nz == 0) {
    return flag_on(s, "mesh36:nz=0 is not allowed, nz>0 extrudes and nz<0 revolves");
  }
  if (!mesh_arrays_ok(s)) return bad_arrays(s);
  const int m = c.m;
  const int64_t layers = std::abs(int64_t{nz}), n1 = c.n1, n2 = c.n2;
  const int32_t* b2 = ints(s, c.jj2);
  int64_t walls = 0;
  for (int64_t k = 0; k < c.n3; ++k) walls += b2[2 * k + 1] >= 0;
  const int64_t nuz3 = (layers + 1) * n1, nel3 = layers * n2, nbe3 = layers * walls + 2 * n2;
  if (reserve_reals(s, c.jxm, nuz3, "jxm") || reserve_reals(s, c.jym, nuz3, "jym") ||
      reserve_reals(s, c.jzm, nuz3, "jzm") || reserve_ints(s, c.jj13, 2 * m * nel3, "jj13") ||
      reserve_ints(s, c.jbelem, 4 * nbe3, "jbelem") || reserve_ints(s, c.jgran, nuz3, "jgran") ||
      (m == 4 && reserve_ints(s, c.jstar, 6 * nuz3, "jstar"))) {
    return 1;
  }
  c.nuz3 = static_cast<int32_t>(nuz3);
  c.nel3 = static_cast<int32_t>(nel3);
  c.nbe3 = static_cast<int32_t>(nbe3);
  c.nz = nz;

  const float* rz = reals(s, c.jrz);
  float* x = reals(s, c.jxm);
  float* y = reals(s, c.jym);
  float* z = reals(s, c.jzm);
  for (int64_t k = 0; k <= layers; ++k) {
    for (int64_t i = 0; i < n1; ++i) {
      const double r = rz[2 * i], zz = rz[2 * i + 1];
      const int64_t at = k * n1 + i;
      if (nz > 0) {
        x[at] = static_cast<float>(r);
        y[at] = static_cast<float>(zz);
        z[at] = static_cast<float>(zn + k * (double{zk} - zn) / layers);
      } else {
        const double phi =
            std::numbers::pi * zn + k * std::numbers::pi * (double{zk} - zn) / layers;
        x[at] = static_cast<float>(r * std::cos(-phi));
        y[at] = static_cast<float>(r * std::sin(-phi));
        z[at] = static_cast<float>(zz);
      }
    }
  }

  const int32_t* conn = ints(s, c.jj1);
  int32_t* e3 = ints(s, c.jj13);
  for (int64_t k = 1; k <= layers; ++k) {
    for (int64_t e = 0; e < n2; ++e) {
      int32_t* out = e3 + 2 * m * ((k - 1) * n2 + e);
      for (int j = 0; j < m; ++j) {
        const int32_t v = std::abs(conn[m * e + j]);
        out[j] = static_cast<int32_t>((k - 1) * n1 + v);
        out[m + j] = static_cast<int32_t>(k * n1 + v);
      }
    }
  }

  // Side walls layer by layer, then the bottom and the top (turned round) of every element.
  int32_t* face = ints(s, c.jbelem);
  int64_t f = 0;
  for (int64_t k = 1; k <= layers; ++k) {
    for (int64_t j = 0; j < c.n3; ++j) {
      if (b2[2 * j + 1] < 0) continue;
      const int32_t a = std::abs(b2[2 * j]), bb = b2[2 * j + 1];
      const int32_t q[4] = {static_cast<int32_t>(k * n1 + a), static_cast<int32_t>(k * n1 + bb),
                            static_cast<int32_t>((k - 1) * n1 + bb),
                            static_cast<int32_t>((k - 1) * n1 + a)};
      std::copy_n(q, 4, face + 4 * f++);
    }
  }
  const int64_t top = layers * n1;
  for (int side = 0; side < 2; ++side) {
    for (int64_t e = 0; e < n2; ++e) {
      int32_t v[4] = {0, 0, 0, 0};
      const int nn = element_nodes(conn, m, e, v);
      int32_t* q = face + 4 * f++;
      for (int j = 0; j < nn; ++j) {
        q[j] = side == 0 ? v[j] : static_cast<int32_t>(top + v[nn - 1 - j]);
      }
      if (nn == 3) q[3] = q[2];
    }
  }

  int32_t* gran = ints(s, c.jgran);
  std::fill_n(gran, nuz3, 0);
  for (int64_t k = 0; k < 4 * nbe3; ++k) {
    const int32_t node = face[k];
    if (node >= 1 && node <= nuz3) gran[node - 1] = 1;
  }
  if (m == 4) {
    const std::vector<int32_t> nb = plane_neighbours(conn, n1, n2);
    int32_t* star = ints(s, c.jstar);
    for (int64_t k = 0; k <= layers; ++k) {
      for (int64_t i = 0; i < n1; ++i) {
        const int64_t node = k * n1 + i + 1;
        int32_t* st = star + 6 * (node - 1);
        for (int d = 0; d < 4; ++d) st[d] = static_cast<int32_t>(k * n1 + nb[4 * i + d]);
        st[4] = static_cast<int32_t>(k > 0 ? node - n1 : node);
        st[5] = static_cast<int32_t>(k < layers ? node + n1 : node);
      }
    }
  }
  return 0;
}

int mesh3dfd(Session& s) {
  if (rtmr(s, "mesh3dfd")) return 1;
  if (start_mesh(s)) return 1;
  Cmesh& c = s.cmesh;
  ScratchFile scratch;
  if (scratch.create(s)) return 1;
  std::vector<int64_t> counts;
  for (int i = 1; i <= c.ntel; ++i) {
    int32_t tipm = 1;
    if (read_generator(s, true, tipm) || make_subregion(s, i, tipm) || mesh36(s) ||
        append_3d(s, scratch))
      return 1;
    counts.insert(counts.end(), {c.nuz3, c.nel3, c.nbe3});
  }
  if (read_back_3d(s, scratch, counts)) return 1;
  scratch.remove();
  return 0;
}

}  // namespace tivor
