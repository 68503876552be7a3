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
  // One value for the keyword (-99 when none was read); the return code in last_rc.
  float real(std::string_view keyword, int iopt = 0) { return one(readr, keyword, iopt, -99.0f); }
  int integer(std::string_view keyword, int iopt = 0) { return one(readi, keyword, iopt, -99); }
  template <class Read, class T>
  T one(Read read, std::string_view keyword, int iopt, T v) {
    int n = 1;
    last_rc = read(*s, " prompt", &v, n, keyword, iopt, -1);
    return v;
  }

  int last_rc = -1;
};

}  // namespace tivor
