// State buffers: the whole task state (both pools as far as they are in use and every record
// that describes the task) written to a file and read back, byte for byte, little-endian.
#include "shell/state_buffer.hpp"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <vector>

#include "console/console.hpp"
#include "core/replace_file.hpp"
#include "reader/reader.hpp"
#include "shell/shell.hpp"

namespace tivor {
namespace {

static_assert(std::endian::native == std::endian::little,
              "state buffers are stored in the host's byte order, little-endian");

constexpr size_t kRecordBytes = 4316 + 32 + 600 + 100 + 172 + 800 + 676 + 1200 + 1604;
constexpr size_t kHeaderBytes = 16;
static_assert(kHeaderBytes + kRecordBytes == 9516);

// Appends bytes to a buffer image of the final size, at a running position.
struct ImageWriter {
  std::vector<uint8_t> bytes;
  size_t at = 0;
  void put(const void* p, size_t n) {
    std::memcpy(bytes.data() + at, p, n);
    at += n;
  }
  void word(int32_t w) { put(&w, 4); }
};

int32_t get_word(std::span<const uint8_t> in, size_t at) {
  int32_t w;
  std::memcpy(&w, in.data() + at, 4);
  return w;
}

// Copies the records out of the file image in item order (7 to 15), starting at byte `at`.
void take_records(Session& s, std::span<const uint8_t> in, size_t at) {
  auto take = [&](void* dst, size_t n) {
    std::memcpy(dst, in.data() + at, n);
    at += n;
  };
  take(&s.cls, sizeof s.cls);
  take(&s.ctime1, sizeof s.ctime1);
  take(&s.cterm, sizeof s.cterm);
  take(&s.cterm3, sizeof s.cterm3);
  auto* cht = reinterpret_cast<uint8_t*>(&s.cht);
  take(cht, 172);
  take(&s.cmesh, sizeof s.cmesh);
  take(cht + 172, sizeof s.cht - 172);
  take(&s.cparm, sizeof s.cparm);
  take(&s.cmemo, sizeof s.cmemo);
}

// A data file's extension names its class: a buffer written for another class table keeps
// only its class number, so the class is corrected from the data file name.
void correct_class(Session& s) {
  const std::string dat(s.cls.datfile, 80);
  const int len = len1(dat);
  const size_t p = dat.find('.', 1);
  if (p == std::string::npos || len < static_cast<int>(p) + 1 + 2) return;
  std::string ext = dat.substr(p + 1, 3);
  if (s.cls.iclass >= 1 && s.cls.iclass <= 15 &&
      std::string(s.cls.clcode[s.cls.iclass - 1], 3) == ext) {
    return;
  }
  for (int i = 0; i < 15; ++i) {
    if (std::string(s.cls.clcode[i], 3) == ext) {
      s.cls.iclass = i + 1;
      return;
    }
  }
  txtcon(s, " variant=" + rtrim(dat).substr(0, 40));
  static_cast<void>(flag_on(s, " executable does not contain class:" + ext));
}

void write_buffer(Session& s, const std::string& name) {
  ImageWriter out;
  out.bytes.resize(kHeaderBytes + kRecordBytes +
                   4 * (static_cast<size_t>(s.csize.maxa) + static_cast<size_t>(s.csize.maxk)));
  out.word(s.csize.maxa);
  out.word(s.csize.maxk);
  out.word(s.csize.na);
  out.word(s.csize.nk);
  out.put(s.a.data() + 1, 4 * static_cast<size_t>(s.csize.maxa));
  out.put(s.km.data() + 1, 4 * static_cast<size_t>(s.csize.maxk));
  out.put(&s.cls, sizeof s.cls);
  out.put(&s.ctime1, sizeof s.ctime1);
  out.put(&s.cterm, sizeof s.cterm);
  out.put(&s.cterm3, sizeof s.cterm3);
  out.put(&s.cht, 172);
  out.put(&s.cmesh, sizeof s.cmesh);
  out.put(reinterpret_cast<const uint8_t*>(&s.cht) + 172, sizeof s.cht - 172);
  out.put(&s.cparm, sizeof s.cparm);
  out.put(&s.cmemo, sizeof s.cmemo);

  // Written beside the old buffer and renamed over it only when every byte is out, so that a
  // failed write never loses the previous buffer.
  std::error_code ec;
  const std::filesystem::path target(name);
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
  if (!replace_file(name, out.bytes)) {
    static_cast<void>(flag_on(s, "rewri:can not write file " + name));
  }
}

void read_buffer(Session& s, const std::string& name) {
  std::vector<uint8_t> in;
  {
    std::ifstream f(name, std::ios::binary);
    if (!f) {
      static_cast<void>(flag_on(s, "rewri:can not read file " + name));
      return;
    }
    in.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }
  if (load_state_buffer(s, in) == BufferLoad::kDamaged) {
    static_cast<void>(flag_on(s, "rewri:file is damaged: " + name));
    return;
  }
  iniclass(s);
  correct_class(s);
}

}  // namespace

BufferLoad load_state_buffer(Session& s, std::span<const uint8_t> in) {
  if (in.size() < kHeaderBytes) return BufferLoad::kDamaged;
  const int32_t maxa = get_word(in, 0);
  const int32_t maxk = get_word(in, 4);
  if (maxa < 0 || maxk < 0 || maxa > s.csize.na || maxk > s.csize.nk) {
    // The snapshot does not fit the pools: no task, the records keep their contents.
    s.csize.maxa = 0;
    s.csize.maxk = 0;
    s.cht.itask = 0;
    return BufferLoad::kTooLarge;
  }
  const size_t pools = 4 * (static_cast<size_t>(maxa) + static_cast<size_t>(maxk));
  if (in.size() != kHeaderBytes + pools + kRecordBytes) return BufferLoad::kDamaged;
  s.csize.maxa = maxa;
  s.csize.maxk = maxk;
  std::memcpy(s.a.data() + 1, in.data() + kHeaderBytes, 4 * static_cast<size_t>(maxa));
  std::memcpy(s.km.data() + 1, in.data() + kHeaderBytes + 4 * static_cast<size_t>(maxa),
              4 * static_cast<size_t>(maxk));
  take_records(s, in, kHeaderBytes + pools);
  return BufferLoad::kLoaded;
}

void rewrin(Session& s, int mode, std::string_view name_in) {
  const std::string name = rtrim(name_in);
  if (mode == 2) {
    locate1(s, 1, 23);
    write_buffer(s, name);
    return;
  }
  std::error_code ec;
  if (!std::filesystem::is_regular_file(name, ec)) {
    const std::string message = ("rewri:file \"" + name + "\" is not found").substr(0, 40);
    clswnd3(s);
    paus(s, message);
    newstr(s);
    return;
  }
  locate1(s, 1, 23);
  read_buffer(s, name);
}

}  // namespace tivor
