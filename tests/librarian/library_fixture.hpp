// A librarian session on the test host (keys from a queue, the text screen recorded at every
// wait), with the console and the graphics started, the standard picture open and a
// fresh working directory holding "lbr/".
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "gfx/gfx.hpp"
#include "gfx/picture_records.hpp"
#include "librarian/librarian.hpp"
#include "reader/reader.hpp"
#include "support/test_host.hpp"

namespace tivor::librarian_test {

namespace fs = std::filesystem;
using test::slurp;
using test::spit;

class LibraryTest : public ::testing::Test {
 protected:
  LibraryTest() : s(std::make_unique<Session>(host)) {
    fs::create_directories("lbr");
    console_install(*s);
    dinit1(*s, "test", 0.6f, 0.6f);
    int unit = kKeyboardUnit;
    EXPECT_EQ(readfrom(*s, unit, "keyboard"), 0);
    host.on_wait = [this](int) { screens.push_back(screen()); };
    lpg(*s, 1);
  }
  std::string screen() const {
    std::string out(s->text.ch.begin(), s->text.ch.end());
    std::replace(out.begin(), out.end(), '\0', ' ');
    return out;
  }
  // True when the text was on the screen at some key wait or is there now.
  bool seen(const std::string& text) const {
    for (const std::string& sc : screens) {
      if (sc.find(text) != std::string::npos) return true;
    }
    return screen().find(text) != std::string::npos;
  }
  // Chooses the library as the define item does (an empty one shows its message: a key).
  void choose(const std::string& file) {
    set_field(s->frame.kadr.libname, file);
    if (!fs::exists(file) || fs::file_size(file) == 0) host.press(key::kEnter);
    aplpds(*s, 0);
    s->frame.kadr.chosen = kLibraryChosen;
  }

  test::WorkDir dir_;
  test::TestHost host;
  std::unique_ptr<Session> s;
  std::vector<std::string> screens;
};

}  // namespace tivor::librarian_test
