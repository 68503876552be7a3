// Reading a whole file into memory, for the readers of the program's own files.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tivor {

// The bytes of the regular file named; false (bytes empty) when it is missing, not a regular
// file, unreadable, or larger than limit bytes. The size is checked before anything is read and
// again while reading, so a file that grows meanwhile cannot exceed the limit either.
bool read_whole_file(std::string_view file, std::vector<uint8_t>& bytes,
                     uint64_t limit = UINT64_MAX);

}  // namespace tivor
