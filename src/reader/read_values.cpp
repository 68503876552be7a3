// The single required reads that most data readers make.
#include "reader/reader.hpp"

namespace tivor {

int read_int(Session& s, std::string_view prompt, std::string_view key, int32_t& v) {
  int n = 1;
  return readi(s, prompt, &v, n, key, 0);
}

int read_real(Session& s, std::string_view prompt, std::string_view key, float& v) {
  return read_reals(s, prompt, key, &v, 1);
}

int read_reals(Session& s, std::string_view prompt, std::string_view key, float* v, int n) {
  int count = n;
  return readr(s, prompt, v, count, key, 0);
}

}  // namespace tivor
