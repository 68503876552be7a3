// The byte reader and writer every binary file goes through, and whole-file reads of files the
// readers cannot trust.
#include "core/bytes.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <vector>

#include "core/read_file.hpp"
#include "support/work_dir.hpp"

namespace tivor {
namespace {

TEST(Bytes, ValuesComeBackWithTheirSignsAndFloatBits) {
  std::vector<uint8_t> b;
  ByteWriter w(b);
  w.i16(-2);
  w.i32(-70000);
  w.u16(0xfffe);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (const float f : {-0.0f, 1.5e-42f, nan}) w.f32(f);
  EXPECT_EQ((std::vector<uint8_t>(b.begin(), b.begin() + 6)),
            (std::vector<uint8_t>{0xfe, 0xff, 0x90, 0xee, 0xfe, 0xff}));
  ByteReader r(b);
  EXPECT_EQ((std::vector<int>{r.i16(), r.i32(), r.u16()}), (std::vector<int>{-2, -70000, 0xfffe}));
  EXPECT_TRUE(std::signbit(r.f32()) && r.f32() == 1.5e-42f && std::isnan(r.f32()));
  EXPECT_TRUE(r.ok() && r.left() == 0u);
}

TEST(Bytes, ReadingPastTheEndFailsForGoodAndReadsNothing) {
  const std::vector<uint8_t> b{1, 2, 3};
  ByteReader r(b);
  EXPECT_EQ((std::vector<int>{r.u16(), r.i32()}), (std::vector<int>{0x0201, 0}));
  EXPECT_TRUE(!r.ok() && r.pos() == 2u);
  // The byte that is there is not read after the failure.
  EXPECT_TRUE(r.u8() == 0 && r.bytes(1).empty());
  ByteReader huge(b);
  EXPECT_TRUE(huge.bytes(SIZE_MAX).empty() && !huge.ok());
}

TEST(ReadWholeFile, TakesWholeFilesWithinTheLimitAndNothingElse) {
  test::WorkDir dir;
  std::ofstream("five", std::ios::binary) << "12345";
  std::filesystem::create_directory("folder");
  std::vector<uint8_t> bytes{9};
  ASSERT_TRUE(read_whole_file("five", bytes, 5));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{'1', '2', '3', '4', '5'}));
  for (const char* name : {"five", "folder", "missing"}) {
    bytes = {9};
    EXPECT_TRUE(!read_whole_file(name, bytes, 4) && bytes.empty()) << name;
  }
}

}  // namespace
}  // namespace tivor
