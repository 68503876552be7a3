// MESH1_N, the node-connecting triangulator: the boundary edges are the initial front; each front
// edge takes as third node the nearest live node to its midpoint that makes a valid triangle,
// until the front is closed; then diagonals are flipped where that raises the smaller angle.
#include <algorithm>
#include <cmath>
#include <deque>
#include <numbers>
#include <unordered_map>

#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "mesh/front.hpp"
#include "mesh/mesh_internal.hpp"
#include "mesh/spatial_index.hpp"
#include "mesh/triangulation.hpp"

namespace tivor::mesh_detail {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kLeastHeight = 1e-5;
// The nodes that one search may test before giving up for the round.
constexpr int kTries = 32;

double cross(Pt o, Pt p, Pt q) {
  return (p.x - o.x) * (q.y - o.y) - (p.y - o.y) * (q.x - o.x);
}
double d2(Pt p, Pt q) {
  return (p.x - q.x) * (p.x - q.x) + (p.y - q.y) * (p.y - q.y);
}

struct Box {
  double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL;
};
Box box_of(const std::vector<Pt>& p) {
  Box b;
  for (const Pt q : p) {
    b.x0 = std::min(b.x0, q.x), b.x1 = std::max(b.x1, q.x);
    b.y0 = std::min(b.y0, q.y), b.y1 = std::max(b.y1, q.y);
  }
  return b;
}
double cell_for(const Box& b, size_t n) {
  const double w = std::max(b.x1 - b.x0, 0.0), h = std::max(b.y1 - b.y0, 0.0);
  const double side = std::max(w, h);
  const double c = std::sqrt(std::max(w * h, side * side / 64) / static_cast<double>(n + 1));
  return std::max(c, std::max(side, 1e-30) * 1e-7);
}

double cell_or(double cell, const std::vector<Pt>& p, size_t expected) {
  return cell > 0 ? cell : cell_for(box_of(p), std::max(expected, p.size()));
}

}  // namespace

Connector::Connector(Triangulation& t, double cell, size_t expected)
    : t_(t),
      pts_(t.nodes),
      nodes_(cell_or(cell, t.nodes, expected), std::max(expected, t.nodes.size())),
      grid_(box_of(t.nodes).x0, box_of(t.nodes).y0, box_of(t.nodes).x1, box_of(t.nodes).y1,
            cell_or(cell, t.nodes, expected), 4 * std::max(expected, t.nodes.size()) + 16) {
  cell_ = cell_or(cell, t.nodes, expected);
  const Box b = box_of(pts_);
  size_ = std::hypot(b.x1 - b.x0, b.y1 - b.y0);
  same2_ = (1e-6 * size_) * (1e-6 * size_);
  const size_t n = pts_.size();
  for (size_t k = 0; k < n; ++k) nodes_.insert(pts_[k].x, pts_[k].y, static_cast<int32_t>(k));
  used_.assign(n, 0);
  deg_.assign(n, 0);
  at_.resize(n);
  for (size_t k = 0; k + 1 < t.bnd.size(); k += 2) {
    used_[t.bnd[k]] = used_[t.bnd[k + 1]] = 1;
    add_edge(t.bnd[k], t.bnd[k + 1]);
  }
}

void Connector::add_edge(int32_t a, int32_t b) {
  const auto id = static_cast<int32_t>(ea_.size());
  ea_.push_back(a);
  eb_.push_back(b);
  front_[edge_key(a, b)] = id;
  ++deg_[a], ++deg_[b];
  at_[a].push_back(id);
  at_[b].push_back(id);
  grid_.add(pts_[a], pts_[b], id);
  queue_.push_back(id);
}

void Connector::remove_edge(int32_t e) {
  const int32_t a = ea_[e], b = eb_[e];
  front_.erase(edge_key(a, b));
  --deg_[a], --deg_[b];
  ea_[e] = -1;
  for (const int32_t n : {a, b}) {
    std::erase_if(at_[n], [this](int32_t id) { return !alive_edge(id); });
  }
}

void Connector::advance(int32_t a, int32_t b) {
  const int32_t back = find_edge(b, a);
  if (back >= 0) {
    remove_edge(back);
  } else {
    add_edge(a, b);
  }
}

// The directions from p to a and to b lie, in this order counter-clockwise, inside the angle
// that the front leaves free at p (between its edge out of p and its edge into p).
bool Connector::within_wedge(int32_t a, int32_t b, int32_t p) {
  const Pt o = pts_[p];
  auto angle = [&](Pt q, double base) {
    double v = std::atan2(q.y - o.y, q.x - o.x) - base;
    while (v < 0) v += kTwoPi;
    while (v >= kTwoPi) v -= kTwoPi;
    if (v > kTwoPi - 1e-12) v = 0;
    return v;
  };
  for (const int32_t out : at_[p]) {
    if (ea_[out] != p) continue;
    const int32_t w = eb_[out];
    const double base = std::atan2(pts_[w].y - o.y, pts_[w].x - o.x);
    for (const int32_t in : at_[p]) {
      if (eb_[in] != p) continue;
      const int32_t u = ea_[in];
      const double span = angle(pts_[u], base);
      const double ta = a == w ? 0.0 : angle(pts_[a], base);
      const double tb = b == u ? span : angle(pts_[b], base);
      if (ta <= tb + 1e-12 && tb <= span + 1e-12) return true;
    }
  }
  return false;
}

bool Connector::crosses_front(int32_t a, int32_t b) {
  if (find_edge(b, a) >= 0) return false;  // the new edge closes a front edge
  const Pt p1 = pts_[a], p2 = pts_[b];
  const double len = std::sqrt(d2(p1, p2));
  return grid_.any_on_segment(
      p1, p2, [this](int32_t id) { return alive_edge(id); },
      [&](int32_t id) {
        const int32_t u = ea_[id], v = eb_[id];
        if (u == a || u == b || v == a || v == b) return false;
        if (same_place(u, a) || same_place(u, b) || same_place(v, a) || same_place(v, b)) {
          return false;
        }
        const Pt q1 = pts_[u], q2 = pts_[v];
        const double eps = 1e-9 * len * std::sqrt(d2(q1, q2));
        const double c1 = cross(p1, p2, q1), c2 = cross(p1, p2, q2);
        const double c3 = cross(q1, q2, p1), c4 = cross(q1, q2, p2);
        return ((c1 > eps && c2 < -eps) || (c1 < -eps && c2 > eps)) &&
               ((c3 > eps && c4 < -eps) || (c3 < -eps && c4 > eps));
      });
}

bool Connector::valid(int32_t a, int32_t b, int32_t p) {
  // A new edge running the same way as a front edge would lay the triangle over meshed ground.
  if (find_edge(a, p) >= 0 || find_edge(p, b) >= 0) return false;
  if (deg_[p] > 0 && !within_wedge(a, b, p)) return false;
  if (crosses_front(a, p) || crosses_front(p, b)) return false;
  const Pt A = pts_[a], B = pts_[b], P = pts_[p];
  const double lmax2 = std::max({d2(A, B), d2(B, P), d2(P, A)});
  const double e = 1e-9 * lmax2;
  const double x0 = std::min({A.x, B.x, P.x}), x1 = std::max({A.x, B.x, P.x});
  const double y0 = std::min({A.y, B.y, P.y}), y1 = std::max({A.y, B.y, P.y});
  bool blocked = false;
  const auto inside = [&](int32_t q) {
    if (blocked || q == a || q == b || q == p || !alive_node(q)) return;
    const Pt Q = pts_[q];
    if (Q.x < x0 || Q.x > x1 || Q.y < y0 || Q.y > y1) return;
    if (same_place(q, a) || same_place(q, b) || same_place(q, p)) return;
    if (cross(A, B, Q) > e && cross(B, P, Q) > -e && cross(P, A, Q) > -e) blocked = true;
  };
  const double half = std::max(x1 - x0, y1 - y0) / 2, side = 2 * half / cell_ + 1;
  if (side * side > static_cast<double>(pts_.size())) {
    for (size_t q = 0; q < pts_.size() && !blocked; ++q) inside(static_cast<int32_t>(q));
  } else {
    nodes_.for_each_near((x0 + x1) / 2, (y0 + y1) / 2, half, inside);
  }
  return !blocked;
}

int32_t Connector::third_node(int32_t e) {
  const int32_t a = ea_[e], b = eb_[e];
  const Pt A = pts_[a], B = pts_[b];
  const Pt M{(A.x + B.x) / 2, (A.y + B.y) / 2};
  const double l2 = d2(A, B);
  double reach = std::max(std::sqrt(l2), cell_), tested = -1;
  int tries = 0;
  for (;;) {
    cand_.clear();
    const auto consider = [&](int32_t q) {
      if (q == a || q == b || !alive_node(q)) return;
      const double dq = d2(M, pts_[q]);
      if (dq <= tested || dq > reach * reach) return;
      if (cross(A, B, pts_[q]) > min_height_ * l2) cand_.emplace_back(dq, q);
    };
    const double side = 2 * reach / cell_ + 1;
    if (side * side > static_cast<double>(pts_.size())) {
      // A square of more cells than there are nodes: looking at every node is cheaper.
      for (size_t q = 0; q < pts_.size(); ++q) consider(static_cast<int32_t>(q));
    } else {
      nodes_.for_each_near(M.x, M.y, reach, consider);
    }
    std::sort(cand_.begin(), cand_.end());
    for (const auto& [dq, q] : cand_) {
      if (valid(a, b, q)) return q;
      // While the height rule is strict, an edge that many near nodes fail (one side of a
      // spike, facing the other side at no height) waits for the next round, rather than
      // testing every node of the region in turn.
      if (++tries > kTries && min_height_ > kLeastHeight) return -1;
    }
    if (reach > 2 * size_) return -1;
    tested = reach * reach;
    reach *= 2;
  }
}

int32_t Connector::add_node(Pt q) {
  const auto id = static_cast<int32_t>(t_.nodes.size());
  t_.nodes.push_back(q);
  used_.push_back(0);
  deg_.push_back(0);
  at_.emplace_back();
  nodes_.insert(q.x, q.y, id);
  return id;
}

void Connector::make_triangle(int32_t a, int32_t b, int32_t p) {
  t_.tri.insert(t_.tri.end(), {a, b, p});
  used_[p] = 1;
  const int32_t e = find_edge(a, b);
  if (e >= 0) remove_edge(e);
  advance(a, p);
  advance(p, b);
  touched.insert(touched.end(), {a, b, p});
}

int Connector::run() {
  std::vector<int32_t> failed;
  int64_t made_since = 0;
  for (;;) {
    if (queue_.empty()) {
      if (failed.empty()) break;
      if (made_since == 0) {
        // What is left has no node at 0.05 of an edge's length above it: accept any triangle
        // that the mesh test accepts, the flips below raise its angles where they can.
        if (min_height_ <= kLeastHeight) break;
        min_height_ = kLeastHeight;
      }
      queue_.assign(failed.begin(), failed.end());
      failed.clear();
      made_since = 0;
    }
    const int32_t e = queue_.front();
    queue_.pop_front();
    if (!alive_edge(e)) continue;
    const int32_t p = third_node(e);
    if (p < 0) {
      failed.push_back(e);
      continue;
    }
    ++made_since;
    make_triangle(ea_[e], eb_[e], p);
    touched.clear();
  }
  return front_.empty() ? 0 : 1;
}

double corner(Pt o, Pt p, Pt q) {
  return std::atan2(std::abs(cross(o, p, q)),
                    (p.x - o.x) * (q.x - o.x) + (p.y - o.y) * (q.y - o.y));
}

bool oriented(Pt a, Pt b, Pt c) {
  const double f = cross(a, b, c);
  return f > 0 && f >= 1e-6 * std::max({d2(a, b), d2(b, c), d2(c, a)});
}

void Connector::flip_all() {
  flip_delaunay(t_);
}

std::vector<int32_t> edge_twins(const Triangulation& t) {
  const std::vector<int32_t>& tri = t.tri;
  const size_t n = t.nodes.size(), ne = tri.size();
  std::vector<int32_t> start(n + 1, 0), out(ne), twin(ne, -1);
  for (const int32_t v : tri) ++start[v + 1];
  for (size_t k = 0; k < n; ++k) start[k + 1] += start[k];
  std::vector<int32_t> fill(start.begin(), start.end() - 1);
  for (size_t e = 0; e < ne; ++e) out[fill[tri[e]]++] = static_cast<int32_t>(e);
  const auto next = [](size_t e) { return e - e % 3 + (e + 1) % 3; };
  for (size_t e = 0; e < ne; ++e) {
    if (twin[e] >= 0) continue;
    const int32_t a = tri[e], b = tri[next(e)];
    for (int32_t k = start[b]; k < start[b + 1]; ++k) {
      const int32_t f = out[k];
      if (twin[f] < 0 && tri[next(static_cast<size_t>(f))] == a) {
        twin[e] = f;
        twin[f] = static_cast<int32_t>(e);
        break;
      }
    }
  }
  return twin;
}

void flip_edge(std::vector<int32_t>& tri, std::vector<int32_t>& twin, int32_t e1) {
  const int32_t e2 = twin[e1];
  const int32_t t1 = e1 / 3, i = e1 % 3, t2 = e2 / 3, j = e2 % 3;
  const int32_t a = tri[e1], b = tri[3 * t1 + (i + 1) % 3], c = tri[3 * t1 + (i + 2) % 3];
  const int32_t d = tri[3 * t2 + (j + 2) % 3];
  // The outer edges c -> a, b -> c (of t1) and a -> d, d -> b (of t2) keep their twins.
  const int32_t o_ca = twin[3 * t1 + (i + 2) % 3], o_bc = twin[3 * t1 + (i + 1) % 3];
  const int32_t o_ad = twin[3 * t2 + (j + 1) % 3], o_db = twin[3 * t2 + (j + 2) % 3];
  const int32_t n1[3] = {c, a, d}, n2[3] = {d, b, c};
  const int32_t tw[6] = {o_ca, o_ad, 3 * t2 + 2, o_db, o_bc, 3 * t1 + 2};
  for (int k = 0; k < 3; ++k) tri[3 * t1 + k] = n1[k], tri[3 * t2 + k] = n2[k];
  for (int k = 0; k < 6; ++k) {
    const int32_t e = k < 3 ? 3 * t1 + k : 3 * t2 + k - 3;
    twin[e] = tw[k];
    if (tw[k] >= 0) twin[tw[k]] = e;
  }
}

void flip_delaunay(Triangulation& t) {
  std::vector<int32_t> twin = edge_twins(t);
  flip_delaunay(t, twin);
}

void flip_delaunay(Triangulation& t, std::vector<int32_t>& twin) {
  std::vector<int32_t>& tri = t.tri;
  const std::vector<Pt>& p = t.nodes;
  std::vector<int32_t> stack;
  stack.reserve(tri.size());
  for (size_t e = 0; e < tri.size(); ++e) {
    if (twin[e] > static_cast<int32_t>(e)) stack.push_back(static_cast<int32_t>(e));
  }
  int64_t budget = 50 * static_cast<int64_t>(tri.size()) + 1000;
  while (!stack.empty() && budget-- > 0) {
    const int32_t e1 = stack.back();
    stack.pop_back();
    const int32_t e2 = twin[e1];
    if (e2 < 0) continue;
    // e1 runs a -> b in t1 = (a, b, c), e2 runs b -> a in t2 = (b, a, d).
    const int32_t t1 = e1 / 3, i = e1 % 3, t2 = e2 / 3, j = e2 % 3;
    const int32_t a = tri[e1], b = tri[3 * t1 + (i + 1) % 3], c = tri[3 * t1 + (i + 2) % 3];
    const int32_t d = tri[3 * t2 + (j + 2) % 3];
    if (c == d) continue;
    const Pt A = p[a], B = p[b], C = p[c], D = p[d];
    // The angles at c and d sum to more than 180 degrees (by more than 1e-9): the sine of the
    // sum is negative.
    const double ux = A.x - C.x, uy = A.y - C.y, vx = B.x - C.x, vy = B.y - C.y;
    const double wx = A.x - D.x, wy = A.y - D.y, zx = B.x - D.x, zy = B.y - D.y;
    const double s1 = std::abs(ux * vy - uy * vx), c1 = ux * vx + uy * vy;
    const double s2 = std::abs(wx * zy - wy * zx), c2 = wx * zx + wy * zy;
    const double sine_of_sum = s1 * c2 + c1 * s2;
    if (sine_of_sum >= 0) continue;  // most edges: no root taken
    const double norms = std::sqrt((ux * ux + uy * uy) * (vx * vx + vy * vy) * (wx * wx + wy * wy) *
                                   (zx * zx + zy * zy));
    if (!(sine_of_sum < -1e-9 * norms)) continue;
    if (!oriented(C, A, D) || !oriented(D, B, C)) continue;
    flip_edge(tri, twin, e1);
    stack.insert(stack.end(), {3 * t1, 3 * t1 + 1, 3 * t2, 3 * t2 + 1});
  }
}

int mesh1_n(Session& s, Triangulation& t) {
  if (rtmr(s, "mesh1_n")) return 1;
  t.tri.clear();
  if (t.nodes.size() < 3 || t.bnd.size() < 6) return flag_on(s, " no elements were generated");
  Connector c(t);
  const int open = c.run();
  if (t.tri.empty()) return flag_on(s, " no elements were generated");
  if (open) return flag_on(s, "mesh1_n:the front can not be closed");
  c.flip_all();
  return 0;
}

double smallest_angle(const Triangulation& t) {
  double worst = 180;
  for (size_t k = 0; k + 2 < t.tri.size(); k += 3) {
    const Pt a = t.nodes[t.tri[k]], b = t.nodes[t.tri[k + 1]], c = t.nodes[t.tri[k + 2]];
    const double m = std::min({corner(a, b, c), corner(b, c, a), corner(c, a, b)});
    worst = std::min(worst, m * 180 / std::numbers::pi);
  }
  return worst;
}

}  // namespace tivor::mesh_detail
