// The cell index and the point hash of spatial_index.hpp.
#include "mesh/spatial_index.hpp"

namespace tivor {
namespace {

// An item touching more cells than this is returned by every lookup instead.
constexpr double kMaxCellsPerItem = 4096;

}  // namespace

CellIndex::CellIndex(double cell) : h_(cell > 0.0 && std::isfinite(cell) ? cell : 1.0) {}

void CellIndex::add_point(double x, double y, int32_t item) {
  entries_.push_back({cell_of(x, h_), cell_of(y, h_), item});
}

void CellIndex::add_box(double x1, double y1, double x2, double y2, int32_t item) {
  const int64_t ix1 = cell_of(std::min(x1, x2), h_), ix2 = cell_of(std::max(x1, x2), h_);
  const int64_t iy1 = cell_of(std::min(y1, y2), h_), iy2 = cell_of(std::max(y1, y2), h_);
  const double cells = (static_cast<double>(ix2) - ix1 + 1) * (static_cast<double>(iy2) - iy1 + 1);
  if (!(cells <= kMaxCellsPerItem)) {
    large_.push_back(item);
    return;
  }
  for (int64_t ix = ix1; ix <= ix2; ++ix) {
    for (int64_t iy = iy1; iy <= iy2; ++iy) entries_.push_back({ix, iy, item});
  }
}

void CellIndex::add_segment(double x1, double y1, double x2, double y2, double reach,
                            int32_t item) {
  reach = std::max(reach, 0.0);
  const double box_cells =
      ((std::abs(x2 - x1) + 2 * reach) / h_ + 2) * ((std::abs(y2 - y1) + 2 * reach) / h_ + 2);
  if (box_cells <= 16) {
    add_box(std::min(x1, x2) - reach, std::min(y1, y2) - reach, std::max(x1, x2) + reach,
            std::max(y1, y2) + reach, item);
    return;
  }
  // Samples half a cell apart; the square around each reaches half a cell further than needed,
  // so every point within reach of the segment lies in one of the cells collected.
  const double len = std::hypot(x2 - x1, y2 - y1);
  const double samples = std::ceil(2 * len / h_) + 1;
  const double side = (2 * (reach + h_ / 2)) / h_ + 2;
  if (!(samples * side * side <= kMaxCellsPerItem)) {
    large_.push_back(item);
    return;
  }
  scratch_.clear();
  const int n = static_cast<int>(samples);
  const double half = reach + h_ / 2;
  for (int k = 0; k < n; ++k) {
    const double t = n > 1 ? static_cast<double>(k) / (n - 1) : 0.0;
    const double x = x1 + t * (x2 - x1), y = y1 + t * (y2 - y1);
    for (int64_t ix = cell_of(x - half, h_); ix <= cell_of(x + half, h_); ++ix) {
      for (int64_t iy = cell_of(y - half, h_); iy <= cell_of(y + half, h_); ++iy) {
        scratch_.push_back({ix, iy, item});
      }
    }
  }
  add_cells(scratch_, item);
}

void CellIndex::add_cells(std::vector<Entry>& cells, int32_t item) {
  std::sort(cells.begin(), cells.end());
  const auto last = std::unique(cells.begin(), cells.end(), [](const Entry& a, const Entry& b) {
    return a.ix == b.ix && a.iy == b.iy;
  });
  for (auto it = cells.begin(); it != last; ++it) entries_.push_back({it->ix, it->iy, item});
}

void CellIndex::finish() {
  std::sort(entries_.begin(), entries_.end());
  entries_.erase(std::unique(entries_.begin(), entries_.end(),
                             [](const Entry& a, const Entry& b) {
                               return a.ix == b.ix && a.iy == b.iy && a.item == b.item;
                             }),
                 entries_.end());
  scratch_.clear();
  scratch_.shrink_to_fit();
}

PointHash::PointHash(double cell, size_t expected)
    : h_(cell > 0.0 && std::isfinite(cell) ? cell : 1.0) {
  size_t cap = 64;
  while (cap < 2 * expected + 16) cap *= 2;
  keys_.assign(cap, 0);
  heads_.assign(cap, -1);
  next_.reserve(expected);
  ids_.reserve(expected);
}

// Cells next to each other along y get slots next to each other, so that points looked up in
// the order of a mesh's elements mostly hit memory that was just used; rows along x spread
// over the table. Two cells sharing a key only cost a few extra candidates.
uint64_t PointHash::key(int64_t ix, int64_t iy) {
  const uint64_t k = static_cast<uint64_t>(ix) * 0x9E3779B97F4A7C15ull + static_cast<uint64_t>(iy);
  return k == 0 ? 1 : k;
}

size_t PointHash::find(uint64_t k) const {
  const size_t mask = keys_.size() - 1;
  size_t slot = static_cast<size_t>(k) & mask;
  while (keys_[slot] != 0 && keys_[slot] != k) slot = (slot + 1) & mask;
  return slot;
}

void PointHash::grow() {
  std::vector<uint64_t> old_keys(keys_.size() * 2, 0);
  std::vector<int32_t> old_heads(heads_.size() * 2, -1);
  old_keys.swap(keys_);
  old_heads.swap(heads_);
  for (size_t i = 0; i < old_keys.size(); ++i) {
    if (old_keys[i] == 0) continue;
    const size_t slot = find(old_keys[i]);
    keys_[slot] = old_keys[i];
    heads_[slot] = old_heads[i];
  }
}

void PointHash::insert(double x, double y, int32_t id) {
  if (2 * (used_ + 1) > keys_.size()) grow();
  const uint64_t k = key(cell_of(x, h_), cell_of(y, h_));
  const size_t slot = find(k);
  if (keys_[slot] == 0) {
    keys_[slot] = k;
    heads_[slot] = -1;
    ++used_;
  }
  next_.push_back(heads_[slot]);
  ids_.push_back(id);
  heads_[slot] = static_cast<int32_t>(ids_.size() - 1);
}

}  // namespace tivor
