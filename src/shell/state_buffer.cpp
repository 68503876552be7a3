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
// only its class number, so the class is corrected from the data file name. Returns the class
// the extension names (0 when there is no extension or it is the current class's, -1 when no
// class of this program has it).
int class_of_datfile(const Session& s, std::string& ext) {
  const std::string dat(s.cls.datfile, 80);
  const int len = len1(dat);
  const size_t p = dat.find('.', 1);
  if (p == std::string::npos || len < static_cast<int>(p) + 1 + 2) return 0;
  ext = dat.substr(p + 1, 3);
  if (s.cls.iclass >= 1 && s.cls.iclass <= 15 &&
      std::string(s.cls.clcode[s.cls.iclass - 1], 3) == ext) {
    return 0;
  }
  for (int i = 0; i < 15; ++i) {
    if (std::string(s.cls.clcode[i], 3) == ext) return i + 1;
  }
  return -1;
}

// What a read replaces, kept until the new state has passed its check.
struct Backup {
  Csize csize;
  std::vector<float> a;
  std::vector<int32_t> km;
  ClassRecord cls;
  Ctime1 ctime1;
  Cterm cterm;
  Cterm3 cterm3;
  Cht cht;
  Cmesh cmesh;
  Cparm cparm;
  Cmemo cmemo;

  Backup(const Session& s, int32_t maxa, int32_t maxk)
      : csize(s.csize),
        a(s.a.begin() + 1, s.a.begin() + 1 + maxa),
        km(s.km.begin() + 1, s.km.begin() + 1 + maxk),
        cls(s.cls),
        ctime1(s.ctime1),
        cterm(s.cterm),
        cterm3(s.cterm3),
        cht(s.cht),
        cmesh(s.cmesh),
        cparm(s.cparm),
        cmemo(s.cmemo) {}

  void restore(Session& s) const {
    s.csize = csize;
    std::copy(a.begin(), a.end(), s.a.begin() + 1);
    std::copy(km.begin(), km.end(), s.km.begin() + 1);
    s.cls = cls;
    s.ctime1 = ctime1;
    s.cterm = cterm;
    s.cterm3 = cterm3;
    s.cht = cht;
    s.cmesh = cmesh;
    s.cparm = cparm;
    s.cmemo = cmemo;
  }
};

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
  // The header's sizes are checked against the file's length before the rest is read, so a
  // huge or damaged file is refused at once.
  std::ifstream f(name, std::ios::binary);
  std::error_code ec;
  const uintmax_t length = std::filesystem::file_size(name, ec);
  if (!f || ec) {
    static_cast<void>(flag_on(s, "rewri:can not read file " + name));
    return;
  }
  std::vector<uint8_t> in(kHeaderBytes);
  bool damaged = length < kHeaderBytes || !f.read(reinterpret_cast<char*>(in.data()), kHeaderBytes);
  if (!damaged) {
    const int32_t maxa = get_word(in, 0);
    const int32_t maxk = get_word(in, 4);
    const bool fits = maxa >= 0 && maxk >= 0 && maxa <= s.csize.na && maxk <= s.csize.nk;
    if (fits) {
      damaged = length != state_buffer_size(maxa, maxk);
      if (!damaged) {
        in.resize(length);
        damaged = !f.read(reinterpret_cast<char*>(in.data() + kHeaderBytes),
                          static_cast<std::streamsize>(length - kHeaderBytes));
      }
    }
  }
  std::string record;
  if (damaged || load_state_buffer(s, in, &record) == BufferLoad::kDamaged) {
    if (record.empty()) {
      static_cast<void>(flag_on(s, "rewri:file is damaged: " + name));
    } else {
      static_cast<void>(flag_on(s, "rewri:record " + record + " is damaged: " + name));
    }
    return;
  }
  iniclass(s);
  std::string ext;
  const int named = class_of_datfile(s, ext);
  if (named > 0) s.cls.iclass = named;
  if (named < 0) {
    txtcon(s, " variant=" + rtrim(std::string_view(s.cls.datfile, 80)).substr(0, 40));
    static_cast<void>(flag_on(s, " executable does not contain class:" + ext));
  }
}

}  // namespace

size_t state_buffer_size(int32_t maxa, int32_t maxk) {
  return kHeaderBytes + kRecordBytes +
         4 * (static_cast<size_t>(std::max(maxa, 0)) + static_cast<size_t>(std::max(maxk, 0)));
}

BufferLoad load_state_buffer(Session& s, std::span<const uint8_t> in, std::string* record) {
  if (record != nullptr) record->clear();
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
  if (in.size() != state_buffer_size(maxa, maxk)) return BufferLoad::kDamaged;
  const Backup before(s, maxa, maxk);
  const size_t pools = 4 * (static_cast<size_t>(maxa) + static_cast<size_t>(maxk));
  s.csize.maxa = maxa;
  s.csize.maxk = maxk;
  std::memcpy(s.a.data() + 1, in.data() + kHeaderBytes, 4 * static_cast<size_t>(maxa));
  std::memcpy(s.km.data() + 1, in.data() + kHeaderBytes + 4 * static_cast<size_t>(maxa),
              4 * static_cast<size_t>(maxk));
  take_records(s, in, kHeaderBytes + pools);
  // The class is checked as it will be used: the table rebuilt and the class corrected from
  // the data file's extension.
  iniclass(s);
  std::string ext;
  const int named = class_of_datfile(s, ext);
  if (named > 0) s.cls.iclass = named;
  std::string bad = damaged_record(s);
  if (!bad.empty()) {
    before.restore(s);
    if (record != nullptr) *record = std::move(bad);
    return BufferLoad::kDamaged;
  }
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
