// The main menu's read_state and write_state: choose a buffer by name in buf/ and read or
// write it.
#include <algorithm>
#include <filesystem>
#include <vector>

#include "console/console.hpp"
#include "core/names.hpp"
#include "reader/reader.hpp"
#include "shell/shell.hpp"

namespace tivor {
namespace {

// The base names of the buffers in buf/, at most 100, five to a line in fields of 15.
void list_buffers(Session& s) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("buf", ec)) {
    if (names.size() >= 100) break;
    if (entry.path().extension() == ".buf") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  std::string line;
  for (size_t i = 0; i < names.size(); ++i) {
    std::string field = fit_name(names[i], 15);
    field.resize(15, ' ');
    line += field;
    if (i % 5 == 4 || i + 1 == names.size()) {
      txtcon(s, line);
      line.clear();
    }
  }
}

}  // namespace

void rewri(Session& s, int mode) {
  clswnd3(s);
  locate1(s, 1, 18);
  list_buffers(s);
  std::string name;
  int len = 0;
  readname(s, name, 68, len, " enter buffer name:");
  if (len == 0) {
    if (mode == 2) s.notice = " no name given: no state written";
    return;
  }
  const std::string file = "buf/" + namext(name, "buf");
  rewrin(s, mode, file);
  if (mode == 2 && !flag_tst(s)) note_written(s, "state", file);
}

}  // namespace tivor
