// Page files: the page image of the open page in a file of its own (the image size as int32,
// then the image), written under a temporary name and renamed, read back only when whole.
#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/replace_file.hpp"
#include "gfx/gf_format.hpp"
#include "gfx/gfx.hpp"

namespace tivor {

bool savepage(Session& s, std::string_view file) {
  std::vector<uint8_t> bytes(4 + kImageBytes);
  const int32_t* p = s.grf.page_pix;  // x min, x max, y min, y max
  const int n = getpca(s, p[0], p[2], p[1] + 1, p[3], std::span<uint8_t>(bytes).subspan(4));
  if (n < 0) return false;
  gf::put_i32(bytes.data(), n);
  bytes.resize(4 + static_cast<size_t>(n));
  return replace_file(file, bytes);
}

bool put_page_file(Session& s, std::span<const uint8_t> file) {
  if (file.size() < 4) return false;
  const int32_t n = gf::get_i32(file.data());
  if (n < 0 || n > kImageBytes || file.size() - 4 < static_cast<size_t>(n)) return false;
  const int32_t* p = s.grf.page_pix;
  p_putpca(s, p[0], p[2], p[0], p[2], p[1], p[3], file.subspan(4, static_cast<size_t>(n)), 1.0f);
  return true;
}

bool restpage(Session& s, std::string_view file) {
  std::ifstream in{std::string(file), std::ios::binary};
  if (!in) return false;
  // Nothing beyond the largest valid file is read.
  std::vector<uint8_t> bytes(4 + kImageBytes);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return put_page_file(s, bytes);
}

}  // namespace tivor
