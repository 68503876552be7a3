// A session with the reader's input switched to a data file written by the test or to the
// keyboard, and requests for one value.
#pragma once

#include <fstream>
#include <string>

#include "support/screen_session.hpp"

namespace tivor {

class ReaderTest : public test::ScreenSession {
 protected:
  // Writes the bytes as a data file and switches the reader to it.
  void open(const std::string& bytes) {
    std::ofstream("test.dif", std::ios::binary) << bytes;
    int unit = 0;
    ASSERT_EQ(readfrom(*s, unit, "test.dif"), 0);
    ASSERT_GT(unit, 0);
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

  int last_rc = -1;
};

}  // namespace tivor
