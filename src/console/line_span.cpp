// The one rule for where a line of a text file ends.
#include "console/console.hpp"

namespace tivor {

LineSpan line_span(std::string_view bytes, size_t pos) {
  const size_t end = bytes.find_first_of("\r\n", pos);
  if (end == std::string_view::npos) return {bytes.size(), bytes.size()};
  size_t next = end + 1;
  if (bytes[end] == '\r' && next < bytes.size() && bytes[next] == '\n') ++next;
  return {end, next};
}

}  // namespace tivor
