// The built-in editor: the key loop with its line, cursor and block commands, the screen it
// draws, and the exit dialogue.
#include "console/text_editor.hpp"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "console/console.hpp"
#include "console/internal.hpp"
#include "console/text_file.hpp"
#include "gfx/gfx.hpp"

namespace tivor {
namespace {

using text_file::fit;
using text_file::kWidth;
constexpr int kTopRow = 2;      // screen row of the first text line
constexpr int kBottomRow = 24;  // screen row of the last text line
constexpr int kShown = kBottomRow - kTopRow + 1;
constexpr int kPage = 22;  // lines scrolled by PgUp/PgDn on the top/bottom row
constexpr int kMessageRow = 25;

constexpr int kTextFg = 15;
constexpr int kTextBg = 1;
constexpr int kMarkBg = 5;
constexpr int kStatusFg = 0;
constexpr int kStatusBg = 3;
constexpr int kMessageFg = 15;
constexpr int kMessageBg = 3;

// What the editor keeps of a line besides its 80 shown columns.
struct LineInfo {
  std::string rest;      // the text past column 80: a longer line is kept whole
  std::string original;  // the bytes the line was read from, written back while it is unchanged
  std::string end;       // its line end; empty for a new line and for a last line without one
  bool unchanged = false;
};

class Editor {
 public:
  Editor(Session& s, std::vector<std::string>& lines, int maxlines, int& nlines, int mode,
         std::string_view file, std::string_view helpfile)
      : s_(s),
        lines_(lines),
        maxlines_(std::max(maxlines, 1)),
        nlines_(nlines),
        mode_(mode),
        file_(file),
        helpfile_(helpfile) {}

  void run() {
    if (lines_.size() < static_cast<size_t>(maxlines_)) {
      lines_.resize(static_cast<size_t>(maxlines_), std::string(kWidth, ' '));
    }
    info_.resize(lines_.size());
    bool full = false;
    if (mode_ < 0) {
      nlines_ = std::clamp(nlines_, 1, maxlines_);
      for (int i = 0; i < nlines_; ++i) lines_[i] = fit(lines_[i]);
    } else {
      full = load();
    }

    fcolor(s_, kTextFg);
    bkcolor(s_, kTextBg);
    cls(s_);
    if (full) message(" BE: unsufficient memory");
    loop();
  }

 private:
  // ---- buffer ----

  std::string& line(int n) { return lines_[static_cast<size_t>(n - 1)]; }
  LineInfo& info(int n) { return info_[static_cast<size_t>(n - 1)]; }
  bool is_long(int n) { return !info(n).rest.empty(); }
  // The whole text of line n: its 80 columns and, for a long line, the rest.
  std::string whole(int n) { return is_long(n) ? line(n) + info(n).rest : line(n); }
  int text_end(int n) { return len1(whole(n)); }

  // Replaces line n (80 columns; a long line keeps its rest); a change sets the modified flag.
  void set_line(int n, std::string text) {
    if (line(n) != text) {
      line(n) = std::move(text);
      info(n).unchanged = false;
      modified_ = true;
    }
  }

  // Replaces the whole text of line n, which may run past column 80.
  void set_whole(int n, std::string_view text) {
    std::string rest = text.size() > static_cast<size_t>(kWidth) ? rtrim(text.substr(kWidth)) : "";
    if (rest != info(n).rest) {
      info(n).rest = std::move(rest);
      info(n).unchanged = false;
      modified_ = true;
    }
    set_line(n, fit(text));
  }

  // Inserts the texts in front of line n (1 .. nlines + 1); the caller checks the room.
  void insert_lines(int n, const std::vector<std::string>& texts,
                    const std::vector<LineInfo>& infos) {
    const int count = static_cast<int>(texts.size());
    for (int i = 0; i < count; ++i) {
      lines_[static_cast<size_t>(nlines_ + i)] = texts[i];
      info_[static_cast<size_t>(nlines_ + i)] = infos[i];
    }
    std::rotate(lines_.begin() + (n - 1), lines_.begin() + nlines_,
                lines_.begin() + nlines_ + count);
    std::rotate(info_.begin() + (n - 1), info_.begin() + nlines_, info_.begin() + nlines_ + count);
    nlines_ += count;
    if (mark_start_ >= n) mark_start_ += count;
    if (mark_end_ >= n) mark_end_ += count;
    modified_ = true;
  }

  // Removes lines a..b; the buffer keeps at least one (blank) line. Marks inside the range
  // shrink the block; a block removed whole is unmarked.
  void delete_lines(int a, int b) {
    const int count = b - a + 1;
    std::rotate(lines_.begin() + (a - 1), lines_.begin() + b, lines_.begin() + nlines_);
    std::rotate(info_.begin() + (a - 1), info_.begin() + b, info_.begin() + nlines_);
    for (int i = nlines_ - count; i < nlines_; ++i) {
      lines_[i] = std::string(kWidth, ' ');
      info_[i] = LineInfo{};
    }
    nlines_ -= count;
    if (nlines_ == 0) nlines_ = 1;
    if (mark_end_ == 0) {
      if (mark_start_ > b) {
        mark_start_ -= count;
      } else if (mark_start_ >= a) {
        mark_start_ = 0;
      }
    } else if (mark_start_ != 0) {
      mark_start_ = mark_start_ > b ? mark_start_ - count : std::min(mark_start_, a);
      mark_end_ = mark_end_ > b ? mark_end_ - count : std::min(mark_end_, a - 1);
      if (mark_end_ < mark_start_) mark_start_ = mark_end_ = 0;
    }
    modified_ = true;
  }

  // Appends line n + 1 to line n after its last non-blank character and removes line n + 1. The
  // first 80 characters of the combined text are kept, all of them when either line was long.
  void join_next(int n) {
    if (is_long(n) || is_long(n + 1)) {
      set_whole(n, rtrim(whole(n)) + whole(n + 1));
    } else {
      set_line(n, fit(rtrim(line(n)) + line(n + 1)));
    }
    info(n).end = info(n + 1).end;
    delete_lines(n + 1, n + 1);
  }

  // The block's lines and what the editor keeps of them.
  std::vector<std::string> block_lines() const {
    return {lines_.begin() + (mark_start_ - 1), lines_.begin() + mark_end_};
  }
  std::vector<LineInfo> block_infos() const {
    return {info_.begin() + (mark_start_ - 1), info_.begin() + mark_end_};
  }

  bool marked(int n) const {
    if (mark_start_ == 0) return false;
    if (mark_end_ == 0) return n == mark_start_;
    return n >= mark_start_ && n <= mark_end_;
  }

  // ---- file ----

  // Reads the file into the buffer; returns true when it did not fit.
  bool load() {
    namespace fs = std::filesystem;
    std::error_code ec;
    std::string bytes;
    if (!fs::exists(file_, ec) && mode_ > 0) {
      std::ofstream create(file_, std::ios::binary);
    }
    if (!text_file::read_bytes(file_, bytes)) bytes.clear();
    text_file::Lines loaded = text_file::split_lines(bytes, maxlines_);
    tail_ = std::move(loaded.tail);
    nlines_ = std::max<int>(1, static_cast<int>(loaded.lines.size()));
    lines_[0] = std::string(kWidth, ' ');
    for (size_t i = 0; i < loaded.lines.size(); ++i) {
      text_file::FileLine& from = loaded.lines[i];
      const std::string text = text_file::expand_tabs(from.bytes);
      lines_[i] = fit(text);
      info_[i].rest = text.size() > static_cast<size_t>(kWidth) ? rtrim(text.substr(kWidth)) : "";
      if (newline_.empty()) newline_ = from.end;
      info_[i].original = std::move(from.bytes);
      info_[i].end = std::move(from.end);
      info_[i].unchanged = true;
    }
    if (newline_.empty()) newline_ = "\n";
    return loaded.full;
  }

  // Writes the file: a line not changed since it was read as the bytes it was read from, any
  // other line without trailing blanks; each line with its own line end (lines that have none
  // take the file's first one), and after them the part of the file that did not fit.
  bool save() {
    std::string bytes;
    for (int n = 1; n <= nlines_; ++n) {
      const LineInfo& in = info(n);
      bytes += in.unchanged ? in.original : rtrim(whole(n));
      const bool last = n == nlines_ && tail_.empty();
      bytes += in.end.empty() && !last ? newline_ : in.end;
    }
    bytes += tail_;
    if (!text_file::write_bytes(file_, bytes)) return false;
    modified_ = false;
    return true;
  }

  // ---- screen ----

  int screen_row() const { return cur_ - top_ + kTopRow; }

  void draw_row(int row, const std::string& text, int fg, int bg) {
    fcolor(s_, fg);
    bkcolor(s_, bg);
    locate1(s_, 1, row);
    dispstr(s_, text);
  }

  // Redraws the text rows whose contents or colours changed since they were last drawn.
  void draw_text() {
    for (int i = 0; i < kShown; ++i) {
      const int n = top_ + i;
      const std::string text = n <= nlines_ ? line(n) : std::string(kWidth, ' ');
      const int bg = n <= nlines_ && marked(n) ? kMarkBg : kTextBg;
      if (shown_valid_ && shown_text_[i] == text && shown_bg_[i] == bg) continue;
      draw_row(kTopRow + i, text, kTextFg, bg);
      shown_text_[i] = text;
      shown_bg_[i] = bg;
    }
    shown_valid_ = true;
  }

  void draw_status() {
    const auto code = static_cast<unsigned char>(line(cur_)[static_cast<size_t>(col_ - 1)]);
    const std::string status = "File: " + file_ + " Line: " + std::to_string(cur_) +
                               " Column: " + std::to_string(col_) +
                               " Free: " + std::to_string((maxlines_ - nlines_) * kWidth) +
                               " Code: " + std::to_string(code);
    draw_row(1, fit(status), kStatusFg, kStatusBg);
  }

  // Shows a text on the message row; it stays until the next key.
  void message(std::string_view text) {
    clear_message();
    fcolor(s_, kMessageFg);
    bkcolor(s_, kMessageBg);
    locate1(s_, 1, kMessageRow);
    dispstr(s_, text.substr(0, std::min<size_t>(text.size(), kWidth)));
    message_shown_ = true;
  }

  void clear_message() {
    draw_row(kMessageRow, std::string(kWidth, ' '), kTextFg, kTextBg);
    message_shown_ = false;
  }

  // Waits for a key with the blinking cursor at (col, row) in the colours of that cell; the
  // right mouse button counts as Esc, other buttons are ignored. Ctrl-C comes back as a key: it
  // leaves the editor instead of stopping the program.
  int read_key(int col, int row) {
    const int bg = (s_.text.attr_at(col, row) >> 4) & 15;
    fcolor(s_, kTextFg);
    bkcolor(s_, bg);
    locate1(s_, col, row);
    for (;;) {
      const InputEvent ev = console_detail::wait_blink(s_);
      if (ev.key != 0) return ev.key;
      if (ev.button == 2) return key::kEsc;
    }
  }

  // ---- cursor movement ----

  // Scrolls the view just enough to show the current line.
  void follow() {
    cur_ = std::clamp(cur_, 1, nlines_);
    if (cur_ < top_) top_ = cur_;
    if (cur_ > top_ + kShown - 1) top_ = cur_ - (kShown - 1);
    top_ = std::max(top_, 1);
  }

  void page_up() {
    if (screen_row() > kTopRow) {
      cur_ = top_;
    } else {
      cur_ = std::max(1, cur_ - kPage);
      top_ = cur_;
    }
  }

  void page_down() {
    const int bottom = std::min(top_ + kShown - 1, nlines_);
    if (cur_ < bottom) {
      cur_ = bottom;
    } else if (screen_row() == kBottomRow) {
      cur_ = std::min(nlines_, cur_ + kPage);
      top_ = std::max(1, cur_ - (kShown - 1));
    }
  }

  // ---- editing keys ----

  void type(int code) {
    if (is_long(cur_)) {
      std::string text = whole(cur_);
      text.insert(static_cast<size_t>(col_ - 1), 1, static_cast<char>(code));
      set_whole(cur_, text);
      col_ = std::min(col_ + 1, kWidth);
      return;
    }
    std::string text = line(cur_);
    text.insert(static_cast<size_t>(col_ - 1), 1, static_cast<char>(code));
    set_line(cur_, fit(text));
    col_ = std::min(col_ + 1, kWidth);
  }

  // The remainder keeps the line's end; the first part gets a new one.
  void enter() {
    if (nlines_ >= maxlines_) return;
    const std::string text = whole(cur_);
    const auto at = static_cast<size_t>(col_ - 1);
    const std::string_view remainder = std::string_view(text).substr(at);
    LineInfo moved;
    moved.rest =
        remainder.size() > static_cast<size_t>(kWidth) ? rtrim(remainder.substr(kWidth)) : "";
    moved.end = std::exchange(info(cur_).end, std::string());
    set_whole(cur_, std::string_view(text).substr(0, at));
    insert_lines(cur_ + 1, {fit(remainder)}, {moved});
    ++cur_;
    col_ = 1;
  }

  // Deletes the character in column col of the current line.
  void erase_at(int col) {
    std::string text = whole(cur_);
    text.erase(static_cast<size_t>(col - 1), 1);
    if (is_long(cur_)) {
      set_whole(cur_, text);
    } else {
      set_line(cur_, fit(text));
    }
  }

  void backspace() {
    if (col_ > 1) {
      erase_at(col_ - 1);
      --col_;
    } else if (cur_ > 1) {
      --cur_;
      col_ = std::min(text_end(cur_) + 1, kWidth);
      join_next(cur_);
    }
  }

  void del() {
    if (col_ == text_end(cur_) + 1 && cur_ < nlines_) {
      join_next(cur_);
      return;
    }
    erase_at(col_);
  }

  void delete_line() {
    if (cur_ == nlines_) {
      set_whole(cur_, "");
    } else {
      delete_lines(cur_, cur_);
    }
    col_ = 1;
  }

  void left() {
    if (col_ > 1) {
      --col_;
    } else if (cur_ > 1) {
      --cur_;
      col_ = std::min(text_end(cur_) + 1, kWidth);
    }
  }

  // ---- help ----

  // Shows a topic of the help file, or says that the help file is missing.
  void help(std::string_view topic) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(helpfile_, ec)) {
      message(" Help file " + helpfile_ + " is absent");
      return;
    }
    dathlp(s_, helpfile_, topic);
    shown_valid_ = false;
  }

  // The word under the cursor (delimited by blanks and the value separators of data files) up
  // to an "=" inside it: the keyword of an entry such as cur=0.5.
  std::string keyword_at_cursor() {
    const std::string& text = line(cur_);
    auto is_delim = [](char c) {
      return c == ' ' || c == ',' || c == ':' || c == ';' || c == '&' || c == '\0';
    };
    size_t at = static_cast<size_t>(col_ - 1);
    if (is_delim(text[at])) return {};
    size_t first = at;
    while (first > 0 && !is_delim(text[first - 1])) --first;
    size_t last = at;
    while (last + 1 < text.size() && !is_delim(text[last + 1])) ++last;
    const std::string word = text.substr(first, last - first + 1);
    return word.substr(0, word.find('='));
  }

  // ---- block commands ----

  void block_command(int k) {
    switch (k) {
      case 's':
        if (mark_start_ == 0 || mark_end_ != 0) {
          mark_start_ = cur_;
          mark_end_ = 0;
        } else {
          mark_end_ = std::max(cur_ - 1, 1);
          if (mark_end_ < mark_start_) std::swap(mark_start_, mark_end_);
        }
        break;
      case 'c':
        if (mark_end_ != 0 && nlines_ + (mark_end_ - mark_start_ + 1) <= maxlines_) {
          const std::vector<std::string> block = block_lines();
          insert_lines(cur_, block, block_infos());
          mark_start_ = cur_;
          mark_end_ = cur_ + static_cast<int>(block.size()) - 1;
        }
        break;
      case 'm':
        if (mark_end_ != 0 && (cur_ < mark_start_ || cur_ > mark_end_ + 1)) {
          const std::vector<std::string> block = block_lines();
          const std::vector<LineInfo> infos = block_infos();
          const int count = static_cast<int>(block.size());
          const int at = cur_ > mark_end_ ? cur_ - count : cur_;
          delete_lines(mark_start_, mark_end_);
          insert_lines(at, block, infos);
          cur_ = at;
          mark_start_ = at;
          mark_end_ = at + count - 1;
        }
        break;
      case 'd':
        if (mark_end_ != 0) {
          const int a = mark_start_;
          const int b = mark_end_;
          delete_lines(a, b);
          if (cur_ > b) {
            cur_ -= b - a + 1;
          } else if (cur_ >= a) {
            cur_ = a;
          }
          mark_start_ = mark_end_ = 0;
        }
        break;
      default:
        break;
    }
  }

  // ---- the key loop ----

  // Asks whether to save before leaving; returns true when the editor is to be left.
  bool confirm_exit() {
    if (mode_ <= 0 || !modified_) return true;
    message("save? (Y/N/C) ");
    const int k = read_key(15, kMessageRow);
    clear_message();
    if (k == 'y' || k == 'Y') return save();
    return k != 'c' && k != 'C';
  }

  void loop() {
    for (;;) {
      follow();
      draw_text();
      draw_status();
      const int k = read_key(col_, screen_row());
      if (message_shown_) clear_message();
      if (k == key::kEsc || k == key::kCtrlC) {
        if (confirm_exit()) return;
        continue;
      }
      if (k >= 32 && k <= 241) {
        type(k);
        continue;
      }
      switch (k) {
        case key::kEnter:
          enter();
          break;
        case key::kBksp:
          backspace();
          break;
        case key::kDel:
          del();
          break;
        case key::kCtrlY:
          delete_line();
          break;
        case key::kLeft:
          left();
          break;
        case key::kRight:
          col_ = std::min(col_ + 1, kWidth);
          break;
        case key::kUp:
          cur_ = std::max(cur_ - 1, 1);
          break;
        case key::kDown:
          cur_ = std::min(cur_ + 1, nlines_);
          break;
        case key::kHome:
          col_ = 1;
          break;
        case key::kEnd:
          col_ = std::min(text_end(cur_) + 1, kWidth);
          break;
        case key::kPgUp:
          page_up();
          break;
        case key::kPgDn:
          page_down();
          break;
        case key::kCtrlHome:
        case key::kCtrlPgUp:
          cur_ = 1;
          top_ = 1;
          break;
        case key::kCtrlEnd:
        case key::kCtrlPgDn:
          cur_ = nlines_;
          break;
        case key::kF1:
          help("be");
          break;
        case key::kF2:
          if (mode_ > 0 && save()) message("File saved");
          break;
        case key::kF3: {
          const std::string topic = keyword_at_cursor();
          if (!topic.empty()) help(topic);
          break;
        }
        case key::kF4:
          block_command(read_key(col_, screen_row()));
          break;
        default:
          break;
      }
    }
  }

  Session& s_;
  std::vector<std::string>& lines_;
  int maxlines_;
  int& nlines_;
  int mode_;
  std::string file_;
  std::string helpfile_;
  std::vector<LineInfo> info_;  // beside lines_
  std::string tail_;
  std::string newline_;  // the line end of the file's first line, for lines that have none

  int cur_ = 1;  // current line
  int col_ = 1;  // current column
  int top_ = 1;  // line shown on the top text row
  int mark_start_ = 0;
  int mark_end_ = 0;
  bool modified_ = false;
  bool message_shown_ = false;

  std::array<std::string, kShown> shown_text_;
  std::array<int, kShown> shown_bg_{};
  bool shown_valid_ = false;
};

// Puts back the graphics switch and the caller's colours however the editor is left.
class Restore {
 public:
  explicit Restore(Session& s)
      : s_(s), gswitch_(s.grf.gswitch), fg_(gtfcolor(s)), bg_(getbkclr(s)) {
    s.grf.gswitch = 0;
  }
  ~Restore() {
    colours();
    s_.grf.gswitch = gswitch_;
  }
  void colours() {
    fcolor(s_, fg_);
    bkcolor(s_, bg_);
  }
  Restore(const Restore&) = delete;
  Restore& operator=(const Restore&) = delete;

 private:
  Session& s_;
  int32_t gswitch_;
  int fg_;
  int bg_;
};

}  // namespace

void beg(Session& s, std::vector<std::string>& lines, int maxlines, int& nlines, int mode,
         std::string_view file, std::string_view helpfile) {
  Restore restore(s);
  Editor(s, lines, maxlines, nlines, mode, file, helpfile).run();
  restore.colours();
  cls(s);
}

}  // namespace tivor
