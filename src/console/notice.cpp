// Notices: one line saying what the last action wrote, kept until the next menu shows it, since
// each menu loop clears the message area before it draws its menu.
#include <filesystem>
#include <string>

#include "console/console.hpp"

namespace tivor {

void note_written(Session& s, std::string_view what, const std::string& file) {
  std::error_code ec;
  const auto bytes = std::filesystem::file_size(file, ec);
  s.notice = " " + std::string(what) + " written: " + file;
  if (!ec) s.notice += ", " + std::to_string(bytes) + " bytes";
}

void show_notice(Session& s, std::string_view hint) {
  if (!s.notice.empty()) {
    locate1(s, 1, 18);
    dispstr(s, s.notice);
    s.notice.clear();
  }
  if (!hint.empty()) {
    locate1(s, 1, kRows);
    dispstr(s, hint);
  }
}

}  // namespace tivor
