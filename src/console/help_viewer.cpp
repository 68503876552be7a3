// The help viewer: finds a topic in a help file ("$" lines open topics) and shows its lines in
// a framed box centred on the screen until a key is pressed.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "console/internal.hpp"
#include "gfx/gfx.hpp"

namespace tivor {
namespace {

constexpr int kMaxFileLines = 1000;
constexpr int kMaxTopicLines = 20;  // collecting stops once more than this were taken
constexpr int kLineChars = 80;
constexpr const char* kScratch = "hlp000";
// Where the installed help files lie, from the folder of the program.
constexpr const char* kInstalledShare = "../share/tivor";

std::string upper(std::string_view txt) {
  std::string out(txt);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

// Reads one line of at most 80 characters (the rest of a longer line is skipped); false at the
// end of the file.
bool read_line(std::istream& in, std::string& line) {
  line.clear();
  int c = in.get();
  if (c == std::char_traits<char>::eof()) return false;
  while (c != std::char_traits<char>::eof() && c != '\n') {
    if (c != '\r' && line.size() < kLineChars) line.push_back(static_cast<char>(c));
    c = in.get();
  }
  return true;
}

bool topic_matches(const std::string& line, const std::string& wanted_upper) {
  std::string name = line.substr(1);
  if (name.size() < wanted_upper.size()) name.resize(wanted_upper.size(), ' ');
  return upper(name.substr(0, wanted_upper.size())) == wanted_upper;
}

// Removes the scratch file of the box, also when the wait ends the program.
struct ScratchFile {
  ~ScratchFile() {
    std::error_code ec;
    std::filesystem::remove(kScratch, ec);
  }
};

}  // namespace

namespace console_detail {

void show_help_box(Session& s, const std::vector<std::string>& lines) {
  int longest = 0;
  for (const std::string& l : lines) longest = std::max(longest, len1(l));
  const int height = std::min(static_cast<int>(lines.size()) + 2, kRows);
  const int width = std::min(longest + 2, kCols);
  const int top = std::max((kRows - height) / 2, 1);
  const int left = std::max((kCols - width) / 2, 1);
  const int right = left + width - 1, bottom = top + height - 1;
  // The saved rectangle takes in the shadow cells along the right and bottom edges.
  const int save_right = std::min(right + 1, kCols), save_bottom = std::min(bottom + 1, kRows);

  const CursorColoursGuard keep(s);
  const ScratchFile scratch;
  savewin(s, left, top, save_right, save_bottom, kScratch);

  set_colours(s, 0, 3);
  for (int row = top; row <= bottom; ++row) {
    const int k = row - top - 1;
    std::string txt;
    if (k >= 0 && k < static_cast<int>(lines.size())) txt = rtrim(lines[static_cast<size_t>(k)]);
    locate1(s, left, row);
    dispstr(s, fit(" " + fit(txt, width - 2) + " ", width));
  }
  shadow(s, left, top, right, bottom);
  const int x1 = (left - 1) * 8, y1 = (top - 1) * 14, x2 = right * 8 - 1, y2 = bottom * 14 - 1;
  for (int inset : {3, 6}) d_rect(s, x1 + inset, y1 + inset, x2 - inset, y2 - inset, 0, 9);
  s.host->present();

  locate1(s, right + 1, bottom + 1);
  int key = 0;
  grfkey(s, key);
  restwin(s, left, top, save_right, save_bottom, kScratch);
}

}  // namespace console_detail

std::vector<std::string> help_topic_lines(std::istream& in, std::string_view topic) {
  const std::string wanted_upper = upper(rtrim(topic));
  std::vector<std::string> collected;
  bool found = false;
  std::string line;
  for (int n = 0; n < kMaxFileLines && read_line(in, line); ++n) {
    const bool opens_topic = !line.empty() && line[0] == '$';
    if (!found) {
      found = opens_topic && topic_matches(line, wanted_upper);
      continue;
    }
    if (opens_topic) break;
    collected.push_back(line);
    if (static_cast<int>(collected.size()) > kMaxTopicLines) break;
  }
  return collected;
}

void dathlp(Session& s, std::string_view helpfile, std::string_view topic) {
  std::filesystem::path path{std::string(helpfile)};
  std::error_code ec;
  // A working directory without help files of its own uses those installed with the program.
  if (!std::filesystem::is_regular_file(path, ec) && path.is_relative()) {
    path = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path() / kInstalledShare /
           path.lexically_normal();
  }
  if (!std::filesystem::is_regular_file(path, ec)) return;
  std::ifstream in(path, std::ios::binary);
  if (!in) return;
  const std::string wanted = rtrim(topic);
  std::vector<std::string> collected = help_topic_lines(in, wanted);
  if (collected.empty()) {
    collected.push_back(wanted == "null" ? "  use arrow keys to choose item + enter, or esc"
                                         : "  can not find topic " + wanted);
  }
  console_detail::show_help_box(s, collected);
}

}  // namespace tivor
