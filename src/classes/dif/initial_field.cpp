// DICON0: the steady field of one component (Laplace's equation with its prescribed boundary
// values), used as the initial field when the data ask for it.
#include <algorithm>
#include <cmath>
#include <span>

#include "classes/dif/dif_internal.hpp"
#include "classes/dif/element_loops.hpp"
#include "console/console.hpp"
#include "core/trace_hook.hpp"
#include "kernels/kernels.hpp"

namespace tivor::dif {
namespace {

constexpr int kProgressEvery = 10;
// Converged when rho is below kRelTol times its reference or the squared step below kRelTol
// times the squared solution (see DICON).
constexpr double kRelTol = 1e-20;

}  // namespace

int dicon0(Session& s, int ic, int32_t on) {
  if (on == 0) return 0;
  if (rtmr(s, "dicon0")) return 1;
  DifParm& p = parm(s);
  const Cmesh& c = s.cmesh;
  if (!task_arrays_ok(s)) return flag_on(s, " dicon0:task arrays lie outside the pools");
  const int32_t n1 = c.n1;
  const int i = ic == 2 ? 1 : 0;
  // The iterate lives at the real pool's free mark without being reserved.
  if (!real_array_ok(s, s.csize.maxa, n1)) {
    return flag_on(s, "newarr:not enouth memory for array :dicon0");
  }
  bou1(s, c.jj2, c.n3, p.jf[i], p.jfg[i], p.jy[i], 1);
  float* conc = reals(s, p.jf[i]);
  float* x = reals(s, s.csize.maxa);
  float* r = reals(s, p.jdf[0]);
  float* dg = reals(s, p.jdf[1]);
  float* g = reals(s, p.jdf[2]);
  float* z = reals(s, p.jdf[3]);
  float* dir = reals(s, p.jdf[4]);
  const int32_t* jj2 = ints(s, c.jj2);
  const int32_t* flag = ints(s, p.jy[i]);
  const Elements el(s);
  std::copy_n(conc, n1, x);
  std::fill_n(dg, n1, 0.0f);
  stiffness_diagonal(el, 0, el.n2, 1.0f, dg);
  for (int32_t k = 0; k < n1; ++k) dg[k] = dg[k] > 0.0f ? 1.0f / dg[k] : 0.0f;
  // No source and no time term: the residual of the start value is K x, a product K v.
  const CjOperator op = [&](std::span<const float> v, std::span<float> w, int, unsigned) {
    std::fill(w.begin(), w.end(), 0.0f);
    laplace(el, v.data(), w.data());
    clear_prescribed(jj2, c.n3, flag, w.data());
  };
  CjOptions opt;
  opt.eps = kRelTol;
  opt.max_iterations = 2 * n1;
  opt.text = " dicon0:";
  opt.nprint = kProgressEvery;
  opt.threads = s.threads;
  const auto vec = [n1](float* v) { return std::span<float>(v, n1); };
  const CjResult res = cj(s, vec(x), vec(dg), vec(r), vec(g), vec(dir), vec(z), op, opt);
  // A value that overflowed stops the preparation, naming the first node that holds one.
  const auto report_nonfinite = [&] {
    int64_t node = 0;
    for (const float* v : {x, r, g, dir}) {
      node = first_nonfinite(v, n1);
      if (node >= 0) break;
    }
    return nonfinite(s, "dicon0", ic, std::max<int64_t>(node, 0), s.cht.t);
  };
  if (solve_outcome(s, res, " dicon0", report_nonfinite) != 0) return 1;
  std::copy_n(x, n1, conc);
  return 0;
}

}  // namespace tivor::dif
