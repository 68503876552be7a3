// File-name helpers: the extension rule of data files, buffers and picture files.
#pragma once

#include <string>
#include <string_view>

namespace tivor {

// The name with its extension forced to ext: a dot within the last four characters of the
// trimmed name starts the extension, which is replaced; otherwise "." and ext are appended.
std::string namext(std::string_view in, std::string_view ext);

}  // namespace tivor
