// Line input of the reader: the data file's line getter, the keyboard line editor and TXTL,
// which counts the file's lines and reports its end.
#include <algorithm>
#include <string>

#include "console/console.hpp"
#include "reader/reader.hpp"
#include "reader/reader_internal.hpp"

namespace tivor {

namespace reader_detail {

// A line ends at a carriage return (a line feed right after it belongs to it) or at a lone line
// feed. A line of more than 80 characters is taken 80 at a time; when the 80 characters are
// followed directly by a line end, that end is taken with them.
bool file_gets(Astime& src, std::string& line) {
  line.assign(kLineLen, ' ');
  const size_t size = src.bytes.size();
  if (src.pos >= size) return false;
  const uint8_t* p = src.bytes.data() + src.pos;
  const size_t avail = std::min<size_t>(kLineLen, size - src.pos);
  size_t end = 0;
  while (end < avail && p[end] != '\r' && p[end] != '\n') ++end;
  // A Ctrl-Z ends the input; the characters before it on its line are still a line.
  const uint8_t* z = std::find(p, p + end, static_cast<uint8_t>(kCtrlZ));
  if (z != p + end) {
    if (z == p) return false;
    std::copy(p, z, line.begin());
    src.pos += static_cast<size_t>(z - p);
    return true;
  }
  std::copy(p, p + end, line.begin());
  size_t next = src.pos + end;
  if (next < size && src.bytes[next] == '\r') {
    ++next;
    if (next < size && src.bytes[next] == '\n') ++next;
  } else if (next < size && src.bytes[next] == '\n') {
    ++next;
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
    txtcon(s, " **** end of file " + std::to_string(unit));
    ierr = -1;
    return;
  }
  // A special key: ordinary codes as they are, extended (negative) codes as 256 minus the code.
  ierr = key > 0 ? key : 256 - key;
}

}  // namespace tivor
