// LISTTEXT: numbered lines of a declaration text.
#include <algorithm>
#include <string>

#include "console/console.hpp"
#include "shell/checker.hpp"

namespace tivor {

void listtext(Session& s, int first, int last, CardLines lines) {
  const int lo = std::max(first, 1);
  const int hi = std::min(last, static_cast<int>(lines.size()));
  for (int i = lo; i <= hi; ++i) {
    txtcon(s, fmt_int(i, "(i5)") + " " +
                  rtrim(std::string_view(lines[static_cast<size_t>(i - 1)], 80)));
  }
}

}  // namespace tivor
