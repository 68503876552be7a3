// Text files as the editor's 80-character lines: reading a file into lines and writing lines
// back without their trailing blanks. Not part of the console's public interface.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tivor::text_file {

inline constexpr int kWidth = 80;

// The text cut or blank-padded to exactly 80 characters.
std::string fit(std::string_view text);

// A file as editor lines, and what did not fit: the bytes of the file from the first source line
// that was not taken, so that saving can write them back unchanged after the lines.
struct Lines {
  std::vector<std::string> lines;  // each exactly 80 characters
  std::string tail;
  bool full = false;  // the file had more lines than were allowed
};

// Splits file bytes into at most maxlines lines. A line feed ends a line and a carriage return
// just before it is dropped; a tab advances to the next multiple of 8 columns; a line longer
// than 80 characters becomes several lines of 80. A source line is taken whole or not at all.
Lines split_lines(std::string_view bytes, int maxlines);

// Reads a whole file; false when it cannot be opened or read.
bool read_bytes(const std::string& path, std::string& bytes);

// Writes lines[0..nlines-1] with trailing blanks removed, each ended by a line feed, then the
// tail. The text goes to a temporary file beside the target, which is then renamed over it, so
// a failed save leaves the old file as it was. A symbolic link is followed to its target.
bool write_lines(const std::string& path, const std::vector<std::string>& lines, int nlines,
                 std::string_view tail);

}  // namespace tivor::text_file
