// Helpers for the tests of picture files, page images and libraries: golden files, files read
// whole, a working directory of their own, and a decoder of picture-file records written for
// the tests (independent of the replay it checks).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/work_dir.hpp"

namespace tivor::test {

inline std::vector<uint8_t> slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void spit(const std::filesystem::path& p, const std::vector<uint8_t>& bytes) {
  std::ofstream(p, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// Compares bytes with the golden file tests/FOLDER/golden/NAME; TIVOR_UPDATE_GOLDEN=1 rewrites
// the file instead.
inline void expect_golden(const std::vector<uint8_t>& got, const std::string& name,
                          const std::string& folder = "gfx") {
  const auto path = std::filesystem::path(TIVOR_SOURCE_DIR) / "tests" / folder / "golden" / name;
  if (std::getenv("TIVOR_UPDATE_GOLDEN") != nullptr) spit(path, got);
  EXPECT_EQ(got, slurp(path)) << name << ": regenerate with TIVOR_UPDATE_GOLDEN=1 and review";
}

// One record of a picture file: kind (0 line, 16 text, 32 polygon, 64 clip), colour, the 16-bit
// values in file units and the text of a text record.
struct Record {
  int kind = 0;
  int colour = 0;
  std::vector<int> v;
  std::string text;
};

inline int i16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<int16_t>(static_cast<uint16_t>(b[at] | (b[at + 1] << 8)));
}

// The records of a well-formed picture file (end bytes skipped).
inline std::vector<Record> records(const std::vector<uint8_t>& b) {
  std::vector<Record> out;
  size_t at = 4;
  while (at < b.size()) {
    const int first = b[at];
    if (first == 129) {
      ++at;
      continue;
    }
    Record r;
    r.kind = first == 64 ? 64 : first / 16 * 16;
    r.colour = first == 64 ? 0 : first % 16;
    size_t values = 4;
    if (r.kind == 16) values = 5;
    if (r.kind == 32) values = 1 + 2 * static_cast<size_t>(i16(b, at + 1));
    for (size_t k = 0; k < values; ++k) r.v.push_back(i16(b, at + 1 + 2 * k));
    at += 1 + 2 * values;
    if (r.kind == 16) {
      r.text.assign(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at) + r.v[4]);
      at += static_cast<size_t>(r.v[4]);
    }
    out.push_back(r);
  }
  return out;
}

}  // namespace tivor::test
