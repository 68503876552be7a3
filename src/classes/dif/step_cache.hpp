// What the implicit step keeps between steps outside the pools: the stiffness of the components
// as rows (one row per node, the off-diagonal columns shared by the components), the
// preconditioner and operator diagonal of the last time step, and the stable-step estimate.
// Everything in it is derived from the task's pool arrays and records; it is rebuilt whenever
// they may have changed. Internal to src/classes/dif.
//
// The rows are stored in slices of kSlice consecutive rows: entry k of the rows of slice s lies at
// slice_at[s] + k kSlice + (row - s kSlice), every row of a slice padded with zeros to the
// longest. A product then works on the kSlice rows of a slice side by side, in vector lanes.
//
// The kSlice entries k of a slice form group slice_at[s] / kSlice + k. On a mesh numbered row by
// row, the columns of most groups are consecutive nodes (the same neighbour of consecutive
// nodes): such a group keeps only its first column and the product reads its values with one
// plain load; the columns of the other groups are listed.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "core/session.hpp"

namespace tivor::dif {

struct StepCache : ClassCache {
  // ---- what the cache was built from ----
  uint64_t stamp = 0;
  Csize csize{};
  int32_t n1 = 0, n2 = 0, n3 = 0, ntel = 0, m = 0;
  int32_t arrays[24] = {};  // the pointers of the mesh and class records the step uses
  bool on[2] = {false, false};
  std::vector<float> diffc;      // 4 ntel factors
  std::vector<int32_t> jj2;      // 2 n3 boundary element nodes
  std::vector<int32_t> flag[2];  // n3 boundary flags per component

  // ---- the rows ----
  static constexpr size_t kSlice = 16;
  std::vector<int32_t> slice_at;  // the first entry of each slice, and the end
  // Per group: c >= 0 when the columns of lane l are c + l; otherwise the group's columns are
  // listed at listed[(-c - 1) kSlice + l]. Columns are 0-based nodes; padding has some column.
  std::vector<int32_t> group;
  std::vector<int32_t> listed;
  // K_ab off the diagonal and on it, for the component pairs that are used: k[0] K11, k[1] K12,
  // k[2] K21, k[3] K22 (empty when not needed). Rows of prescribed nodes hold zeros.
  std::vector<float> k[4];
  std::vector<float> kdiag[4];
  std::vector<uint8_t> prescribed[2];  // 1 at the nodes whose value component c keeps
  std::vector<float> stiff_diag;       // 2 n1: the preconditioner's stiffness sums, c1 then c2
  float est = 0.0f;                    // the stable explicit step after the first step

  // ---- for the time step ht ----
  float ht = 0.0f;
  std::vector<float> adiag;  // 2 n1: diagonal of M/ht + K, zero in prescribed rows
  std::vector<float> dg;     // 2 n1: the preconditioner, the inverse diagonal

  // The host's clock at the end of the last redraw of the current picture after a step, and
  // the seconds that redraw took.
  double drawn_at = -std::numeric_limits<double>::infinity();
  double redraw_cost = 0.0;
};

// The cache of the prepared task, built or rebuilt as needed; null (with nothing shown) when
// the task's arrays do not lie in the pools as the scheme reads them.
StepCache* step_cache(Session& s);
// Makes dg and adiag those of the time step ht.
void set_time_step(Session& s, StepCache& c, float ht);
// Forgets the cache (the task is being prepared anew).
void drop_step_cache(Session& s);

}  // namespace tivor::dif
