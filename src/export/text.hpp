// Building the text of a file piece by piece, appending in place (GCC 12 at -O3 reports false
// overlaps in chains of string temporaries).
#pragma once

#include <cstdio>
#include <string>
#include <type_traits>

namespace tivor::export_text {

// A real with the digits that give back the same single-precision value.
inline std::string real(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", v);
  return buf;
}

// Appends each piece: text as it is, whole numbers in decimal.
inline void put(std::string&) {}
template <class T, class... Rest>
void put(std::string& out, const T& first, const Rest&... rest) {
  if constexpr (std::is_integral_v<T>) {
    out += std::to_string(first);
  } else {
    out += first;
  }
  put(out, rest...);
}

}  // namespace tivor::export_text
