// The diffusion class's check of a task state read from a buffer: a prepared task must have
// every array of its parameter record in the pools, laid out as the class reserves them.
#include <algorithm>

#include "classes/dif/dif.hpp"
#include "classes/dif/element_loops.hpp"
#include "core/pool.hpp"

namespace tivor {

bool dif_state_ok(const Session& s) {
  if (s.cht.itask != kTaskPrepared) return true;  // the next preparation reads the data anew
  const Cmesh& c = s.cmesh;
  const DifParm& p = s.cparm.dif;
  if (!dif::task_arrays_ok(s) || !real_array_ok(s, p.jfna, 2 * int64_t{c.ntel})) return false;
  for (int i = 0; i < 2; ++i) {
    if (!real_array_ok(s, p.jpg[i], c.n3)) return false;
  }
  const int64_t work = std::max(c.n1, c.n2);
  for (const int32_t j : p.jrb) {
    if (!real_array_ok(s, j, work)) return false;
  }
  return true;
}

}  // namespace tivor
