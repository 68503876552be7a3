// TXTA: one command word from the reader's current line or from a new line at the prompt.
#include "shell/txta.hpp"

#include <algorithm>
#include <string>

#include "console/console.hpp"
#include "reader/reader.hpp"
#include "shell/shell.hpp"

namespace tivor {
namespace {

constexpr int kLineLen = 80;
constexpr int kMaxBlankLines = 25;

std::string lower(std::string_view txt) {
  std::string out(txt);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// The next word of crd.str after column ip: its first and last columns (first 0 when none).
void next_word(const Crd& crd, int& first, int& last) {
  first = 0;
  last = 0;
  int col = std::max(crd.ip, 0) + 1;
  while (col <= kLineLen && crd.str[col - 1] == ' ') ++col;
  if (col > kLineLen) return;
  first = col;
  while (col < kLineLen && crd.str[col] != ' ') ++col;
  last = col;
}

// The k-th blank-separated word of the list (1-based), empty when there is none.
std::string_view list_word(std::string_view list, int k) {
  size_t pos = 0;
  int index = 0;
  while (pos < list.size()) {
    while (pos < list.size() && list[pos] == ' ') ++pos;
    if (pos >= list.size()) break;
    size_t end = list.find(' ', pos);
    if (end == std::string_view::npos) end = list.size();
    if (++index == k) return list.substr(pos, end - pos);
    pos = end;
  }
  return {};
}

void start_line(Session& s) {
  if (s.colors.col != 1) newstr(s);
}

void clear_reader_line(Crd& crd) {
  crd.ip = 0;
  set_field(crd.str, "");
}

bool starts_with(std::string_view txt, std::string_view head) {
  return txt.substr(0, head.size()) == head;
}

}  // namespace

int txta(Session& s, int& index, std::string_view commands, int n, std::string_view errormessage,
         bool allowother, std::string_view prompt) {
  Crd& crd = s.crd;
  index = 0;
  int blank_lines = 0;
  for (;;) {
    int first = 0;
    int last = 0;
    next_word(crd, first, last);
    if (first == 0) {
      // Nothing left on the current line: prompt and read a new one.
      dispstr(s, prompt);
      std::string typed;
      int ierr = 0;
      crd.ip = 0;
      txtl(s, typed, ierr, crd.in);
      if (ierr != 0) {
        clear_reader_line(crd);
        return 1;
      }
      typed.resize(kLineLen, ' ');
      const std::string line = lower(typed);
      if (len1(line) == 0) {
        clear_reader_line(crd);
        if (++blank_lines >= kMaxBlankLines) {
          // A stuck key must not lose the session: the exit menu offers to save it, with
          // "exit&save" chosen first.
          blank_lines = 0;
          start_line(s);
          txtcon(s, "TXTA:Press Ctrl-C to quit");
          if (exit_menu(s, 2)) stopper(s);
        }
        start_line(s);
        txtcon(s, rtrim(commands));
        continue;
      }
      blank_lines = 0;
      // Remarks and command lines keep the letters as typed; only the prefixes are compared.
      if (starts_with(line, "###")) {
        set_field(crd.str, lower(field_str(s.remark)));
        crd.ip = 0;
      } else if (starts_with(line, "## ")) {
        clear_reader_line(crd);
        start_line(s);
        txtcon(s, field_str(s.remark));
        continue;
      } else if (starts_with(line, "# ")) {
        clear_reader_line(crd);
        set_field(s.remark, rtrim(std::string_view(typed).substr(2)));
        start_line(s);
        continue;
      } else if (crd.kterm == 1 && starts_with(line, "com ")) {
        // Only a line the user typed at the keyboard goes to the command interpreter.
        clear_reader_line(crd);
        const std::string command = rtrim(std::string_view(typed).substr(4));
        start_line(s);
        if (!command.empty()) s.host->run_command_line(command);
        paus(s, " strike any key");
        cls(s);
        continue;
      } else {
        set_field(crd.str, line);
        crd.ip = 0;
      }
      next_word(crd, first, last);
      if (first == 0) continue;
    }

    const std::string word = lower(std::string_view(crd.str + first - 1, last - first + 1));
    for (int k = 1; k <= n; ++k) {
      if (list_word(commands, k) == word) {
        index = k;
        crd.ip = last;
        return 0;
      }
    }
    if (allowother) {
      crd.ip = first - 1;
      return 0;
    }
    clear_reader_line(crd);
    start_line(s);
    txtcon(s, errormessage);
  }
}

}  // namespace tivor
