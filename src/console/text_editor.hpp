// The built-in full-screen editor for data files and other short text files: a buffer of
// 80-character lines edited on the whole text screen, with block commands and keyword help.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/session.hpp"

namespace tivor {

// Edits lines[0 .. nlines-1], each kept as exactly 80 blank-padded characters, with room for
// maxlines lines (lines is enlarged to maxlines when shorter); on return nlines holds the number
// of lines in use (at least 1). helpfile holds the topics shown by F1 and F3.
// mode < 0: edit the given buffer only; 0: read the file, edit, never write; > 0: read, edit, allow
// saving.
void beg(Session& s, std::vector<std::string>& lines, int maxlines, int& nlines, int mode,
         std::string_view file, std::string_view helpfile);

}  // namespace tivor
