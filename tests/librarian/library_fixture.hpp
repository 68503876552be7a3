// A librarian session: the shared session with the graphics started, the standard picture open
// and "lbr/" in the working directory.
#pragma once

#include <filesystem>
#include <string>

#include "gfx/gfx.hpp"
#include "gfx/picture_records.hpp"
#include "librarian/librarian.hpp"
#include "support/screen_session.hpp"

namespace tivor::librarian_test {

namespace fs = std::filesystem;
using test::slurp;
using test::spit;

class LibraryTest : public test::ScreenSession {
 protected:
  LibraryTest() {
    fs::create_directories("lbr");
    dinit1(*s, "test", 0.6f, 0.6f);
    lpg(*s, 1);
  }
  // Chooses the library as the define item does (an empty one shows its message: a key).
  void choose(const std::string& file) {
    set_field(s->frame.kadr.libname, file);
    if (!fs::exists(file) || fs::file_size(file) == 0) host.press(key::kEnter);
    aplpds(*s, 0);
    s->frame.kadr.chosen = kLibraryChosen;
  }
};

}  // namespace tivor::librarian_test
