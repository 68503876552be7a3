// Fixed-length, blank-padded character fields of the records.
#include <algorithm>
#include <cstring>

#include "core/session.hpp"

namespace tivor {

void set_field(char* field, size_t size, std::string_view text) {
  const size_t n = std::min(size, text.size());
  std::memcpy(field, text.data(), n);
  std::memset(field + n, ' ', size - n);
}

std::string field_str(const char* field, size_t size) {
  return rtrim(std::string_view(field, size));
}

int len1(std::string_view text) {
  int n = static_cast<int>(text.size());
  while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\0')) --n;
  return n;
}

std::string rtrim(std::string_view text) {
  return std::string(text.substr(0, len1(text)));
}

}  // namespace tivor
