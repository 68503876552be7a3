// tivor-export: a state buffer of the workbench as files for other programs.
//
//   tivor-export STATE.buf OUT.vtu   the mesh and every result function, for ParaView
//   tivor-export STATE.buf OUT.msh   the mesh, its subregions and boundary edges, for gmsh
//
// The buffer is checked as the workbench checks it when reading it back: its length against
// its header, every pointer and index of its records against the pools. Exit status: 0 when the
// file was written, 1 when the buffer is damaged or the file cannot be written (a message on
// stderr, no output file left behind), 2 for bad arguments.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/class_managers.hpp"
#include "core/bytes.hpp"
#include "core/read_file.hpp"
#include "export/export.hpp"
#include "host/headless_host.hpp"
#include "shell/state_buffer.hpp"

namespace {

using namespace tivor;

constexpr const char* kUsage =
    "usage: tivor-export STATE.buf OUT.vtu   mesh and result functions (ParaView)\n"
    "       tivor-export STATE.buf OUT.msh   mesh, subregions, boundary edges (gmsh 4.1)\n"
    "       tivor-export --help | --version\n";

int fail(const std::string& message) {
  std::fprintf(stderr, "tivor-export: %s\n", message.c_str());
  return 1;
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
  if (argc != 3) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string in = argv[1], out = argv[2];
  // The pools are sized by the header, once the file's length agrees with it.
  std::ifstream file(in, std::ios::binary);
  uint8_t head[8] = {};
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
  std::vector<uint8_t> bytes;
  if (!read_whole_file(in, bytes, length) || bytes.size() != length) {
    return fail(in + ": cannot read a state buffer");
  }
  HeadlessHost host({}, std::filesystem::temp_directory_path().string());
  auto session =
      std::make_unique<Session>(host, std::max(maxa, kPoolReals), std::max(maxk, kPoolInts));
  Session& s = *session;
  install_class_managers(s);
  std::string record;
  if (load_state_buffer(s, bytes, &record) != BufferLoad::kLoaded) {
    return fail(in + ": record " + (record.empty() ? std::string("sizes") : record) +
                " is damaged");
  }
  std::string error;
  if (!write_export(s, out, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  return 0;
}
