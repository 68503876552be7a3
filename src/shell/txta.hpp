// The command prompt shared by the debugger and the memory checker.
#pragma once

#include <string_view>

#include "core/session.hpp"

namespace tivor {

// Reads the next word, from the unread rest of the reader's current line or from a new line
// read after showing the prompt, and returns its position (1..n) in the blank-separated list
// commands in index, with result 0. A word not in the list prints errormessage and asks again;
// with allowother it is left unread for the caller and index is 0. Returns 1 when the user
// abandons the input (a special key or the end of the input). Remark lines ("# ", "## ",
// "###") and "com " command lines are handled here; 25 blank lines in a row stop the program.
[[nodiscard]] int txta(Session& s, int& index, std::string_view commands, int n,
                       std::string_view errormessage, bool allowother, std::string_view prompt);

}  // namespace tivor
