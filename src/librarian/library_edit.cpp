// Changing a library: appending the open page as a frame, and deleting a range of frames. The
// whole file is read first and the new library, built in memory from its records, replaces it in
// one rename, so a full or damaged library or a failed write leaves the file as it was.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "console/console.hpp"
#include "gfx/gfx.hpp"
#include "librarian/internal.hpp"
#include "librarian/librarian.hpp"
#include "reader/reader.hpp"

namespace tivor {
namespace {

using namespace librarian_detail;

// Asks for a range of frames "first last" with the prompt; false when abandoned or when first
// is not a frame of the library. last is held within first..frames.
bool ask_range(Session& s, std::string_view prompt, int& first, int& last) {
  const int frames = s.frame.kadr.nkadr;
  clswnd3(s);
  locate1(s, 1, 18);
  int32_t range[2] = {0, 0};
  int n = 2;
  if (readi(s, prompt, range, n, "", 0) != 0 || range[0] < 1 || range[0] > frames) return false;
  first = range[0];
  last = std::clamp(static_cast<int>(range[1]), first, frames);
  return true;
}

}  // namespace

bool apsave(Session& s, float t, std::string_view name, int igiven) {
  Ckadr& k = s.frame.kadr;
  const std::string file = library_file(s);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return false;
  std::string frame = std::string(name);
  if (igiven == 0) {
    clswnd3(s);
    locate1(s, 1, 18);
    int len = 0;
    readname(s, frame, 8, len, "enter name:");
    if (len == 0) return false;
  }
  set_field(k.kadr_name, frame.substr(0, std::min<size_t>(frame.size(), 8)));
  if (k.nkadr >= kMaxFrames) {
    report(s, " aksave: library full");
    return false;
  }
  // The frames already there, byte for byte: a library that cannot be read to its end is not
  // written, or its unreadable part would be lost.
  LibraryFile lib = read_library(file);
  if (lib.bad != 0) {
    report(s, "apsave: read error, kadr=" + fmt_int(lib.bad, "(i3)"));
    return false;
  }
  const int number = static_cast<int>(lib.heads.size()) + 1;
  if (number > kMaxFrames) {
    report(s, " aksave: library full");
    return false;
  }
  std::vector<uint8_t>& bytes = lib.bytes;
  if (!getpage(s)) {
    report(s, "apsave: picture too large");
    return false;
  }
  FrameHeader head{};
  std::copy_n(k.kadr_name, 8, head.name);
  head.size = k.image_size;
  head.number = number;
  head.t = t;
  head.carried = k.carried;
  append_frame_record(bytes, head,
                      std::span<const uint8_t>(k.image, static_cast<size_t>(k.image_size)));
  if (!replace_file(file, bytes)) {
    report(s, " write error");
    return false;
  }
  lib.heads.push_back(head);
  std::copy(lib.heads.begin(), lib.heads.end(), k.dir);
  k.nkadr = number;
  k.changed = 1;
  return true;
}

void apdele(Session& s) {
  Ckadr& k = s.frame.kadr;
  int first = 0, last = 0;
  if (!ask_range(s, " delete pictures:", first, last)) return;
  const std::string file = library_file(s);
  // Every record of the file is read, also those past the directory's 100, and kept unless
  // deleted; a library that cannot be read to its end is not rewritten.
  const LibraryFile lib = read_library(file);
  if (lib.bad != 0) {
    report(s, " read error");
    return;
  }
  std::vector<uint8_t> bytes;
  std::vector<FrameHeader> kept;
  for (size_t i = 0; i < lib.heads.size(); ++i) {
    const int number = static_cast<int>(i) + 1;
    if (number >= first && number <= last) continue;
    FrameHeader head = lib.heads[i];
    head.number = static_cast<int32_t>(kept.size()) + 1;
    append_frame_record(bytes, head, lib.image(i));
    kept.push_back(head);
  }
  // A library whose frames are all deleted stays as an empty file, so that it can still take
  // new frames.
  if (!replace_file(file, bytes)) {
    report(s, " write error");
    return;
  }
  k.nkadr = static_cast<int32_t>(std::min<size_t>(kept.size(), kMaxFrames));
  std::copy_n(kept.begin(), k.nkadr, k.dir);
  if (k.nkadr == 0) aplpds(s, 0);
}

}  // namespace tivor
