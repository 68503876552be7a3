// Frame records of library files, read without trusting a length or count they hold: a record is
// taken only when both lengths agree with its image size, the image fits the 32000-byte buffer
// and every byte is there.
#include <algorithm>
#include <sstream>
#include <utility>

#include "core/bytes.hpp"
#include "core/read_file.hpp"
#include "core/replace_file.hpp"
#include "librarian/librarian.hpp"

namespace tivor {
namespace {

constexpr int kHeaderBytes = 40;

// Reads exactly n bytes; false when the stream ends first.
bool read_exact(std::istream& in, uint8_t* p, size_t n) {
  in.read(reinterpret_cast<char*>(p), static_cast<std::streamsize>(n));
  return static_cast<size_t>(in.gcount()) == n;
}

FrameHeader decode_header(ByteReader in) {
  FrameHeader h{};
  const std::span<const uint8_t> name = in.bytes(8);
  std::copy(name.begin(), name.end(), h.name);
  h.size = in.i32();
  h.number = in.i32();
  h.t = in.f32();
  h.carried = in.i32();
  for (int32_t& w : h.spare) w = in.i32();
  return h;
}

}  // namespace

bool FrameReader::next(FrameHeader& head, std::vector<uint8_t>& image) {
  if (damaged_) return false;
  uint8_t lead[8];
  in_.read(reinterpret_cast<char*>(lead), 4);
  const auto got = in_.gcount();
  if (got == 0) return false;  // the end of the file, between records
  damaged_ = true;
  if (got < 4 || !read_exact(in_, lead + 4, 4)) return false;
  ByteReader lengths(lead);
  const int32_t length = lengths.i32(), n = lengths.i32();
  if (n < 0 || n > kImageBytes || length != n + 4 + kHeaderBytes) return false;
  uint8_t h[kHeaderBytes];
  if (!read_exact(in_, h, kHeaderBytes)) return false;
  image.resize(static_cast<size_t>(n));
  if (!read_exact(in_, image.data(), image.size())) return false;
  uint8_t trail[4];
  if (!read_exact(in_, trail, 4) || ByteReader(trail).i32() != length) return false;
  head = decode_header(ByteReader(h));
  head.size = n;
  damaged_ = false;
  offset_ += static_cast<uint64_t>(length) + 8;
  return true;
}

void append_frame_record(std::vector<uint8_t>& out, const FrameHeader& head,
                         std::span<const uint8_t> image) {
  const auto n = static_cast<int32_t>(image.size());
  ByteWriter w(out);
  w.i32(n + 4 + kHeaderBytes);
  w.i32(n);
  w.bytes(std::span(reinterpret_cast<const uint8_t*>(head.name), 8));
  w.i32(n);
  w.i32(head.number);
  w.f32(head.t);
  w.i32(head.carried);
  for (int32_t v : head.spare) w.i32(v);
  w.bytes(image);
  w.i32(n + 4 + kHeaderBytes);
}

Directory read_directory(std::istream& in, int limit) {
  Directory d;
  FrameReader reader(in);
  FrameHeader head{};
  std::vector<uint8_t> image;
  while (static_cast<int>(d.heads.size()) < limit && reader.next(head, image)) {
    d.heads.push_back(head);
  }
  d.damaged = reader.damaged();
  return d;
}

std::span<const uint8_t> LibraryFile::image(size_t i) const {
  return std::span<const uint8_t>(bytes).subspan(starts[i] + 8 + kHeaderBytes,
                                                 static_cast<size_t>(heads[i].size));
}

LibraryFile parse_library(std::vector<uint8_t> bytes) {
  LibraryFile lib;
  lib.bytes = std::move(bytes);
  std::istringstream records(std::string(lib.bytes.begin(), lib.bytes.end()));
  FrameReader reader(records);
  FrameHeader head{};
  std::vector<uint8_t> image;
  for (;;) {
    const uint64_t start = reader.offset();
    if (!reader.next(head, image)) break;
    lib.heads.push_back(head);
    lib.starts.push_back(static_cast<size_t>(start));
  }
  if (reader.damaged()) lib.bad = static_cast<int>(lib.heads.size()) + 1;
  return lib;
}

LibraryFile read_library(const std::string& file) {
  std::vector<uint8_t> bytes;
  if (!read_whole_file(file, bytes)) {
    LibraryFile lib;
    lib.bad = 1;
    return lib;
  }
  return parse_library(std::move(bytes));
}

}  // namespace tivor
