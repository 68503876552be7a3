#include "core/names.hpp"

#include "core/session.hpp"

namespace tivor {

std::string namext(std::string_view in, std::string_view ext) {
  const std::string name = rtrim(in);
  const size_t n = name.size();
  size_t base = n;
  for (size_t i = n; i > 0 && i + 4 > n; --i) {
    if (name[i - 1] == '.') {
      base = i - 1;
      break;
    }
  }
  return name.substr(0, base) + "." + rtrim(ext);
}

}  // namespace tivor
