// The text screen as the tests read it: its 25 rows joined, and whether a text was shown.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/session.hpp"

namespace tivor::test {

// The 25 rows of the text screen, each ended by a newline; empty cells read as blanks.
inline std::string screen_text(const Session& s) {
  std::string out;
  for (int row = 1; row <= kRows; ++row) {
    for (int col = 1; col <= kCols; ++col) {
      const char ch = static_cast<char>(s.text.ch[(row - 1) * kCols + col - 1]);
      out += ch == '\0' ? ' ' : ch;
    }
    out += '\n';
  }
  return out;
}

// True when the text was on one of the screens kept at the key waits, or is on the screen now.
inline bool seen_on(const std::vector<std::string>& screens, const Session& s,
                    std::string_view text) {
  for (const std::string& sc : screens) {
    if (sc.find(text) != std::string::npos) return true;
  }
  return screen_text(s).find(text) != std::string::npos;
}

}  // namespace tivor::test
