// Generator 5 (MESH5, MESH5_RD): four boundary polylines, the side nodes placed at equal steps of
// arc length, the interior on straight lines between the sides j = 0 and j = neta, then
// improved by MESH5_3.
#include <algorithm>
#include <cmath>
#include <vector>

#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "gfx/gfx.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_internal.hpp"
#include "mesh/structured.hpp"
#include "mesh/triangulation.hpp"

namespace tivor {

using namespace mesh_detail;

namespace {

// Puts nodes 0..cells at equal steps of arc length along the polyline of ng points (r, z
// interleaved); node k goes to out[k] (r, z interleaved too). The last node is the last point.
void place_by_arc_length(const float* pts, int ng, int cells, std::vector<float>& out) {
  out.assign(2 * static_cast<size_t>(cells + 1), 0.0f);
  std::vector<double> len(static_cast<size_t>(ng), 0.0);
  for (int k = 1; k < ng; ++k) {
    len[k] = len[k - 1] + std::hypot(double{pts[2 * k]} - pts[2 * k - 2],
                                     double{pts[2 * k + 1]} - pts[2 * k - 1]);
  }
  const double total = len[ng - 1];
  int seg = 0;
  for (int k = 0; k <= cells; ++k) {
    if (k == cells || total <= 0.0) {
      const int p = k == cells ? ng - 1 : 0;
      out[2 * k] = pts[2 * p];
      out[2 * k + 1] = pts[2 * p + 1];
      continue;
    }
    const double at = total * k / cells;
    while (seg + 2 < ng && len[seg + 1] < at) ++seg;
    const int q = std::min(seg + 1, ng - 1);
    const double span = len[q] - len[seg];
    const double w = span > 0.0 ? std::clamp((at - len[seg]) / span, 0.0, 1.0) : 0.0;
    out[2 * k] = static_cast<float>(pts[2 * seg] + w * (double{pts[2 * q]} - pts[2 * seg]));
    out[2 * k + 1] =
        static_cast<float>(pts[2 * seg + 1] + w * (double{pts[2 * q + 1]} - pts[2 * seg + 1]));
  }
}

// Logical position (i, j) of node k along side 1..4: side 1 is i = 0 (j up), side 2 j = neta
// (i up), side 3 i = nksi (j down), side 4 j = 0 (i down); the four run once round the block in
// the sense of the boundary elements.
void side_node(int side, int k, int32_t nksi, int32_t neta, int32_t& i, int32_t& j) {
  switch (side) {
    case 1:
      i = 0, j = k;
      break;
    case 2:
      i = k, j = neta;
      break;
    case 3:
      i = nksi, j = neta - k;
      break;
    default:
      i = nksi - k, j = 0;
      break;
  }
}

// MESH5_RD: counts, arrays, the four sides and the starting interior. The four polylines are
// kept one after another at the real pool's mark and together form the contour jgrz.
int mesh5_rd(Session& s) {
  if (rtmr(s, "mesh5_rd")) return 1;
  Cmesh& c = s.cmesh;
  int32_t nksi = 1, neta = 1;
  if (read_cells(s, "nksi", " nksi", "neta", " neta", nksi, neta)) return 1;
  const int64_t n1 = (int64_t{nksi} + 1) * (int64_t{neta} + 1);
  const int64_t n2 = int64_t{nksi} * neta;
  const int64_t n3 = 2 * (int64_t{nksi} + neta);
  if (reserve_ints(s, c.jj2, 2 * n3, "jj2") || reserve_ints(s, c.jj1, 4 * n2, "jj1") ||
      reserve_reals(s, c.jrz, 2 * n1, "jrz")) {
    return 1;
  }
  c.n1 = static_cast<int32_t>(n1);
  c.n2 = static_cast<int32_t>(n2);
  c.n3 = static_cast<int32_t>(n3);
  c.jgrz = s.csize.maxa;
  c.ng = 0;

  auto node = [neta](int32_t i, int32_t j) { return i * (neta + 1) + j + 1; };
  int32_t* b = ints(s, c.jj2);
  int64_t nb = 0;
  std::vector<float> placed;
  for (int side = 1; side <= 4; ++side) {
    int32_t ng = 1;
    if (read_int(s, " number of boundary nodes", "ng", ng)) return 1;
    ng = std::max(ng, 1);
    int32_t jside = 0;
    if (reserve_reals(s, jside, 2 * int64_t{ng}, "jgrz")) return 1;
    if (read_reals(s, " coordinates (r,z)", "grz", reals(s, jside), 2 * ng)) return 1;
    c.ng += ng;

    const int cells = (side % 2 == 1) ? neta : nksi;
    place_by_arc_length(reals(s, jside), ng, cells, placed);
    float* rz = reals(s, c.jrz);
    int32_t prev = 0;
    for (int k = 0; k <= cells; ++k) {
      int32_t i = 0, j = 0;
      side_node(side, k, nksi, neta, i, j);
      const int32_t n = node(i, j);
      rz[2 * (n - 1)] = placed[2 * k];
      rz[2 * (n - 1) + 1] = placed[2 * k + 1];
      if (k > 0) {
        b[2 * nb] = prev;
        b[2 * nb + 1] = n;
        ++nb;
      }
      prev = n;
    }
  }

  float* rz = reals(s, c.jrz);
  for (int32_t i = 1; i < nksi; ++i) {
    const int32_t bottom = node(i, 0) - 1, top = node(i, neta) - 1;
    for (int32_t j = 1; j < neta; ++j) {
      const double w = static_cast<double>(j) / neta;
      const int32_t n = node(i, j) - 1;
      rz[2 * n] = static_cast<float>((1 - w) * rz[2 * bottom] + w * rz[2 * top]);
      rz[2 * n + 1] = static_cast<float>((1 - w) * rz[2 * bottom + 1] + w * rz[2 * top + 1]);
    }
  }
  block_quads(nksi, neta, ints(s, c.jj1));
  return 0;
}

}  // namespace

int mesh5(Session& s, int i) {
  if (rtmr(s, "mesh5")) return 1;
  Cmesh& c = s.cmesh;
  int32_t pic = 0;
  if (read_int(s, "drawing during grid generation", "pic", pic)) return 1;
  const OutputSwitches outputs(s);
  if (pic == 1) gout(s, 0, 1, 1);  // raster and screen while the grid is drawn

  const int32_t asked_m = c.m;
  c.m = 4;
  if (mesh5_rd(s)) return 1;
  const int32_t contour_end = s.csize.maxa;
  if (mesh5_3(s, pic)) return 1;
  if (asked_m == 3 && mesh4to3(s)) return 1;
  // The contour stays behind the coordinates: refinement projects boundary nodes onto it.
  s.csize.maxa = contour_end;
  s.csize.maxk = c.jj1 + c.m * c.n2;
  store_counts(s, i);
  return 0;
}

}  // namespace tivor
