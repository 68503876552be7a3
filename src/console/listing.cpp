// Labelled values and numeric listings in the message area. A listing that reaches the bottom
// row pauses with "more?", clears the screen and goes on, unless the user answers "n" or Esc.
#include <string>

#include "console/console.hpp"
#include "host/host.hpp"

namespace tivor {
namespace {

// The converted value in its 80-character field, trailing blanks removed.
std::string field80(std::string converted) {
  if (converted.size() > 80) converted.resize(80);
  return rtrim(converted);
}

void label_and_value(Session& s, std::string_view label, const std::string& value, int newline) {
  dispstr(s, rtrim(label));
  dispstr(s, field80(value));
  if (newline == 1) newstr(s);
}

// Ends a line of a listing; on reaching the bottom row shows "more?", waits and clears the
// screen. False when the user ended the listing there.
bool listing_line_end(Session& s) {
  newstr(s);
  if (s.colors.row < kRows) return true;
  dispstr(s, "more?");
  int k = 0;
  grfkey(s, k);
  cls(s);
  return k != 'n' && k != 'N' && k != key::kEsc;
}

// Prints the label and n values, per_line to a line, each converted by convert(i).
template <typename Convert>
void listing(Session& s, std::string_view label, int n, int per_line, int item_width,
             Convert convert) {
  const std::string head = rtrim(label);
  dispstr(s, head);
  if (n > 3 || n * item_width + static_cast<int>(head.size()) > 79) {
    if (!listing_line_end(s)) return;
  }
  for (int i = 0; i < n; ++i) {
    if (i > 0 && i % per_line == 0 && !listing_line_end(s)) return;
    dispstr(s, convert(i));
  }
  newstr(s);
}

}  // namespace

void iwrite(Session& s, std::string_view label, int value, std::string_view format, int newline) {
  label_and_value(s, label, fmt_int(value, format), newline);
}

void rwrite(Session& s, std::string_view label, float value, std::string_view format, int newline) {
  label_and_value(s, label, fmt_real(value, format), newline);
}

void prtim(Session& s, std::string_view label, const int32_t* values, int n) {
  listing(s, label, n, 10, 10, [&](int i) { return fmt_int(values[i], "(i8)"); });
}

void prtrm(Session& s, std::string_view label, const float* values, int n) {
  listing(s, label, n, 5, 11, [&](int i) { return fmt_real(values[i], "(e11.3)"); });
}

}  // namespace tivor
