// The multigrid that preconditions the implicit scheme's solves, kept from step to step. Its
// set-up costs as much as a good part of a solve, and the operator of the next step is nearly
// the same (the geometry moves a little, contacts come and go), so the levels of an earlier
// step serve until the solves they precondition slow down; then the next step builds anew.
//
// The one-point quadrilaterals have a zero-energy pattern: the nodes alternate +1 and -1 along
// every element side (a mesh of quadrilaterals always allows that), and a radial or an axial
// displacement of that pattern strains no rectangle. Where nothing holds it, the operator is
// singular along it, and the solution is fixed only up to a multiple of the pattern. The
// diagonal preconditioner keeps the increments' overlap with the diagonal times the pattern at
// zero, which leaves no zig-zag where the solution has none; a V-cycle does not, and the solution
// would carry an arbitrary zig-zag. So each output of the multigrid loses its part along every
// such exact zero-energy pattern h, measured as the diagonal measures it: z -= h (D h)^T z /
// (h^T D h). The residuals it acts on are orthogonal to h, so this keeps it symmetric.
//
// Such a mesh has a second family of displacements of low energy besides the smooth ones: the
// pattern times a smooth field. Where the pattern is free, they are as soft as the smooth ones,
// and levels built for smooth fields reach them slowly (a quadrilateral tube: 107 iterations
// where its triangles take 24). Turning the sign of the unknowns of every other node makes them
// smooth; so such a task also builds the levels of the turned matrix F K F (F the pattern as a
// diagonal), and the preconditioner adds both: z = M r + F M_turned F r. So does a task on such
// a mesh whose solves were slow with the plain levels alone, from its next step on.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "classes/sol/sol_internal.hpp"
#include "kernels/multigrid.hpp"

namespace tivor::sol {

struct KeptMultigrid {
  Multigrid levels;
  bool built = false;
  int32_t n1 = -1;  // the node count and pool stamp the levels were built for
  uint64_t stamp = 0;
  int reference = -1;       // the iterations of the first solve after the build
  bool stale = false;       // a later solve took many more: build anew at the next step
  int64_t builds = 0;       // set-ups started, for tests and benchmarks
  std::vector<float> free;  // 0 at the components prescribed at the build, radial then axial
  // The zero-energy patterns h and their weights D h / (h^T D h), in the matrix's order.
  struct Pattern {
    std::vector<double> h, weight;
  };
  std::vector<Pattern> patterns;
  Multigrid turned;  // the levels of F K F, when built
  bool turned_built = false;
  bool alternates = false;   // the mesh's sides all join nodes of opposite pattern signs
  bool slow = false;         // a solve without the turned levels was slow: build them too
  std::vector<double> flip;  // F: the pattern's sign of each unknown
  std::vector<double> r, z, turned_r, turned_z;  // the vectors in the matrix's order
};

// Whether this step's solve of 2 n1 = n unknowns takes the multigrid: as the session says, or
// when the task is large enough for it to pay and its matrix and levels take at most half the
// free memory.
bool use_multigrid(Session& s, int64_t n);

// The preconditioner of one step's solve from the class's kept multigrid.
class StepMultigrid {
 public:
  explicit StepMultigrid(Session& s);
  // z := M^-1 r on the solver's vectors (radial then axial, 2 n1 values). The first call of a
  // step that needs new levels builds them; Esc stops that (the flag is then up, and z is the
  // diagonal's, d r), and a library failure leaves the diagonal to serve, with a notice.
  void apply(std::span<const float> d, std::span<const float> r, std::span<float> z);
  // After the solve: its iterations tell whether the levels still serve.
  void solved(int iterations);

 private:
  Session& s_;
  KeptMultigrid& kept_;
  bool tried_ = false;  // the levels were checked, or built, in this step
};

}  // namespace tivor::sol
