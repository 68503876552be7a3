// Line input of the reader: the data file's line getter, the keyboard line editor and TXTL,
// which counts the file's lines and reports its end.
#include <algorithm>
#include <cstdint>
#include <string>

#include "console/console.hpp"
#include "reader/reader.hpp"
#include "reader/reader_internal.hpp"

namespace tivor {

namespace reader_detail {

// Lines end by the console's line-end rule. A Ctrl-Z ends the input; the characters before it on
// its line are still a line. Only the first 80 characters are kept; the column of a character
// past them is remembered, so that the scanner reports the line instead of losing its end.
bool file_gets(Astime& src, std::string& line) {
  line.assign(kLineLen, ' ');
  src.long_line_col = 0;
  const std::string_view bytes(reinterpret_cast<const char*>(src.bytes.data()), src.bytes.size());
  if (src.pos >= bytes.size()) return false;
  const LineSpan span = line_span(bytes, src.pos);
  std::string_view text = bytes.substr(src.pos, span.text_end - src.pos);
  size_t next = span.next;
  const size_t z = text.find(static_cast<char>(kCtrlZ));
  if (z != std::string_view::npos) {
    if (z == 0) return false;
    text = text.substr(0, z);
    next = src.pos + z;
  }
  std::copy_n(text.begin(), std::min<size_t>(text.size(), kLineLen), line.begin());
  if (text.size() > kLineLen) {
    const size_t past = text.find_first_not_of(' ', kLineLen);
    if (past != std::string_view::npos) {
      src.long_line_col = static_cast<int32_t>(std::min<size_t>(past + 1, INT32_MAX));
    }
  }
  src.pos = next;
  return true;
}

void clear_line(Crd& crd) {
  crd.ip = 0;
  set_field(crd.str, "");
}

}  // namespace reader_detail

void readstr(Session& s, std::string& line, int& ierr, int kterm, int& key) {
  key = 0;
  if (kterm == 0) {
    ierr = reader_detail::file_gets(s.astime, line) ? 13 : -1;
    return;
  }
  std::string typed;
  const int k = edit_line(s, typed);
  typed.resize(reader_detail::kLineLen, ' ');
  line = typed;
  if (k == tivor::key::kEnter) {
    ierr = 13;
  } else {
    ierr = 0;
    key = k;
  }
}

void txtl(Session& s, std::string& line, int& ierr, int unit) {
  Crd& crd = s.crd;
  ierr = 0;
  if (unit == 0) {
    crd.inm = 0;
    return;
  }
  int code = 0;
  int key = 0;
  readstr(s, line, code, crd.kterm, key);
  if (code == 13) {
    if (crd.kterm == 0) ++crd.inm;
    return;
  }
  if (code < 0) {
    int col = 0;
    int row = 0;
    getcurpos(s, col, row);
    if (col != 1) newstr(s);
    // Where the file ran out: a unit number would tell the user nothing.
    const bool data_file = unit == s.astime.handle && !s.astime.name.empty();
    txtcon(s, " **** end of file " +
                  (data_file ? s.astime.name + " after line " + std::to_string(s.crd.inm)
                             : std::to_string(unit)));
    ierr = -1;
    return;
  }
  // A special key: ordinary codes as they are, extended (negative) codes as 256 minus the code.
  ierr = key > 0 ? key : 256 - key;
}

}  // namespace tivor
