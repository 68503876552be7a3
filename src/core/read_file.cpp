#include "core/read_file.hpp"

#include <filesystem>
#include <fstream>
#include <string>

namespace tivor {

bool read_whole_file(std::string_view file, std::vector<uint8_t>& bytes, uint64_t limit) {
  bytes.clear();
  const std::filesystem::path path{std::string(file)};
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size > limit) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.reserve(static_cast<size_t>(size));
  char buf[65536];
  while (in) {
    in.read(buf, sizeof buf);
    const auto got = static_cast<size_t>(in.gcount());
    if (bytes.size() + got > limit) {
      bytes.clear();
      return false;
    }
    bytes.insert(bytes.end(), buf, buf + got);
  }
  if (!in.eof() || in.bad()) {
    bytes.clear();
    return false;
  }
  return true;
}

}  // namespace tivor
