// The numerical kernels shared by the problem classes: nodal smoothing filters, boundary
// conditions given by coordinates, the conjugate-gradient solver and its progress line, time
// tables, load sets and the history recorder. Arrays live in the pools and are passed by their
// 1-based pointers (element i of the array at pointer j is word j + i); routines that may fail
// return 1 (error exit, the flag set and the message shown) or 0.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "core/session.hpp"
#include "kernels/loop_hints.hpp"

namespace tivor {

// A checksum of count 4-byte words (floats or integers) that changes whenever one word does; for
// caches kept while the pool arrays they were built from stay the same.
uint64_t words_checksum(const void* words, int64_t count);

// ---- nodal smoothing filters ----

// ASGL1: blends each node value of f (n1 values) with the midpoint of its mesh neighbours' range
// and writes the result into g (g may be f; every new value comes from the old field). wmax,
// wmin end holding the neighbours' maximum and minimum; mode 1..4 chooses the weight (any other
// mode acts as 1, which looks at triangles only and leaves g untouched on a quadrilateral mesh).
// A node of no element keeps its value. Uses 2 * n1 scratch reals at the real pool's free mark
// without reserving them; raises the flag when they do not fit.
void asgl1(Session& s, int32_t f, int32_t g, int32_t wmax, int32_t wmin, float alpha, int mode);
// The distinct mesh neighbours of every node (the other nodes of the elements that contain it,
// 0-based), in increasing order.
struct NodeNeighbours {
  std::vector<int64_t> first;  // node i's neighbours are list[first[i] .. first[i + 1])
  std::vector<int32_t> list;
  int32_t n1 = -1, m = 0;
};
// The neighbour lists of the session's mesh (m 3 or 4, connectivity in the integer pool). They
// are kept in the session and built anew whenever the counts, the element size, the
// connectivity's pointer or a checksum of its words differ from what they were built from.
const NodeNeighbours& node_neighbours(Session& s);
// ASGL1 in place on several fields at once, for modes 2..4, from neighbour lists of the mesh:
// every field ends as asgl1(f, f, ..., alpha, mode) leaves it; the work arrays of asgl1 and the
// pool's free space are not used. The fields must not overlap.
void asgl1_fields(Session& s, const NodeNeighbours& nb, std::span<const int32_t> fields,
                  float alpha, int mode);
// ASGL94: the same blend on the 3D star of each node (six jstar neighbours, hexahedral meshes
// only), nuz3 values; the weight is 0.5 where a(i) / ht < 0.5, alpha elsewhere. g may be f (the
// new values then pass through nuz3 scratch reals at the real pool's free mark).
void asgl94(Session& s, int32_t f, int32_t g, int32_t a, float alpha);

// ---- boundary conditions (per boundary element of jj2, n3 of them) ----

// BCN2: flags jy (1 free, 0 prescribed; integer pool) and values jf (real pool) from intervals
// x0, y0, x1, y1, f0, f1 tested at each boundary element's second node; key holds the count.
// jy < 1 pauses with "bcn2:jy<=0" and then reads the intervals for the values alone.
[[nodiscard]] int bcn2(Session& s, std::string_view text, int32_t jy, int32_t jf,
                       std::string_view key);
// BCNP: values only, tested at edge midpoints, edges with a positive second node only.
[[nodiscard]] int bcnp(Session& s, std::string_view text, int32_t jf, std::string_view key);
// BCNP1: as BCNP, interface edges included.
[[nodiscard]] int bcnp1(Session& s, std::string_view text, int32_t jf, std::string_view key);
// BCN3: one interval only, tested at the second node; values into jf, flags into jy when jy > 0
// (1 where the interval does not apply), the interval's four coordinates into seg (zeros when
// no interval is given); mode >= 1 skips interface edges.
[[nodiscard]] int bcn3(Session& s, int mode, std::string_view text, int32_t jf, int32_t jy,
                       std::string_view key, float (&seg)[4]);
// BOU1: f(p) := factor * jf(k) at the second node p of every boundary element k with jy(k) = 0;
// interface edges are skipped unless jj2 is passed negated.
void bou1(Session& s, int32_t jj2, int32_t n3, int32_t f, int32_t jf, int32_t jy, int factor);
// BOUWALL: slip walls (velocity made tangential at both nodes of each boundary element whose
// jyw is 0, interface edges left out), then the prescribed components written with BOU1: u from
// (jyu, fu) when jyu > 0; v from (jyv, fv) when jyv > 0, with factor 1 when jyu > 0 and 0 (v set
// to zero where flagged) otherwise.
void bouwall(Session& s, int32_t jrz, int32_t jj2, int32_t n3, int32_t jyw, int32_t ntel,
             int32_t jn3, int32_t fu, int32_t fv, int32_t u, int32_t v, int32_t jyu, int32_t jyv);

// ---- conjugate gradients ----

// How a conjugate-gradient solve ended.
enum class CjEnd {
  converged,        // every system met its stopping test (or its start value already did)
  stagnated,        // p^T A p vanished or turned negative: the operator is singular or indefinite
  iteration_limit,  // a system had not converged after the allowed iterations
  interrupted,      // the error flag was raised: Esc ("solution interrupted") or the operator
  not_finite,       // a sum overflowed or met a value that is not finite
};

// The most systems one solve iterates side by side.
inline constexpr int kCjMaxSystems = 2;

struct CjResult {
  CjEnd end = CjEnd::converged;
  int system = 0;      // the system that ended the solve when it did not converge
  int iterations = 0;  // operator products after the residual
  double rho[kCjMaxSystems] = {0.0, 0.0};  // the final r^T d r of each system
};

// The caller's limits and texts.
struct CjOptions {
  // The relative tolerance of every test (a ratio of squared quantities, so that the answer does
  // not depend on the units): a system has converged when r^T d r <= eps (x0^T d^-1 x0 +
  // r0^T d r0), x0 and r0 the start value and its residual, or when the squared step is at most
  // eps times the squared solution; it stagnates when p^T A p <= eps p^T p mean(1/d).
  double eps = 1e-12;
  // A system whose r^T d r is at or below this has converged whatever its start: the caller's
  // measure of a residual small against the terms it is made of (0: no such test).
  double rho_floor = 0.0;
  // Whether rho_floor is the only residual test: for a caller that accepts no residual above it,
  // however small against the start value (eps then serves the stagnation test alone).
  bool floor_only = false;
  // Whether the squared-step test ends the solve too. A slow solve also makes small steps, so a
  // caller that must reach its residual test turns it off.
  bool step_test = true;
  int max_iterations = 0;           // the iteration limit
  std::string_view text = " cj :";  // the text of the progress line
  std::string_view end_text = {};   // the text of the closing line (none when empty)
  int nprint = 0;                   // iterations between progress lines (none when < 1)
  int systems = 1;                  // independent systems, 1 .. kCjMaxSystems
  int threads = 1;                  // threads of the loops; the result does not depend on it
  // A preconditioner in place of d (one system only): z := M^-1 r, M symmetric and positive. d
  // still measures the tests' reference quantities.
  std::function<void(std::span<const float> r, std::span<float> z)> precondition;
};

// The operator of CJ on a block of systems: for each system j whose bit is set in live, the part
// [j n, (j + 1) n) of w receives A_j times that part of v; at it = 0 (every system live) instead
// the residual A_j v - b_j of the start value with the boundary conditions applied. Parts of
// systems that are not live may be left as they are. It may raise the error flag to stop the
// solver.
using CjOperator =
    std::function<void(std::span<const float> v, std::span<float> w, int it, unsigned live)>;
// CJ: diagonally preconditioned conjugate gradients on opt.systems independent systems of n
// unknowns each, laid one after the other in every vector (k n values), so that one operator
// product per iteration serves them all; each system has its own step lengths and stopping test
// and costs nothing once it has converged. x holds the start value and receives the solution, d
// the inverse diagonal; w, r, p, z are work vectors. The progress line shows the sum over the
// systems of r^T d r and of the squared step. x always holds the last iterate; Esc also shows
// "solution interrupted" and raises the flag.
CjResult cj(Session& s, std::span<float> x, std::span<const float> d, std::span<float> w,
            std::span<float> r, std::span<float> p, std::span<float> z, const CjOperator& op,
            const CjOptions& opt);
// The operator of CJ_ROWS: as CjOperator, for the rows [begin, end) of the part of each system
// only. It is called for the blocks of rows (parallel.hpp) on several threads at once, so it
// must not use the session; w at rows outside [begin, end) may be read by no one meanwhile.
using CjRowOperator = std::function<void(std::span<const float> v, std::span<float> w, int it,
                                         unsigned live, size_t begin, size_t end)>;
// CJ with an operator that works row block by row block: each block's product is followed at
// once by the sums over its rows while they are in the cache, and the blocks share the threads.
CjResult cj_rows(Session& s, std::span<float> x, std::span<const float> d, std::span<float> w,
                 std::span<float> r, std::span<float> p, std::span<float> z,
                 const CjRowOperator& op, const CjOptions& opt);
// CJ_WARNING: the solver's progress line on row 18 (text, iteration, two quantities).
void cj_warning(Session& s, std::string_view text, int it, float a, float b);

// ---- time tables, load sets, histories ----

// INTR: value f and slope df of the time function of n pairs (t_j, f_j) at time t.
void intr(float t, const float* table, int n, float& f, float& df);
// The index of the first value of v[0, n) that is NaN or infinite, -1 when there is none. The
// common case is one branch-free pass at the speed of reading the values.
int64_t first_nonfinite(const float* v, int64_t n);
// RLOAD: reads a load set with the keyword stem key ("pn" reads "npn", "tpn", "m"): at most 4
// loads, each a value array by BCNP and a time table; npn the count, jpn/jtpn/ntpn 4 entries.
[[nodiscard]] int rload(Session& s, std::string_view text, int32_t& npn, int32_t* jpn,
                        int32_t* jtpn, int32_t* ntpn, std::string_view key);
// HISTORY: after every step; reads the history set-up on the first call of a problem, then
// records a point when one is due, thinning the curves when they are full.
[[nodiscard]] int history(Session& s);

}  // namespace tivor
