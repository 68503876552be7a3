// SO6: one step of the implicit scheme. The unknowns are the nodal displacement increments of
// the step; the conjugate gradients with the inverse diagonal as preconditioner solve for them
// with the operator SOL4, and its final call makes them the new time level.
#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "classes/sol/implicit_element.hpp"
#include "classes/sol/sol_internal.hpp"
#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "kernels/kernels.hpp"

namespace tivor::sol {
namespace {

// The largest residual of a solved step, relative to the magnitudes of the terms it sums.
constexpr double kResidualTolerance = 1e-5;

// Below this many unknowns the Jacobi iterations cost about what building the multigrid does
// (10k quadrilaterals, one thread: 0.08 s a static step with Jacobi, 0.05 s with the multigrid,
// whose first step also starts the message-passing layer, 0.4 s once).
constexpr int64_t kMultigridUnknowns = 20000;

// Whether the step's solve takes the multigrid: as the session says, or when the task is large
// enough for it to pay and its matrix and levels take at most half the free memory.
bool use_multigrid(Session& s, int64_t n) {
  switch (s.solver) {
    case SolverChoice::jacobi:
      return false;
    case SolverChoice::multigrid:
      return true;
    case SolverChoice::automatic:
      break;
  }
  if (n < kMultigridUnknowns) return false;
  const size_t free = free_memory_bytes();
  return free == 0 || multigrid_bytes(n, sol_matrix_entries(s)) <= free / 2;
}

// The multigrid of the step's matrix as the solver's preconditioner, built when the solver
// first needs it (a step whose start value is already its equilibrium builds none): the vectors,
// radial then axial, go to the matrix's order (the components of a node side by side) and back,
// and the prescribed components stay at zero. When the library cannot build it, the diagonal
// serves, and the user learns why under the next menu.
struct StepMultigrid {
  Multigrid levels;
  std::vector<double> r, z;
  std::vector<float> free;
  int32_t n1 = 0;
  bool tried = false, built = false;

  bool build(Session& s) {
    n1 = s.cmesh.n1;
    {
      SparseMatrix k;
      sol_matrix(s, k);
      if (!levels.setup(k, 2)) return false;
    }
    r.resize(2 * size_t(n1));
    z.resize(r.size());
    free.assign(r.size(), 1.0f);
    zero_prescribed(s, free.data());
    return true;
  }
  void apply(Session& s, std::span<const float> d, std::span<const float> rv, std::span<float> zv) {
    if (!tried) {
      tried = true;
      built = build(s);
      if (!built) s.notice = " so6:multigrid not built (" + levels.error_text() + "), jacobi used";
    }
    if (!built) {
      for (size_t i = 0; i < rv.size(); ++i) zv[i] = d[i] * rv[i];
      return;
    }
    for (int32_t i = 0; i < n1; ++i) r[2 * i] = rv[i], r[2 * i + 1] = rv[n1 + i];
    levels.apply(r.data(), z.data());
    for (int32_t i = 0; i < n1; ++i) {
      zv[i] = static_cast<float>(z[2 * i]) * free[i];
      zv[n1 + i] = static_cast<float>(z[2 * i + 1]) * free[n1 + i];
    }
  }
};

}  // namespace

int so6(Session& s, int* iterations) {
  if (iterations != nullptr) *iterations = 0;
  if (rtmr(s, "so6")) return 1;
  if (!arrays_ok(s)) return flag_on(s, " so6:task arrays lie outside the pools");
  SolParm& p = parm(s);
  const int32_t n1 = s.cmesh.n1;
  const int64_t n = 2 * int64_t{n1};
  p.eps2 = 1e-12f;
  for (int i = 0; i < 4; ++i) std::copy_n(reals(s, p.jf[i]), n1, reals(s, p.jf0[i]));
  if (const int32_t bad = soind3(s, p.jf0[kUr], p.jf0[kUz], false); bad != 0) {
    clswnd3(s);
    locate1(s, 1, 18);
    return flag_on(s, " so6:element" + fmt_int(bad, "(i8)") +
                          " turned inside out at t=" + fmt_real(s.cht.t, "(e10.3)"));
  }
  if (soht1(s)) return 1;
  // Inertia takes the material's masses, whatever an explicit step with a fixed step raised.
  if (p.mdin == 1 && s.cht.cur < 0) nodal_masses(s, 0.0f);
  // A static task has no inertia: the velocities of its last step are not a motion that goes
  // on, so its increments start from zero except where a velocity is prescribed.
  if (p.mdin != 1) {
    std::fill_n(reals(s, p.jf0[kVr]), n1, 0.0f);
    std::fill_n(reals(s, p.jf0[kVz]), n1, 0.0f);
  }
  sokc(s, p.jf0[kVr], p.jf0[kVz]);
  if (flag_tst(s)) return 1;

  // x = v dt to start with; the contact list uses jx for the predicted positions before the
  // solver first needs it for its own vector.
  const std::span<float> x(reals(s, p.jas), n), d(reals(s, p.jmd), n), w(reals(s, p.jgr), n),
      r(reals(s, p.jgr0), n), dir(reals(s, p.js), n), z(reals(s, p.jx), n);
  const float dt = s.cht.ht;
  const float* vr = reals(s, p.jf0[kVr]);
  const float* vz = reals(s, p.jf0[kVz]);
  for (int32_t i = 0; i < n1; ++i) {
    x[i] = vr[i] * dt;
    x[n1 + i] = vz[i] * dt;
  }
  // The residual of the start value and, beside it, the magnitudes of the terms it sums (the
  // forces of the loads, of the stresses and of inertia), measured as the solver measures the
  // residual, with the inverse diagonal.
  if (sol4(s, x.data(), d.data(), w.data(), 0) || flag_tst(s)) return 1;
  const float* scale = reals(s, p.jf0[4]);
  double terms = 0;
  for (int64_t i = 0; i < n; ++i) terms += double{d[i]} * scale[i] * scale[i];
  // The residual has converged when it is a small part of its terms, whatever the start: a task
  // already at its equilibrium makes no iteration. Below that the single-precision forces are
  // rounding, and iterating on rounding grows the modes that cost no energy (the hourglass of
  // the quadrilaterals) without bound. Only then: a residual small against the start value alone
  // is no equilibrium, and the solve goes on (a stronger preconditioner reaches that sooner).
  const CjOperator op = [&](std::span<const float> v, std::span<float> out, int it, unsigned) {
    if (it > 0 && sol4(s, v.data(), d.data(), out.data(), 1)) set_flag(s, 1);
  };
  CjOptions opt;
  opt.eps = p.eps2;
  opt.rho_floor = kResidualTolerance * kResidualTolerance * terms;
  opt.floor_only = true;
  opt.step_test = false;
  opt.max_iterations = 4 * n1;
  opt.text = " so6:";
  opt.nprint = 50;
  StepMultigrid mg;
  if (use_multigrid(s, n)) {
    opt.precondition = [&](std::span<const float> rv, std::span<float> zv) {
      mg.apply(s, d, rv, zv);
    };
  }
  const CjResult res = cj(s, x, d, w, r, dir, z, op, opt);
  if (iterations != nullptr) *iterations = res.iterations;
  switch (res.end) {
    case CjEnd::interrupted:
      return 1;  // Esc or a failure of the operator: no new time level
    case CjEnd::not_finite:
      return flag_on(s, " so6:solution not finite");
    case CjEnd::converged:
    case CjEnd::stagnated:
    case CjEnd::iteration_limit:
      // Whatever stopped the iterations, a residual above the tolerance is no equilibrium.
      if (!(res.rho[0] <= opt.rho_floor)) return flag_on(s, " so6:ill conditions");
  }
  return sol4(s, x.data(), d.data(), w.data(), -1);
}

}  // namespace tivor::sol
