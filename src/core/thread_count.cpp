// The default number of threads of the numerical loops.
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "core/session.hpp"

namespace tivor {

int32_t default_thread_count() {
  if (const char* env = std::getenv("TIVOR_THREADS"); env != nullptr) {
    int32_t n = 0;
    const char* end = env + std::strlen(env);
    const auto [at, ec] = std::from_chars(env, end, n);
    if (ec == std::errc() && at == end && n >= 1 && n <= 256) return n;
  }
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int32_t>(std::min(cores, 256u));
}

}  // namespace tivor
