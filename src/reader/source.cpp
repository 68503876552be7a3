// Where the reader takes its input from: the keyboard or a data file read whole into memory.
#include <string>

#include "console/console.hpp"
#include "core/read_file.hpp"
#include "reader/reader.hpp"
#include "reader/reader_internal.hpp"

namespace tivor {

namespace {

// The handle given to an open data file; any positive number does, the file is held in memory.
constexpr int kDataFileHandle = 30;

bool load_file(std::string_view name, std::vector<uint8_t>& bytes) {
  return read_whole_file(name, bytes);
}

}  // namespace

void read_keyboard(Session& s) {
  Astime& src = s.astime;
  src.handle = 0;
  src.bytes.clear();
  src.bytes.shrink_to_fit();
  src.pos = 0;
  src.long_line_col = 0;
  src.name = "keyboard";
  readin(s, 0, "&", kKeyboardUnit, 1);
}

int readfrom(Session& s, int& unit, std::string_view name) {
  if (rtrim(name) == "keyboard") {
    read_keyboard(s);
    return 0;
  }
  std::vector<uint8_t> bytes;
  if (!load_file(rtrim(name), bytes)) {
    paus(s, " Warning: file \"" + rtrim(name) + "\" does not exist.");
    set_flag(s, 1);
    return 1;
  }
  Astime& src = s.astime;
  src.bytes = std::move(bytes);
  src.pos = 0;
  src.long_line_col = 0;
  src.handle = kDataFileHandle;
  src.name = rtrim(name);
  unit = src.handle;
  readin(s, 1, "&", src.handle, 0);
  return 0;
}

void readin(Session& s, int kontr, std::string_view endmark, int unit, int kterm) {
  Crd& crd = s.crd;
  crd.kontr = kontr > 0 ? 1 : 0;
  set_field(crd.key_end_str, endmark.substr(0, 1));
  crd.in = unit;
  crd.kterm = kterm;
  crd.inm = 0;
  reader_detail::clear_line(crd);
}

void rstread(Session& s) {
  if (s.astime.handle > 0) readin(s, 1, "&", s.astime.handle, 0);
}

}  // namespace tivor
