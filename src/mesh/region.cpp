// Where the mesh of the boundary nodes and the region of the contours differ: the pockets that
// skipped corners leave outside the region, and the test that every node lies in the region.
#include <algorithm>
#include <cmath>

#include "mesh/triangulation.hpp"

namespace tivor::mesh_detail {
namespace {

double cross(Pt o, Pt p, Pt q) {
  return (p.x - o.x) * (q.y - o.y) - (p.y - o.y) * (q.x - o.x);
}

// The winding number of the closed loop round q.
int winding(const Polygon& loop, Pt q) {
  int w = 0;
  for (size_t i = 0, n = loop.size(); i < n; ++i) {
    const Pt a = loop[(i + n - 1) % n], b = loop[i];
    if (a.y <= q.y) {
      if (b.y > q.y && cross(a, b, q) > 0) ++w;
    } else if (b.y <= q.y && cross(a, b, q) < 0) {
      --w;
    }
  }
  return w;
}

double seg_dist(Pt a, Pt b, Pt q) {
  const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
  const double t = l2 > 0 ? std::clamp(((q.x - a.x) * dx + (q.y - a.y) * dy) / l2, 0.0, 1.0) : 0;
  return std::hypot(a.x + t * dx - q.x, a.y + t * dy - q.y);
}

}  // namespace

Pockets::Pockets(const std::vector<Polygon>& contours, const std::vector<float>& h)
    : index_(std::max(static_cast<double>(*std::max_element(h.begin(), h.end())), 1e-30)) {
  for (size_t k = 0; k < contours.size(); ++k) {
    const Polygon& p = contours[k];
    std::vector<size_t> sides;
    const Polygon nodes = boundary_nodes(p, h[k], &sides);
    const size_t n = p.size(), m = nodes.size();
    for (size_t t = 0; t < m && m >= 3; ++t) {
      // The corners passed from node t to the next, then the chord back. Only corners left of
      // the chord, inside the mesh, make a pocket; those right of it are region left unmeshed.
      const Pt u = nodes[t], v = nodes[(t + 1) % m];
      Polygon loop{u};
      bool inward = false;
      for (size_t i = sides[t]; i != sides[(t + 1) % m]; i = (i + 1) % n) {
        loop.push_back(p[i]);
        inward = inward || cross(u, v, p[i]) > 0;
      }
      if (!inward) continue;
      loop.push_back(v);
      double x1 = HUGE_VAL, y1 = HUGE_VAL, x2 = -HUGE_VAL, y2 = -HUGE_VAL;
      for (const Pt q : loop) {
        x1 = std::min(x1, q.x), x2 = std::max(x2, q.x);
        y1 = std::min(y1, q.y), y2 = std::max(y2, q.y);
      }
      index_.add_box(x1, y1, x2, y2, static_cast<int32_t>(loops_.size()));
      loops_.push_back(std::move(loop));
    }
  }
  index_.finish();
}

bool Pockets::holds(Pt q) const {
  if (loops_.empty()) return false;  // most contours have none: no lookup for every move
  bool in = false;
  index_.for_each_at(q.x, q.y, [&](int32_t k) { in = in || winding(loops_[k], q) < 0; });
  return in;
}

std::vector<int64_t> points_outside(const std::vector<Polygon>& polys, const std::vector<Pt>& qs,
                                    size_t from, double tol) {
  // A sweep upwards: the points in order of y, each against the edges that span its y.
  struct Edge {
    Pt a, b;
    double ylo, yhi;
  };
  std::vector<Edge> edges;
  for (const Polygon& p : polys) {
    for (size_t i = 0, n = p.size(); i < n; ++i) {
      const Pt a = p[(i + n - 1) % n], b = p[i];
      edges.push_back({a, b, std::min(a.y, b.y), std::max(a.y, b.y)});
    }
  }
  std::sort(edges.begin(), edges.end(), [](const Edge& e, const Edge& f) { return e.ylo < f.ylo; });
  std::vector<size_t> order;
  for (size_t k = from; k < qs.size(); ++k) order.push_back(k);
  std::sort(order.begin(), order.end(), [&](size_t i, size_t j) { return qs[i].y < qs[j].y; });
  std::vector<const Edge*> active;
  size_t next = 0;
  std::vector<int64_t> out;
  for (const size_t k : order) {
    const Pt q = qs[k];
    while (next < edges.size() && edges[next].ylo <= q.y) active.push_back(&edges[next++]);
    std::erase_if(active, [&](const Edge* e) { return e->yhi < q.y; });
    bool in = false;
    for (const Edge* e : active) {
      const Pt a = e->a, b = e->b;
      if ((a.y > q.y) != (b.y > q.y) && q.x < a.x + (q.y - a.y) * (b.x - a.x) / (b.y - a.y)) {
        in = !in;
      }
    }
    if (in) continue;
    // Outside, or on an edge within the rounding.
    double d = HUGE_VAL;
    for (const Edge& e : edges) d = std::min(d, seg_dist(e.a, e.b, q));
    if (d > tol) out.push_back(static_cast<int64_t>(k));
  }
  std::sort(out.begin(), out.end());
  return out;
}

int64_t first_outside(const std::vector<Polygon>& polys, const std::vector<Pt>& qs, size_t from,
                      double tol) {
  const std::vector<int64_t> out = points_outside(polys, qs, from, tol);
  return out.empty() ? -1 : out.front();
}

}  // namespace tivor::mesh_detail
