// A session on the scripted test host: a fresh working directory, the console up with the
// keyboard as input, data files for the reader, and the text screen kept at every key wait for
// looks at pop-ups.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.hpp"
#include "reader/reader.hpp"
#include "support/screen_text.hpp"
#include "support/test_host.hpp"
#include "support/work_dir.hpp"

namespace tivor::test {

class ScreenSession : public ::testing::Test {
 protected:
  ScreenSession() {
    host.on_wait = [this](int) { screens.push_back(screen()); };
    fresh();
  }

  // A new session on the same host and directory, for tests that prepare several tasks.
  void fresh() {
    s = std::make_unique<Session>(host);
    console_install(*s);
    locate1(*s, 1, 1);
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
  // Row r of the text screen, trailing blanks removed.
  std::string row(int r) const {
    return rtrim(screen().substr(static_cast<size_t>(r - 1) * (kCols + 1), kCols));
  }
  // True when the text is on the screen now.
  bool shown(std::string_view text) const { return screen().find(text) != std::string::npos; }
  // Index of the first screen kept at a key wait that holds the text; -1 when none did.
  int first_seen(std::string_view text) const {
    for (size_t i = 0; i < screens.size(); ++i) {
      if (screens[i].find(text) != std::string::npos) return static_cast<int>(i);
    }
    return -1;
  }
  // True when the text was on the screen at some key wait or is there now.
  bool seen(std::string_view text) const { return seen_on(screens, *s, text); }
  // The texts never seen, one a line; empty when all were.
  std::string unseen(std::initializer_list<std::string> texts) const {
    std::string out;
    for (const std::string& t : texts) {
      if (!seen(t)) out += t + "\n";
    }
    return out;
  }

  WorkDir dir;
  TestHost host;
  std::unique_ptr<Session> s;
  std::vector<std::string> screens;  // the text screen at each key wait
};

}  // namespace tivor::test
