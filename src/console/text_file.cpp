// Splitting a text file into its lines and writing a file whole.
#include "console/text_file.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "console/console.hpp"
#include "core/read_file.hpp"

namespace tivor::text_file {

std::string fit(std::string_view text) {
  std::string line(text.substr(0, std::min<size_t>(text.size(), kWidth)));
  line.resize(kWidth, ' ');
  return line;
}

Lines split_lines(std::string_view bytes, int maxlines) {
  Lines out;
  const auto limit = static_cast<size_t>(std::max(maxlines, 0));
  size_t pos = 0;
  while (pos < bytes.size()) {
    if (out.lines.size() >= limit) {
      out.full = true;
      out.tail = std::string(bytes.substr(pos));
      break;
    }
    const LineSpan span = line_span(bytes, pos);
    out.lines.push_back({std::string(bytes.substr(pos, span.text_end - pos)),
                         std::string(bytes.substr(span.text_end, span.next - span.text_end))});
    pos = span.next;
  }
  return out;
}

std::string expand_tabs(std::string_view bytes) {
  std::string expanded;
  expanded.reserve(bytes.size());
  for (const char c : bytes) {
    if (c == '\t') {
      do expanded += ' ';
      while (expanded.size() % 8 != 0);
    } else {
      expanded += c;
    }
  }
  return expanded;
}

bool read_bytes(const std::string& path, std::string& bytes) {
  std::vector<uint8_t> raw;
  if (!read_whole_file(path, raw)) return false;
  bytes.assign(raw.begin(), raw.end());
  return true;
}

bool write_bytes(const std::string& path, std::string_view bytes) {
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
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
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
