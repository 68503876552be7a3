// Text files for the editor: a file split into its lines, each kept with its own line end, and
// writing a file so that a failed save leaves the old one. Not part of the console's public
// interface.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tivor::text_file {

inline constexpr int kWidth = 80;  // characters in an editor line

// The text cut or blank-padded to exactly 80 characters.
std::string fit(std::string_view text);

// One line of a file: its bytes without the line end, and the line end as it stood ("\r\n",
// "\r", "\n", or empty for a last line that has none).
struct FileLine {
  std::string bytes;
  std::string end;
};

// A file as lines, and what did not fit: the bytes of the file from the first line that was
// not taken, so that saving can write them back unchanged after the lines.
struct Lines {
  std::vector<FileLine> lines;
  std::string tail;
  bool full = false;  // the file had more lines than were allowed
};

// Splits file bytes into at most maxlines lines by the console's line-end rule.
Lines split_lines(std::string_view bytes, int maxlines);

// The text of a line as the editor shows it: a tab advances to the next multiple of 8 columns.
std::string expand_tabs(std::string_view bytes);

// Reads a whole file; false when it cannot be opened or read.
bool read_bytes(const std::string& path, std::string& bytes);

// Writes the bytes as the whole file. They go to a temporary file beside the target, which is
// then renamed over it, so a failed save leaves the old file as it was. A symbolic link is
// followed to its target.
bool write_bytes(const std::string& path, std::string_view bytes);

}  // namespace tivor::text_file
