// Assembled sparse matrices, kept outside the pools, and the algebraic multigrid that
// preconditions the conjugate gradients with them. The multigrid runs in a message-passing
// library that this process starts on its first use (as a single process) and stops at exit, so
// that a task larger than one machine can later spread over several.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tivor {

// A square matrix in compressed rows, columns sorted in each row.
struct SparseMatrix {
  int32_t rows = 0;
  std::vector<int64_t> first;  // row i's entries are [first[i], first[i + 1])
  std::vector<int32_t> col;
  std::vector<double> val;
  // The bytes the matrix holds.
  size_t bytes() const;
};

// w := a v (a.rows values each).
void sparse_product(const SparseMatrix& a, const double* v, double* w);

// How the coarse unknowns of each level are chosen; both coarsen aggressively on the first level.
enum class Coarsening {
  // Unknown by unknown, each component coupled to the same component only (PMIS).
  unknowns,
  // Node by node, a coupling measured by the norm of its block of components (HMIS): fewer
  // iterations and a cheaper set-up on a mesh of triangles, more iterations on quadrilaterals.
  nodes,
};

// Classical algebraic multigrid of a symmetric positive (semi)definite matrix whose unknowns are
// `functions` components per node, interleaved (unknown f * k + c is component c of node k).
class Multigrid {
 public:
  Multigrid();
  ~Multigrid();
  Multigrid(const Multigrid&) = delete;
  Multigrid& operator=(const Multigrid&) = delete;
  // Builds the levels of a, which the caller may change once this has returned. False, with the
  // reason in error_text(), when the library could not, or when stop() said yes: the library
  // copies a and builds on a thread of its own, and stop is asked every 10 ms while it does, so
  // that a user need not wait seconds for a large set-up to end (interrupted() then tells it
  // apart; the abandoned set-up keeps its own hold on a).
  bool setup(std::shared_ptr<const SparseMatrix> a, int functions, Coarsening coarsening,
             const std::function<bool()>& stop = {});
  // z := one V-cycle from zero applied to r (the rows of the matrix).
  void apply(const double* r, double* z);
  const std::string& error_text() const { return error_; }
  bool interrupted() const { return interrupted_; }

 private:
  struct Levels;
  std::shared_ptr<Levels> levels_;
  std::string error_;
  bool interrupted_ = false;
};

// Settings of the message-passing layer for a process that starts it itself and runs alone: no
// helper daemon, no transport to other processes. Those of the user's own, and a launcher's (which
// starts the processes of a parallel run), stay as they are. It changes the environment, so the
// program calls it at its start, before any thread; the multigrid calls it again (then changing
// nothing) before the layer starts.
void message_passing_alone_by_default();

// An estimate of the bytes the multigrid of a matrix of nnz entries and n rows holds while it
// is built, the matrix's own copy included: what must fit in memory for it to be used.
size_t multigrid_bytes(int64_t n, int64_t nnz);
// The bytes of memory that are free for this process now (0 when the system does not say).
size_t free_memory_bytes();

}  // namespace tivor
