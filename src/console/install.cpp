// Connects the console to the session's upcalls used by the layers below it.
#include "console/console.hpp"

namespace tivor {

void console_install(Session& s) {
  Session* sp = &s;
  s.up.pause = [sp](std::string_view txt) { paus(*sp, txt); };
  s.up.print_line = [sp](std::string_view txt) { txtcon(*sp, txt); };
}

}  // namespace tivor
