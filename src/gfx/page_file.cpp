// Page files: the page image of the open page in a file of its own (the image size as int32,
// then the image), written under a temporary name and renamed, read back only when whole.
#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "core/bytes.hpp"
#include "core/replace_file.hpp"
#include "gfx/gfx.hpp"

namespace tivor {

bool savepage(Session& s, std::string_view file) {
  std::vector<uint8_t> image(kImageBytes);
  const int32_t* p = s.grf.page_pix;  // x min, x max, y min, y max
  const int n = getpca(s, p[0], p[2], p[1] + 1, p[3], image);
  if (n < 0) return false;
  std::vector<uint8_t> bytes;
  ByteWriter out(bytes);
  out.i32(n);
  out.bytes(std::span<const uint8_t>(image).first(static_cast<size_t>(n)));
  return replace_file(file, bytes);
}

bool put_page_file(Session& s, std::span<const uint8_t> file) {
  ByteReader in(file);
  const int32_t n = in.i32();
  if (!in.ok() || n < 0 || n > kImageBytes) return false;
  const std::span<const uint8_t> image = in.bytes(static_cast<size_t>(n));
  if (!in.ok()) return false;
  const int32_t* p = s.grf.page_pix;
  p_putpca(s, p[0], p[2], p[0], p[2], p[1], p[3], image, 1.0f);
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
