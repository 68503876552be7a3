// Whole-file reads: what the readers of the program's files get for files they cannot trust.
#include "core/read_file.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "support/work_dir.hpp"

namespace tivor {
namespace {

TEST(ReadWholeFile, TakesWholeFilesWithinTheLimitAndNothingElse) {
  test::WorkDir dir;
  std::ofstream("five", std::ios::binary) << "12345";
  std::filesystem::create_directory("folder");
  std::vector<uint8_t> bytes{9};
  ASSERT_TRUE(read_whole_file("five", bytes, 5));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{'1', '2', '3', '4', '5'}));
  for (const char* name : {"five", "folder", "missing"}) {
    bytes = {9};
    EXPECT_FALSE(read_whole_file(name, bytes, 4)) << name;
    EXPECT_TRUE(bytes.empty()) << name;
  }
}

}  // namespace
}  // namespace tivor
