// NEWARR and the default memory card. Messages go through the session's upcalls, since the
// pools sit below the console.
#include "core/newarr.hpp"

#include <algorithm>
#include <limits>
#include <string>

namespace tivor {
namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

void print_line(Session& s, std::string_view txt) {
  if (s.up.print_line) s.up.print_line(txt);
}

void pause(Session& s, std::string_view txt) {
  if (s.up.pause) s.up.pause(txt);
}

int32_t capped(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), kInt32Max));
}

}  // namespace

int newarr(Session& s, int32_t* jarr, int k1, int k2, int32_t len, int32_t& mark, int32_t limit,
           std::string_view name) {
  // A negative length would hand out overlapping arrays; it is refused like a bad first index.
  if (k1 < 1 || len < 0 || jarr == nullptr) {
    set_flag(s, 1);
    pause(s, " error calling newarr ");
    return 1;
  }
  // 64-bit running pointer: a huge request fails instead of wrapping round below the limit.
  int64_t next = mark;
  for (int k = k1; k <= std::max(k1, k2); ++k) {
    jarr[k - 1] = capped(next);
    next += len;
  }
  mark = capped(next);
  if (next < limit) return 0;

  std::string head = "newarr:not enouth memory for array :" + std::string(name);
  if (head.size() > 50) head.resize(50);
  print_line(s, head);
  print_line(s, "available=" + std::to_string(limit));
  print_line(s, "required= " + std::to_string(next));
  pause(s, "");
  set_flag(s, 1);
  return 1;
}

int new_reals(Session& s, int32_t* jarr, int count, int64_t len, std::string_view name) {
  return newarr(s, jarr, 1, count, static_cast<int32_t>(std::min<int64_t>(len, INT32_MAX)),
                s.csize.maxa, s.csize.na, name);
}

int new_ints(Session& s, int32_t* jarr, int count, int64_t len, std::string_view name) {
  return newarr(s, jarr, 1, count, static_cast<int32_t>(std::min<int64_t>(len, INT32_MAX)),
                s.csize.maxk, s.csize.nk, name);
}

void set_memory_card(Session& s, std::span<const char* const> lines) {
  for (auto& line : s.cmemo.lines) set_field(line, "");
  const size_t n = std::min(lines.size(), std::size(s.cmemo.lines));
  for (size_t i = 0; i < n; ++i) set_field(s.cmemo.lines[i], lines[i]);
  s.cmemo.nlines = static_cast<int32_t>(n);
}

void abase(Session& s) {
  static constexpr const char* kCard[] = {"memory card is not available"};
  set_memory_card(s, kCard);
}

}  // namespace tivor
