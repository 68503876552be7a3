// READI and READR: one scanner for keyword entries and their integer or real values, from a
// data file (keyword, "=" and values) or from the keyboard (values only).
#include <algorithm>
#include <string>
#include <type_traits>
#include <vector>

#include "console/console.hpp"
#include "reader/reader.hpp"
#include "reader/reader_internal.hpp"

namespace tivor {

namespace {

using reader_detail::clear_line;
using reader_detail::kDataCols;

constexpr size_t kMaxIntDigits = 9;

char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The letters typed before "=" match the keyword without regard to case and in exact length.
bool same_keyword(std::string_view typed, std::string_view keyword) {
  if (typed.size() != keyword.size()) return false;
  for (size_t i = 0; i < typed.size(); ++i) {
    if (upper(typed[i]) != upper(keyword[i])) return false;
  }
  return true;
}

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

bool is_keyword_char(char c, char endmark) {
  return c != ' ' && c != endmark &&
         std::string_view("=,:;&+-.*").find(c) == std::string_view::npos;
}

// The keyword letters right before column col: a request that starts at an "=" takes the
// letters that an optional request before it stepped back over. Returns the column of the
// first letter, 0 when there is none or the first is a digit.
int letters_before(const char* str, int col, char endmark) {
  int first = col;
  while (first > 1 && is_keyword_char(str[first - 2], endmark)) --first;
  return (first == col || is_digit(str[first - 1])) ? 0 : first;
}

// The value being scanned: its sign, its digits before and after the point.
struct Number {
  int sign = 0;  // 0 none yet, otherwise +1 or -1
  bool point = false;
  std::string whole;
  std::string fraction;

  bool started() const { return sign != 0 || point; }
  bool has_digits() const { return !whole.empty() || !fraction.empty(); }
  double magnitude() const {
    double v = 0.0;
    for (char d : whole) v = v * 10.0 + (d - '0');
    double scale = 1.0;
    for (char d : fraction) {
      scale *= 10.0;
      v += (d - '0') / scale;
    }
    return v;
  }
};

template <typename T>
int scan_values(Session& s, std::string_view prompt, T* values, int& n, std::string_view keyword,
                int iopt, int capacity) {
  constexpr bool kReal = std::is_same_v<T, float>;
  constexpr std::string_view routine = kReal ? "readr" : "readi";
  const int requested = n;
  if (requested < 1 && iopt >= 0) return 0;

  Crd& crd = s.crd;
  const bool from_file = crd.kterm == 0;
  const std::string kw = rtrim(keyword);
  const char endmark = crd.key_end_str[0];
  // An optional entry found absent leaves the caller's values as they were.
  std::vector<T> previous;
  if (iopt > 0) previous.assign(values, values + requested);

  for (;;) {  // one pass per asking of the whole request
    int k = 1;
    bool keyword_expected = crd.kontr == 1 && from_file;
    int col0 = 0;
    int row0 = 0;
    getcurpos(s, col0, row0);
    Number v;
    int kw_start = 0;  // column of the first keyword letter being read, 0 when none
    bool need_line = crd.ip <= 0;
    std::string got;    // the keyword letters read when the error came
    std::string fault;  // what is wrong with the line itself, reported even for optional entries
    bool failed = false;
    bool ended = false;  // the file ran out before the request was met

    while (!failed) {
      if (need_line) {
        if (!from_file && iopt != 1) {
          locate1(s, col0, row0);
          dispstr(s, rtrim(prompt));
        }
        std::string line;
        int ierr = 0;
        crd.ip = 0;
        txtl(s, line, ierr, crd.in);
        set_field(crd.str, line);
        if (ierr < 0) {
          ended = true;
          failed = true;
          break;
        }
        if (ierr > 0) {  // the user abandoned the question
          clear_line(crd);
          return 1;
        }
        need_line = false;
      }

      if (from_file && s.astime.long_line_col > 0) {
        crd.ip = s.astime.long_line_col;
        fault = std::string(routine) + ": line longer than 80 characters";
        failed = true;
        break;
      }
      // A number whose digits go on in column 73 would be cut at column 72.
      auto cut_at_72 = [&] {
        const char next = crd.str[kDataCols];
        if (!is_digit(next) && next != '.') return false;
        crd.ip = kDataCols + 1;
        fault = std::string(routine) + ": number runs past column 72";
        return true;
      };

      const int col = crd.ip + 1;
      const bool line_over = col > kDataCols;
      const char c = line_over ? ' ' : crd.str[col - 1];
      char ender = 0;  // the character that ended a value; 0 when it was not consumed
      bool value_ends = false;

      if (line_over || c == '*') {
        if (kw_start > 0) {
          crd.ip = col;
          failed = true;
        } else if (v.started() && cut_at_72()) {
          failed = true;
        } else if (v.started()) {
          value_ends = true;  // the value ends here; the next pass sees this column again
        } else if (iopt == 1 && line_over) {
          return 0;  // the optional entry is not on this line
        } else {
          need_line = true;
          continue;
        }
      } else {
        crd.ip = col;
        if (c == ' ') {
          if (kw_start > 0) {
            failed = true;
          } else if (v.started()) {
            value_ends = true;
            ender = c;
          }
        } else if (c == '=') {
          if (keyword_expected && kw_start == 0) kw_start = letters_before(crd.str, col, endmark);
          if (kw_start == 0 || !same_keyword(std::string_view(crd.str + kw_start - 1,
                                                              static_cast<size_t>(col - kw_start)),
                                             kw)) {
            failed = true;
          } else {
            keyword_expected = false;
            kw_start = 0;
          }
        } else if (c == ',' || c == ':' || c == ';' || c == endmark) {
          if (!v.has_digits()) {
            failed = true;
          } else {
            value_ends = true;
            ender = c;
          }
        } else if (c == '+' || c == '-') {
          if (v.sign != 0 || keyword_expected) {
            failed = true;
          } else {
            v.sign = c == '-' ? -1 : 1;
          }
        } else if (c == '.') {
          if (!kReal || v.point || keyword_expected) {
            failed = true;
          } else {
            v.point = true;
            if (v.sign == 0) v.sign = 1;
          }
        } else if (is_digit(c)) {
          if (kw_start > 0) {
            // a digit inside a keyword belongs to it
          } else if (keyword_expected) {
            failed = true;
          } else {
            (v.point ? v.fraction : v.whole).push_back(c);
            if (v.sign == 0) v.sign = 1;
            if (col == kDataCols && cut_at_72()) {
              failed = true;
            } else if (col == kDataCols) {
              value_ends = true;
              ender = c;
            }
          }
        } else if (!keyword_expected) {
          failed = true;
        } else if (kw_start == 0) {
          kw_start = col;
        }
      }
      if (failed) {
        if (kw_start > 0) {
          const int upto = std::min(crd.ip, kDataCols + 1);
          got.assign(crd.str + kw_start - 1, static_cast<size_t>(upto - kw_start));
        }
        break;
      }
      if (!value_ends) continue;

      // The value is complete: check it and store it as element k.
      if (!v.has_digits() || v.whole.size() > kMaxIntDigits ||
          (iopt < 0 && capacity >= 0 && k > capacity)) {
        failed = true;
        break;
      }
      const double magnitude = v.magnitude();
      if constexpr (kReal) {
        values[k - 1] = static_cast<float>(v.sign * magnitude);
      } else {
        values[k - 1] = static_cast<int32_t>(v.sign * static_cast<int64_t>(magnitude));
      }
      if (iopt < 0) n = k;
      if (ender != 0 && ender == endmark) {
        if (k == n) return 0;
        failed = true;
        break;
      }
      ++k;
      if (iopt >= 0 && k > n) return 0;
      v = Number{};
    }

    // The request failed.
    if (from_file && !fault.empty()) {
      reader_detail::report_read_error(s, iopt >= 0 ? requested : 0, prompt, kw, got, fault);
      flag_on(s, kw);
      clear_line(crd);
      return 1;
    }
    if (iopt > 0) {
      // An optional entry that does not match is absent: step back one column, so that the
      // next request sees the offending character (an "=" with the keyword before it) again.
      crd.ip = std::max(crd.ip - 1, 0);
      std::copy(previous.begin(), previous.end(), values);
      return 0;
    }
    if (!from_file) {
      // Erase the answer and ask the whole question again.
      locate1(s, col0, row0);
      cls1(s, col0, row0, kCols, row0);
      clear_line(crd);
      continue;
    }
    if (ended) {
      reader_detail::report_missing_entry(s, iopt >= 0 ? requested : 0, prompt, kw);
    } else {
      reader_detail::report_read_error(s, iopt >= 0 ? requested : 0, prompt, kw, got);
    }
    flag_on(s, kw);
    clear_line(crd);
    return 1;
  }
}

}  // namespace

int readi(Session& s, std::string_view prompt, int32_t* values, int& n, std::string_view keyword,
          int iopt, int capacity) {
  return scan_values(s, prompt, values, n, keyword, iopt, capacity);
}

int readr(Session& s, std::string_view prompt, float* values, int& n, std::string_view keyword,
          int iopt, int capacity) {
  return scan_values(s, prompt, values, n, keyword, iopt, capacity);
}

}  // namespace tivor
