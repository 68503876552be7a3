#include "host/key_script.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <fstream>
#include <sstream>
#include <utility>

#include "host/host.hpp"

namespace tivor {
namespace {

constexpr int kCanvasW = 640;
constexpr int kCanvasH = 350;

constexpr std::array<std::pair<std::string_view, int>, 25> kNamedKeys = {{
    {"Enter", key::kEnter},
    {"Esc", key::kEsc},
    {"Tab", key::kTab},
    {"Up", key::kUp},
    {"Down", key::kDown},
    {"Left", key::kLeft},
    {"Right", key::kRight},
    {"Home", key::kHome},
    {"End", key::kEnd},
    {"PgUp", key::kPgUp},
    {"PgDn", key::kPgDn},
    {"Del", key::kDel},
    {"Bksp", key::kBksp},
    {"F1", key::kF1},
    {"F2", key::kF2},
    {"F3", key::kF3},
    {"F4", key::kF4},
    {"Ctrl-C", key::kCtrlC},
    {"Ctrl-Y", key::kCtrlY},
    {"Ctrl-Home", key::kCtrlHome},
    {"Ctrl-End", key::kCtrlEnd},
    {"Ctrl-PgUp", key::kCtrlPgUp},
    {"Ctrl-PgDn", key::kCtrlPgDn},
    {"Alt-C", key::kAltC},
    {"<", '<'},
}};

bool valid_file_name(std::string_view name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-';
  });
}

// Parses a whole decimal number in [lo, hi]; no sign, blanks or other characters.
bool parse_int(std::string_view s, int lo, int hi, int& out) {
  if (s.empty() || s.size() > 6) return false;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && end == s.data() + s.size() && s.front() != '-' && out >= lo &&
         out <= hi;
}

// Reads the inside of one <...> token; returns an error message, empty on success.
std::string parse_tag(std::string_view tag, ScriptToken& tok) {
  for (const auto& [name, code] : kNamedKeys) {
    if (tag == name) {
      tok = ScriptToken::press(code);
      return {};
    }
  }
  if (tag == "!Esc") {
    tok = ScriptToken::poll_esc();
    return {};
  }
  const size_t colon = tag.find(':');
  if (colon == std::string_view::npos) return "unknown key <" + std::string(tag) + ">";
  const std::string_view head = tag.substr(0, colon);
  const std::string_view arg = tag.substr(colon + 1);
  if (head == "!Esc") {
    int polls = 0;
    if (!parse_int(arg, 1, 999999, polls)) return "bad poll count \"" + std::string(arg) + "\"";
    tok = ScriptToken::poll_esc(polls);
    return {};
  }
  if (head == "Shot" || head == "Text") {
    if (!valid_file_name(arg)) {
      return "bad file name \"" + std::string(arg) + "\" (letters, digits, '_', '.' and '-' only)";
    }
    tok =
        head == "Shot" ? ScriptToken::shot(std::string(arg)) : ScriptToken::text(std::string(arg));
    return {};
  }
  int button = 0;
  if (head == "Click") {
    button = 1;
  } else if (head == "RClick") {
    button = 2;
  } else if (head == "MClick") {
    button = 3;
  } else {
    return "unknown token <" + std::string(tag) + ">";
  }
  const size_t comma = arg.find(',');
  int x = 0;
  int y = 0;
  if (comma == std::string_view::npos || !parse_int(arg.substr(0, comma), 1, kCanvasW, x) ||
      !parse_int(arg.substr(comma + 1), 1, kCanvasH, y)) {
    return "bad mouse position \"" + std::string(arg) + "\" (X,Y with X 1..640, Y 1..350)";
  }
  tok = ScriptToken::click(button, x, y);
  return {};
}

}  // namespace

KeyScript parse_key_script(std::string_view text) {
  KeyScript out;
  int line_no = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    ++line_no;
    size_t eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    std::string_view line = text.substr(pos, eol - pos);
    pos = eol + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && line.front() == '#') continue;

    for (size_t i = 0; i < line.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(line[i]);
      if ((c < 32 && c != '\t') || c == 127) {
        out.tokens.clear();
        out.error = KeyScriptError{line_no, "control character " + std::to_string(c) +
                                                " in the script; write keys as <Name>"};
        return out;
      }
      if (c != '<') {
        out.tokens.push_back(ScriptToken::press(c));
        continue;
      }
      const size_t close = line.find('>', i);
      // "<<>" is the one token whose inside may hold a '<'; any other means a '<' was left open.
      const std::string_view tag =
          close == std::string_view::npos ? std::string_view() : line.substr(i + 1, close - i - 1);
      if (close == std::string_view::npos || (tag != "<" && tag.find('<') != tag.npos)) {
        out.tokens.clear();
        out.error = KeyScriptError{line_no, "unterminated '<' (write a literal '<' as <<>)"};
        return out;
      }
      ScriptToken tok;
      const std::string msg = parse_tag(tag, tok);
      if (!msg.empty()) {
        out.tokens.clear();
        out.error = KeyScriptError{line_no, msg};
        return out;
      }
      out.tokens.push_back(std::move(tok));
      i = close;
    }
  }
  return out;
}

KeyScript load_key_script(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    KeyScript out;
    out.error = KeyScriptError{0, "cannot read key script " + path};
    return out;
  }
  std::ostringstream buf;
  buf << in.rdbuf();
  return parse_key_script(buf.str());
}

}  // namespace tivor
