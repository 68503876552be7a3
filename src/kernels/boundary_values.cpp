// Writing prescribed boundary values into nodal fields, and slip along walls.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/pool.hpp"
#include "kernels/kernels.hpp"

namespace tivor {

void bou1(Session& s, int32_t jj2, int32_t n3, int32_t f, int32_t jf, int32_t jy, int factor) {
  // A negated boundary pointer asks for the interface edges too.
  const bool interfaces = jj2 < 0;
  const int32_t jb = std::abs(jj2);
  const int32_t n1 = s.cmesh.n1;
  if (n3 <= 0 || !int_array_ok(s, jb, 2 * int64_t{n3}) || !int_array_ok(s, jy, n3) ||
      !real_array_ok(s, jf, n3) || !real_array_ok(s, f, n1)) {
    return;
  }
  const int32_t* b = ints(s, jb);
  const int32_t* flag = ints(s, jy);
  const float* value = reals(s, jf);
  float* field = reals(s, f);
  for (int32_t k = 0; k < n3; ++k) {
    if (flag[k] != 0) continue;
    int32_t p = b[2 * k + 1];
    if (p < 0 && interfaces) p = -p;
    if (p < 1 || p > n1) continue;
    field[p - 1] = static_cast<float>(factor) * value[k];
  }
}

void bouwall(Session& s, int32_t jrz, int32_t jj2, int32_t n3, int32_t jyw, int32_t ntel,
             int32_t jn3, int32_t fu, int32_t fv, int32_t u, int32_t v, int32_t jyu, int32_t jyv) {
  const int32_t n1 = s.cmesh.n1;
  if (n3 > 0 && ntel > 0 && n1 > 0 && real_array_ok(s, jrz, 2 * int64_t{n1}) &&
      int_array_ok(s, jj2, 2 * int64_t{n3}) && int_array_ok(s, jyw, n3) &&
      int_array_ok(s, jn3, ntel) && real_array_ok(s, u, n1) && real_array_ok(s, v, n1)) {
    const float* rz = reals(s, jrz);
    const int32_t* b = ints(s, jj2);
    const int32_t* wall = ints(s, jyw);
    const int32_t* count = ints(s, jn3);
    float* uu = reals(s, u);
    float* vv = reals(s, v);
    // Keeps only the part of the velocity at node p along the unit tangent (tr, tz).
    auto tangential = [&](int32_t p, float tr, float tz) {
      const float along = uu[p - 1] * tr + vv[p - 1] * tz;
      uu[p - 1] = tr * along;
      vv[p - 1] = tz * along;
    };
    // The boundary elements of subregion i follow those of the subregions before it, up to the
    // cumulative count jn3(i).
    int32_t first = 0;
    for (int32_t i = 0; i < ntel; ++i) {
      const int32_t last = std::min(count[i], n3);
      for (int32_t k = first; k < last; ++k) {
        const int32_t pa = std::abs(b[2 * k]), pb = b[2 * k + 1];
        if (wall[k] != 0 || pb < 1 || pb > n1 || pa < 1 || pa > n1) continue;
        const float dr = rz[2 * (pb - 1)] - rz[2 * (pa - 1)];
        const float dz = rz[2 * (pb - 1) + 1] - rz[2 * (pa - 1) + 1];
        const float len = std::sqrt(dr * dr + dz * dz);
        if (len < 1.0e-6f) continue;
        tangential(pb, dr / len, dz / len);
        tangential(pa, dr / len, dz / len);
      }
      first = std::max(first, last);
    }
  }
  // Prescribed components. Without a u-flag array there is nothing to prescribe for u, and the
  // v-values flagged in jyv are written with factor 0 (the v component set to zero there).
  const bool u_flags = jyu >= 1;
  if (u_flags) bou1(s, jj2, n3, u, fu, jyu, 1);
  if (jyv >= 1) bou1(s, jj2, n3, v, fv, jyv, u_flags ? 1 : 0);
}

}  // namespace tivor
