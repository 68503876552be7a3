// The routines of the gas-flow class behind its manager. Internal to src/classes/gs.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/pool.hpp"
#include "core/session.hpp"

namespace tivor::gs {

inline GsParm& parm(Session& s) {
  return s.cparm.gs;
}
inline const GsParm& parm(const Session& s) {
  return s.cparm.gs;
}

// Field numbers (from 0) of the state and published fields in jf, jf0 and the flag sets jy, jfg.
enum Field : int {
  kRo = 0,
  kU = 1,
  kV = 2,
  kE = 3,
  kP = 4,
  kVort = 5,    // published vorticity
  kStream = 6,  // published stream function; jy/jfg: its boundary values
  kMach = 7,    // published local Mach number; jy/jfg: the wr conditions
  kTemp = 8,    // published temperature; jy/jfg: the wz conditions
};

// The nodes an element uses: 3 for a triangle and for a quadrilateral whose third and fourth
// node numbers are equal, else 4.
inline int corners(const int32_t* v, int32_t m) {
  return (m == 4 && v[2] != v[3]) ? 4 : 3;
}

// Calls run(e, next, triangles) for each run [e, next) of elements of one kind in [first, end)
// of a mesh with m node numbers an element: all of them in a mesh of triangles; in a
// quadrilateral mesh, the runs of triangles (third and fourth node equal) and of quadrilaterals,
// so that each goes to a loop made for its kind.
template <class Run>
void for_each_run(const int32_t* conn, int32_t m, int32_t first, int32_t end, Run run) {
  int32_t e = first;
  while (e < end) {
    const bool tri = m == 3 || corners(conn + int64_t{e} * m, m) == 3;
    int32_t next = m == 3 ? end : e + 1;
    while (next < end && (corners(conn + int64_t{next} * m, m) == 3) == tri) ++next;
    run(e, next, tri);
    e = next;
  }
}

// The cumulative counts of subregion k (from 0) clamped to [first, total].
inline int32_t range_end(const int32_t* cumulative, int32_t k, int32_t first, int32_t total) {
  return std::clamp(cumulative[k], first, total);
}

// What the class keeps between steps outside the pools: the neighbours of every node along the
// element outlines (they change only with the mesh), the clock of the last redraw and the derived
// fields left to make.
struct GsCache : ClassCache {
  uint64_t stamp = ~uint64_t{0};
  int32_t n1 = -1, n2 = -1;
  std::vector<int32_t> start, next;  // neighbours of node i: next[start[i] .. start[i + 1])
  // The same neighbours for the limiter's batches of kNodeBatch nodes: batch g has as many slots
  // as its node with the most neighbours, batch_next[kNodeBatch * batch_start[g] ...]; slot k holds
  // the k-th neighbour of each node of the batch as the offset of its record of four values (4
  // times the node number). A node with fewer neighbours repeats its first one, which changes
  // neither the least nor the greatest value around it; a node of no element names itself, so
  // that it is never a strict extremum and keeps its value.
  static constexpr int kNodeBatch = 4;
  std::vector<int32_t> batch_start, batch_next;
  double drawn_at = -1e30;
  double cost = 0.0;
  unsigned stale = 0;  // derived fields the publisher has left behind the state (bits)
};
// The class's cache, with its neighbours rebuilt when the mesh or the pools changed.
GsCache& gs_cache(Session& s);

// GSIN: the mesh, the class's keywords and every array of the task; 1 on the error exit.
[[nodiscard]] int gsin(Session& s);
// GSIN1: the arrays of the fields and the boundary, the gravity coefficient and the boundary
// conditions; 1 on the error exit.
[[nodiscard]] int gsin1(Session& s);
// GSBASE: the class's memory card.
void gsbase(Session& s);
// True when the class's arrays lie in the pools as GSIN lays them out and the mesh's arrays
// match the counts of the mesh record (the condition of every step).
bool arrays_ok(const Session& s);

// GSIND3: the element geometry on the current node coordinates (at is = 0 also the copies of the
// coordinates and the volumes). Returns the first element (from 1) without a positive area,
// 0 when every element is sound.
int32_t gsind3(Session& s);
// GSB: the prescribed ro, u, v (with the slip walls), e and p written into the fields at
// pointers f (five consecutive arrays).
void gsb(Session& s, int32_t f);
// GSHT: the time step from the Courant number and the stable step of the scheme; the limit of
// viscosity and conduction is left out when they are taken implicitly (viscous_limit false).
void gsht(Session& s, bool viscous_limit = true);
// GSL1: one step of the euler scheme from jf into jf0.
void gsl1(Session& s, float ht);
// GSSGL1: one pass of the extremum limiter of the nodal field f into g (g may be f); wmax and
// wmin are work arrays of n1 reals.
void gssgl1(Session& s, int32_t f, int32_t g, int32_t wmax, int32_t wmin);
// The stop of a run whose new state holds a value that is not finite: the message names the
// field, the node and the time; 1 (error exit) when one is found, 0 otherwise.
[[nodiscard]] int check_finite(Session& s, std::string_view routine, int32_t f, int fields);
// GSP: publishes the result functions, the boundary lists, the histories and the film. Before
// the last step of a run it makes only the derived fields that the history or the film reads.
void gsp(Session& s);
// The derived fields that the publisher left behind the state, made now: every way out of a run
// calls it, so that the results viewer and the state buffers see them.
void publish_stale(Session& s);

}  // namespace tivor::gs
