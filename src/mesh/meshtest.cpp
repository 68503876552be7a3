// MESHTEST: the validity check run after every generator, refinement and the assembly.
#include <algorithm>
#include <cstdlib>

#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_internal.hpp"

namespace tivor {

using namespace mesh_detail;

namespace {

// Boundary elements at least 1e-6 long for a mesh of size 1, and 1e-6 of the mesh's size
// otherwise, so that the same mesh passes in any unit of length.
constexpr double kMinLength = 1e-6;

// The larger of the mesh's extents in r and in z.
double mesh_size(const float* rz, int64_t n1) {
  if (n1 < 1) return 0.0;
  const NodesBox box = nodes_box(rz, n1);
  return std::max(double{box.hi[0]} - box.lo[0], double{box.hi[1]} - box.lo[1]);
}

bool node_ok(int32_t k, int32_t n1) {
  return k >= 1 && k <= n1;
}

int bad_boundary(Session& s, int k, const int32_t (&kn)[2]) {
  const Cmesh& c = s.cmesh;
  const float* rz = reals(s, c.jrz);
  clswnd3(s);
  iwrite(s, "meshtest:boundary:nelg=", k, "(i8)", 0);
  prtim(s, "  kn=", kn, 2);
  float rr[2] = {0.0f, 0.0f}, zz[2] = {0.0f, 0.0f};
  for (int i = 0; i < 2; ++i) {
    const int32_t n = std::abs(kn[i]);
    if (!node_ok(n, c.n1)) continue;
    rr[i] = rz[2 * (n - 1)];
    zz[i] = rz[2 * (n - 1) + 1];
  }
  prtrm(s, " rr= zz=", rr, 2);
  prtrm(s, " zz=", zz, 2);
  return flag_on(s, "boundary element length=0");
}

int bad_element(Session& s, int e, const int32_t (&v)[4], int nn) {
  const Cmesh& c = s.cmesh;
  const float* rz = reals(s, c.jrz);
  if (s.colors.col != 1) newstr(s);
  iwrite(s, " meshtest:nel=", e, "(i8)", 0);
  prtim(s, "j1=", v, c.m);
  float r[4] = {0, 0, 0, 0}, z[4] = {0, 0, 0, 0};
  for (int i = 0; i < nn; ++i) {
    if (!node_ok(v[i], c.n1)) continue;
    r[i] = rz[2 * (v[i] - 1)];
    z[i] = rz[2 * (v[i] - 1) + 1];
  }
  prtrm(s, " r=", r, nn);
  prtrm(s, " z=", z, nn);
  return flag_on(s, " wrong element");
}

}  // namespace

int meshtest(Session& s) {
  if (rtmr(s, "meshtest")) return 1;
  if (!mesh_arrays_ok(s)) return bad_arrays(s);
  const Cmesh& c = s.cmesh;
  const float* rz = reals(s, c.jrz);
  const int32_t* b = ints(s, c.jj2);
  const double min_length = kMinLength * mesh_size(rz, c.n1);
  for (int k = 1; k <= c.n3; ++k) {
    const int32_t kn[2] = {b[2 * (k - 1)], b[2 * (k - 1) + 1]};
    if (kn[1] < 0) continue;  // interface edge
    const int32_t p = std::abs(kn[0]), q = kn[1];
    if (!node_ok(p, c.n1) || !node_ok(q, c.n1)) return bad_boundary(s, k, kn);
    const double dr = double{rz[2 * (q - 1)]} - rz[2 * (p - 1)];
    const double dz = double{rz[2 * (q - 1) + 1]} - rz[2 * (p - 1) + 1];
    const double len2 = dr * dr + dz * dz;
    if (!(len2 > 0.0 && len2 >= min_length * min_length)) return bad_boundary(s, k, kn);
  }
  const int32_t* conn = ints(s, c.jj1);
  for (int e = 1; e <= c.n2; ++e) {
    int32_t v[4] = {0, 0, 0, 0};
    const int nn = element_nodes(conn, c.m, e - 1, v);
    bool ok = true;
    for (int i = 0; i < c.m; ++i) ok = ok && node_ok(v[i], c.n1);
    if (ok) {
      ok = element_oriented(rz, v, nn);
    }
    if (!ok) return bad_element(s, e, v, nn);
  }
  return 0;
}

}  // namespace tivor
