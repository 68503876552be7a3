// Whole files as strings of bytes, for tests that write files and look at what was written.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace tivor::test {

inline std::string file_bytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void write_file(const std::filesystem::path& p, std::string_view bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

}  // namespace tivor::test
