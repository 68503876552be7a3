// Small operations on the mesh record: AROTOR, RZSCALE, GREL, MESHMOVE and MSHTERM.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_files.hpp"
#include "mesh/mesh_internal.hpp"
#include "reader/reader.hpp"

namespace tivor {

using namespace mesh_detail;

namespace mesh_detail {

namespace {

// The "turn" move: a rotation by the angle t[2] about (t[0], t[1]), then the shift (t[3], t[4]).
struct Turn {
  explicit Turn(const float (&t)[5])
      : r0(t[0]),
        z0(t[1]),
        ca(std::cos(double{t[2]})),
        sa(std::sin(double{t[2]})),
        shift_r(t[3]),
        shift_z(t[4]) {}
  void move(double& r, double& z) const {
    const double dr = r - r0, dz = z - z0;
    r = dr * ca - dz * sa + r0 + shift_r;
    z = dr * sa + dz * ca + z0 + shift_z;
  }
  double r0, z0, ca, sa, shift_r, shift_z;
};

}  // namespace

void turn_points(float* rz, int64_t n, const float (&t)[5]) {
  const Turn turn(t);
  for (int64_t k = 0; k < n; ++k) {
    double r = rz[2 * k], z = rz[2 * k + 1];
    turn.move(r, z);
    rz[2 * k] = static_cast<float>(r);
    rz[2 * k + 1] = static_cast<float>(z);
  }
}

void turn_polygons(std::vector<Polygon>& polys, const float (&t)[5]) {
  const Turn turn(t);
  for (Polygon& p : polys) {
    for (Pt& q : p) turn.move(q.y, q.x);  // a contour point is (z, r)
  }
}

int read_turn(Session& s, float (&t)[5]) {
  std::fill_n(t, 5, 0.0f);
  return read_reals(s, " center+angle+shift", "turn", t, 5);
}

int arotor_turn(Session& s, float (&t)[5]) {
  if (rtmr(s, "arotor")) return 1;
  if (read_turn(s, t)) return 1;
  if (!mesh_arrays_ok(s)) return bad_arrays(s);
  const Cmesh& c = s.cmesh;
  turn_points(reals(s, c.jrz), c.n1, t);
  if (c.ng > 0) turn_points(reals(s, c.jgrz), c.ng, t);
  return 0;
}

}  // namespace mesh_detail

int arotor(Session& s) {
  float t[5] = {0, 0, 0, 0, 0};
  return arotor_turn(s, t);
}

namespace mesh_detail {

int rzscale_by(Session& s, float& fr, float& fz) {
  if (rtmr(s, "rzscale")) return 1;
  float f[2] = {1, 1};
  if (read_reals(s, " scale", "scale", f, 2)) return 1;
  if (!mesh_arrays_ok(s)) return bad_arrays(s);
  fr = std::abs(f[0]) + 1e-6f, fz = std::abs(f[1]) + 1e-6f;
  float* rz = reals(s, s.cmesh.jrz);
  for (int64_t k = 0; k < s.cmesh.n1; ++k) {
    rz[2 * k] *= fr;
    rz[2 * k + 1] *= fz;
  }
  scale_mesh_files(s, fr, fz);
  return 0;
}

void scale_polygons(std::vector<Polygon>& polys, float fr, float fz) {
  for (Polygon& p : polys) {
    for (Pt& q : p) q = {q.x * fz, q.y * fr};  // a contour point is (z, r)
  }
}

}  // namespace mesh_detail

int rzscale(Session& s) {
  float fr = 1, fz = 1;
  return rzscale_by(s, fr, fz);
}

int grel(Session& s) {
  if (rtmr(s, "grel")) return 1;
  if (!mesh_arrays_ok(s)) return bad_arrays(s);
  Cmesh& c = s.cmesh;
  if (reserve_ints(s, c.jgrel, c.n3, "jgrel")) return 1;
  int32_t* owner = ints(s, c.jgrel);
  std::fill_n(owner, c.n3, 0);

  // The boundary edges sorted by their directed key; element edges are looked up among them
  // only when both their nodes are boundary nodes.
  const int32_t* b = ints(s, c.jj2);
  std::vector<std::pair<uint64_t, int32_t>> edges(static_cast<size_t>(c.n3));
  std::vector<char> on_boundary(static_cast<size_t>(c.n1) + 1, 0);
  for (int k = 0; k < c.n3; ++k) {
    const int32_t p = std::abs(b[2 * k]), q = std::abs(b[2 * k + 1]);
    edges[k] = {edge_key(p, q), k};
    if (p <= c.n1) on_boundary[p] = 1;
    if (q <= c.n1) on_boundary[q] = 1;
  }
  std::sort(edges.begin(), edges.end());
  const int32_t* conn = ints(s, c.jj1);
  for (int e = 1; e <= c.n2; ++e) {
    int32_t v[4] = {0, 0, 0, 0};
    const int nn = element_nodes(conn, c.m, e - 1, v);
    for (int i = 0; i < nn; ++i) {
      const int32_t p = v[i], q = v[(i + 1) % nn];
      if (p > c.n1 || q > c.n1 || !on_boundary[p] || !on_boundary[q]) continue;
      const uint64_t key = edge_key(p, q);
      for (auto it = std::lower_bound(edges.begin(), edges.end(), std::make_pair(key, 0));
           it != edges.end() && it->first == key; ++it) {
        if (owner[it->second] == 0) owner[it->second] = e;  // the first element in order
      }
    }
  }
  return 0;
}

void meshmove(Session& s, float factor) {
  if (rtmr(s, "meshmove")) return;
  s.cterm.rmesh = factor;
}

int mshterm(Session& s, int it) {
  if (rtmr(s, "mshterm")) return 0;
  clswnd3(s);
  iwrite(s, "it=", it, "(i8)", 1);
  dispstr(s, " view?(y/n)");
  int key = 0;
  grfkey(s, key);
  if (key != 'y' && key != 'Y') return 0;
  // The viewer talks to the keyboard; the data file then goes on with its next line.
  readin(s, 0, "&", kKeyboardUnit, 1);
  if (s.up.arez) s.up.arez();
  rstread(s);
  return 1;
}

}  // namespace tivor
