// Words and plain integers: READNAME takes the next blank-delimited word of the input, RDWORD
// and GTINT look at a text the caller already has.
#include <algorithm>
#include <cstdint>
#include <string>

#include "console/console.hpp"
#include "reader/reader.hpp"
#include "reader/reader_internal.hpp"

namespace tivor {

using reader_detail::kLineLen;

void readname(Session& s, std::string& name, int maxlen, int& len, std::string_view prompt) {
  Crd& crd = s.crd;
  name.clear();
  len = 0;
  int col0 = 0;
  int row0 = 0;
  getcurpos(s, col0, row0);
  bool fresh_line = false;  // the current line was read by this call
  for (;;) {
    int first = std::max(crd.ip, 0) + 1;
    while (first <= kLineLen && crd.str[first - 1] == ' ') ++first;
    if (first <= kLineLen) {
      int last = first;
      while (last < kLineLen && crd.str[last] != ' ') ++last;
      const int width = last - first + 1;
      if (width <= maxlen) {
        name.assign(crd.str + first - 1, static_cast<size_t>(width));
        len = width;
        crd.ip = last;
        return;
      }
      // Too long: say so, skip the word and take a new line.
      int col = 0;
      int row = 0;
      getcurpos(s, col, row);
      const std::string msg = "name length more then " + fmt_int(maxlen, "(i3)");
      paus(s, msg);
      cls1(s, col, row, std::min(kCols, col + static_cast<int>(msg.size()) - 1), row);
    } else if (fresh_line) {
      return;  // an empty answer
    }
    if (crd.kterm == 1 && len1(prompt) > 0) {
      locate1(s, col0, row0);
      dispstr(s, rtrim(prompt));
    }
    std::string line;
    int ierr = 0;
    crd.ip = 0;
    txtl(s, line, ierr, crd.in);
    set_field(crd.str, line);
    if (ierr < 0) {
      paus(s, "readname:read error");
      return;
    }
    if (ierr > 0) return;
    fresh_line = true;
  }
}

void rdword(std::string_view txt, int& first, int& last) {
  first = 0;
  last = 0;
  const size_t b = txt.find_first_not_of(' ');
  if (b == std::string_view::npos) return;
  size_t e = txt.find(' ', b);
  if (e == std::string_view::npos) e = txt.size();
  first = static_cast<int>(b) + 1;
  last = static_cast<int>(e);
}

void gtint(std::string_view txt, int& value, int& ierr) {
  ierr = 1;
  const size_t b = txt.find_first_not_of(' ');
  if (b == std::string_view::npos) return;
  const size_t e = txt.find_last_not_of(' ') + 1;
  std::string_view t = txt.substr(b, e - b);
  int sign = 1;
  if (t.front() == '+' || t.front() == '-') {
    if (t.front() == '-') sign = -1;
    t.remove_prefix(1);
  }
  if (t.empty()) return;
  int64_t v = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return;
    v = v * 10 + (c - '0');
    if (v > int64_t{1} << 31) return;
  }
  v *= sign;
  if (v < INT32_MIN || v > INT32_MAX) return;
  value = static_cast<int>(v);
  ierr = 0;
}

}  // namespace tivor
