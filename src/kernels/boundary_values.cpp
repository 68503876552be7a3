// Writing prescribed boundary values into nodal fields.
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

}  // namespace tivor
