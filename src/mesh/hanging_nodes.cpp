// MESHA_1: hanging nodes. A node of one glued subregion that lies inside a glued boundary edge of
// another is inserted into that edge: the edge becomes two boundary elements and its element two
// elements, each new one placed right after the one it came from. Candidates come from a cell
// index over the edges; the edges and elements are kept as linked lists while they are split,
// so that every insertion costs the same whatever its place.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "mesh/assembly.hpp"
#include "mesh/mesh.hpp"
#include "mesh/mesh_internal.hpp"
#include "mesh/spatial_index.hpp"

namespace tivor::mesh_detail {
namespace {

// The two squared lengths below are those of a mesh of size 1 or more; a smaller mesh scales
// them by the square of its size, so that it glues as it would in a larger unit.
constexpr double kZeroLength2 = 1e-12;  // squared length of a boundary element taken as 0
constexpr double kOnEdge = 1e-8;        // (1e-4)^2: squared distance from the edge over L^2
constexpr double kAwayFromEnds2 = 1e-6;
constexpr double kNoKey = std::numeric_limits<double>::infinity();

struct Point {
  double r, z;
};

class Splitter {
 public:
  Splitter(Session& s, const int32_t* skl, int64_t room_b, int64_t room_e)
      : s_(s),
        c_(s.cmesh),
        rz_(reals(s, s.cmesh.jrz)),
        scale2_(std::pow(boundary_tolerance(s).scale, 2)),
        room_b_(room_b),
        room_e_(room_e) {
    load(skl);
  }

  // 1 on the error exit; a zero-length edge only stops the search.
  int run();
  // 1 on the error exit when the grown arrays do not fit the integer pool.
  int store();

 private:
  Point at(int32_t k) const { return {rz_[2 * (k - 1)], rz_[2 * (k - 1) + 1]}; }
  void load(const int32_t* skl);
  void index_candidates();
  int32_t pick(int64_t original, int32_t a, int32_t b, double len2) const;
  int32_t owner(int32_t a, int32_t b);
  int split(int32_t slot, int32_t x, int32_t e);
  void own_edges(int32_t e);
  int64_t position(int32_t slot) const;

  Session& s_;
  Cmesh& c_;
  const float* rz_;
  double scale2_;  // the square of min(1, the mesh's size)
  int64_t room_b_, room_e_;
  int64_t n3_ = 0;  // boundary elements before any split

  // Boundary elements: nodes, zone flag, subregion, next in order, order key.
  std::vector<int32_t> ba_, bb_, bzone_, bsub_, bnext_;
  std::vector<double> bkey_;
  // Elements: m nodes each, subregion, next in order.
  std::vector<int32_t> en_, esub_, enext_;
  // Per node: order key of the first glued boundary element ending at it (infinite for none).
  std::vector<double> first_;
  // Candidate nodes of each original edge, as ranges of one sorted list.
  std::vector<int64_t> cand_begin_;
  std::vector<int32_t> cand_;
  // Directed boundary edge -> element having it; filled at the first split.
  std::unordered_map<uint64_t, int32_t> owners_;
  bool owners_built_ = false;
};

void Splitter::load(const int32_t* skl) {
  const int32_t* b = ints(s_, c_.jj2);
  const int32_t* conn = ints(s_, c_.jj1);
  const int32_t* jn2 = ints(s_, c_.jn2);
  const int32_t* jn3 = ints(s_, c_.jn3);
  n3_ = c_.n3;
  for (int64_t k = 0, sub = 0; k < n3_; ++k) {
    while (sub < c_.ntel - 1 && k >= jn3[sub]) ++sub;
    ba_.push_back(std::abs(b[2 * k]));
    bb_.push_back(b[2 * k + 1]);
    bzone_.push_back(skl[k] == 0 ? 1 : 0);
    bsub_.push_back(static_cast<int32_t>(sub));
    bnext_.push_back(k + 1 < n3_ ? static_cast<int32_t>(k + 1) : -1);
    bkey_.push_back(static_cast<double>(k));
  }
  en_.assign(conn, conn + int64_t{c_.m} * c_.n2);
  for (int64_t e = 0, sub = 0; e < c_.n2; ++e) {
    while (sub < c_.ntel - 1 && e >= jn2[sub]) ++sub;
    esub_.push_back(static_cast<int32_t>(sub));
    enext_.push_back(e + 1 < c_.n2 ? static_cast<int32_t>(e + 1) : -1);
  }
  first_.assign(static_cast<size_t>(c_.n1) + 1, kNoKey);
  for (int64_t k = 0; k < n3_; ++k) {
    if (bzone_[k] && bb_[k] > 0 && bb_[k] <= c_.n1) {
      first_[bb_[k]] = std::min(first_[bb_[k]], bkey_[k]);
    }
  }
  index_candidates();
}

// For each glued edge, the glued second nodes that pass near it.
void Splitter::index_candidates() {
  cand_begin_.assign(static_cast<size_t>(n3_) + 1, 0);
  auto usable = [this](int64_t k) {
    return bzone_[k] && bb_[k] > 0 && bb_[k] <= c_.n1 && ba_[k] >= 1 && ba_[k] <= c_.n1;
  };
  double total = 0.0;
  int64_t count = 0;
  for (int64_t k = 0; k < n3_; ++k) {
    if (!usable(k)) continue;
    total += std::hypot(at(ba_[k]).r - at(bb_[k]).r, at(ba_[k]).z - at(bb_[k]).z);
    ++count;
  }
  if (count == 0) return;
  CellIndex edges(std::max(total / count, 1e-12));
  for (int64_t k = 0; k < n3_; ++k) {
    if (!usable(k)) continue;
    const Point p = at(ba_[k]), q = at(bb_[k]);
    // Sub-edges made by earlier splits stay within a few 1e-4 of their edge's length.
    const double reach = 1e-3 * std::hypot(q.r - p.r, q.z - p.z) + 1e-9 * edges.cell();
    edges.add_segment(p.r, p.z, q.r, q.z, reach, static_cast<int32_t>(k));
  }
  edges.finish();
  std::vector<std::pair<int32_t, int32_t>> pairs;
  for (int32_t x = 1; x <= c_.n1; ++x) {
    if (first_[x] == kNoKey) continue;
    const Point p = at(x);
    edges.for_each_at(p.r, p.z, [&](int32_t k) {
      if (x != ba_[k] && x != bb_[k]) pairs.emplace_back(k, x);
    });
  }
  std::sort(pairs.begin(), pairs.end());
  pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
  for (const auto& [k, x] : pairs) ++cand_begin_[k + 1];
  for (int64_t k = 0; k < n3_; ++k) cand_begin_[k + 1] += cand_begin_[k];
  for (const auto& kx : pairs) cand_.push_back(kx.second);
}

// The node to insert into edge a -> b of the original edge's chain: of the nodes lying on it,
// the one whose glued boundary element comes first; 0 when there is none.
int32_t Splitter::pick(int64_t original, int32_t a, int32_t b, double len2) const {
  const Point pa = at(a), pb = at(b);
  int32_t best = 0;
  for (int64_t i = cand_begin_[original]; i < cand_begin_[original + 1]; ++i) {
    const int32_t x = cand_[i];
    if (x == a || x == b) continue;
    const Point px = at(x);
    const double t = ((px.r - pa.r) * (pb.r - pa.r) + (px.z - pa.z) * (pb.z - pa.z)) / len2;
    if (t < 0.0 || t > 1.0) continue;
    const double fr = pa.r + t * (pb.r - pa.r) - px.r, fz = pa.z + t * (pb.z - pa.z) - px.z;
    if (!(fr * fr + fz * fz < kOnEdge * len2)) continue;
    const double da = (px.r - pa.r) * (px.r - pa.r) + (px.z - pa.z) * (px.z - pa.z);
    const double db = (px.r - pb.r) * (px.r - pb.r) + (px.z - pb.z) * (px.z - pb.z);
    if (da <= kAwayFromEnds2 * scale2_ || db <= kAwayFromEnds2 * scale2_) continue;
    if (best == 0 || first_[x] < first_[best] || (first_[x] == first_[best] && x < best)) {
      best = x;
    }
  }
  return best;
}

int32_t Splitter::owner(int32_t a, int32_t b) {
  if (!owners_built_) {
    owners_built_ = true;
    owners_.reserve(2 * static_cast<size_t>(n3_));
    for (int64_t k = 0; k < static_cast<int64_t>(ba_.size()); ++k) {
      owners_.emplace(edge_key(ba_[k], std::abs(bb_[k])), -1);
    }
    for (int32_t e = c_.n2 > 0 ? 0 : -1; e >= 0; e = enext_[e]) {
      int32_t v[4] = {0, 0, 0, 0};
      const int nn = element_nodes(en_.data(), c_.m, e, v);
      for (int i = 0; i < nn; ++i) {
        const auto it = owners_.find(edge_key(v[i], v[(i + 1) % nn]));
        if (it != owners_.end() && it->second < 0) it->second = e;
      }
    }
  }
  const auto it = owners_.find(edge_key(a, b));
  return it == owners_.end() ? -1 : it->second;
}

// Every boundary edge of element e now belongs to it.
void Splitter::own_edges(int32_t e) {
  int32_t v[4] = {0, 0, 0, 0};
  const int nn = element_nodes(en_.data(), c_.m, e, v);
  for (int i = 0; i < nn; ++i) {
    const auto it = owners_.find(edge_key(v[i], v[(i + 1) % nn]));
    if (it != owners_.end()) it->second = e;
  }
}

// Splits boundary element slot (a, b) at x into (a, x), (x, b) and its element e the same way.
int Splitter::split(int32_t slot, int32_t x, int32_t e) {
  const int m = c_.m;
  int32_t v[4] = {0, 0, 0, 0};
  const int nn = element_nodes(en_.data(), m, e, v);
  const int32_t a = ba_[slot], b = std::abs(bb_[slot]);
  int i = 0;
  while (i < nn && !(v[i] == a && v[(i + 1) % nn] == b)) ++i;
  if (i == nn) return 0;  // the element no longer has the edge: nothing to split
  if (static_cast<int64_t>(ba_.size()) >= room_b_) {
    return need_more_ints(s_, c_.jj2 + 2 * (static_cast<int64_t>(ba_.size()) + 1));
  }
  if (static_cast<int64_t>(esub_.size()) >= room_e_) {
    return need_more_ints(s_, c_.jj1 + m * (static_cast<int64_t>(esub_.size()) + 1));
  }

  // The boundary element: (x, b) goes right after (a, x).
  const auto added = static_cast<int32_t>(ba_.size());
  const double next_key = bnext_[slot] >= 0 ? bkey_[bnext_[slot]] : bkey_[slot] + 1.0;
  ba_.push_back(x);
  bb_.push_back(bb_[slot]);
  bzone_.push_back(bzone_[slot]);
  bsub_.push_back(bsub_[slot]);
  bnext_.push_back(bnext_[slot]);
  bkey_.push_back((bkey_[slot] + next_key) / 2);
  bnext_[slot] = added;
  bb_[slot] = x;
  if (first_[b] == bkey_[slot]) first_[b] = bkey_[added];
  first_[x] = std::min(first_[x], bkey_[slot]);

  // The element: the part along (a, x) keeps its place, the part along (x, b) follows it. A
  // quadrilateral gives a quadrilateral and the triangle cut off at b.
  int32_t first[4], second[4];
  std::copy_n(v, 4, first);
  std::copy_n(v, 4, second);
  first[(i + 1) % nn] = x;
  if (nn == 3) {
    second[i] = x;
    first[3] = first[2];
    second[3] = second[2];
  } else {
    second[0] = x;
    second[1] = b;
    second[2] = second[3] = v[(i + 2) % 4];
  }
  const auto piece = static_cast<int32_t>(esub_.size());
  std::copy_n(first, m, en_.begin() + int64_t{m} * e);
  en_.insert(en_.end(), second, second + m);
  esub_.push_back(esub_[e]);
  enext_.push_back(enext_[e]);
  enext_[e] = piece;
  owners_[edge_key(a, x)] = e;
  owners_[edge_key(x, b)] = piece;
  own_edges(e);
  own_edges(piece);
  return 0;
}

int64_t Splitter::position(int32_t slot) const {
  int64_t k = 1;
  for (int32_t i = 0; i >= 0 && i != slot; i = bnext_[i]) ++k;
  return k;
}

int Splitter::run() {
  for (int64_t k = 0; k < n3_; ++k) {
    if (!bzone_[k] || bb_[k] <= 0) continue;
    auto slot = static_cast<int32_t>(k);
    while (true) {
      const int32_t a = ba_[slot], b = bb_[slot];
      const double len2 =
          (at(a).r - at(b).r) * (at(a).r - at(b).r) + (at(a).z - at(b).z) * (at(a).z - at(b).z);
      if (!(len2 > kZeroLength2 * scale2_)) {
        if (s_.colors.col != 1) newstr(s_);
        iwrite(s_, " mesha_1:length 0:boundary element:", static_cast<int>(position(slot)), "(i8)",
               1);
        const int32_t nodes[2] = {a, b};
        prtim(s_, " j2=", nodes, 2);
        paus(s_, "error");
        return 0;
      }
      const int32_t x = cand_begin_[k] < cand_begin_[k + 1] ? pick(k, a, b, len2) : 0;
      const int32_t e = x != 0 ? owner(a, b) : -1;
      if (e >= 0) {
        const size_t before = ba_.size();
        if (split(slot, x, e)) return 1;
        if (ba_.size() != before) continue;  // search the shortened edge again
      }
      // On to the part that the last split left after it, if any.
      if (bnext_[slot] >= n3_) {
        slot = bnext_[slot];
        continue;
      }
      break;
    }
  }
  return 0;
}

int Splitter::store() {
  if (static_cast<int64_t>(ba_.size()) == n3_) return 0;  // nothing was split
  // Everything is held here, so the arrays may be laid out anew over their old place.
  const int64_t nb = static_cast<int64_t>(ba_.size()), ne = static_cast<int64_t>(esub_.size());
  const int64_t jj1 = int64_t{c_.jj2} + 2 * nb, end = jj1 + int64_t{c_.m} * ne;
  if (end > int_words(s_)) return need_more_ints(s_, end);
  c_.jj1 = static_cast<int32_t>(jj1);
  s_.csize.maxk = std::max(s_.csize.maxk, static_cast<int32_t>(end));
  int32_t* b = ints(s_, c_.jj2);
  int32_t* jn3 = ints(s_, c_.jn3);
  std::fill_n(jn3, c_.ntel, 0);
  int64_t k = 0;
  for (int32_t i = n3_ > 0 ? 0 : -1; i >= 0; i = bnext_[i], ++k) {
    b[2 * k] = ba_[i];
    b[2 * k + 1] = bb_[i];
    ++jn3[bsub_[i]];
  }
  int32_t* conn = ints(s_, c_.jj1);
  int32_t* jn2 = ints(s_, c_.jn2);
  std::fill_n(jn2, c_.ntel, 0);
  int64_t e = 0;
  for (int32_t i = c_.n2 > 0 ? 0 : -1; i >= 0; i = enext_[i], ++e) {
    std::copy_n(en_.begin() + int64_t{c_.m} * i, c_.m, conn + c_.m * e);
    ++jn2[esub_[i]];
  }
  for (int i = 1; i < c_.ntel; ++i) {
    jn3[i] += jn3[i - 1];
    jn2[i] += jn2[i - 1];
  }
  c_.n3 = static_cast<int32_t>(k);
  c_.n2 = static_cast<int32_t>(e);
  return 0;
}

}  // namespace

int mesha_1(Session& s, const int32_t* skl, int64_t room_b, int64_t room_e) {
  if (rtmr(s, "mesha_1")) return 1;
  Splitter splitter(s, skl, room_b, room_e);
  if (splitter.run()) return 1;
  return splitter.store();
}

}  // namespace tivor::mesh_detail
