// Fortran-style edit descriptors for one value: a parenthesised list of items such as "(i7)",
// "(e10.3)", "(f8.2)", "(1x,e10.3)" or "('x=',i5)". Data descriptors I, E, D and F take the value;
// X and quoted text are copied around it. Output stops at the first data descriptor after the
// value was used. A value too wide for its field prints as asterisks.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "console/console.hpp"

namespace tivor {
namespace {

struct Literal {
  std::string text;
};
struct Descriptor {
  char kind = 'i';  // 'i', 'e' or 'f'
  int width = 0;
  int digits = 0;  // digits after the point (e, f) or minimum digits (i)
  bool has_digits = false;
  int exp_digits = 0;  // 0: the default exponent form
};
using Item = std::variant<Literal, Descriptor>;

// Reads an unsigned number at pos; -1 when there is none.
int read_number(std::string_view f, size_t& pos) {
  if (pos >= f.size() || !std::isdigit(static_cast<unsigned char>(f[pos]))) return -1;
  int v = 0;
  while (pos < f.size() && std::isdigit(static_cast<unsigned char>(f[pos]))) {
    v = std::min(v * 10 + (f[pos] - '0'), 1000);
    ++pos;
  }
  return v;
}

void skip_blanks(std::string_view f, size_t& pos) {
  while (pos < f.size() && f[pos] == ' ') ++pos;
}

// Parses the whole format; nothing when it is not a list of the items above.
std::optional<std::vector<Item>> parse(std::string_view f) {
  size_t pos = 0;
  skip_blanks(f, pos);
  if (pos >= f.size() || f[pos] != '(') return std::nullopt;
  ++pos;
  std::vector<Item> items;
  for (;;) {
    skip_blanks(f, pos);
    if (pos >= f.size()) return std::nullopt;
    if (f[pos] == ')') break;
    if (f[pos] == '\'' || f[pos] == '"') {
      const char q = f[pos++];
      Literal lit;
      for (;;) {
        if (pos >= f.size()) return std::nullopt;
        if (f[pos] == q) {
          if (pos + 1 < f.size() && f[pos + 1] == q) {
            lit.text += q;
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        lit.text += f[pos++];
      }
      items.emplace_back(std::move(lit));
    } else {
      const int count = read_number(f, pos);
      if (pos >= f.size()) return std::nullopt;
      const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(f[pos++])));
      if (c == 'x') {
        items.emplace_back(Literal{std::string(static_cast<size_t>(count < 0 ? 1 : count), ' ')});
      } else if (c == 'i' || c == 'e' || c == 'd' || c == 'f') {
        Descriptor d;
        d.kind = c == 'd' ? 'e' : c;
        d.width = read_number(f, pos);
        if (d.width < 0) return std::nullopt;
        if (pos < f.size() && f[pos] == '.') {
          ++pos;
          d.digits = read_number(f, pos);
          if (d.digits < 0) return std::nullopt;
          d.has_digits = true;
        } else if (c != 'i') {
          return std::nullopt;
        }
        if (d.kind == 'e' && pos < f.size() && (f[pos] == 'e' || f[pos] == 'E')) {
          ++pos;
          d.exp_digits = read_number(f, pos);
          if (d.exp_digits < 1) return std::nullopt;
        }
        items.emplace_back(d);
      } else {
        return std::nullopt;
      }
    }
    skip_blanks(f, pos);
    if (pos < f.size() && f[pos] == ',') ++pos;
  }
  return items;
}

std::string stars(int width) {
  return std::string(static_cast<size_t>(std::max(width, 1)), '*');
}

// Right-justifies in the field; width 0 means "as wide as needed".
std::string justify(const std::string& body, int width) {
  if (width == 0) return body;
  if (static_cast<int>(body.size()) > width) return stars(width);
  return std::string(static_cast<size_t>(width) - body.size(), ' ') + body;
}

std::string edit_int(int64_t v, const Descriptor& d) {
  std::string digits = std::to_string(v < 0 ? -v : v);
  if (d.has_digits) {
    if (d.digits == 0 && v == 0) return std::string(static_cast<size_t>(d.width), ' ');
    if (static_cast<int>(digits.size()) < d.digits) {
      digits.insert(0, static_cast<size_t>(d.digits) - digits.size(), '0');
    }
  }
  return justify((v < 0 ? "-" : "") + digits, d.width);
}

std::string special(double v, int width) {
  std::string body = std::isnan(v) ? "NaN" : (v < 0 ? "-Inf" : "Inf");
  return justify(body, width);
}

bool all_zero(const std::string& digits) {
  return digits.find_first_not_of("0.") == std::string::npos;
}

// E editing: [-]0.dddE+ee, the leading zero dropped when the field is one short.
std::string edit_e(double v, const Descriptor& d) {
  if (!std::isfinite(v)) return special(v, d.width);
  const int nd = std::max(d.digits, 1);
  const int exact = std::min(nd, 30);  // further digits of a float are zeros
  std::string digits(static_cast<size_t>(nd), '0');
  int exponent = 0;
  if (v != 0.0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", exact - 1, std::fabs(v));
    // buf holds d.ddde+xx
    const std::string m(buf);
    const size_t epos = m.find('e');
    digits = m.substr(0, 1) + (exact > 1 ? m.substr(2, epos - 2) : std::string());
    digits.resize(static_cast<size_t>(nd), '0');
    exponent = std::atoi(m.c_str() + epos + 1) + 1;
  }
  if (d.digits == 0) digits.clear();
  std::string exp_part;
  const int ae = std::abs(exponent);
  const char sign = exponent < 0 ? '-' : '+';
  if (d.exp_digits > 0) {
    std::string e = std::to_string(ae);
    if (static_cast<int>(e.size()) > d.exp_digits) return stars(d.width);
    exp_part = std::string("E") + sign + std::string(d.exp_digits - e.size(), '0') + e;
  } else if (ae <= 99) {
    exp_part = std::string("E") + sign + (ae < 10 ? "0" : "") + std::to_string(ae);
  } else if (ae <= 999) {
    exp_part = sign + std::to_string(ae);
  } else {
    return stars(d.width);
  }
  const std::string neg = v < 0 && !all_zero(digits) ? "-" : "";
  std::string body = neg + "0." + digits + exp_part;
  if (d.width != 0 && static_cast<int>(body.size()) > d.width) body = neg + "." + digits + exp_part;
  return justify(body, d.width);
}

// F editing: [-]i.ddd, the leading zero of a value below one dropped when the field is short.
std::string edit_f(double v, const Descriptor& d) {
  if (!std::isfinite(v)) return special(v, d.width);
  if (std::fabs(v) >= 1e30) return stars(d.width);
  char buf[96];
  std::snprintf(buf, sizeof buf, "%.*f", std::min(d.digits, 40), std::fabs(v));
  std::string digits(buf);
  if (d.digits == 0) digits += '.';
  if (d.digits > 40) digits.append(static_cast<size_t>(d.digits - 40), '0');
  const std::string neg = v < 0 && !all_zero(digits) ? "-" : "";
  std::string body = neg + digits;
  if (d.width != 0 && static_cast<int>(body.size()) > d.width && digits.rfind("0.", 0) == 0) {
    body = neg + digits.substr(1);
  }
  return justify(body, d.width);
}

// Applies the items to one value: integer when is_int, else real.
std::string apply(const std::vector<Item>& items, bool is_int, int64_t iv, double rv) {
  std::string out;
  bool used = false;
  for (const Item& item : items) {
    if (const auto* lit = std::get_if<Literal>(&item)) {
      out += lit->text;
      continue;
    }
    if (used) break;
    const auto& d = std::get<Descriptor>(item);
    used = true;
    if (d.kind == 'i') {
      const bool fits = is_int || (std::isfinite(rv) && std::fabs(rv) < 9.2e18);
      out += fits ? edit_int(is_int ? iv : static_cast<int64_t>(rv), d) : stars(d.width);
    } else {
      const double v = is_int ? static_cast<double>(iv) : rv;
      out += d.kind == 'e' ? edit_e(v, d) : edit_f(v, d);
    }
  }
  return out;
}

bool has_descriptor(const std::vector<Item>& items) {
  for (const Item& item : items) {
    if (std::holds_alternative<Descriptor>(item)) return true;
  }
  return false;
}

}  // namespace

std::string fmt_int(int value, std::string_view format) {
  const auto items = parse(format);
  if (!items || !has_descriptor(*items)) return " " + std::to_string(value);
  return apply(*items, true, value, 0.0);
}

std::string fmt_real(float value, std::string_view format) {
  const auto items = parse(format);
  if (!items || !has_descriptor(*items)) {
    char buf[48];
    std::snprintf(buf, sizeof buf, " %.7g", static_cast<double>(value));
    return buf;
  }
  return apply(*items, false, 0, static_cast<double>(value));
}

}  // namespace tivor
