// Alt-C from a menu: one command line typed on row 1 and handed to the host's command
// interpreter; row 1 is put back afterwards.
#include <algorithm>
#include <array>
#include <string>

#include "console/console.hpp"
#include "console/internal.hpp"

namespace tivor {

void command1(Session& s) {
  std::array<uint8_t, kCols> chars{};
  std::array<uint16_t, kCols> attrs{};
  for (int col = 1; col <= kCols; ++col) {
    chars[col - 1] = s.text.char_at(col, 1);
    attrs[col - 1] = s.text.attr_at(col, 1);
  }
  const CursorColoursGuard keep(s);

  locate1(s, 1, 1);
  dispstr(s, std::string(kCols, ' '));
  locate1(s, 1, 1);
  dispstr(s, "Enter DOS command>");
  std::string line;
  if (edit_line(s, line) == key::kEnter && len1(line) > 0) {
    s.host->run_command_line(line);
    int key = 0;
    grfkey(s, key);
  }

  for (int col = 1; col <= kCols; ++col) {
    s.text.char_at(col, 1) = chars[col - 1];
    s.text.attr_at(col, 1) = attrs[col - 1];
  }
  console_detail::redraw_cells(s, 1, 1, kCols, 1);
  s.host->present();
}

}  // namespace tivor
