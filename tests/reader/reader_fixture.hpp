// A session on the test host with the reader's input switched to a data file written by the test
// or to the keyboard, and a look at the text screen.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "console/console.hpp"
#include "host/test_dir.hpp"
#include "reader/reader.hpp"
#include "support/test_host.hpp"

namespace tivor {

class ReaderTest : public ::testing::Test {
 protected:
  ReaderTest() : s(std::make_unique<Session>(host)) {
    console_install(*s);
    int unit = kKeyboardUnit;
    EXPECT_EQ(readfrom(*s, unit, "keyboard"), 0);
  }

  // Writes the bytes as a data file and switches the reader to it.
  void open(const std::string& bytes) {
    const std::string name = dir.file("test.dif");
    std::ofstream(name, std::ios::binary) << bytes;
    int unit = 0;
    ASSERT_EQ(readfrom(*s, unit, name), 0);
    ASSERT_GT(unit, 0);
  }

  std::string row(int r) const {
    std::string line(reinterpret_cast<const char*>(&s->text.ch[(r - 1) * kCols]), kCols);
    return rtrim(line);
  }
  // True when some row of the text screen reads exactly text.
  bool shown(const std::string& text) const {
    for (int r = 1; r <= kRows; ++r) {
      if (row(r) == text) return true;
    }
    return false;
  }

  float real(std::string_view keyword, int iopt = 0) {
    float v = -99.0f;
    int n = 1;
    last_rc = readr(*s, " prompt", &v, n, keyword, iopt);
    return v;
  }
  int integer(std::string_view keyword, int iopt = 0) {
    int32_t v = -99;
    int n = 1;
    last_rc = readi(*s, " prompt", &v, n, keyword, iopt);
    return v;
  }

  test::TestHost host;
  TestDir dir;
  std::unique_ptr<Session> s;
  int last_rc = -1;
};

}  // namespace tivor
