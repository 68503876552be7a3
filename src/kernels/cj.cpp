// The conjugate-gradient solver's progress line.
#include "console/console.hpp"
#include "kernels/kernels.hpp"

namespace tivor {

void cj_warning(Session& s, std::string_view text, int it, float a, float b) {
  const int col = s.colors.col, row = s.colors.row;
  cls1(s, 1, 18, 11, 18);
  locate1(s, 1, 18);
  disp(s, text);
  locate1(s, 13, 18);
  disp(s, "ii=" + fmt_int(it, "(i6)") + " ggh=" + fmt_real(a, "(e10.3)") +
              " dx2=" + fmt_real(b, "(e10.3)"));
  locate1(s, col, row);
}

}  // namespace tivor
