// A session on the test host with the console up and the reader on the keyboard, and looks at
// the text screen.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "reader/reader.hpp"
#include "support/test_host.hpp"

namespace tivor::shell_test {

class ShellTest : public ::testing::Test {
 protected:
  ShellTest() : s(std::make_unique<Session>(host)) {
    console_install(*s);
    host.on_wait = [this](int) { screens.push_back(screen()); };
    s->csize = Csize{kPoolReals, kPoolInts, 0, 0};
    locate1(*s, 1, 1);
    int unit = kKeyboardUnit;
    EXPECT_EQ(readfrom(*s, unit, "keyboard"), 0);
  }

  std::string row(int r) const {
    std::string line(reinterpret_cast<const char*>(&s->text.ch[(r - 1) * kCols]), kCols);
    for (char& c : line) {
      if (c == '\0') c = ' ';
    }
    return rtrim(line);
  }
  // True when some row of the text screen holds the text.
  bool shown(const std::string& text) const {
    for (int r = 1; r <= kRows; ++r) {
      if (row(r).find(text) != std::string::npos) return true;
    }
    return false;
  }
  // Index of the first screen seen at a key wait that holds the text; -1 when none did.
  int first_seen(const std::string& text) const {
    for (size_t i = 0; i < screens.size(); ++i) {
      if (screens[i].find(text) != std::string::npos) return static_cast<int>(i);
    }
    return -1;
  }
  // True when the text was on the screen at some key wait or is there now.
  bool seen(const std::string& text) const { return first_seen(text) >= 0 || shown(text); }
  // All rows, one line each (for failure messages).
  std::string screen() const {
    std::string out;
    for (int r = 1; r <= kRows; ++r) out += row(r) + "\n";
    return out;
  }

  test::TestHost host;
  std::unique_ptr<Session> s;
  std::vector<std::string> screens;  // the text screen at each key wait
};

}  // namespace tivor::shell_test
