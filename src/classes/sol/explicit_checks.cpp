// The checks that stop an explicit step: elements turned inside out by the new displacements,
// and values that are not finite in the new fields or in the sums of pass 2.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "classes/sol/explicit_step.hpp"
#include "console/console.hpp"
#include "kernels/kernels.hpp"

namespace tivor::sol {
namespace {

// Whether element e is turned over (or flat) at the new positions r + gn ur, z + gn uz; M is the
// mesh's nodes per element (a triangle of a quadrilateral mesh repeats its third node, and its
// second half adds nothing).
template <int M>
inline bool turned_over(const StepArrays& a, int32_t e) {
  const int32_t* v = a.conn + int64_t{e} * M;
  float r[M], z[M];
  for (int i = 0; i < M; ++i) {
    const int32_t n = v[i] - 1;
    r[i] = a.rz[2 * n] + a.gn * a.u[0][n];
    z[i] = a.rz[2 * n + 1] + a.gn * a.u[1][n];
  }
  float a2 = (z[1] - z[0]) * (r[2] - r[0]) - (z[2] - z[0]) * (r[1] - r[0]);
  if constexpr (M == 4) {
    const float half = (z[2] - z[0]) * (r[3] - r[0]) - (z[3] - z[0]) * (r[2] - r[0]);
    a2 += v[2] != v[3] ? half : 0.0f;
  }
  return !(a2 > 0.0f);
}

// The elements go in batches without a branch each, so that their loads overlap; a batch with
// one turned over is then searched.
template <int M>
int32_t first_inverted_of(const StepArrays& a) {
  for (int32_t e0 = 0; e0 < a.n2; e0 += kLanes) {
    const int n = static_cast<int>(std::min<int32_t>(kLanes, a.n2 - e0));
    bool over[kLanes];
    bool any = false;
    for (int j = 0; j < n; ++j) {
      over[j] = turned_over<M>(a, e0 + j);
      any |= over[j];
    }
    if (!any) continue;
    for (int j = 0; j < n; ++j) {
      if (over[j]) return e0 + j + 1;
    }
  }
  return 0;
}

// Stops the step with " so3:NAME not finite at node N t=T".
int not_finite(Session& s, const char* name, int64_t node, float t) {
  clswnd3(s);
  locate1(s, 1, 18);
  std::string message = " so3:";
  message += name;
  message += " not finite at node" + fmt_int(static_cast<int>(node + 1), "(i8)");
  message += " t=" + fmt_real(t, "(e10.3)");
  return flag_on(s, message);
}

// The names of the sums a finite test reports, from kSumEp11 on.
constexpr const char* kSumNames[kSums - 1] = {"ep11", "ep33", "pore",  "ep13", "rop",
                                              "ap",   "ro",   "ee",    "s11",  "s33",
                                              "s13",  "sm",   "crack", "emx"};

}  // namespace

int32_t first_inverted(const StepArrays& a) {
  if (a.gn == 0.0f) return 0;
  return a.m == 4 ? first_inverted_of<4>(a) : first_inverted_of<3>(a);
}

int inverted(Session& s, int32_t e, float t) {
  clswnd3(s);
  locate1(s, 1, 18);
  return flag_on(
      s, " so3:element" + fmt_int(e, "(i8)") + " turned inside out at t=" + fmt_real(t, "(e10.3)"));
}

int check_finite(Session& s, int32_t j, int n, const char* const* names, float t) {
  const int32_t n1 = s.cmesh.n1;
  for (int f = 0; f < n; ++f) {
    const int64_t node = first_nonfinite(reals(s, j + int64_t{f} * n1), n1);
    if (node >= 0) return not_finite(s, names[f], node, t);
  }
  return 0;
}

int check_sums(Session& s, const NodeSums* q, int32_t n1, float t) {
  // A value that is not finite times zero is not a number, and so is any sum holding one: the
  // sums times zero added up, then the totals looked at.
  float all[kSums] = {};
  for (int32_t i = 0; i < n1; ++i) {
    for (int k = 0; k < kSums; ++k) all[k] += q[i].v[k] * 0.0f;
  }
  bool finite = true;
  for (int k = kSumEp11; k < kSums; ++k) finite &= all[k] == 0.0f;
  if (finite) return 0;
  for (int k = kSumEp11; k < kSums; ++k) {
    for (int32_t i = 0; i < n1; ++i) {
      if (!std::isfinite(q[i].v[k])) return not_finite(s, kSumNames[k - kSumEp11], i, t);
    }
  }
  return 0;
}

}  // namespace tivor::sol
