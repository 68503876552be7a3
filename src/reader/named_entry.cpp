// Entries that hold a word instead of numbers: key=word (a file name) and key="name" followed by
// numbers (a boundary curve named in a mesh file).
#include <string>

#include "console/console.hpp"
#include "reader/reader.hpp"
#include "reader/reader_internal.hpp"

namespace tivor {

using reader_detail::kDataCols;

namespace {

// The column (from 1) of the first character at or after col that is data: not a blank and not
// in a comment; 0 when the line holds no more data.
int first_data(const char* str, int col) {
  for (; col <= kDataCols; ++col) {
    if (str[col - 1] == '*') return 0;
    if (str[col - 1] != ' ') return col;
  }
  return 0;
}

bool same_letters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    if (up(a[i]) != up(b[i])) return false;
  }
  return true;
}

// In a data line at column col: the keyword key, "=" and, when quoted, a double quote. Returns
// the column after the "=", 0 when the line does not hold that.
int after_keyword(const char* str, int col, std::string_view key, bool quoted) {
  const std::string_view line(str, kDataCols);
  const size_t eq = line.find('=', static_cast<size_t>(col - 1));
  if (eq == std::string_view::npos || !same_letters(line.substr(col - 1, eq + 1 - col), key)) {
    return 0;
  }
  if (quoted && (eq + 1 >= line.size() || line[eq + 1] != '"')) return 0;
  return static_cast<int>(eq) + 2;
}

// Moves the reader to the next data character of the file, reading lines as needed; its column
// in col (ip is left before the line's first column). 1 at the end of the file (reported).
int next_data(Session& s, int& col) {
  Crd& crd = s.crd;
  col = crd.ip > 0 ? first_data(crd.str, crd.ip + 1) : 0;
  while (col == 0) {
    std::string line;
    int ierr = 0;
    txtl(s, line, ierr, crd.in);
    set_field(crd.str, line);
    crd.ip = 0;
    if (ierr != 0) return 1;
    col = first_data(crd.str, 1);
  }
  return 0;
}

int refuse(Session& s, std::string_view prompt, std::string_view key, std::string_view reason) {
  reader_detail::report_read_error(s, 1, prompt, key, "", reason);
  flag_on(s, key);
  reader_detail::clear_line(s.crd);
  return 1;
}

}  // namespace

bool next_entry_named(Session& s, std::string_view key) {
  Crd& crd = s.crd;
  if (crd.kterm == 1) {
    const int col = crd.ip > 0 ? first_data(crd.str, crd.ip + 1) : 0;
    return col > 0 && crd.str[col - 1] == '"';
  }
  if (crd.ip > 0) {
    const int col = first_data(crd.str, crd.ip + 1);
    if (col > 0) return after_keyword(crd.str, col, key, true) > 0;
  }
  // The lines ahead, looked at without moving the reader.
  const size_t pos = s.astime.pos;
  const int32_t long_col = s.astime.long_line_col;
  std::string line;
  bool named = false;
  while (reader_detail::file_gets(s.astime, line)) {
    const int col = first_data(line.data(), 1);
    if (col == 0) continue;
    named = after_keyword(line.data(), col, key, true) > 0;
    break;
  }
  s.astime.pos = pos;
  s.astime.long_line_col = long_col;
  return named;
}

int read_named(Session& s, std::string_view prompt, std::string_view key, std::string& name,
               float* values, int n) {
  Crd& crd = s.crd;
  name.clear();
  int col = 0;
  if (crd.kterm == 1) {
    col = crd.ip > 0 ? first_data(crd.str, crd.ip + 1) : 0;
    if (col == 0 || crd.str[col - 1] != '"') return 1;
    col += 1;
  } else {
    if (next_data(s, col)) return refuse(s, prompt, key, "");
    col = after_keyword(crd.str, col, key, true);
    if (col == 0) return refuse(s, prompt, key, "a name in double quotes expected");
    col += 1;
  }
  const std::string_view line(crd.str, kDataCols);
  const size_t close = line.find('"', static_cast<size_t>(col - 1));
  if (close == std::string_view::npos) {
    return refuse(s, prompt, key, "the name has no closing quote");
  }
  name.assign(line.substr(col - 1, close + 1 - col));
  crd.ip = static_cast<int>(close) + 1;
  // The values follow without a keyword of their own.
  const int32_t kontr = crd.kontr;
  crd.kontr = 0;
  int count = n;
  const int err = readr(s, prompt, values, count, key, 0);
  crd.kontr = kontr;
  return err;
}

int read_word(Session& s, std::string_view prompt, std::string_view key, std::string& word) {
  Crd& crd = s.crd;
  word.clear();
  if (crd.kterm == 1) {
    int len = 0;
    readname(s, word, 80, len, prompt);
    return len == 0 ? 1 : 0;
  }
  int col = 0;
  if (next_data(s, col)) return refuse(s, prompt, key, "");
  col = after_keyword(crd.str, col, key, false);
  if (col == 0) return refuse(s, prompt, key, "");
  int last = col;
  while (last <= kDataCols && crd.str[last - 1] != ' ') ++last;
  if (last == col) return refuse(s, prompt, key, "a name expected after =");
  word.assign(crd.str + col - 1, static_cast<size_t>(last - col));
  crd.ip = last - 1;
  return 0;
}

}  // namespace tivor
