// The error flag raised with a message, the progress line of long runs and the Esc check.
#include "console/console.hpp"

namespace tivor {

int flag_on(Session& s, std::string_view txt) {
  if (len1(txt) > 0) paus(s, txt);
  set_flag(s, 1);
  return 1;
}

void a_wait(Session& s, int n) {
  if (n <= 0) return;
  const CursorColoursGuard keep(s);
  locate1(s, 1, 24);
  iwrite(s, " wait for time steps:", n, "(i10)", 0);
}

bool a_interrupt(Session& s) {
  if (inkey(s) != key::kEsc) return false;
  paus(s, "solution interrupted");
  set_flag(s, 1);
  return true;
}

}  // namespace tivor
