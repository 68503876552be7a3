// Time functions given as tables of (t, f) pairs, and the load sets that pair a distribution
// along the boundary with such a table.
#include <string>

#include "console/console.hpp"
#include "core/pool.hpp"
#include "core/trace_hook.hpp"
#include "kernels/kernels.hpp"
#include "reader/reader.hpp"

namespace tivor {

void intr(float t, const float* table, int n, float& f, float& df) {
  f = 0.0f;
  df = 0.0f;
  if (n <= 0 || table == nullptr) return;
  if (n == 1) {
    // A single row gives its two numbers back as they stand.
    f = table[0];
    df = table[1];
    return;
  }
  // Row j (from 0) is the first row after the first with a time beyond t, or the last row:
  // times outside the table follow the first or the last segment.
  int j = 1;
  while (j < n - 1 && !(table[2 * j] > t)) ++j;
  const float t0 = table[2 * j - 2], f0 = table[2 * j - 1];
  const float dt = table[2 * j] - t0;
  df = dt > 1e-6f ? (table[2 * j + 1] - f0) / dt : 0.0f;
  f = f0 + (t - t0) * df;
}

int rload(Session& s, std::string_view text, int32_t& npn, int32_t* jpn, int32_t* jtpn,
          int32_t* ntpn, std::string_view key) {
  if (rtmr(s, "rload")) return 1;
  const std::string k(key);
  npn = 0;
  int32_t count = 0;
  if (read_int(s, " number of loads for " + std::string(text), "n" + k, count)) return 1;
  if (count >= 5) return flag_on(s, "rload:" + k + "must be less then 5");
  if (count < 0) return flag_on(s, "rload:" + k + " must not be negative");
  // npn counts the loads read completely, so that a failure part way leaves a usable set.
  for (int32_t l = 0; l < count; ++l) {
    if (reserve_reals(s, jpn[l], s.cmesh.n3, "jpn")) return 1;
    if (bcnp(s, text, jpn[l], key)) return 1;
    int32_t size = 0;
    if (read_int(s, " history array size", "t" + k, size)) return 1;
    if (size < 0) return flag_on(s, "rload:t" + k + " must not be negative");
    // The table goes at the free mark; reserving it first lets an oversized table fail with
    // the pool's own message before anything is read into it.
    if (reserve_reals(s, jtpn[l], 2 * int64_t{size}, "jt" + k)) return 1;
    ntpn[l] = size;
    if (read_reals(s, k + " history array for " + std::string(text), "m", reals(s, jtpn[l]),
                   2 * size)) {
      return 1;
    }
    npn = l + 1;
  }
  return 0;
}

}  // namespace tivor
