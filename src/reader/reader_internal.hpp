// Pieces shared by the reader's source files; not part of the reader's interface.
#pragma once

#include <string>
#include <string_view>

#include "core/session.hpp"

namespace tivor::reader_detail {

inline constexpr int kLineLen = 80;   // a line of the reader, as held in crd.str
inline constexpr int kDataCols = 72;  // columns scanned for data; 73-80 are ignored
inline constexpr int kCtrlZ = 26;

// Takes the next line of the open data file (s.astime.bytes from s.astime.pos) into line, blank
// padded to 80 characters, moves the position past it and sets src.long_line_col. Returns false
// at the end of the input: no byte left, or a Ctrl-Z before the line's end.
bool file_gets(Astime& src, std::string& line);

// The error report of file input: line number, the current line, the column, what is wrong
// with the line (when reason is not empty), the keyword expected against the letters read (when
// got is not empty), and which request failed.
void report_read_error(Session& s, int requested, std::string_view prompt, std::string_view keyword,
                       std::string_view got, std::string_view reason = {});
// Its last line alone: which request failed and its keyword (the file ended before it).
void report_missing_entry(Session& s, int requested, std::string_view prompt,
                          std::string_view keyword);

// Blanks the reader's current line: the next request reads a new one.
void clear_line(Crd& crd);

}  // namespace tivor::reader_detail
