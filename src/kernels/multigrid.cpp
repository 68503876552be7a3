// The algebraic multigrid of the implicit solves, built on the message-passing multigrid library
// of the field (classical coarsening with interpolation fit for systems of equations). The
// process starts the message-passing layer itself, as a single process, on the first use, and
// stops it at exit; nothing is started for a session that never needs it.
//
// Chosen by measurement against the other multigrids Debian packages: the same conjugate
// gradients on the assembled matrix of 200k quadrilaterals (400k unknowns) and a smooth made-up
// solution, one core, set-up and solve: this library with the settings below 0.78 + 2.9 s (48
// iterations), PETSc's smoothed aggregation 2.4 + 1.7 s (33), Trilinos' ML 1.9 + 3.9 s (21), DUNE's
// aggregation multigrid 0.68 + 4.3 s (23).
#include "kernels/multigrid.hpp"

#include <mpi.h>
// The library's headers come after mpi.h, which they need.
#include <HYPRE.h>
#include <HYPRE_parcsr_ls.h>
#include <HYPRE_parcsr_mv.h>
#include <HYPRE_utilities.h>
#include <_hypre_parcsr_mv.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>
#include <limits>
#include <string>

namespace tivor {
namespace {

bool started_here = false;

// A set-up that its caller stopped waiting for goes on to its end on its own thread. The library
// must not be entered twice at once, so every entry waits for it first.
// Its levels are freed here too, on the caller's thread, when the future lets go of them.
std::future<void> abandoned;
void finish_abandoned() {
  if (!abandoned.valid()) return;
  abandoned.wait();
  abandoned = {};
}

void stop_library() {
  finish_abandoned();
  HYPRE_Finalize();
  int finished = 0;
  MPI_Finalized(&finished);
  if (started_here && finished == 0) MPI_Finalize();
}

// Starts the message-passing layer (unless the program was started under it) and the library,
// once.
void start_library() {
  static const bool started = [] {
    int running = 0;
    MPI_Initialized(&running);
    if (running == 0) {
      message_passing_alone_by_default();
      // The library is called from one thread at a time, not always the same one (set-ups run
      // on a thread of their own).
      int provided = 0;
      MPI_Init_thread(nullptr, nullptr, MPI_THREAD_SERIALIZED, &provided);
      started_here = true;
    }
    HYPRE_Init();
    std::atexit(stop_library);
    return true;
  }();
  static_cast<void>(started);
}

}  // namespace

// By default OpenMPI starts a helper daemon and the transports to other processes, which cost a
// third of a second of waiting and a tenth of CPU at the first multigrid step; a process that
// starts the layer itself needs neither.
void message_passing_alone_by_default() {
  for (const char* launcher : {"OMPI_COMM_WORLD_SIZE", "PMIX_RANK", "PMI_RANK", "PMI_SIZE"}) {
    if (std::getenv(launcher) != nullptr) return;
  }
  setenv("OMPI_MCA_ess_singleton_isolated", "1", 0);
  setenv("OMPI_MCA_pml", "ob1", 0);
  setenv("OMPI_MCA_btl", "self", 0);
}

size_t SparseMatrix::bytes() const {
  return first.size() * sizeof(int64_t) + col.size() * sizeof(int32_t) +
         val.size() * sizeof(double);
}

void sparse_product(const SparseMatrix& a, const double* v, double* w) {
  for (int32_t i = 0; i < a.rows; ++i) {
    double sum = 0.0;
    for (int64_t k = a.first[i]; k < a.first[i + 1]; ++k) sum += a.val[k] * v[a.col[k]];
    w[i] = sum;
  }
}

struct Multigrid::Levels {
  hypre_ParCSRMatrix* matrix = nullptr;
  hypre_ParVector *rhs = nullptr, *sol = nullptr;
  HYPRE_Solver amg = nullptr;
  std::string failure;  // what the library could not do, and why
  void build(const SparseMatrix& a, int functions, Coarsening coarsening);
  ~Levels() {
    if (amg != nullptr) HYPRE_BoomerAMGDestroy(amg);
    if (rhs != nullptr) hypre_ParVectorDestroy(rhs);
    if (sol != nullptr) hypre_ParVectorDestroy(sol);
    if (matrix != nullptr) hypre_ParCSRMatrixDestroy(matrix);
  }
};

namespace {

// The library's matrix of a, on one process: a's rows are copied straight into its local block,
// each row's diagonal entry first, as its smoothers expect. (Its general assembly interface took
// a sixth of a whole static step of 161k unknowns, gathering rows into small arrays first.) Null
// when a row has no diagonal entry or the entries overflow the library's index type.
hypre_ParCSRMatrix* library_matrix(const SparseMatrix& a) {
  const HYPRE_Int n = a.rows;
  const int64_t entries = a.first[n];
  if (entries > std::numeric_limits<HYPRE_Int>::max()) return nullptr;
  HYPRE_BigInt starts[2] = {0, n};
  hypre_ParCSRMatrix* m = hypre_ParCSRMatrixCreate(MPI_COMM_SELF, n, n, starts, starts, 0,
                                                   static_cast<HYPRE_Int>(entries), 0);
  hypre_ParCSRMatrixInitialize(m);
  hypre_CSRMatrix* local = hypre_ParCSRMatrixDiag(m);
  HYPRE_Int* first = hypre_CSRMatrixI(local);
  HYPRE_Int* col = hypre_CSRMatrixJ(local);
  HYPRE_Complex* val = hypre_CSRMatrixData(local);
  for (HYPRE_Int i = 0; i < n; ++i) {
    const int64_t begin = a.first[i], end = a.first[i + 1];
    first[i] = static_cast<HYPRE_Int>(begin);
    int64_t diagonal = begin;
    while (diagonal < end && a.col[diagonal] != i) ++diagonal;
    if (diagonal == end) {
      hypre_ParCSRMatrixDestroy(m);
      return nullptr;
    }
    HYPRE_Int k = static_cast<HYPRE_Int>(begin);
    col[k] = i;
    val[k++] = a.val[diagonal];
    for (int64_t e = begin; e < end; ++e) {
      if (e == diagonal) continue;
      col[k] = a.col[e];
      val[k++] = a.val[e];
    }
  }
  first[n] = static_cast<HYPRE_Int>(entries);
  hypre_CSRMatrixSetRownnz(local);
  hypre_ParCSRMatrixSetNumNonzeros(m);
  hypre_MatvecCommPkgCreate(m);
  return m;
}

hypre_ParVector* library_vector(HYPRE_Int n) {
  HYPRE_BigInt starts[2] = {0, n};
  hypre_ParVector* v = hypre_ParVectorCreate(MPI_COMM_SELF, n, starts);
  hypre_ParVectorInitialize(v);
  return v;
}

double* values(hypre_ParVector* v) {
  return hypre_VectorData(hypre_ParVectorLocalVector(v));
}

}  // namespace

// The library's copy of a and its levels, on the calling thread; the reason in failure when the
// library could not.
void Multigrid::Levels::build(const SparseMatrix& a, int functions, Coarsening coarsening) {
  Levels& l = *this;
  const auto failed = [&](const char* what) {
    char text[256] = {};
    HYPRE_DescribeError(HYPRE_GetError(), text);
    HYPRE_ClearAllErrors();
    l.failure = std::string(what) + ": " + text;
  };
  l.matrix = library_matrix(a);
  if (l.matrix == nullptr) {
    l.failure = "matrix: a row without its diagonal, or too many entries";
    return;
  }
  l.rhs = library_vector(a.rows);
  l.sol = library_vector(a.rows);
  // One V-cycle from zero per call: no stopping test, no residual norms.
  HYPRE_BoomerAMGCreate(&l.amg);
  HYPRE_BoomerAMGSetPrintLevel(l.amg, 0);
  HYPRE_BoomerAMGSetMaxIter(l.amg, 1);
  HYPRE_BoomerAMGSetTol(l.amg, 0.0);
  HYPRE_BoomerAMGSetNumFunctions(l.amg, functions);
  // Coarsening aggressive on the first level: against the library's HMIS without it, a third of
  // the set-up time and three quarters of the memory at the same iterations on 200k
  // quadrilaterals. Quadrilaterals then take PMIS unknown by unknown (50k: 19 iterations, where
  // HMIS takes 36, and node by node 25); triangles HMIS node by node, by the Frobenius norm of
  // the blocks (200k: 10 iterations and 0.44-0.52 s a static step, against 14 and 0.66 s). The
  // rest is the library's: extended interpolation of at most 4 weights a row, l1 Gauss-Seidel
  // forward on the way down and backward on the way up (so that the cycle is symmetric, as the
  // conjugate gradients need).
  if (coarsening == Coarsening::nodes) {
    HYPRE_BoomerAMGSetCoarsenType(l.amg, 10);
    HYPRE_BoomerAMGSetNodal(l.amg, 1);
  } else {
    HYPRE_BoomerAMGSetCoarsenType(l.amg, 8);
  }
  HYPRE_BoomerAMGSetAggNumLevels(l.amg, 1);
  if (HYPRE_BoomerAMGSetup(l.amg, l.matrix, l.rhs, l.sol)) failed("set-up");
}

Multigrid::Multigrid() = default;
Multigrid::~Multigrid() {
  finish_abandoned();
}

bool Multigrid::setup(std::shared_ptr<const SparseMatrix> a, int functions, Coarsening coarsening,
                      const std::function<bool()>& stop) {
  finish_abandoned();
  start_library();
  // The earlier levels are freed on the worker too: at a million elements that alone takes a
  // few tenths of a second.
  std::shared_ptr<Levels> earlier = std::move(levels_);
  interrupted_ = false;
  if (a->rows < 1) {
    error_ = "empty matrix";
    return false;
  }
  // The worker holds the matrix and the levels, so that an abandoned set-up keeps them alive.
  auto held = std::make_shared<Levels>();
  std::future<void> building = std::async(
      std::launch::async, [held, a, functions, coarsening, earlier = std::move(earlier)]() mutable {
        earlier.reset();
        held->build(*a, functions, coarsening);
      });
  do {
    if (stop && stop()) {
      abandoned = std::move(building);
      interrupted_ = true;
      error_ = "interrupted";
      return false;
    }
  } while (building.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready);
  building.get();
  if (!held->failure.empty()) {
    error_ = held->failure;
    return false;
  }
  levels_ = std::move(held);
  return true;
}

void Multigrid::apply(const double* r, double* z) {
  finish_abandoned();
  Levels& l = *levels_;
  const size_t n = static_cast<size_t>(hypre_ParVectorGlobalSize(l.rhs));
  std::copy_n(r, n, values(l.rhs));
  std::fill_n(values(l.sol), n, 0.0);
  HYPRE_BoomerAMGSolve(l.amg, l.matrix, l.rhs, l.sol);
  std::copy_n(values(l.sol), n, z);
}

size_t multigrid_bytes(int64_t n, int64_t nnz) {
  // The matrix in the assembly and in the library's copy, the coarse levels, the interpolations
  // and a few vectors per level: the peak grows by 294 MB for 200k quadrilaterals (7.2M entries,
  // 400k rows) and 119 MB for 200k triangles (2.8M, 200k); this keeps a third more.
  return static_cast<size_t>(nnz) * 48 + static_cast<size_t>(n) * 120;
}

size_t free_memory_bytes() {
  std::ifstream in("/proc/meminfo");
  std::string key;
  size_t kb = 0;
  while (in >> key >> kb) {
    if (key == "MemAvailable:") return kb * 1024;
    in.ignore(256, '\n');
  }
  return 0;
}

}  // namespace tivor
