// The routines of the diffusion class behind its manager. Internal to src/classes/dif.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "console/console.hpp"
#include "core/session.hpp"
#include "kernels/kernels.hpp"

namespace tivor::dif {

// The class's view of the parameter record.
inline DifParm& parm(Session& s) {
  return s.cparm.dif;
}

// DIIN: the mesh, the class's keywords and every array of the task; 1 on the error exit.
[[nodiscard]] int diin(Session& s);
// DIIN1: reserves the element, node and boundary arrays and reads the conditions of c1 and c2.
[[nodiscard]] int diin1(Session& s);
// DIBASE: the class's memory card.
void dibase(Session& s);
// DIHT_IMP: the time step ht from the Courant number and the stable explicit step.
void diht_imp(Session& s, std::string_view method);
// DICON: one implicit step of both components; 1 when the step did not finish.
[[nodiscard]] int dicon(Session& s);
// DICON0: replaces component ic (1 or 2) by the steady field with its boundary values when
// the component's switch is on; 1 on the error exit.
[[nodiscard]] int dicon0(Session& s, int ic, int32_t on);
// Acts on how a solve of the routine ended: 0 when it converged, 1 after Esc (already shown),
// after "<routine>:ill conditions" for stagnation or the iteration limit, and after what
// report_nonfinite() shows when a value stopped being finite.
template <typename ReportNonfinite>
[[nodiscard]] int solve_outcome(Session& s, const CjResult& res, std::string_view routine,
                                ReportNonfinite&& report_nonfinite) {
  switch (res.end) {
    case CjEnd::converged:
      return 0;
    case CjEnd::stagnated:
    case CjEnd::iteration_limit: {
      std::string message(routine);
      message += ":ill conditions";
      return flag_on(s, message);
    }
    case CjEnd::interrupted:
      return 1;
    case CjEnd::not_finite:
      return report_nonfinite();
  }
  return 1;
}
// DIP: publishes the result functions and boundary lists, records the histories and the film.
void dip(Session& s);

}  // namespace tivor::dif
