// The front of the triangulators: front edges by grid cell, and the bookkeeping and tests that
// MESH1_N and the advancing front of generator 3 share. Internal to src/mesh.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

#include "mesh/mesh_internal.hpp"
#include "mesh/spatial_index.hpp"
#include "mesh/triangulation.hpp"

namespace tivor::mesh_detail {

// Front edges listed by the cells of a fixed grid that their boxes meet; removed edges are
// dropped from a cell's list when the cell is next visited.
class EdgeGrid {
 public:
  EdgeGrid(double x0, double y0, double x1, double y1, double cell, size_t max_cells) {
    h_ = cell;
    for (;;) {
      nx_ = static_cast<int64_t>((x1 - x0) / h_) + 1;
      ny_ = static_cast<int64_t>((y1 - y0) / h_) + 1;
      if (static_cast<double>(nx_) * static_cast<double>(ny_) <= static_cast<double>(max_cells)) {
        break;
      }
      h_ *= 2;
    }
    x0_ = x0, y0_ = y0;
    cells_.resize(static_cast<size_t>(nx_ * ny_));
  }
  void add(Pt a, Pt b, int32_t id) {
    visit(a, b, [&](std::vector<int32_t>& c) { c.push_back(id); });
  }
  // True when hit(id) holds for an edge listed in a cell that the segment a-b passes through
  // (column by column, each column's cells over the segment's rise in it and a little more);
  // alive(id) filters. Stops at the first hit, so a long segment that crosses the front near
  // its start costs little.
  template <typename Alive, typename Hit>
  bool any_on_segment(Pt a, Pt b, const Alive& alive, const Hit& hit) {
    if (a.x > b.x) std::swap(a, b);
    const double dx = b.x - a.x, margin = 1e-6 * h_;
    const int64_t i1 = ix(a.x), i2 = ix(b.x);
    for (int64_t i = i1; i <= i2; ++i) {
      const double xs = i == i1 ? a.x : x0_ + static_cast<double>(i) * h_;
      const double xe = i == i2 ? b.x : x0_ + static_cast<double>(i + 1) * h_;
      double ys = a.y, ye = b.y;
      if (dx > 0) {
        ys = a.y + (b.y - a.y) * std::clamp((xs - a.x) / dx, 0.0, 1.0);
        ye = a.y + (b.y - a.y) * std::clamp((xe - a.x) / dx, 0.0, 1.0);
      }
      const int64_t j1 = iy(std::min(ys, ye) - margin), j2 = iy(std::max(ys, ye) + margin);
      for (int64_t j = j1; j <= j2; ++j) {
        std::vector<int32_t>& c = cells_[static_cast<size_t>(i * ny_ + j)];
        std::erase_if(c, [&](int32_t id) { return !alive(id); });
        for (const int32_t id : c) {
          if (hit(id)) return true;
        }
      }
    }
    return false;
  }

 private:
  int64_t ix(double x) const {
    return std::clamp<int64_t>(static_cast<int64_t>(std::floor((x - x0_) / h_)), 0, nx_ - 1);
  }
  int64_t iy(double y) const {
    return std::clamp<int64_t>(static_cast<int64_t>(std::floor((y - y0_) / h_)), 0, ny_ - 1);
  }
  template <typename F>
  void visit(Pt a, Pt b, F&& f) {
    const int64_t i1 = ix(std::min(a.x, b.x)), i2 = ix(std::max(a.x, b.x));
    const int64_t j1 = iy(std::min(a.y, b.y)), j2 = iy(std::max(a.y, b.y));
    for (int64_t i = i1; i <= i2; ++i) {
      for (int64_t j = j1; j <= j2; ++j) f(cells_[static_cast<size_t>(i * ny_ + j)]);
    }
  }

  double x0_ = 0, y0_ = 0, h_ = 1;
  int64_t nx_ = 1, ny_ = 1;
  std::vector<std::vector<int32_t>> cells_;
};

// The front of a triangulation in progress: its edges (region on the left), the nodes still
// on it or not yet used, and the tests that a new triangle is valid. MESH1_N runs it over given
// nodes; the advancing front of generator 3 adds nodes as it goes.
class Connector {
 public:
  // cell: the side of the cells of the node and edge indexes (0: from the nodes' box and
  // count); expected: how many nodes there will be.
  explicit Connector(Triangulation& t, double cell = 0, size_t expected = 0);
  // 0 when the front closed; 1 when edges remain that no node can close.
  int run();
  void flip_all();

  // A new node (not yet used) at q; retire_node gives up one that no triangle took.
  int32_t add_node(Pt q);
  void retire_node(int32_t n) { used_[n] = 1; }
  // The edges still on the front.
  std::vector<std::pair<int32_t, int32_t>> front_edges() const {
    std::vector<std::pair<int32_t, int32_t>> out;
    for (const auto& kv : front_) out.emplace_back(ea_[kv.second], eb_[kv.second]);
    std::sort(out.begin(), out.end());
    return out;
  }
  // The triangle a, b, p (counter-clockwise) closes nothing it should not: its new edges cross
  // no front edge, no live node lies in it, it keeps to the free angle at p.
  bool valid(int32_t a, int32_t b, int32_t p);
  // Adds the triangle on the front edge a -> b (which must be on the front) with third node p.
  void make_triangle(int32_t a, int32_t b, int32_t p);
  int32_t find_edge(int32_t a, int32_t b) const {
    const auto it = front_.find(edge_key(a, b));
    return it == front_.end() ? -1 : it->second;
  }
  bool alive_node(int32_t n) const { return !used_[n] || deg_[n] > 0; }
  bool alive_edge(int32_t e) const { return ea_[e] >= 0; }
  bool front_empty() const { return front_.empty(); }
  const std::vector<int32_t>& edges_at(int32_t n) const { return at_[n]; }
  int32_t edge_from(int32_t e) const { return ea_[e]; }
  int32_t edge_to(int32_t e) const { return eb_[e]; }
  int32_t degree(int32_t n) const { return deg_[n]; }
  // Calls f(node) for the nodes near q (within reach, and a few more).
  template <typename F>
  void nodes_near(Pt q, double reach, F&& f) const {
    nodes_.for_each_near(q.x, q.y, reach, f);
  }
  // Node changes seen by the caller (set when a node's front edges change).
  std::vector<int32_t> touched;

 private:
  void add_edge(int32_t a, int32_t b);
  void remove_edge(int32_t e);
  // Closes a -> b where the reverse is on the front, else adds it as a new front edge.
  void advance(int32_t a, int32_t b);
  int32_t third_node(int32_t e);
  bool within_wedge(int32_t a, int32_t b, int32_t p);
  bool crosses_front(int32_t a, int32_t b);
  bool same_place(int32_t p, int32_t q) const {
    const Pt a = pts_[p], b = pts_[q];
    return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) <= same2_;
  }

  Triangulation& t_;
  const std::vector<Pt>& pts_;
  double same2_ = 0, size_ = 0, cell_ = 1;
  PointHash nodes_;
  EdgeGrid grid_;
  std::vector<char> used_;
  std::vector<int32_t> deg_;
  std::vector<std::vector<int32_t>> at_;  // front edges at each node (may hold removed ones)
  std::vector<int32_t> ea_, eb_;          // front edges; ea_ = -1 once removed
  std::unordered_map<uint64_t, int32_t> front_;
  std::deque<int32_t> queue_;
  std::vector<std::pair<double, int32_t>> cand_;
  // The least height of a new triangle over its front edge, relative to the edge's length.
  double min_height_ = 0.05;
};

}  // namespace tivor::mesh_detail
