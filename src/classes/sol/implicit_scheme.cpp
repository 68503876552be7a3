// SO6: one step of the implicit scheme. The unknowns are the nodal displacement increments of
// the step; the conjugate gradients, preconditioned by the inverse diagonal or by the kept
// multigrid of large tasks, solve for them with the operator SOL4, and its final call makes them
// the new time level.
#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "classes/sol/implicit_element.hpp"
#include "classes/sol/implicit_multigrid.hpp"
#include "classes/sol/sol_internal.hpp"
#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "kernels/kernels.hpp"

namespace tivor::sol {
namespace {

// The largest residual of a solved step, relative to the magnitudes of the terms it sums.
constexpr double kResidualTolerance = 1e-5;

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
  StepMultigrid mg(s);
  if (use_multigrid(s, n)) {
    opt.precondition = [&](std::span<const float> rv, std::span<float> zv) { mg.apply(d, rv, zv); };
  }
  const CjResult res = cj(s, x, d, w, r, dir, z, op, opt);
  if (iterations != nullptr) *iterations = res.iterations;
  if (res.end == CjEnd::converged) mg.solved(res.iterations);
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
