// Generator 3 (MGRID, GRID, GRID1, BIDOT, SGRID): contours with a cell size h; an advancing front
// that makes the interior nodes and the triangles together, the sharpest angle of the front
// first, in rows that follow the front; then the smoothing and flips of GRIDCORR.
#include <algorithm>
#include <cmath>
#include <queue>

#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "gfx/gfx.hpp"
#include "mesh/front.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_internal.hpp"
#include "mesh/triangulation.hpp"

namespace tivor {

using namespace mesh_detail;

namespace {

constexpr double kNear = 0.7;      // an existing node this close (in h) to the candidate is used
constexpr double kFar = 1.45;      // the candidate stays this close to the angle's neighbours (a
                                   // square cell's diagonal, 1.41 h, passes)
constexpr double kSharp = 0.4;     // cosine above which a short angle is cut off
constexpr double kGentle = 0.9;    // cosine of the largest turn of the front that a copied side
                                   // follows
constexpr double kUpright = 0.5;   // share of a copied side's lean along the front taken out
constexpr double kLeaveOut = 0.5;  // a row this many cells too dense leaves a node out

Pt sub(Pt p, Pt q) {
  return {p.x - q.x, p.y - q.y};
}
double len(Pt v) {
  return std::sqrt(v.x * v.x + v.y * v.y);
}
double cross(Pt o, Pt p, Pt q) {
  return (p.x - o.x) * (q.y - o.y) - (p.y - o.y) * (q.x - o.x);
}
// q moved towards o until it is at most r from o.
Pt within(Pt o, Pt q, double r) {
  const double d = len(sub(q, o));
  if (d <= r || !(d > 0)) return q;
  return {o.x + (q.x - o.x) * r / d, o.y + (q.y - o.y) * r / d};
}
// GRID1: the front of entries (an apex with its two front neighbours) advanced until it closes.
class Advance {
 public:
  // cap: the most nodes there may be; expected: about how many there will be. No new node is
  // made in the pockets.
  Advance(Triangulation& t, double h, int64_t cap, int64_t expected, const Pockets& pockets)
      : t_(t),
        h_(h),
        cap_(cap),
        pockets_(pockets),
        f_(t, h, static_cast<size_t>(std::min(cap, expected))) {}

  // 0: the front closed; 1: it cannot be closed; 2: more nodes than the room.
  int run();
  void flip() { f_.flip_all(); }
  // For each node: a quarter cell along its row, one way in the rows of even number from the
  // boundary and the other way in the odd ones (nothing for the boundary nodes); see
  // stagger_rows. The way along a row follows the front, so rows made from both ends agree.
  std::vector<Pt> row_stagger() const;

 private:
  // DEFRKS: the cosine of the free angle at b between its front neighbours a (before) and c
  // (after), or -2 when the angle is 180 degrees or more or b is not a plain front node.
  double rcs(int32_t b, int32_t& a, int32_t& c) const;
  void push(int32_t b);
  // One step at the apex b; false when nothing could be made there.
  bool step(int32_t b, int& status);
  bool quad(int32_t a, int32_t b, int32_t c, int32_t x);
  // The front neighbour of n other than m, or -1.
  int32_t other(int32_t n, int32_t m) const;
  // The candidate for the fourth corner of the cell a, b, c; row is the neighbour of b along
  // the new row when the cell's side was copied from one side only, else -1.
  Pt corner(int32_t a, int32_t b, int32_t c, int32_t& row) const;
  int close_rest();

  Triangulation& t_;
  double h_;
  int64_t cap_;
  const Pockets& pockets_;
  Connector f_;
  std::priority_queue<std::tuple<double, uint32_t, int32_t>> heap_;
  std::vector<uint32_t> version_;
  // A node whose step failed waits in no entry until a neighbour changes; seen_ marks the
  // nodes already queued again in the current step.
  std::vector<char> failed_;
  std::vector<uint64_t> seen_;
  // For each node made by the front: how many cells its row holds more than its length asks.
  std::vector<float> dense_;
  // For each node made by the front: its row's number from the boundary (boundary nodes 0),
  // and the way along the row.
  std::vector<int32_t> row_number_;
  std::vector<Pt> along_;
  uint64_t step_no_ = 0;

  void grow(size_t n) {
    if (n <= dense_.size()) return;
    dense_.resize(n, 0);
    row_number_.resize(n, 0);
    along_.resize(n, Pt{0, 0});
  }
};

double Advance::rcs(int32_t b, int32_t& a, int32_t& c) const {
  a = c = -1;
  if (f_.degree(b) != 2) return -2;
  for (const int32_t e : f_.edges_at(b)) {
    if (!f_.alive_edge(e)) continue;
    if (f_.edge_to(e) == b) a = f_.edge_from(e);
    if (f_.edge_from(e) == b) c = f_.edge_to(e);
  }
  if (a < 0 || c < 0 || a == c) return -2;
  const Pt pb = t_.nodes[b], u = sub(t_.nodes[c], pb), v = sub(t_.nodes[a], pb);
  const double lu = len(u), lv = len(v);
  if (cross(pb, t_.nodes[c], t_.nodes[a]) <= 0 || !(lu > 0 && lv > 0)) return -2;
  return (u.x * v.x + u.y * v.y) / (lu * lv);
}

void Advance::push(int32_t b) {
  if (static_cast<size_t>(b) >= version_.size()) {
    const size_t n = std::max(t_.nodes.size(), static_cast<size_t>(b)) + 1;
    version_.resize(n, 0);
    failed_.resize(n, 0);
    seen_.resize(n, 0);
    grow(n);
  }
  failed_[b] = 0;
  seen_[b] = step_no_;
  int32_t a = 0, c = 0;
  const double v = rcs(b, a, c);
  heap_.emplace(v, ++version_[b], b);
}

int32_t Advance::other(int32_t n, int32_t m) const {
  if (f_.degree(n) != 2) return -1;
  for (const int32_t e : f_.edges_at(n)) {
    if (!f_.alive_edge(e)) continue;
    const int32_t o = f_.edge_from(e) == n ? f_.edge_to(e) : f_.edge_from(e);
    if (o != m) return o;
  }
  return -1;
}

// The cell's side b-c is copied to a (a parallelogram). Where the front curves, the copy
// is turned with the front at a, stood half way up towards the front's normal and given the
// length h, so that rows made along a curved front stay h apart and upright: a plain copy keeps
// its direction along the whole row and drifts off the curve. The same from c; the mean of the
// sides where the front turns gently, the plain parallelogram where it turns sharply at both.
Pt Advance::corner(int32_t a, int32_t b, int32_t c, int32_t& row) const {
  const Pt pa = t_.nodes[a], pb = t_.nodes[b], pc = t_.nodes[c];
  Pt sum{0, 0};
  int copies = 0;
  // side: the side copied to n; beyond: n's front neighbour other than b.
  const auto copy = [&](int32_t n, Pt side, int32_t beyond) {
    if (beyond < 0) return false;
    const Pt pn = t_.nodes[n], back = sub(pb, pn), on = sub(t_.nodes[beyond], pn);
    const double norm = len(back) * len(on);
    if (!(norm > 0)) return false;
    // The front turns at n by the angle whose cosine and sine these are.
    const double co = -(back.x * on.x + back.y * on.y) / norm;
    const double si = -(back.x * on.y - back.y * on.x) / norm;
    if (co < kGentle) return false;
    Pt r{co * side.x - si * side.y, si * side.x + co * side.y};
    const Pt along = sub(t_.nodes[beyond], pb);
    const double l2 = along.x * along.x + along.y * along.y;
    if (l2 > 0) {
      const double lean = kUpright * (r.x * along.x + r.y * along.y) / l2;
      r = {r.x - lean * along.x, r.y - lean * along.y};
    }
    const double lr = len(r);
    if (!(lr > 0)) return false;
    sum.x += pn.x + r.x * h_ / lr;
    sum.y += pn.y + r.y * h_ / lr;
    ++copies;
    return true;
  };
  const bool from_a = copy(a, sub(pc, pb), other(a, b));
  const bool from_c = copy(c, sub(pa, pb), other(c, b));
  row = from_a == from_c ? -1 : from_a ? c : a;
  if (copies == 0) return {pa.x + pc.x - pb.x, pa.y + pc.y - pb.y};
  return {sum.x / copies, sum.y / copies};
}

bool Advance::quad(int32_t a, int32_t b, int32_t c, int32_t x) {
  const Pt pa = t_.nodes[a], pb = t_.nodes[b], pc = t_.nodes[c], px = t_.nodes[x];
  // PCELL2: the diagonal whose two triangles keep the larger smallest angle (by its sine: the
  // smallest angle of a triangle is at most 60 degrees).
  const bool bx_ok = cross(pa, pb, px) > 0 && cross(pb, pc, px) > 0;
  const bool ac_ok = cross(pa, pb, pc) > 0 && cross(pa, pc, px) > 0;
  const double q_bx = bx_ok ? std::min(sine_min(pa, pb, px), sine_min(pb, pc, px)) : -1;
  const double q_ac = ac_ok ? std::min(sine_min(pa, pb, pc), sine_min(pa, pc, px)) : -1;
  const bool first_bx = q_bx + 1e-6 >= q_ac;
  for (int pass = 0; pass < 2; ++pass) {
    const bool bx = (pass == 0) == first_bx;
    if (bx && bx_ok && f_.valid(a, b, x) && f_.valid(b, c, x)) {
      f_.make_triangle(a, b, x);
      f_.make_triangle(b, c, x);
      return true;
    }
    if (!bx && ac_ok && f_.valid(a, b, c) && f_.valid(a, c, x)) {
      f_.make_triangle(a, b, c);
      f_.make_triangle(a, c, x);
      return true;
    }
  }
  return false;
}

bool Advance::step(int32_t b, int& status) {
  int32_t a = 0, c = 0;
  const double cosb = rcs(b, a, c);
  if (cosb < -1) return false;
  const Pt pa = t_.nodes[a], pb = t_.nodes[b], pc = t_.nodes[c];
  // TRIAN: three front edges round a triangle.
  if (f_.find_edge(c, a) >= 0) {
    if (!f_.valid(a, b, c)) return false;
    f_.make_triangle(a, b, c);
    return true;
  }
  int32_t row = -1;
  Pt q = corner(a, b, c, row);
  // A row along a convex front grows denser as it shrinks; what it holds beyond its length is
  // carried from node to node along it, and where it reaches half a cell the row leaves a node
  // out: the cell becomes the triangle a, b, c. So the nodes left out are spread along the row.
  float dense = 0;
  if (row >= 0) {
    const float more = static_cast<float>(1 - len(sub(q, t_.nodes[row])) / h_);
    const float before = static_cast<size_t>(row) < dense_.size() ? dense_[row] : 0.0f;
    dense = std::clamp(before + more, -1.0f, 1.0f);
    if (dense > kLeaveOut && len(sub(pc, pa)) <= kFar * h_ && f_.valid(a, b, c)) {
      f_.make_triangle(a, b, c);
      return true;
    }
  }
  const double dq = len(sub(q, pb));
  if (dq < h_ && dq > 0) q = {pb.x + (q.x - pb.x) * h_ / dq, pb.y + (q.y - pb.y) * h_ / dq};
  if (len(sub(q, pc)) > kFar * h_) q = {(q.x + pc.x) / 2, (q.y + pc.y) / 2};
  if (len(sub(q, pa)) > kFar * h_) q = {(q.x + pa.x) / 2, (q.y + pa.y) / 2};

  // NEARI0: the front node nearest to the candidate.
  int32_t x = -1;
  double best = kNear * h_ * kNear * h_;
  f_.nodes_near(q, kNear * h_, [&](int32_t n) {
    if (n == a || n == b || n == c || f_.degree(n) == 0) return;
    const Pt d = sub(t_.nodes[n], q);
    const double d2 = d.x * d.x + d.y * d.y;
    if (d2 < best || (d2 == best && n < x)) best = d2, x = n;
  });
  if (x >= 0 && quad(a, b, c, x)) return true;  // EQUDOT
  // NEWPIE: a short sharp angle is cut off.
  const bool short_sharp = len(sub(pc, pa)) <= kFar * h_ && cosb > kSharp;
  if (short_sharp && f_.valid(a, b, c)) {
    f_.make_triangle(a, b, c);
    return true;
  }
  q = within(pc, q, kFar * h_);
  q = within(pa, q, kFar * h_);
  if (x < 0 && !pockets_.holds(q)) {
    // NEWDOT: a new node at the candidate, kept within 1.4 h of both neighbours.
    if (static_cast<int64_t>(t_.nodes.size()) >= cap_) {
      status = 2;
      return false;
    }
    const int32_t n = f_.add_node(q);
    grow(static_cast<size_t>(n) + 1);
    dense_[n] = dense;
    // The cell's new row runs through whichever of a and c is in it already, parallel to the
    // front side that the cell covers; at a corner of the front both are, and it runs between.
    row_number_[n] = row_number_[b] + 1;
    const Pt way = row_number_[a] > row_number_[c]   ? sub(pc, pb)
                   : row_number_[c] > row_number_[a] ? sub(pb, pa)
                                                     : sub(pc, pa);
    const double lw = len(way);
    along_[n] = lw > 0 ? Pt{way.x / lw, way.y / lw} : Pt{0, 0};
    if (quad(a, b, c, n)) return true;
    f_.retire_node(n);
  }
  if (f_.valid(a, b, c)) {
    f_.make_triangle(a, b, c);
    return true;
  }
  return false;
}

std::vector<Pt> Advance::row_stagger() const {
  constexpr double kQuarter = 0.25;
  std::vector<Pt> shift(along_.size(), Pt{0, 0});
  for (size_t k = 0; k < shift.size(); ++k) {
    if (row_number_[k] == 0) continue;
    const double d = (row_number_[k] % 2 == 0 ? kQuarter : -kQuarter) * h_;
    shift[k] = {d * along_[k].x, d * along_[k].y};
  }
  return shift;
}

int Advance::close_rest() {
  // What the advancing steps leave is closed by connecting the front's own nodes.
  Triangulation rest;
  std::vector<int32_t> id(t_.nodes.size(), -1), back;
  for (const auto& [a, b] : f_.front_edges()) {
    for (const int32_t n : {a, b}) {
      if (id[n] < 0) {
        id[n] = static_cast<int32_t>(back.size());
        back.push_back(n);
        rest.nodes.push_back(t_.nodes[n]);
      }
    }
    rest.bnd.insert(rest.bnd.end(), {id[a], id[b]});
  }
  if (rest.bnd.empty()) return 0;
  Connector c(rest);
  if (c.run() != 0) return 1;
  for (const int32_t n : rest.tri) t_.tri.push_back(back[n]);
  return 0;
}

int Advance::run() {
  for (size_t k = 0; k < t_.nodes.size(); ++k) push(static_cast<int32_t>(k));
  int status = 0;
  std::vector<int32_t> changed;
  while (!heap_.empty() && !f_.front_empty()) {
    const auto [v, ver, b] = heap_.top();
    heap_.pop();
    if (ver != version_[b]) continue;
    if (v <= -1) break;  // CHOOSRK: no angle under 180 degrees is left
    f_.touched.clear();
    if (step(b, status)) {
      // The nodes whose front edges changed get new angle values; their front neighbours
      // keep theirs, but one that failed before may succeed now.
      ++step_no_;
      changed.swap(f_.touched);
      for (const int32_t n : changed) {
        if (static_cast<size_t>(n) >= seen_.size() || seen_[n] != step_no_) push(n);
      }
      for (const int32_t n : changed) {
        for (const int32_t e : f_.edges_at(n)) {
          if (!f_.alive_edge(e)) continue;
          const int32_t m = f_.edge_from(e) == n ? f_.edge_to(e) : f_.edge_from(e);
          if (failed_[m] && seen_[m] != step_no_) push(m);
        }
      }
    } else {
      if (status != 0) return status;
      ++version_[b];  // left until a neighbour changes
      failed_[b] = 1;
    }
  }
  if (f_.front_empty()) return 0;
  return close_rest();
}

// Nodes that no triangle uses (candidates given up) are dropped, and their shifts with them.
void drop_unused(Triangulation& t, std::vector<Pt>& shift) {
  std::vector<int32_t> id(t.nodes.size(), -1);
  for (const int32_t v : t.bnd) id[v] = 0;
  for (const int32_t v : t.tri) id[v] = 0;
  int32_t next = 0;
  for (size_t k = 0; k < t.nodes.size(); ++k) {
    if (id[k] < 0) continue;
    id[k] = next;
    shift[next] = shift[k];
    t.nodes[next++] = t.nodes[k];
  }
  t.nodes.resize(static_cast<size_t>(next));
  shift.resize(static_cast<size_t>(next));
  for (int32_t& v : t.bnd) v = id[v];
  for (int32_t& v : t.tri) v = id[v];
}

// GRIDCORR: the front builds square cells in rows along the contour. Their rows are staggered
// (stagger_rows); then passes that aim each node at the centres of its triangles' circles, and
// rounds of flips towards six edges a node with passes to the mean of the neighbours (see
// improve_triangles) even out the rest: the rows that close the front and the nodes that a
// shrinking row leaves out.
void gridcorr(Triangulation& t, const std::vector<Pt>& stagger, const Pockets& pockets) {
  stagger_rows(t, stagger, pockets);
  improve_triangles(t, 3, pockets, 4);
}

void show(Session& s) {
  draw_mesh(s);
  clswnd3(s);
}

int mgrid_body(Session& s, int i, std::vector<Polygon>& region) {
  Cmesh& c = s.cmesh;
  int32_t pic = 0;
  std::vector<Polygon> polys;
  std::vector<float> hs;
  if (read_region(s, "ipic=", "mgrid", pic, polys, hs)) return 1;
  const double h = hs[0];

  // The room: boundary nodes, then about one node per equilateral triangle of side h.
  const int64_t free_nodes =
      (real_words(s) - s.csize.maxa) / 2 - static_cast<int64_t>(polys[0].size());
  double boundary = 0;
  for (size_t k = 0; k < polys.size(); ++k) boundary += boundary_count(polys[k], hs[k]) + 1;
  double area = std::abs(twice_area(polys[0])) / 2;
  for (size_t k = 1; k < polys.size(); ++k) area -= std::abs(twice_area(polys[k])) / 2;
  const double want = boundary + 1.2 * area / (h * h);
  if (want > static_cast<double>(free_nodes)) {
    if (s.colors.col != 1) newstr(s);
    txtcon(s, " bidot: not enough room");
    return need_more_reals(s, s.csize.maxa + static_cast<int64_t>(std::min(2 * want, 4e9)));
  }
  Triangulation t;
  std::vector<Polygon> nodes;
  if (place_boundary(s, "bidot", polys, hs, nodes, t)) return 1;
  const double n3 = static_cast<double>(t.bnd.size() / 2);
  const double cap = std::min(std::pow(n3 / 3 + 2, 2) + n3, static_cast<double>(free_nodes));
  if (keep_contour(s, polys[0])) return 1;
  const OutputSwitches outputs(s);
  if (pic == 1) gout(s, 0, 1, 1);

  if (rtmr(s, "grid1")) return 1;
  int status = 0;
  const Pockets pockets(polys, hs);
  std::vector<Pt> stagger;
  {
    Advance front(t, h, static_cast<int64_t>(cap), static_cast<int64_t>(want), pockets);
    status = front.run();
    if (status == 0) front.flip(), stagger = front.row_stagger();
  }
  if (status == 2) return flag_on(s, "pcell: too many elements");
  if (status != 0) {
    paus(s, "***********grid1:error");
    return flag_on(s, "error in grid generation! hit enter");
  }
  stagger.resize(t.nodes.size(), Pt{0, 0});
  drop_unused(t, stagger);
  const int32_t a0 = s.csize.maxa, k0 = s.csize.maxk;
  if (pic == 1) {
    if (store_triangulation(s, t, false)) return 1;
    show(s);
    paus(s, "grid.end");
    s.csize.maxa = a0, s.csize.maxk = k0;
  }
  if (rtmr(s, "gridcorr")) return 1;
  gridcorr(t, stagger, pockets);
  if (nodes_in_region(s, "mgrid", polys, t)) return 1;
  if (store_triangulation(s, t, c.m == 4)) return 1;
  if (pic == 1) {
    show(s);
    int k = 0;
    do grfkey(s, k);
    while (k != key::kEsc);
  }
  c.nc = static_cast<int32_t>(polys.size());
  region = std::move(polys);
  store_counts(s, i);
  return 0;
}

}  // namespace

namespace mesh_detail {

int mgrid_region(Session& s, int i, std::vector<Polygon>& region) {
  if (rtmr(s, "mgrid")) return 1;
  return mgrid_body(s, i, region);
}

}  // namespace mesh_detail

int mgrid(Session& s, int i) {
  std::vector<Polygon> region;
  return mgrid_region(s, i, region);
}

}  // namespace tivor
