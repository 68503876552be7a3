// The quality pass of the triangulators: passes that move the nodes off the boundary towards
// better shaped triangles, each followed by the flips of the diagonals that the moves made
// worse, rounds of flips towards six edges a node with their own passes, then a search that
// lifts the worst triangles. A move is kept only when every triangle round the node stays valid
// with the mesh test's margin and the worst of them gets no worse, or stays above a good angle;
// so the moves never lower the smallest angle of the mesh below either. A flip towards six
// edges may lower the sine of a pair's smallest angle to half; the passes and the search after
// the flips work on such triangles as on any other.
#include <algorithm>
#include <cmath>

#include "mesh/triangulation.hpp"

namespace tivor::mesh_detail {
namespace {

constexpr double kOver = 1.5;   // the move goes half as far again past the aim
constexpr double kGood = 0.6;   // sine of 36.87 degrees: a worse star above it is accepted
constexpr double kPoor = 0.75;  // stars scoring below it are searched (see star_score)
constexpr int kSearchSteps = 12;
constexpr double kKeep = 0.5;  // a flip towards six edges a node may halve the pair's worst sine

// Where a pass aims a node: the mean of its neighbours, or the area-weighted mean of the centres
// of its triangles' circles.
enum class Aim { kNeighbours, kCircumcentres };

double cross(Pt o, Pt p, Pt q) {
  return (p.x - o.x) * (q.y - o.y) - (p.y - o.y) * (q.x - o.x);
}
double d2(Pt p, Pt q) {
  return (p.x - q.x) * (p.x - q.x) + (p.y - q.y) * (p.y - q.y);
}

// The triangles round each node, by their sides opposite it: the k-th runs n, far[2 k],
// far[2 k + 1] counter-clockwise, for k in start[n] .. start[n + 1).
struct Stars {
  std::vector<int32_t> start, far;

  explicit Stars(const Triangulation& t) {
    const size_t n = t.nodes.size(), nt = t.tri.size() / 3;
    start.assign(n + 1, 0);
    far.resize(6 * nt);
    for (const int32_t v : t.tri) ++start[v + 1];
    for (size_t i = 0; i < n; ++i) start[i + 1] += start[i];
    std::vector<int32_t> fill(start.begin(), start.end() - 1);
    for (size_t e = 0; e < nt; ++e) {
      const int32_t* v = &t.tri[3 * e];
      for (int i = 0; i < 3; ++i) {
        const int32_t k = fill[v[i]]++;
        far[2 * k] = v[(i + 1) % 3];
        far[2 * k + 1] = v[(i + 2) % 3];
      }
    }
  }
  bool empty(int32_t n) const { return start[n] == start[n + 1]; }
};

// Folds the triangles round node n with the node at q into worst (from 1): worst =
// fold(worst, f, ab, bc, ca) with f twice a triangle's area and ab, bc, ca its squared sides;
// -1 when a triangle would not keep the mesh test's margin of area.
template <class Fold>
double over_star(const Triangulation& t, const Stars& st, int32_t n, Pt q, Fold fold) {
  double worst = 1;
  for (int32_t k = st.start[n]; k < st.start[n + 1]; ++k) {
    const Pt b = t.nodes[st.far[2 * k]], c = t.nodes[st.far[2 * k + 1]];
    const double f = cross(q, b, c);
    const double ab = d2(q, b), bc = d2(b, c), ca = d2(c, q);
    if (!(f >= 1e-6 * std::max({ab, bc, ca}) + 1e-18)) return -1;
    worst = fold(worst, f, ab, bc, ca);
  }
  return worst;
}

// The worst triangle round node n with the node at q: the sine of its smallest angle, or -1
// when a triangle would not keep the mesh test's margin of area.
double star_quality(const Triangulation& t, const Stars& st, int32_t n, Pt q) {
  // The squares of the sines are compared (twice the area squared times the shortest side over
  // the product of the three), so that one root is taken for the star.
  const double worst =
      over_star(t, st, n, q, [](double w, double f, double ab, double bc, double ca) {
        const double s2 = f * f * std::min({ab, bc, ca});
        const double prod = ab * bc * ca;
        return s2 < w * prod ? s2 / prod : w;
      });
  return worst < 0 ? -1 : std::sqrt(worst);
}

// Whether every triangle round node n with the node at q keeps the mesh test's margin of area and
// the sine of its smallest angle at least floor: star_quality(...) >= floor, without a division.
bool star_above(const Triangulation& t, const Stars& st, int32_t n, Pt q, double floor) {
  const double floor2 = floor * floor;
  return over_star(t, st, n, q, [floor2](double w, double f, double ab, double bc, double ca) {
           return f * f * std::min({ab, bc, ca}) >= floor2 * (ab * bc * ca) ? w : 0.0;
         }) > 0;
}

// The worst triangle round node n with the node at q, by the smaller of its radius ratio
// (2 inradius / circumradius) and the sine of its smallest angle scaled so that 33 degrees
// scores as a ratio of 0.7; -1 when a triangle would not keep the mesh test's margin of area.
double star_score(const Triangulation& t, const Stars& st, int32_t n, Pt q) {
  constexpr double kSineScale = 0.7 / 0.544639;  // sin 33 degrees
  return over_star(t, st, n, q, [](double w, double f, double ab, double bc, double ca) {
    const double la = std::sqrt(ab), lb = std::sqrt(bc), lc = std::sqrt(ca);
    const double ratio = 4 * f * f / ((la + lb + lc) * la * lb * lc);
    const double sine = f * std::min({la, lb, lc}) / (la * lb * lc);
    return std::min({w, ratio, kSineScale * sine});
  });
}

// The squared length of the shortest edge at node n.
double shortest_edge(const Triangulation& t, const Stars& st, int32_t n) {
  double s = HUGE_VAL;
  for (int32_t k = 2 * st.start[n]; k < 2 * st.start[n + 1]; ++k) {
    s = std::min(s, d2(t.nodes[n], t.nodes[st.far[k]]));
  }
  return s;
}

// Where node n is aimed. The mean of its neighbours is also the mean of the apexes of the
// equilateral triangles standing on the sides opposite it. The mean of the centres of the
// circles round its triangles, weighted by area, is the place that makes the star closest to a
// Delaunay mesh of even density; it pulls nodes out of the flat triangles that a row of nodes
// too near the boundary makes.
bool aim(const Triangulation& t, const Stars& st, int32_t n, Aim how, Pt& out) {
  const Pt p = t.nodes[n];
  double sx = 0, sy = 0, w = 0;
  for (int32_t k = st.start[n]; k < st.start[n + 1]; ++k) {
    const Pt b = t.nodes[st.far[2 * k]], c = t.nodes[st.far[2 * k + 1]];
    if (how == Aim::kNeighbours) {
      sx += b.x + c.x, sy += b.y + c.y, w += 2;
      continue;
    }
    // The centre of the circle through p, b, c is p + (cy b2 - by c2, bx c2 - cx b2) / dd.
    const double bx = b.x - p.x, by = b.y - p.y, cx = c.x - p.x, cy = c.y - p.y;
    const double dd = 2 * (bx * cy - by * cx);
    if (!(dd > 0)) return false;
    const double b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
    sx += dd * p.x + (cy * b2 - by * c2);
    sy += dd * p.y + (bx * c2 - cx * b2);
    w += dd;
  }
  if (!(w > 0)) return false;
  out = {p.x + kOver * (sx / w - p.x), p.y + kOver * (sy / w - p.y)};
  return true;
}

// One pass over the nodes in turn: each goes to its aim, or half way, when that is kept.
void smooth(Triangulation& t, const Stars& st, const std::vector<char>& fixed, Aim how,
            const Pockets& pockets) {
  for (size_t node = 0; node < t.nodes.size(); ++node) {
    const auto n = static_cast<int32_t>(node);
    Pt target;
    if (fixed[n] || st.empty(n) || !aim(t, st, n, how, target)) continue;
    const Pt old = t.nodes[n];
    // The star where it stands is looked at only when a move would leave it under a good angle.
    double before = -2;
    for (const double step : {1.0, 0.5}) {
      const Pt q{old.x + step * (target.x - old.x), old.y + step * (target.y - old.y)};
      bool keep = star_above(t, st, n, q, kGood);
      if (!keep) {
        const double after = star_quality(t, st, n, q);
        if (after > 0 && before < -1) before = star_quality(t, st, n, old);
        keep = after > 0 && after >= before;
      }
      if (keep && !pockets.holds(q)) {
        t.nodes[n] = q;
        break;
      }
    }
  }
}

// The nodes whose worst triangle is poor are moved by a pattern search: steps in eight
// directions, a fifth of the node's shortest edge long at first, halved when no step makes the
// worst triangle better.
void lift_poor(Triangulation& t, const Stars& st, const std::vector<char>& fixed,
               const Pockets& pockets) {
  static constexpr double kDir[8][2] = {{1, 0},  {.7071, .7071},   {0, 1},  {-.7071, .7071},
                                        {-1, 0}, {-.7071, -.7071}, {0, -1}, {.7071, -.7071}};
  for (size_t node = 0; node < t.nodes.size(); ++node) {
    const auto n = static_cast<int32_t>(node);
    if (fixed[n] || st.empty(n)) continue;
    Pt p = t.nodes[n];
    double q = star_score(t, st, n, p);
    if (q >= kPoor || q < 0) continue;
    double step = 0.2 * std::sqrt(shortest_edge(t, st, n));
    for (int it = 0; it < kSearchSteps; ++it) {
      Pt best = p;
      double bq = q;
      for (const auto& d : kDir) {
        const Pt c{p.x + step * d[0], p.y + step * d[1]};
        const double cq = star_score(t, st, n, c);
        if (cq > bq && !pockets.holds(c)) bq = cq, best = c;
      }
      if (bq > q) {
        p = best, q = bq;
      } else {
        step /= 2;
      }
    }
    t.nodes[n] = p;
  }
}

}  // namespace

// Twice the area over the two longer sides. The smallest angle is at most 60 degrees, so the
// sine orders triangles as their smallest angles do.
double sine_min(Pt a, Pt b, Pt c) {
  const double ab = d2(a, b), bc = d2(b, c), ca = d2(c, a);
  const double shortest = std::min({ab, bc, ca});
  const double prod = ab * bc * ca / std::max(shortest, 1e-300);
  return cross(a, b, c) / std::sqrt(std::max(prod, 1e-300));
}

void stagger_rows(Triangulation& t, const std::vector<Pt>& shift, const Pockets& pockets) {
  const std::vector<Pt> old(t.nodes);
  for (size_t k = 0; k < t.nodes.size() && k < shift.size(); ++k) {
    const Pt moved{t.nodes[k].x + shift[k].x, t.nodes[k].y + shift[k].y};
    if (!pockets.holds(moved)) t.nodes[k] = moved;
  }
  // A triangle turned over or flattened puts its moved nodes back, until none is left; it
  // ends because each round puts back at least one node.
  for (bool again = true; again;) {
    again = false;
    for (size_t e = 0; e + 2 < t.tri.size(); e += 3) {
      const int32_t v[3] = {t.tri[e], t.tri[e + 1], t.tri[e + 2]};
      if (oriented(t.nodes[v[0]], t.nodes[v[1]], t.nodes[v[2]])) continue;
      for (const int32_t m : v) {
        if (t.nodes[m].x == old[m].x && t.nodes[m].y == old[m].y) continue;
        t.nodes[m] = old[m];
        again = true;
      }
    }
  }
}

void improve_triangles(Triangulation& t, int passes, const Pockets& pockets, int rounds) {
  std::vector<char> fixed(t.nodes.size(), 0);
  for (const int32_t v : t.bnd) fixed[v] = 1;
  // The flips keep the twins of the edges; the stars are made again after the flips only.
  std::vector<int32_t> twin = edge_twins(t);
  flip_delaunay(t, twin);
  for (int pass = 0; pass < passes; ++pass) {
    smooth(t, Stars(t), fixed, Aim::kCircumcentres, pockets);
    flip_delaunay(t, twin);
  }
  // Flips towards six edges a node, each round smoothed by the mean of the neighbours, which
  // evens out a star of regular number better than the circumcentres do.
  for (int round = 0; round < rounds; ++round) {
    flip_valence(t, twin, kKeep);
    const Stars st(t);
    for (int pass = 0; pass < 2; ++pass) smooth(t, st, fixed, Aim::kNeighbours, pockets);
    flip_delaunay(t, twin);
  }
  for (int pass = 0; pass < 2; ++pass) {
    lift_poor(t, Stars(t), fixed, pockets);
    flip_delaunay(t, twin);
  }
}

}  // namespace tivor::mesh_detail
