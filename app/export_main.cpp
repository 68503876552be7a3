// tivor-export: a state buffer of the workbench as files for other programs.
//
//   tivor-export [--deformed [FACTOR]] STATE.buf OUT.vtu   mesh and result functions, ParaView
//   tivor-export [--deformed [FACTOR]] STATE.buf OUT.msh   mesh, subregions, boundary edges, gmsh
//
// --deformed writes a solid at its current place: every node moved by FACTOR (1 unless given)
// times its displacement. The buffer's length is checked against its header, then only its
// records and the pool words the files are made of are read, each pointer and index checked
// before use, so that a huge or damaged buffer costs neither time nor memory. Exit status: 0
// when the file was written, 1 when the buffer is damaged, holds nothing to write or the file
// cannot be written (a message on stderr, no output file left behind), 2 for bad arguments.
#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "core/bytes.hpp"
#include "export/export.hpp"
#include "host/headless_host.hpp"
#include "shell/state_buffer.hpp"

namespace {

using namespace tivor;

constexpr const char* kUsage =
    "usage: tivor-export [--deformed [FACTOR]] STATE.buf OUT.vtu   mesh and result functions "
    "(ParaView)\n"
    "       tivor-export [--deformed [FACTOR]] STATE.buf OUT.msh   mesh, subregions, boundary "
    "edges (gmsh 4.1)\n"
    "       tivor-export --help | --version\n"
    "  --deformed moves every node by FACTOR (1 unless given) times its displacement\n";

constexpr size_t kHeaderBytes = 16;

int fail(const std::string& message) {
  std::fprintf(stderr, "tivor-export: %s\n", message.c_str());
  return 1;
}

bool number(std::string_view text, double& v) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  return ec == std::errc() && end == text.data() + text.size();
}

// n words of 4 bytes from the stream into out, a block at a time; false when fewer are there.
template <class Word>
bool read_words(std::ifstream& file, Word* out, int64_t n) {
  std::vector<char> block(std::min<int64_t>(n, 1 << 18) * 4);
  for (int64_t done = 0; done < n;) {
    const int64_t k = std::min<int64_t>(n - done, 1 << 18);
    if (!file.read(block.data(), k * 4)) return false;
    ByteReader in(std::span(reinterpret_cast<const uint8_t*>(block.data()), block.size()));
    for (int64_t i = 0; i < k; ++i) out[done + i] = std::bit_cast<Word>(in.u32());
    done += k;
  }
  return true;
}

// The buffer's records and the pool words the files read, checked as far as the length; the
// rest is checked by the export itself.
int convert(const std::string& in, const std::string& out, const ExportOptions& options) {
  std::ifstream file(in, std::ios::binary);
  uint8_t head[kHeaderBytes] = {};
  if (!file || !file.read(reinterpret_cast<char*>(head), sizeof head)) {
    return fail(in + ": cannot read a state buffer");
  }
  ByteReader words(head);
  const int32_t maxa = words.i32(), maxk = words.i32();
  std::error_code ec;
  const uintmax_t length = std::filesystem::file_size(in, ec);
  if (ec || maxa < 0 || maxk < 0 || length != state_buffer_size(maxa, maxk)) {
    return fail(in + ": file is damaged (its length does not match its header)");
  }
  std::vector<uint8_t> records(kStateRecordBytes);
  file.seekg(static_cast<std::streamoff>(length - kStateRecordBytes));
  if (!file.read(reinterpret_cast<char*>(records.data()), kStateRecordBytes)) {
    return fail(in + ": cannot read a state buffer");
  }
  HeadlessHost host({}, std::filesystem::temp_directory_path().string());
  auto probe = std::make_unique<Session>(host, 0, 0);
  static_cast<void>(take_state_records(*probe, records));
  const PoolExtent need = export_extent(*probe);
  probe.reset();
  // Records that name words past those in use are refused by the export at once, on empty
  // pools, before anything large is allocated or read.
  const bool inside = need.reals <= maxa && need.ints <= maxk;
  const auto na = static_cast<int32_t>(inside ? need.reals : 0);
  const auto nk = static_cast<int32_t>(inside ? need.ints : 0);
  auto session = std::make_unique<Session>(host, na, nk);
  Session& s = *session;
  static_cast<void>(take_state_records(s, records));
  file.seekg(static_cast<std::streamoff>(kHeaderBytes));
  const bool pools = read_words(file, s.a.data() + 1, na);
  file.seekg(static_cast<std::streamoff>(kHeaderBytes + 4 * static_cast<uint64_t>(maxa)));
  if (!pools || !read_words(file, s.km.data() + 1, nk)) {
    return fail(in + ": cannot read a state buffer");
  }
  std::string error;
  if (!write_export(s, out, error, options)) {
    const std::string_view said = error;
    return fail(in + ": " + std::string(said.substr(said.rfind("export: ", 0) == 0 ? 8 : 0)));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string_view(argv[1]) == "--help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::printf("tivor-export %s\n", TIVOR_VERSION);
    return 0;
  }
  ExportOptions options;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg != "--deformed") {
      files.emplace_back(arg);
      continue;
    }
    options.deformed = true;
    double v = 0;
    if (i + 1 < argc && number(argv[i + 1], v)) {
      if (!std::isfinite(v)) {
        std::fprintf(stderr, "tivor-export: --deformed needs a finite factor\n%s", kUsage);
        return 2;
      }
      options.factor = v;
      ++i;
    }
  }
  if (files.size() != 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  // Whatever fails, the program ends with its message.
  try {
    return convert(files[0], files[1], options);
  } catch (const std::bad_alloc&) {
    return fail(files[0] + ": not enough memory to convert this buffer");
  } catch (const std::exception& e) {
    return fail(files[0] + ": " + e.what());
  }
}
