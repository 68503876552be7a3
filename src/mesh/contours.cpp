// Contours of the triangulation generators: arc length, points by parameter, the boundary nodes
// about h apart, the interior lattice, and the checks that the polygons make a region.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "mesh/spatial_index.hpp"
#include "mesh/triangulation.hpp"

namespace tivor::mesh_detail {
namespace {

double dist(Pt p, Pt q) {
  return std::hypot(p.x - q.x, p.y - q.y);
}

double cross(Pt o, Pt p, Pt q) {
  return (p.x - o.x) * (q.y - o.y) - (p.y - o.y) * (q.x - o.x);
}

// True when the segments p1-p2 and q1-q2 cross at a point inside both (touching at an end, or
// lying along one line, is not a crossing).
bool proper_cross(Pt p1, Pt p2, Pt q1, Pt q2) {
  const double lp = dist(p1, p2), lq = dist(q1, q2);
  const double eps = 1e-9 * lp * lq;
  const double d1 = cross(p1, p2, q1), d2 = cross(p1, p2, q2);
  const double d3 = cross(q1, q2, p1), d4 = cross(q1, q2, p2);
  return ((d1 > eps && d2 < -eps) || (d1 < -eps && d2 > eps)) &&
         ((d3 > eps && d4 < -eps) || (d3 < -eps && d4 > eps));
}

// Squared distance from q to the segment a-b.
double seg_dist2(Pt a, Pt b, Pt q) {
  const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
  double t = l2 > 0 ? ((q.x - a.x) * dx + (q.y - a.y) * dy) / l2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  const double ex = a.x + t * dx - q.x, ey = a.y + t * dy - q.y;
  return ex * ex + ey * ey;
}

}  // namespace

double twice_area(const Polygon& p) {
  double s = 0;
  for (size_t i = 0, n = p.size(); i < n; ++i) {
    const Pt a = p[(i + n - 1) % n], b = p[i];
    s += a.x * b.y - a.y * b.x;
  }
  return s;
}

bool inside(const std::vector<Polygon>& polys, Pt q) {
  bool in = false;
  for (const Polygon& p : polys) {
    for (size_t i = 0, n = p.size(); i < n; ++i) {
      const Pt a = p[(i + n - 1) % n], b = p[i];
      if ((a.y > q.y) != (b.y > q.y) && q.x < a.x + (q.y - a.y) * (b.x - a.x) / (b.y - a.y)) {
        in = !in;
      }
    }
  }
  return in;
}

double extent(const std::vector<Polygon>& polys) {
  double x1 = HUGE_VAL, x2 = -HUGE_VAL, y1 = HUGE_VAL, y2 = -HUGE_VAL;
  for (const Polygon& p : polys) {
    for (const Pt q : p) {
      x1 = std::min(x1, q.x), x2 = std::max(x2, q.x);
      y1 = std::min(y1, q.y), y2 = std::max(y2, q.y);
    }
  }
  return x2 >= x1 ? std::hypot(x2 - x1, y2 - y1) : 0.0;
}

bool polygons_cross(const std::vector<Polygon>& polys) {
  struct Seg {
    Pt a, b;
  };
  std::vector<Seg> segs;
  double total = 0;
  for (const Polygon& p : polys) {
    for (size_t i = 0, n = p.size(); i < n; ++i) {
      segs.push_back({p[(i + n - 1) % n], p[i]});
      total += dist(segs.back().a, segs.back().b);
    }
  }
  if (segs.empty()) return false;
  CellIndex index(std::max(total / static_cast<double>(segs.size()), 1e-30));
  for (size_t k = 0; k < segs.size(); ++k) {
    index.add_segment(segs[k].a.x, segs[k].a.y, segs[k].b.x, segs[k].b.y, 0.0,
                      static_cast<int32_t>(k));
  }
  index.finish();
  for (size_t k = 0; k < segs.size(); ++k) {
    const Seg& s = segs[k];
    const double cx = (s.a.x + s.b.x) / 2, cy = (s.a.y + s.b.y) / 2;
    const double half = std::max(std::abs(s.a.x - s.b.x), std::abs(s.a.y - s.b.y)) / 2;
    bool crossed = false;
    index.for_each_near(cx, cy, half, [&](int32_t j) {
      if (static_cast<size_t>(j) > k && proper_cross(s.a, s.b, segs[j].a, segs[j].b)) {
        crossed = true;
      }
    });
    if (crossed) return true;
  }
  return false;
}

int64_t first_near_edge(const Polygon& p, const std::vector<Pt>& qs, size_t from, double d) {
  double total = 0;
  for (size_t i = 0, n = p.size(); i < n; ++i) total += dist(p[(i + n - 1) % n], p[i]);
  CellIndex index(std::max({total / static_cast<double>(std::max<size_t>(p.size(), 1)), d, 1e-30}));
  for (size_t i = 0, n = p.size(); i < n; ++i) {
    const Pt a = p[(i + n - 1) % n], b = p[i];
    index.add_segment(a.x, a.y, b.x, b.y, d, static_cast<int32_t>(i));
  }
  index.finish();
  for (size_t k = from; k < qs.size(); ++k) {
    bool near = false;
    index.for_each_at(qs[k].x, qs[k].y, [&](int32_t i) {
      const size_t n = p.size();
      near = near || seg_dist2(p[(i + n - 1) % n], p[i], qs[k]) <= d * d;
    });
    if (near) return static_cast<int64_t>(k);
  }
  return -1;
}

std::vector<double> initcln(const Polygon& p) {
  std::vector<double> cln(p.size(), 0.0);
  double len = 0;
  for (size_t i = 0, n = p.size(); i < n; ++i) {
    len += dist(p[(i + n - 1) % n], p[i]);
    cln[i] = len;
  }
  return cln;
}

Pt point_at(const Polygon& p, const std::vector<double>& cln, double t) {
  const size_t n = p.size();
  const double per = cln.back();
  if (!(per > 0)) return p.back();
  t = std::fmod(t, per);
  if (t < 0) t += per;
  const size_t i = static_cast<size_t>(std::lower_bound(cln.begin(), cln.end(), t) - cln.begin());
  const size_t k = std::min(i, n - 1);
  const Pt a = p[(k + n - 1) % n], b = p[k];
  const double start = k == 0 ? 0.0 : cln[k - 1], span = cln[k] - start;
  const double w = span > 0 ? std::clamp((t - start) / span, 0.0, 1.0) : 0.0;
  return {a.x + w * (b.x - a.x), a.y + w * (b.y - a.y)};
}

Pt contour_param(const Polygon& p, double sv) {
  const int64_t n = static_cast<int64_t>(p.size());
  int64_t j = static_cast<int64_t>(std::ceil(sv)) - 1;
  j = std::clamp<int64_t>(j, 0, n - 1);
  const double w = std::clamp(sv - static_cast<double>(j), 0.0, 1.0);
  const Pt a = p[static_cast<size_t>((j + n - 1) % n)], b = p[static_cast<size_t>(j % n)];
  return {a.x + w * (b.x - a.x), a.y + w * (b.y - a.y)};
}

double boundary_count(const Polygon& p, double h) {
  double count = 0;
  for (size_t i = 0, n = p.size(); i < n; ++i) {
    const double d = dist(p[(i + n - 1) % n], p[i]);
    if (d >= 0.7 * h) count += std::max(1.0, std::round(d / h));
  }
  return count;
}

Polygon boundary_nodes(const Polygon& p, double h, std::vector<size_t>* sides) {
  Polygon out;
  std::vector<size_t> on;  // the side of each node
  const size_t n = p.size();
  const Pt start = p[n - 1];
  Pt prev = start;
  for (size_t i = 0; i < n; ++i) {
    const Pt a = p[(i + n - 1) % n], b = p[i];
    const double d = dist(a, b);
    if (d < 0.7 * h) continue;
    const int64_t k = std::max<int64_t>(1, std::llround(d / h));
    for (int64_t j = 1; j <= k; ++j) {
      const bool last = i == n - 1 && j == k;
      const double w = static_cast<double>(j) / static_cast<double>(k);
      const Pt q = last ? start : Pt{a.x + w * (b.x - a.x), a.y + w * (b.y - a.y)};
      if (last) {
        // The walk ends where it began: the start node closes the contour, and a node placed
        // just before it closer than 0.7 h gives way to it.
        if (!out.empty() && dist(out.back(), q) < 0.7 * h) out.pop_back(), on.pop_back();
        out.push_back(q);
        on.push_back(i);
      } else if (dist(prev, q) >= 0.7 * h) {
        out.push_back(q);
        on.push_back(i);
        prev = q;
      }
    }
  }
  if (out.empty() || dist(out.back(), start) > 0) out.push_back(start), on.push_back(n - 1);
  if (sides != nullptr) *sides = std::move(on);
  return out;
}

bool lattice_nodes(const std::vector<Polygon>& polys, double h, int64_t limit, std::vector<Pt>& out,
                   int64_t& count) {
  struct Edge {
    Pt a, b;
    double ylo, yhi;
  };
  std::vector<Edge> edges;
  double x0 = HUGE_VAL, y0 = HUGE_VAL, y1 = -HUGE_VAL;
  for (const Polygon& p : polys) {
    for (size_t i = 0, n = p.size(); i < n; ++i) {
      const Pt a = p[(i + n - 1) % n], b = p[i];
      edges.push_back({a, b, std::min(a.y, b.y), std::max(a.y, b.y)});
      x0 = std::min(x0, a.x), y0 = std::min(y0, a.y), y1 = std::max(y1, a.y);
    }
  }
  count = 0;
  if (edges.empty()) return true;
  std::sort(edges.begin(), edges.end(), [](const Edge& e, const Edge& f) { return e.ylo < f.ylo; });
  const double keep = 0.49 * h;
  CellIndex near(h);
  for (size_t k = 0; k < edges.size(); ++k) {
    const Edge& e = edges[k];
    near.add_segment(e.a.x, e.a.y, e.b.x, e.b.y, keep, static_cast<int32_t>(k));
  }
  near.finish();
  std::vector<const Edge*> active;
  std::vector<double> xs;
  size_t next = 0;
  const int64_t rows = static_cast<int64_t>(std::floor((y1 - y0) / h));
  for (int64_t j = 1; j <= rows; ++j) {
    const double y = y0 + static_cast<double>(j) * h;
    while (next < edges.size() && edges[next].ylo <= y) active.push_back(&edges[next++]);
    std::erase_if(active, [y](const Edge* e) { return e->yhi < y; });
    xs.clear();
    for (const Edge* e : active) {
      if ((e->a.y > y) != (e->b.y > y)) {
        xs.push_back(e->a.x + (y - e->a.y) * (e->b.x - e->a.x) / (e->b.y - e->a.y));
      }
    }
    std::sort(xs.begin(), xs.end());
    for (size_t k = 0; k + 1 < xs.size(); k += 2) {
      const int64_t i1 = static_cast<int64_t>(std::ceil((xs[k] - x0) / h));
      const int64_t i2 = static_cast<int64_t>(std::floor((xs[k + 1] - x0) / h));
      for (int64_t i = i1; i <= i2; ++i) {
        const Pt q{x0 + static_cast<double>(i) * h, y};
        bool close = false;
        near.for_each_at(q.x, q.y, [&](int32_t e) {
          if (!close && seg_dist2(edges[e].a, edges[e].b, q) < keep * keep) close = true;
        });
        if (close) continue;
        if (++count > limit) return false;
        out.push_back(q);
      }
    }
  }
  return true;
}

}  // namespace tivor::mesh_detail
