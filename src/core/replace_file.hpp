// Writing a whole file safely: the bytes go to a temporary file beside it, which is renamed over
// the old one only when every byte is written, so a failed write never loses the old file.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tivor {

// False (and the old file untouched, no temporary file left) when the write fails.
bool replace_file(std::string_view file, std::span<const uint8_t> bytes);

}  // namespace tivor
