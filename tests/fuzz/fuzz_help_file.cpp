// Feeds arbitrary bytes to the help-file reader under a few topics.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "console/console.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const char* topic : {"main menu", "go", "", "null"}) {
    std::istringstream in(text);
    const auto lines = tivor::help_topic_lines(in, topic);
    if (lines.size() > 21) __builtin_trap();
    for (const auto& line : lines) {
      if (line.size() > 80) __builtin_trap();
    }
  }
  return 0;
}
