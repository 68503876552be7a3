// MESH4TO3: quadrilaterals to triangles, each split along its shorter diagonal.
#include <algorithm>

#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_internal.hpp"

namespace tivor {

using namespace mesh_detail;

namespace {

double dist2(const float* rz, int32_t p, int32_t q) {
  const double dr = double{rz[2 * (p - 1)]} - rz[2 * (q - 1)];
  const double dz = double{rz[2 * (p - 1) + 1]} - rz[2 * (q - 1) + 1];
  return dr * dr + dz * dz;
}

}  // namespace

int mesh4to3(Session& s) {
  if (rtmr(s, "mesh4to3")) return 1;
  Cmesh& c = s.cmesh;
  if (c.m == 3) return 0;
  if (!mesh_arrays_ok(s)) return bad_arrays(s);
  if (!node_numbers_ok(s)) return bad_node_numbers(s);
  const int64_t n2 = c.n2;
  const int64_t need = int64_t{c.jj1} + 6 * n2;
  if (need >= int_words(s)) return need_more_ints(s, need);

  // Backwards, quadrilateral e's two triangles land on words 6e-5..6e, never on a quadrilateral
  // still to be read; a forward pass then drops the second triangle of collapsed ones.
  int32_t* conn = ints(s, c.jj1);
  const float* rz = reals(s, c.jrz);
  for (int64_t e = n2 - 1; e >= 0; --e) {
    const int32_t a = conn[4 * e], b = conn[4 * e + 1], cc = conn[4 * e + 2], d = conn[4 * e + 3];
    int32_t* t = conn + 6 * e;
    const bool along_bd = dist2(rz, b, d) <= dist2(rz, a, cc);
    const int32_t first[3] = {a, b, along_bd ? d : cc};
    const int32_t second[3] = {along_bd ? d : a, along_bd ? b : cc, along_bd ? cc : d};
    std::copy_n(second, 3, t + 3);
    std::copy_n(first, 3, t);
    if (cc == d) t[3] = 0;  // only the first triangle counts
  }
  int64_t out = 0;
  for (int64_t e = 0; e < n2; ++e) {
    const int32_t* t = conn + 6 * e;
    const int pieces = t[3] == 0 ? 1 : 2;
    std::copy_n(t, 3 * pieces, conn + 3 * out);
    out += pieces;
  }
  c.n2 = static_cast<int32_t>(out);
  c.m = 3;
  s.csize.maxk = c.jj1 + 3 * c.n2;
  return 0;
}

}  // namespace tivor
