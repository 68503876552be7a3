// Helpers shared by the librarian's routines.
#pragma once

#include <string>
#include <string_view>

#include "core/session.hpp"

namespace tivor::librarian_detail {

inline constexpr std::string_view kHelpFile = "hlp/auto.hlp";
inline constexpr int kHighFg = 0, kHighBg = 3, kFg = 14, kBg = 1;

// The current library's file name.
inline std::string library_file(const Session& s) {
  return field_str(s.frame.kadr.libname);
}

// A frame header's name as shown (8 characters, blank padded).
inline std::string frame_name(const FrameHeader& h) {
  std::string name(h.name, 8);
  for (char& c : name) {
    if (c == '\0') c = ' ';
  }
  return name;
}

// Shows a message on the bottom line and waits for a key.
void report(Session& s, std::string_view message);

}  // namespace tivor::librarian_detail
