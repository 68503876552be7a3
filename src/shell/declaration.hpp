// Declaration text of a record: "common/name/" lines with "+" continuation lines in column 6 and
// "c" comment lines, read into the record's names with their word offsets. Internal to the
// shell (the identifier lookup and the mesh record's dump).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "shell/checker.hpp"

namespace tivor {

// One name of a record: words it occupies and the words of all names before it.
struct DeclName {
  std::string name;  // lower case
  int offset = 0;
  int words = 1;
};

struct Declaration {
  std::vector<DeclName> names;  // in declaration order, up to the first malformed one
  bool malformed = false;       // a dimension was missing or unreadable
};

// The names of record block (lower case) declared within lines 1..nlines.
Declaration parse_declaration(CardLines lines, int nlines, std::string_view block);

// Names whose first letter is i..n are integers, all others reals.
inline bool integer_name(std::string_view name) {
  return !name.empty() && name[0] >= 'i' && name[0] <= 'n';
}

std::string lower_text(std::string_view txt);

}  // namespace tivor
