// Finding geometric candidates without looking at all pairs: a static index of the square cells
// that points, boxes and segments touch, and an incremental hash of points by cell. Both only
// narrow the search; callers apply their exact tests to the candidates.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace tivor {

// The cell index along one axis of a grid of cells of side h; huge or undefined positions are
// clamped so that they stay in range.
inline int64_t cell_of(double x, double h) {
  const double q = std::floor(x / h);
  if (!(q == q)) return 0;
  return static_cast<int64_t>(std::clamp(q, -4.0e18, 4.0e18));
}

// Items listed by the cells they touch, sorted by (cell row, cell column, item): building costs
// n log n in the number of (cell, item) pairs, finding a cell's items log n. An item that would
// touch too many cells is kept in a short list that every lookup returns.
class CellIndex {
 public:
  explicit CellIndex(double cell);

  void add_point(double x, double y, int32_t item);
  void add_box(double x1, double y1, double x2, double y2, int32_t item);
  // Every cell holding a point within reach of the segment.
  void add_segment(double x1, double y1, double x2, double y2, double reach, int32_t item);
  // Sorts the pairs; no lookups before, no additions after.
  void finish();

  double cell() const { return h_; }

  // Calls f(item) for the items of the cell holding (x, y).
  template <typename F>
  void for_each_at(double x, double y, F&& f) const {
    for_each_in(cell_of(x, h_), cell_of(x, h_), cell_of(y, h_), cell_of(y, h_), f);
  }
  // Calls f(item) for the items of every cell meeting the square of half side reach around
  // (x, y); an item touching several of these cells comes once per cell.
  template <typename F>
  void for_each_near(double x, double y, double reach, F&& f) const {
    for_each_in(cell_of(x - reach, h_), cell_of(x + reach, h_), cell_of(y - reach, h_),
                cell_of(y + reach, h_), f);
  }

 private:
  struct Entry {
    int64_t ix, iy;
    int32_t item;
    bool operator<(const Entry& o) const {
      return ix != o.ix ? ix < o.ix : (iy != o.iy ? iy < o.iy : item < o.item);
    }
  };

  template <typename F>
  void for_each_in(int64_t ix1, int64_t ix2, int64_t iy1, int64_t iy2, F& f) const {
    const double cells =
        (static_cast<double>(ix2) - ix1 + 1) * (static_cast<double>(iy2) - iy1 + 1);
    if (cells > static_cast<double>(entries_.size())) {
      for (const Entry& e : entries_) {
        if (e.ix >= ix1 && e.ix <= ix2 && e.iy >= iy1 && e.iy <= iy2) f(e.item);
      }
    } else {
      for (int64_t ix = ix1; ix <= ix2; ++ix) {
        auto it = std::lower_bound(entries_.begin(), entries_.end(), Entry{ix, iy1, INT32_MIN});
        for (; it != entries_.end() && it->ix == ix && it->iy <= iy2; ++it) f(it->item);
      }
    }
    for (int32_t item : large_) f(item);
  }

  void add_cells(std::vector<Entry>& cells, int32_t item);

  double h_;
  std::vector<Entry> entries_;
  std::vector<int32_t> large_;
  std::vector<Entry> scratch_;
};

// Points added one at a time to a hash table of square cells; the points near a position are
// found in constant time on average.
class PointHash {
 public:
  PointHash(double cell, size_t expected);

  void insert(double x, double y, int32_t id);
  // Calls f(id) for the points of the cells that meet the square of half side reach (at most a
  // cell) around (x, y), and, rarely, a few points of other cells sharing a slot of the table.
  template <typename F>
  void for_each_near(double x, double y, double reach, F&& f) const {
    const int64_t ix2 = cell_of(x + reach, h_), iy2 = cell_of(y + reach, h_);
    for (int64_t ix = cell_of(x - reach, h_); ix <= ix2; ++ix) {
      for (int64_t iy = cell_of(y - reach, h_); iy <= iy2; ++iy) {
        const size_t slot = find(key(ix, iy));
        if (keys_[slot] == 0) continue;
        for (int32_t k = heads_[slot]; k >= 0; k = next_[k]) f(ids_[k]);
      }
    }
  }

 private:
  static uint64_t key(int64_t ix, int64_t iy);
  size_t find(uint64_t k) const;
  void grow();

  double h_;
  std::vector<uint64_t> keys_;  // 0 marks an empty slot
  std::vector<int32_t> heads_;
  std::vector<int32_t> next_, ids_;
  size_t used_ = 0;
};

}  // namespace tivor
