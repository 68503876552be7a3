// INCOMB: an identifier of a record looked up in the record's declaration text, its value shown
// or edited, or the pool array it points to shown or edited.
#include <algorithm>
#include <cstring>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "console/console.hpp"
#include "reader/reader.hpp"
#include "shell/checker.hpp"
#include "shell/declaration.hpp"
#include "shell/pool_view.hpp"

namespace tivor {
namespace {

constexpr int kNameLen = 16;
constexpr int kDataCols = 72;

bool unread_on_line(const Crd& crd) {
  for (int col = std::max(crd.ip, 0) + 1; col <= kDataCols; ++col) {
    if (crd.str[col - 1] != ' ') return true;
  }
  return false;
}

// n integers that keep their preset values when the answer is left empty: taken from the rest
// of the current line when it holds anything, otherwise from a new line after the prompt.
// False when the user abandons the question.
bool read_ints_or_keep(Session& s, std::string_view prompt, int32_t* values, int n) {
  if (!unread_on_line(s.crd)) {
    s.crd.ip = 0;
    if (s.colors.col != 1) newstr(s);
    if (s.crd.kterm == 1) dispstr(s, prompt);
  }
  int count = n;
  return readi(s, prompt, values, count, "", 1) == 0;
}

template <typename T>
void show_values(Session& s, std::string_view label, const T* values, int n) {
  if constexpr (std::is_same_v<T, float>) {
    prtrm(s, label, values, n);
  } else {
    prtim(s, label, values, n);
  }
}

// One request for n new values with the prompt " new value ?"; false when abandoned.
template <typename T>
bool read_new_values(Session& s, std::vector<T>& values) {
  int n = static_cast<int>(values.size());
  if (s.colors.col != 1) newstr(s);
  if constexpr (std::is_same_v<T, float>) {
    return readr(s, " new value ?", values.data(), n, "", 0) == 0;
  } else {
    return readi(s, " new value ?", values.data(), n, "", 0) == 0;
  }
}

// Shows or edits words lo..hi of a pool.
template <typename T>
void pool_words(Session& s, PoolVector<T>& pool, int mode, std::string_view label, int64_t lo,
                int64_t hi) {
  if (lo > hi) return;
  const auto first = static_cast<size_t>(lo);
  const auto n = static_cast<size_t>(hi - lo + 1);
  if (mode == 0) {
    show_values(s, label, &pool[first], static_cast<int>(n));
    return;
  }
  std::vector<T> values(pool.begin() + static_cast<ptrdiff_t>(first),
                        pool.begin() + static_cast<ptrdiff_t>(first + n));
  if (read_new_values(s, values)) {
    std::copy(values.begin(), values.end(), pool.begin() + lo);
    ++s.pool_stamp;
  }
}

// Shows or edits the record's own words of a name (kind 0).
template <typename T>
void record_words(Session& s, std::span<std::byte> record, const DeclName& d, int mode) {
  std::vector<T> values(static_cast<size_t>(d.words));
  std::byte* at = record.data() + static_cast<size_t>(d.offset) * 4;
  std::memcpy(values.data(), at, values.size() * 4);
  if (mode == 0) {
    show_values(s, d.name + "=", values.data(), d.words);
    paus(s, "");
    return;
  }
  if (read_new_values(s, values)) {
    std::memcpy(at, values.data(), values.size() * 4);
    ++s.pool_stamp;
  }
}

}  // namespace

int incomb(Session& s, int kind, int mode, CardLines lines, int nlines, std::span<std::byte> record,
           std::string_view block) {
  Crd& crd = s.crd;
  std::string ident;
  int len = 0;
  readname(s, ident, kNameLen, len, "identifier?");
  if (len == 0) return 0;
  // A failed lookup leaves the identifier unread, for a search in another record.
  const int word_start = std::max(crd.ip - len, 0);
  auto fail = [&] {
    crd.ip = word_start;
    return 1;
  };
  ident = lower_text(ident);

  const Declaration decl = parse_declaration(lines, nlines, block);
  const DeclName* found = nullptr;
  for (const DeclName& d : decl.names) {
    if (d.name == ident) {
      found = &d;
      break;
    }
  }
  if (found == nullptr) return fail();
  const DeclName& d = *found;
  if ((int64_t{d.offset} + d.words) * 4 > static_cast<int64_t>(record.size())) return fail();

  if (kind == 0) {
    if (integer_name(d.name)) {
      record_words<int32_t>(s, record, d, mode);
    } else {
      record_words<float>(s, record, d, mode);
    }
    return 0;
  }
  if ((kind != 1 && kind != 2) || d.name[0] != 'j') return fail();

  int32_t entry = 1;
  if (d.words > 1 && !read_ints_or_keep(s, "function number?", &entry, 1)) return 0;
  entry = std::clamp(entry, 1, d.words);
  int32_t pointer = 0;
  std::memcpy(&pointer, record.data() + (static_cast<size_t>(d.offset) + entry - 1) * 4, 4);

  int32_t range[2] = {1, 1};
  if (!read_ints_or_keep(s, "elements ?", range, 2)) return 0;
  if (range[1] < range[0]) range[1] = range[0];
  // A pointer outside the pool is not followed; the elements asked for are cut to the pool.
  const int64_t size = kind == 1 ? real_words(s) : int_words(s);
  int64_t lo = std::max<int64_t>(int64_t{pointer} + range[0], 1);
  const int64_t hi = std::min<int64_t>(int64_t{pointer} + range[1], size);
  if (pointer < 0 || pointer >= size) lo = hi + 1;
  if (s.colors.col != 1) newstr(s);
  if (kind == 1) {
    pool_words(s, s.a, mode, ident + "=", lo, hi);
  } else {
    pool_words(s, s.km, mode, ident + "=", lo, hi);
  }
  if (mode == 0) paus(s, "");
  return 0;
}

}  // namespace tivor
