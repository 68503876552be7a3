// Reading a text file into 80-character lines and writing lines back to it.
#include "console/text_file.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "core/session.hpp"

namespace tivor::text_file {

std::string fit(std::string_view text) {
  std::string line(text.substr(0, std::min<size_t>(text.size(), kWidth)));
  line.resize(kWidth, ' ');
  return line;
}

Lines split_lines(std::string_view bytes, int maxlines) {
  Lines out;
  size_t pos = 0;
  while (pos < bytes.size()) {
    const size_t lf = bytes.find('\n', pos);
    const size_t end = lf == std::string_view::npos ? bytes.size() : lf;
    size_t stop = end;
    if (lf != std::string_view::npos && stop > pos && bytes[stop - 1] == '\r') --stop;

    std::string expanded;
    for (size_t i = pos; i < stop; ++i) {
      if (bytes[i] == '\t') {
        do expanded += ' ';
        while (expanded.size() % 8 != 0);
      } else {
        expanded += bytes[i];
      }
    }
    const size_t pieces = std::max<size_t>(1, (expanded.size() + kWidth - 1) / kWidth);
    if (out.lines.size() + pieces > static_cast<size_t>(std::max(maxlines, 0))) {
      out.full = true;
      out.tail = std::string(bytes.substr(pos));
      break;
    }
    const std::string_view text(expanded);
    for (size_t k = 0; k < pieces; ++k) {
      out.lines.push_back(fit(text.substr(std::min(k * kWidth, text.size()))));
    }
    pos = end == bytes.size() ? end : end + 1;
  }
  return out;
}

bool read_bytes(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool write_lines(const std::string& path, const std::vector<std::string>& lines, int nlines,
                 std::string_view tail) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path target(path);
  if (fs::is_symlink(target, ec)) {
    const fs::path resolved = fs::canonical(target, ec);
    if (!ec) target = resolved;
  }
  fs::path temp = target;
  temp += ".saving";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    for (int i = 0; i < nlines; ++i) out << rtrim(lines[static_cast<size_t>(i)]) << '\n';
    out << tail;
    out.flush();
    if (!out) {
      out.close();
      fs::remove(temp, ec);
      return false;
    }
  }
  const fs::file_status old = fs::status(target, ec);
  if (!ec && fs::exists(old)) fs::permissions(temp, old.permissions(), ec);
  fs::rename(temp, target, ec);
  if (ec) {
    fs::remove(temp, ec);
    return false;
  }
  return true;
}

}  // namespace tivor::text_file
