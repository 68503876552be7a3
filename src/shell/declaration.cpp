// Reading a record's declaration text into names, sizes and word offsets.
#include "shell/declaration.hpp"

#include <algorithm>

namespace tivor {
namespace {

constexpr int kLineLen = 80;
constexpr int kMaxDimension = 10000000;  // larger than any record or pool

std::string without_blanks(std::string_view txt) {
  std::string out;
  for (char c : txt) {
    if (c != ' ' && c != '\t') out.push_back(c);
  }
  return out;
}

// One name of the list: "name" or "name(n)". False when the dimension is missing or unreadable.
bool parse_name(std::string_view piece, DeclName& out) {
  const size_t open = piece.find('(');
  out.words = 1;
  if (open == std::string_view::npos) {
    if (piece.find(')') != std::string_view::npos) return false;
    out.name = std::string(piece);
    return !out.name.empty();
  }
  out.name = std::string(piece.substr(0, open));
  const size_t close = piece.find(')', open);
  if (out.name.empty() || close == std::string_view::npos || close != piece.size() - 1) {
    return false;
  }
  const std::string_view digits = piece.substr(open + 1, close - open - 1);
  if (digits.empty() || digits.size() > 8) return false;
  int n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  if (n < 1 || n > kMaxDimension) return false;
  out.words = n;
  return true;
}

}  // namespace

std::string lower_text(std::string_view txt) {
  std::string out(txt);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

Declaration parse_declaration(CardLines lines, int nlines, std::string_view block) {
  const int count = std::clamp(nlines, 0, static_cast<int>(lines.size()));
  const std::string want = lower_text(block);
  std::string list;  // the record's names, blanks removed, separate declarations joined by ","
  bool inside = false;
  for (int i = 0; i < count; ++i) {
    const std::string text = lower_text(std::string_view(lines[static_cast<size_t>(i)], kLineLen));
    const size_t lead = text.find_first_not_of(' ');
    if (lead == std::string::npos) continue;
    const std::string_view body = std::string_view(text).substr(lead);
    if (body.substr(0, 7) == "common/") {
      const size_t slash = body.find('/', 7);
      if (slash == std::string_view::npos) {
        inside = false;
        continue;
      }
      inside = without_blanks(body.substr(7, slash - 7)) == want;
      if (inside) {
        if (!list.empty() && list.back() != ',') list.push_back(',');
        list += without_blanks(body.substr(slash + 1));
      }
    } else if (text[0] == 'c' || text[0] == '*') {
      continue;  // a comment line
    } else if (text[5] == '+') {
      if (inside) list += without_blanks(std::string_view(text).substr(6));
    } else {
      inside = false;
    }
  }

  Declaration decl;
  int64_t offset = 0;
  size_t pos = 0;
  while (pos < list.size()) {
    size_t end = list.find(',', pos);
    if (end == std::string::npos) end = list.size();
    const std::string_view piece = std::string_view(list).substr(pos, end - pos);
    pos = end + 1;
    if (piece.empty()) continue;
    DeclName name;
    if (!parse_name(piece, name) || offset + name.words > kMaxDimension) {
      decl.malformed = true;
      break;
    }
    name.offset = static_cast<int>(offset);
    offset += name.words;
    decl.names.push_back(std::move(name));
  }
  return decl;
}

}  // namespace tivor
