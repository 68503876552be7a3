// The algebraic multigrid of the implicit solves, built on the message-passing multigrid library
// of the field (classical coarsening with interpolation fit for systems of equations). The
// process starts the message-passing layer itself, as a single process, on the first use, and
// stops it at exit; nothing is started for a session that never needs it.
#include "kernels/multigrid.hpp"

#include <mpi.h>
// The library's headers come after mpi.h, which they need.
#include <HYPRE.h>
#include <HYPRE_IJ_mv.h>
#include <HYPRE_parcsr_ls.h>
#include <HYPRE_parcsr_mv.h>
#include <HYPRE_utilities.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>
#include <numeric>
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
  HYPRE_IJMatrix matrix = nullptr;
  HYPRE_IJVector rhs = nullptr, sol = nullptr;
  HYPRE_ParCSRMatrix par_matrix = nullptr;
  HYPRE_ParVector par_rhs = nullptr, par_sol = nullptr;
  HYPRE_Solver amg = nullptr;
  std::vector<HYPRE_Int> index;  // 0 .. n - 1, the rows of the vectors' values
  std::string failure;           // what the library could not do, and why
  void build(const SparseMatrix& a, int functions, Coarsening coarsening);
  ~Levels() {
    if (amg != nullptr) HYPRE_BoomerAMGDestroy(amg);
    if (rhs != nullptr) HYPRE_IJVectorDestroy(rhs);
    if (sol != nullptr) HYPRE_IJVectorDestroy(sol);
    if (matrix != nullptr) HYPRE_IJMatrixDestroy(matrix);
  }
};

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
  const HYPRE_Int n = a.rows;
  const MPI_Comm comm = MPI_COMM_SELF;
  l.index.resize(n);
  std::iota(l.index.begin(), l.index.end(), 0);
  std::vector<HYPRE_Int> counts(n);
  for (HYPRE_Int i = 0; i < n; ++i) counts[i] = static_cast<HYPRE_Int>(a.first[i + 1] - a.first[i]);
  if (HYPRE_IJMatrixCreate(comm, 0, n - 1, 0, n - 1, &l.matrix) ||
      HYPRE_IJMatrixSetObjectType(l.matrix, HYPRE_PARCSR) ||
      HYPRE_IJMatrixSetRowSizes(l.matrix, counts.data()) || HYPRE_IJMatrixInitialize(l.matrix) ||
      HYPRE_IJMatrixSetValues(l.matrix, n, counts.data(), l.index.data(), a.col.data(),
                              a.val.data()) ||
      HYPRE_IJMatrixAssemble(l.matrix) ||
      HYPRE_IJMatrixGetObject(l.matrix, reinterpret_cast<void**>(&l.par_matrix))) {
    return failed("matrix");
  }
  for (HYPRE_IJVector* v : {&l.rhs, &l.sol}) {
    if (HYPRE_IJVectorCreate(comm, 0, n - 1, v) || HYPRE_IJVectorSetObjectType(*v, HYPRE_PARCSR) ||
        HYPRE_IJVectorInitialize(*v) || HYPRE_IJVectorAssemble(*v)) {
      return failed("vector");
    }
  }
  HYPRE_IJVectorGetObject(l.rhs, reinterpret_cast<void**>(&l.par_rhs));
  HYPRE_IJVectorGetObject(l.sol, reinterpret_cast<void**>(&l.par_sol));
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
  if (HYPRE_BoomerAMGSetup(l.amg, l.par_matrix, l.par_rhs, l.par_sol)) failed("set-up");
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
  const HYPRE_Int n = static_cast<HYPRE_Int>(l.index.size());
  HYPRE_IJVectorSetValues(l.rhs, n, l.index.data(), r);
  HYPRE_ParVectorSetConstantValues(l.par_sol, 0.0);
  HYPRE_BoomerAMGSolve(l.amg, l.par_matrix, l.par_rhs, l.par_sol);
  HYPRE_IJVectorGetValues(l.sol, n, l.index.data(), z);
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
