// State buffers: the whole task state (both pools as far as they are in use and every record
// that describes the task) written to a file and read back, byte for byte, little-endian.
#include "shell/state_buffer.hpp"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "core/bytes.hpp"
#include "core/replace_file.hpp"
#include "reader/reader.hpp"
#include "shell/shell.hpp"

namespace tivor {
namespace {

static_assert(std::endian::native == std::endian::little,
              "records are stored as the host lays them out, which is the file's little-endian "
              "layout only on a little-endian host");

constexpr size_t kRecordBytes = 4316 + 32 + 600 + 100 + 172 + 800 + 676 + 1200 + 1604;
constexpr size_t kHeaderBytes = 16;
static_assert(kHeaderBytes + kRecordBytes == 9516);
static_assert(kRecordBytes == kStateRecordBytes);
// The time record is stored in two parts, its first 172 bytes before the mesh record.
constexpr size_t kChtHead = 172;

// A record's bytes: every record is a struct of 32-bit words and characters without padding.
template <class Record>
std::array<uint8_t, sizeof(Record)> image_of(const Record& r) {
  return std::bit_cast<std::array<uint8_t, sizeof(Record)>>(r);
}

// Copies the next dst.size() bytes into dst; nothing when fewer are left.
void take_bytes(ByteReader& in, std::span<uint8_t> dst) {
  const std::span<const uint8_t> b = in.bytes(dst.size());
  std::copy(b.begin(), b.end(), dst.begin());
}

template <class Record>
void take_record(ByteReader& in, Record& r) {
  auto image = image_of(r);
  take_bytes(in, image);
  r = std::bit_cast<Record>(image);
}

// The records in item order (7 to 15).
void put_records(ByteWriter& out, const Session& s) {
  out.bytes(image_of(s.cls));
  out.bytes(image_of(s.ctime1));
  out.bytes(image_of(s.cterm));
  out.bytes(image_of(s.cterm3));
  const auto cht = image_of(s.cht);
  out.bytes(std::span(cht).first(kChtHead));
  out.bytes(image_of(s.cmesh));
  out.bytes(std::span(cht).subspan(kChtHead));
  out.bytes(image_of(s.cparm));
  out.bytes(image_of(s.cmemo));
}

void take_records(ByteReader& in, Session& s) {
  take_record(in, s.cls);
  take_record(in, s.ctime1);
  take_record(in, s.cterm);
  take_record(in, s.cterm3);
  auto cht = image_of(s.cht);
  take_bytes(in, std::span(cht).first(kChtHead));
  take_record(in, s.cmesh);
  take_bytes(in, std::span(cht).subspan(kChtHead));
  s.cht = std::bit_cast<Cht>(cht);
  take_record(in, s.cparm);
  take_record(in, s.cmemo);
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
  std::vector<uint8_t> bytes;
  bytes.reserve(state_buffer_size(s.csize.maxa, s.csize.maxk));
  ByteWriter out(bytes);
  out.i32(s.csize.maxa);
  out.i32(s.csize.maxk);
  out.i32(s.csize.na);
  out.i32(s.csize.nk);
  for (int32_t i = 1; i <= s.csize.maxa; ++i) out.f32(s.a[static_cast<size_t>(i)]);
  for (int32_t i = 1; i <= s.csize.maxk; ++i) out.i32(s.km[static_cast<size_t>(i)]);
  put_records(out, s);

  // Written beside the old buffer and renamed over it only when every byte is out, so that a
  // failed write never loses the previous buffer.
  std::error_code ec;
  const std::filesystem::path target(name);
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
  if (!replace_file(name, bytes)) {
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
  int32_t maxa = 0, maxk = 0;
  if (!damaged) {
    ByteReader head(in);
    maxa = head.i32();
    maxk = head.i32();
    // A file whose length does not match its header is damaged, whatever sizes the header
    // gives: only a whole buffer of larger pools is refused as too large.
    damaged = maxa < 0 || maxk < 0 || length != state_buffer_size(maxa, maxk);
    const bool fits = maxa <= s.csize.na && maxk <= s.csize.nk;
    if (!damaged && fits) {
      in.resize(length);
      damaged = !f.read(reinterpret_cast<char*>(in.data() + kHeaderBytes),
                        static_cast<std::streamsize>(length - kHeaderBytes));
    }
  }
  std::string record;
  const BufferLoad load = damaged ? BufferLoad::kDamaged : load_state_buffer(s, in, &record);
  if (load == BufferLoad::kDamaged) {
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
    return;
  }
  // The task was written by a program with larger pools: say how large, rather than leave the
  // user with an empty task and no reason.
  if (load == BufferLoad::kTooLarge) {
    static_cast<void>(flag_on(s, "rewri:buffer needs pools of " + std::to_string(maxa) +
                                     " real and " + std::to_string(maxk) + " integer words"));
  }
}

}  // namespace

size_t state_buffer_size(int32_t maxa, int32_t maxk) {
  return kHeaderBytes + kRecordBytes +
         4 * (static_cast<size_t>(std::max(maxa, 0)) + static_cast<size_t>(std::max(maxk, 0)));
}

bool take_state_records(Session& s, std::span<const uint8_t> bytes) {
  if (bytes.size() != kRecordBytes) return false;
  ByteReader in(bytes);
  take_records(in, s);
  return in.ok();
}

BufferLoad load_state_buffer(Session& s, std::span<const uint8_t> bytes, std::string* record) {
  if (record != nullptr) record->clear();
  ByteReader in(bytes);
  const int32_t maxa = in.i32(), maxk = in.i32();
  in.bytes(kHeaderBytes - 8);  // the writer's pool sizes, which reading does not need
  if (!in.ok()) return BufferLoad::kDamaged;
  if (maxa < 0 || maxk < 0 || maxa > s.csize.na || maxk > s.csize.nk) {
    // The snapshot does not fit the pools: no task, the records keep their contents.
    s.csize.maxa = 0;
    s.csize.maxk = 0;
    s.cht.itask = 0;
    return BufferLoad::kTooLarge;
  }
  if (bytes.size() != state_buffer_size(maxa, maxk)) return BufferLoad::kDamaged;
  const Backup before(s, maxa, maxk);
  ++s.pool_stamp;
  s.csize.maxa = maxa;
  s.csize.maxk = maxk;
  for (int32_t i = 1; i <= maxa; ++i) s.a[static_cast<size_t>(i)] = in.f32();
  for (int32_t i = 1; i <= maxk; ++i) s.km[static_cast<size_t>(i)] = in.i32();
  take_records(in, s);
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
  ++s.state_reads.count;
  s.state_reads.step = s.cht.is;
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
