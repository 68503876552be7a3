// The named curves and zone interfaces kept from the mesh files of generator 6, and the
// boundary elements found on them. Boundary elements are matched by position, not by number:
// the assembly renumbers, gluing splits edges at hanging nodes and refinement halves them, but
// every piece still lies on the file's edge it came from.
#include "mesh/mesh_files.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "mesh/mesh.hpp"
#include "mesh/mesh_internal.hpp"
#include "mesh/spatial_index.hpp"

namespace tivor {

using namespace mesh_detail;

namespace {

struct Segment {
  float r1, z1, r2, z2;
  double before;  // length of the curve before this segment
};
struct KeptCurve {
  std::string name;
  std::vector<Segment> segments;
  double length = 0.0;
};
struct KeptFile {
  std::string name;
  std::vector<KeptCurve> curves;
  std::vector<Segment> interfaces;
};
struct MeshFiles : ClassCache {
  std::vector<KeptFile> files;
};

const MeshFiles* kept(const Session& s) {
  return dynamic_cast<const MeshFiles*>(s.mesh_files.held.get());
}

// Where the point lies along the segment (0 at its start, 1 at its end) when it lies on it
// within tol; -1 otherwise.
double along(const Segment& g, double r, double z, double tol) {
  const double dr = double{g.r2} - g.r1, dz = double{g.z2} - g.z1;
  const double len2 = dr * dr + dz * dz;
  if (!(len2 > 0.0)) return -1.0;
  const double t = ((r - g.r1) * dr + (z - g.z1) * dz) / len2;
  const double slack = tol / std::sqrt(len2);
  if (t < -slack || t > 1.0 + slack) return -1.0;
  const double fr = g.r1 + t * dr - r, fz = g.z1 + t * dz - z;
  return fr * fr + fz * fz <= tol * tol ? std::clamp(t, 0.0, 1.0) : -1.0;
}

// The segments in a cell index, for finding those under a point.
CellIndex index_of(const std::vector<Segment>& segments, double tol) {
  double total = 0.0;
  for (const Segment& g : segments) total += std::hypot(g.r2 - g.r1, g.z2 - g.z1);
  CellIndex index(std::max(total / std::max<size_t>(segments.size(), 1), 1e-12));
  for (size_t i = 0; i < segments.size(); ++i) {
    const Segment& g = segments[i];
    index.add_segment(g.r1, g.z1, g.r2, g.z2, tol, static_cast<int32_t>(i));
  }
  index.finish();
  return index;
}

// Calls f(k, segment, position of the tested point on it) for each boundary element k taken by
// the segments: with the midpoint tested, an element lying on one of them with both its nodes;
// with the second node tested, an element whose second node lies on one of them, as an interval
// given by coordinates takes it, so that the node where the curve starts is held too.
template <class F>
void on_segments(const Session& s, const std::vector<Segment>& segments, bool midpoint, F f) {
  const Cmesh& c = s.cmesh;
  if (segments.empty() || !mesh_arrays_ok(s)) return;
  const double tol = boundary_tolerance(s).round;
  const CellIndex index = index_of(segments, tol);
  const float* rz = reals(s, c.jrz);
  const int32_t* b = ints(s, c.jj2);
  for (int32_t k = 0; k < c.n3; ++k) {
    const int32_t p = std::abs(b[2 * k]), q = std::abs(b[2 * k + 1]);
    if (p < 1 || p > c.n1 || q < 1 || q > c.n1) continue;
    const double rp = rz[2 * (p - 1)], zp = rz[2 * (p - 1) + 1];
    const double rq = rz[2 * (q - 1)], zq = rz[2 * (q - 1) + 1];
    const double rm = (rp + rq) / 2, zm = (zp + zq) / 2;
    const double rt = midpoint ? rm : rq, zt = midpoint ? zm : zq;  // the tested point
    int32_t found = -1;
    double t = 0.0;
    index.for_each_at(rt, zt, [&](int32_t i) {
      const Segment& g = segments[static_cast<size_t>(i)];
      if (found >= 0 || along(g, rq, zq, tol) < 0) return;
      if (midpoint && along(g, rp, zp, tol) < 0) return;
      found = i;
      t = along(g, rt, zt, tol);
    });
    if (found >= 0) f(k, segments[static_cast<size_t>(found)], t);
  }
}

Segment segment(const std::vector<float>& rz, int32_t a, int32_t b, double before) {
  return {rz[2 * static_cast<size_t>(a)], rz[2 * static_cast<size_t>(a) + 1],
          rz[2 * static_cast<size_t>(b)], rz[2 * static_cast<size_t>(b) + 1], before};
}

}  // namespace

namespace mesh_detail {

void clear_mesh_files(Session& s) {
  s.mesh_files.held.reset();
}

void keep_mesh_file(Session& s, std::string_view name, const MshMesh& mesh, const float (&t)[5]) {
  std::vector<float> rz = mesh.rz;
  turn_points(rz.data(), static_cast<int64_t>(rz.size() / 2), t);
  KeptFile file{std::string(name), {}, {}};
  for (const MshMesh::Curve& curve : mesh.curves) {
    KeptCurve kc{curve.name, {}, 0.0};
    for (const auto& e : curve.edges) {
      const Segment g = segment(rz, e[0], e[1], kc.length);
      kc.length += std::hypot(double{g.r2} - g.r1, double{g.z2} - g.z1);
      kc.segments.push_back(g);
    }
    file.curves.push_back(std::move(kc));
  }
  // An edge that elements of two zones have is an interface of the file.
  std::vector<std::pair<uint64_t, size_t>> edges;
  for (size_t z = 0; z < mesh.zones.size(); ++z) {
    for (const MshMesh::Cell& cell : mesh.zones[z].cells) {
      for (int i = 0; i < cell.corners; ++i) {
        const int32_t a = cell.node[i], b = cell.node[(i + 1) % cell.corners];
        edges.emplace_back(edge_key(std::min(a, b), std::max(a, b)), z);
      }
    }
  }
  std::sort(edges.begin(), edges.end());
  for (size_t i = 1; i < edges.size(); ++i) {
    if (edges[i].first != edges[i - 1].first || edges[i].second == edges[i - 1].second) continue;
    const auto a = static_cast<int32_t>(edges[i].first >> 32);
    const auto b = static_cast<int32_t>(edges[i].first & 0xffffffffu);
    file.interfaces.push_back(segment(rz, a, b, 0.0));
  }
  class_cache_of<MeshFiles>(s.mesh_files).files.push_back(std::move(file));
}

void scale_mesh_files(Session& s, float fr, float fz) {
  auto* files = dynamic_cast<MeshFiles*>(s.mesh_files.held.get());
  if (files == nullptr) return;
  auto scale = [fr, fz](std::vector<Segment>& segments) {
    for (Segment& g : segments) {
      g.r1 *= fr;
      g.z1 *= fz;
      g.r2 *= fr;
      g.z2 *= fz;
    }
  };
  for (KeptFile& file : files->files) {
    scale(file.interfaces);
    for (KeptCurve& curve : file.curves) {
      scale(curve.segments);
      double before = 0.0;
      for (Segment& g : curve.segments) {
        g.before = before;
        before += std::hypot(double{g.r2} - g.r1, double{g.z2} - g.z1);
      }
      curve.length = before;
    }
  }
}

void glue_file_zones(const Session& s, int32_t* skl) {
  const MeshFiles* files = kept(s);
  const Cmesh& c = s.cmesh;
  if (files == nullptr || !mesh_arrays_ok(s)) return;
  // As a glue zone's box does, the interface takes every boundary element whose second node
  // lies on it: so the elements that end at either end of the interface take part too.
  const double tol = boundary_tolerance(s).round;
  const float* rz = reals(s, c.jrz);
  const int32_t* b = ints(s, c.jj2);
  for (const KeptFile& file : files->files) {
    if (file.interfaces.empty()) continue;
    const CellIndex index = index_of(file.interfaces, tol);
    for (int32_t k = 0; k < c.n3; ++k) {
      const int32_t q = std::abs(b[2 * k + 1]);
      if (q < 1 || q > c.n1) continue;
      const double r = rz[2 * (q - 1)], z = rz[2 * (q - 1) + 1];
      index.for_each_at(r, z, [&](int32_t i) {
        if (along(file.interfaces[static_cast<size_t>(i)], r, z, tol) >= 0) skl[k] = 0;
      });
    }
  }
}

}  // namespace mesh_detail

bool curve_elements(const Session& s, std::string_view name, bool midpoint,
                    std::vector<CurveHit>& hits, std::string& files) {
  hits.clear();
  files.clear();
  const MeshFiles* kept_files = kept(s);
  if (kept_files == nullptr) return false;
  bool named = false;
  for (const KeptFile& file : kept_files->files) {
    files += (files.empty() ? "" : " ") + file.name;
    for (const KeptCurve& curve : file.curves) {
      if (curve.name != name) continue;
      named = true;
      const double length = curve.length > 0.0 ? curve.length : 1.0;
      on_segments(s, curve.segments, midpoint, [&](int32_t k, const Segment& g, double t) {
        const double piece = std::hypot(double{g.r2} - g.r1, double{g.z2} - g.z1);
        hits.push_back({k, static_cast<float>((g.before + t * piece) / length)});
      });
    }
  }
  // An element on two pieces of the curve (a curve given twice) counts once.
  std::sort(hits.begin(), hits.end(),
            [](const CurveHit& a, const CurveHit& b) { return a.k < b.k; });
  hits.erase(std::unique(hits.begin(), hits.end(),
                         [](const CurveHit& a, const CurveHit& b) { return a.k == b.k; }),
             hits.end());
  return named;
}

}  // namespace tivor
