// ADMP: a global record or a stretch of a pool, shown or edited from the checker.
#include <algorithm>
#include <string>
#include <type_traits>
#include <vector>

#include "console/console.hpp"
#include "reader/reader.hpp"
#include "shell/checker.hpp"
#include "shell/pool_view.hpp"
#include "shell/txta.hpp"

namespace tivor {
namespace {

constexpr std::string_view kRecordNames = "a km crd ctime term grf cmesh term3 chistor cht";
constexpr int kRecordCount = 10;
constexpr int kPoolA = 1, kPoolKm = 2, kCht = 10;

// Shows or edits pool words nmin..nmax, asked for with "interval ? (nmin nmax) " and cut to
// the pool. False when the user abandoned a question.
template <typename T>
bool pool_interval(Session& s, PoolVector<T>& pool, int64_t size, int mode,
                   std::string_view label) {
  int32_t range[2] = {1, 1};
  int n = 2;
  if (readi(s, "interval ? (nmin nmax) ", range, n, "", 0) != 0) return false;
  const int64_t lo = std::max<int64_t>(range[0], 1);
  const int64_t hi = std::min<int64_t>(range[1], size);
  if (hi < lo) return true;
  const auto first = static_cast<size_t>(lo);
  const auto count = static_cast<size_t>(hi - lo + 1);
  if (s.colors.col != 1) newstr(s);
  if (mode == 0) {
    if constexpr (std::is_same_v<T, float>) {
      prtrm(s, label, &pool[first], static_cast<int>(count));
    } else {
      prtim(s, label, &pool[first], static_cast<int>(count));
    }
    return true;
  }
  // One request for all the values; the pool changes only when all of them were given.
  std::vector<T> values(pool.begin() + static_cast<ptrdiff_t>(first),
                        pool.begin() + static_cast<ptrdiff_t>(first + count));
  int m = static_cast<int>(count);
  int rc = 0;
  if constexpr (std::is_same_v<T, float>) {
    rc = readr(s, "new value?", values.data(), m, "", 0);
  } else {
    rc = readi(s, "new value?", values.data(), m, "", 0);
  }
  if (rc != 0) return false;
  std::copy(values.begin(), values.end(), pool.begin() + static_cast<ptrdiff_t>(first));
  ++s.pool_stamp;
  return true;
}

std::string_view record_name(int k) {
  size_t pos = 0;
  for (int i = 1;; ++i) {
    const size_t end = std::min(kRecordNames.find(' ', pos), kRecordNames.size());
    if (i == k) return kRecordNames.substr(pos, end - pos);
    pos = end + 1;
  }
}

}  // namespace

void admp(Session& s, int mode) {
  int k = 0;
  if (txta(s, k, kRecordNames, kRecordCount, " incorrect name of common-block", false, "?") != 0) {
    return;
  }
  if (k == kPoolA || k == kPoolKm) {
    const bool done = k == kPoolA ? pool_interval(s, s.a, real_words(s), mode, "a=")
                                  : pool_interval(s, s.km, int_words(s), mode, "km=");
    if (!done) return;
  } else if (mode == 0) {
    if (s.colors.col != 1) newstr(s);  // the dump starts below the typed answer
    print_record(s, record_name(k));
    if (k == kCht) return;
  }
  paus(s, "");
}

}  // namespace tivor
