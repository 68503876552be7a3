#include "core/replace_file.hpp"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace tivor {

bool replace_file(std::string_view file, std::span<const uint8_t> bytes) {
  namespace fs = std::filesystem;
  const fs::path path{std::string(file)};
  // The process number keeps two programs writing the same file from sharing a temporary.
  fs::path tmp = path;
  tmp += ".tmp" + std::to_string(::getpid());
  std::error_code ec;
  bool written = false;
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (out) {
      out.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
      out.close();
      written = static_cast<bool>(out);
    }
  }
  if (written) {
    fs::rename(tmp, path, ec);
    written = !ec;
  }
  if (!written) fs::remove(tmp, ec);
  return written;
}

}  // namespace tivor
