// A test session on the scripted host: a fresh working directory, the console up with the
// keyboard as input, the text screen kept at each key wait, and data files for the reader.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "reader/reader.hpp"
#include "support/screen_text.hpp"
#include "support/test_host.hpp"
#include "support/work_dir.hpp"

namespace tivor::test {

class ConsoleSession : public ::testing::Test {
 protected:
  ConsoleSession() {
    host.on_wait = [this](int) { screens.push_back(screen()); };
    fresh();
  }

  // A new session on the same host and directory, for tests that prepare several tasks.
  void fresh() {
    s = std::make_unique<Session>(host);
    console_install(*s);
    screens.clear();
    int unit = kKeyboardUnit;
    EXPECT_EQ(readfrom(*s, unit, "keyboard"), 0);
  }
  // Writes the data file and points the reader at it.
  void data(const std::string& text) {
    std::ofstream("data.dat", std::ios::binary) << text;
    int unit = 0;
    ASSERT_EQ(readfrom(*s, unit, "data.dat"), 0);
  }
  // Presses a key for each pause still to come.
  void keys(int n) {
    for (int i = 0; i < n; ++i) host.press(' ');
  }
  // The text rows of the screen joined, for looking for messages.
  std::string screen() const { return screen_text(*s); }
  // True when the text was on the screen at some key wait or is there now.
  bool seen(const std::string& text) const { return seen_on(screens, *s, text); }

  WorkDir dir;
  TestHost host;
  std::unique_ptr<Session> s;
  std::vector<std::string> screens;  // the text screen at each key wait
};

}  // namespace tivor::test
