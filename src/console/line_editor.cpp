// The keyboard line editor: one line of text edited in place at the cursor, with the history of
// the last ten distinct lines typed.
#include <algorithm>
#include <string>

#include "console/console.hpp"
#include "console/internal.hpp"

namespace tivor {
namespace {

// Enters a finished line into the history unless it is blank or repeats the newest line.
void remember(KeyHistory& h, const std::string& line) {
  const std::string text = rtrim(line);
  if (text.empty()) return;
  const int cap = static_cast<int>(h.lines.size());
  h.count = std::clamp(h.count, 0, cap);
  if (h.count > 0 && h.lines[static_cast<size_t>(h.count - 1)] == text) return;
  if (h.count == cap) {
    std::rotate(h.lines.begin(), h.lines.begin() + 1, h.lines.end());
    h.lines.back() = text;
  } else {
    h.lines[static_cast<size_t>(h.count++)] = text;
  }
}

}  // namespace

int edit_line(Session& s, std::string& line) {
  const int col0 = std::clamp(s.colors.col, 1, kCols);
  const int row0 = std::clamp(s.colors.row, 1, kRows);
  const size_t room = static_cast<size_t>(kCols + 1 - col0);
  std::string text = rtrim(line).substr(0, room);
  size_t pos = text.size();
  size_t shown = 0;
  KeyHistory& hist = s.history;
  hist.count = std::clamp(hist.count, 0, static_cast<int>(hist.lines.size()));
  int hpos = hist.count;  // one past the newest: the first Up shows the newest line

  auto show = [&] {
    shown = std::max(shown, text.size());
    locate1(s, col0, row0);
    dispstr(s, console_detail::fit(text, static_cast<int>(shown)));
  };
  auto finish = [&](int code) {
    line = text;
    locate1(s, col0 + static_cast<int>(pos), row0);
    return code;
  };

  show();
  for (;;) {
    locate1(s, col0 + static_cast<int>(pos), row0);
    const InputEvent ev = console_detail::wait_blink(s);
    int k = ev.key;
    if (k == 0) {
      if (ev.button != 2) continue;
      k = key::kEsc;
    }
    switch (k) {
      case key::kLeft:
        if (pos > 0) --pos;
        break;
      case key::kRight:
        if (pos < text.size()) ++pos;
        break;
      case key::kHome:
      case key::kPgUp:
        pos = 0;
        break;
      case key::kEnd:
      case key::kPgDn:
        pos = text.size();
        break;
      case key::kDel:
        if (pos < text.size()) {
          text.erase(pos, 1);
          show();
        }
        break;
      case key::kBksp:
        if (pos > 0) {
          text.erase(--pos, 1);
          show();
        }
        break;
      case key::kUp:
      case key::kDown:
        if (hist.count > 0) {
          if (k == key::kUp) {
            hpos = (hpos + hist.count - 1) % hist.count;
          } else {
            hpos = hpos >= hist.count ? 0 : (hpos + 1) % hist.count;
          }
          text = hist.lines[static_cast<size_t>(hpos)].substr(0, room);
          pos = text.size();
          show();
        }
        break;
      case key::kEnter:
        remember(hist, text);
        return finish(key::kEnter);
      case key::kCtrlC:
        cls(s);
        dispstr(s, " program interrupted by user");
        stopper(s);
      default:
        if (k >= 31 && k <= 241) {
          if (text.size() < room) {
            text.insert(pos++, 1, static_cast<char>(k));
            show();
          }
          break;
        }
        return finish(k);
    }
  }
}

}  // namespace tivor
