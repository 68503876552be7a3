// The checker's queries on the current two-dimensional mesh: the node nearest a point, a node's
// coordinates and class values, the cell that holds a point, and the range of each result
// function. Every pointer taken from a record is checked against the pools before use; the
// point searches go through the mesh locator's cell indexes.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "core/function_read.hpp"
#include "mesh/locate.hpp"
#include "reader/reader.hpp"
#include "shell/checker.hpp"
#include "shell/pool_view.hpp"
#include "shell/shell.hpp"

namespace tivor {
namespace {

using pool_view::real_at;

float node_r(const Session& s, int k) {
  return s.a[static_cast<size_t>(s.cmesh.jrz + 2 * k - 1)];
}
float node_z(const Session& s, int k) {
  return s.a[static_cast<size_t>(s.cmesh.jrz + 2 * k)];
}

// The node numbers of element e (3, or 4 for a true quadrilateral); 0 when a number is not a
// node of the mesh. Requires a connectivity inside the pool (fcell2 found the element).
int element_nodes(const Session& s, int e, int (&nodes)[4]) {
  const Cmesh& c = s.cmesh;
  const int64_t base = c.jj1 + int64_t{e - 1} * c.m;
  for (int i = 0; i < c.m; ++i) {
    const int32_t k = std::abs(s.km[static_cast<size_t>(base + i + 1)]);
    if (k < 1 || k > c.n1) return 0;
    nodes[i] = k;
  }
  return (c.m == 4 && nodes[2] != nodes[3]) ? 4 : 3;
}

void wait_key(Session& s) {
  paus(s, "");
}

// Three or four reals per line of values when all of them are pool words.
void show_reals(Session& s, std::string_view label, const float* v, int n, bool ok) {
  if (ok) prtrm(s, label, v, n);
}

}  // namespace

std::vector<NodeCandidate> lntr1(const Session& s, float r, float z) {
  std::vector<NodeCandidate> out;
  for (const NodeWeight& w : MeshLocator(s).nodes_near(r, z)) out.push_back({w.node, w.weight});
  return out;
}

void lntrt(const Session& s, float r, float z, int& node) {
  node = 0;
  float weight = -1.0f;
  for (const NodeCandidate& c : lntr1(s, r, z)) {
    if (c.weight > weight) {
      weight = c.weight;
      node = c.node;
    }
  }
}

int fcell2(const Session& s, float r, float z) {
  return MeshLocator(s).cell_at(r, z);
}

void node2(Session& s) {
  int32_t k = 0;
  int n = 1;
  if (readi(s, " m: node number?", &k, n, "", 0) != 0) return;
  newstr(s);
  const Cmesh& c = s.cmesh;
  if (k < 1 || k > c.n1) return;
  float rz[2] = {0.0f, 0.0f};
  show_reals(
      s, "r,z=", rz, 2,
      real_at(s, c.jrz, 2 * int64_t{k} - 1, rz[0]) && real_at(s, c.jrz, 2 * int64_t{k}, rz[1]));
  float cl[2] = {0.0f, 0.0f};
  show_reals(s, "r_,z_=", cl, 2,
             real_at(s, c.jdcr[2], k, cl[0]) && real_at(s, c.jdcr[3], k, cl[1]));
  float vel[2] = {0.0f, 0.0f};
  show_reals(s, "vr,vz=", vel, 2,
             real_at(s, c.jdcr[0], k, vel[0]) && real_at(s, c.jdcr[1], k, vel[1]));
}

void prcell2(Session& s) {
  float p[2] = {0.0f, 0.0f};
  int n = 2;
  if (readr(s, " coordinates?", p, n, "", 0) != 0) return;
  newstr(s);
  const int e = fcell2(s, p[0], p[1]);
  if (e == 0) return;
  int v[4] = {0, 0, 0, 0};
  const int nn = element_nodes(s, e, v);
  const Cmesh& c = s.cmesh;
  iwrite(s, "nel=", e, "(i8)", 1);
  int32_t j1[4];
  float x0[4], y0[4];
  for (int i = 0; i < nn; ++i) {
    j1[i] = v[i];
    x0[i] = node_r(s, v[i]);
    y0[i] = node_z(s, v[i]);
  }
  prtim(s, "j1=", j1, nn);
  prtrm(s, "x0=", x0, nn);
  prtrm(s, "y0=", y0, nn);
  float dr[3], dz[3];
  bool dr_ok = true, dz_ok = true;
  for (int i = 0; i < 3; ++i) {
    dr_ok = real_at(s, c.jdr[i], e, dr[i]) && dr_ok;
    dz_ok = real_at(s, c.jdz[i], e, dz[i]) && dz_ok;
  }
  show_reals(s, "dr=", dr, 3, dr_ok);
  show_reals(s, "dz=", dz, 3, dz_ok);
  float area = 0.0f;
  show_reals(s, "sss=", &area, 1, real_at(s, c.jsss, e, area));
}

void fminmax(Session& s) {
  cls(s);
  const bool three_d = rtrim(getclass(s)) == "sl";
  const int64_t n = three_d ? s.cmesh.nuz3 : s.cmesh.n1;
  const int nf = std::clamp(s.cht.nipp, 0, 30);
  for (int k = 1; k <= nf; ++k) {
    function_read(s, k);
    const int32_t j = s.cht.ipp[k - 1];
    if (n < 1 || !real_array_ok(s, j, n)) continue;
    const float* f = &s.a[static_cast<size_t>(j) + 1];
    float lo = f[0], hi = f[0];
    for (int64_t i = 1; i < n; ++i) {
      lo = std::min(lo, f[i]);
      hi = std::max(hi, f[i]);
    }
    txtcon(s,
           field_str(s.cls.ppname[k - 1], 48) + fmt_real(lo, "(e12.4)") + fmt_real(hi, "(e12.4)"));
  }
  wait_key(s);
}

}  // namespace tivor
