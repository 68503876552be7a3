// Writing a whole file safely: the bytes go to a temporary file beside it, which is renamed over
// the old one only when every byte is written, so a failed write never loses the old file.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tivor {

// False (and the old file untouched, no temporary file left) when the write fails. The bytes are
// on the disk before the temporary takes the file's name.
bool replace_file(std::string_view file, std::span<const uint8_t> bytes);

// Removes the temporary files that replace_file left in dir when its program was killed while
// writing (those of processes that no longer run); returns how many it removed.
int remove_stale_temporaries(std::string_view dir);

}  // namespace tivor
