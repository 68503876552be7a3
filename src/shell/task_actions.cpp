// The five shell actions that drive a class manager: choose a class, choose a method, prepare
// the task, run time steps, open the results.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "console/console.hpp"
#include "reader/reader.hpp"
#include "shell/shell.hpp"

namespace tivor {
namespace {

constexpr int kHighFg = 0, kHighBg = 3, kFg = 14, kBg = 1;

std::vector<std::string> field_list(const char (*fields)[72], int n) {
  std::vector<std::string> items;
  for (int i = 0; i < n; ++i) items.emplace_back(fields[i], 72);
  return items;
}

bool class_chosen(const Session& s) {
  return s.cls.iclass >= 1 && s.cls.iclass <= 15;
}

// No method is chosen and none is known until the class's manager reports its list.
void forget_methods(Session& s) {
  s.cls.imethod = 0;
  s.cls.nmethod = 0;
  for (auto& title : s.cls.mtname) set_field(title, "");
}

}  // namespace

void aclass(Session& s) {
  iniclass(s);
  int choice = s.cls.iclass;
  wmenuh(s, "choose problem class:", choice, field_list(s.cls.clname, 12), 12, "null", 2, 2,
         kHighFg, kHighBg, kFg, kBg, 1, 59);
  if (choice == 0) return;
  s.cls.iclass = choice;
  set_field(s.cls.datfile, "");
  forget_methods(s);
  s.cht.itask = 0;
}

void amethod(Session& s) {
  clswnd3(s);
  if (!class_chosen(s)) {
    flag_on(s, " choose class ");
    return;
  }
  // The list comes from the manager alone: a class without one has no methods.
  const int32_t chosen = s.cls.imethod;
  forget_methods(s);
  s.cls.imethod = chosen;
  execlass(s, s.cls.iclass, 0);
  if (flag_tst(s)) return;
  const int n = std::max(0, std::min(s.cls.nmethod, 15));
  if (n == 0) {
    s.cls.imethod = 0;
    flag_on(s, " amethod:the class has no methods in this program");
    return;
  }
  int choice = s.cls.imethod;
  wmenuh(s, " choose method:", choice, field_list(s.cls.mtname, n), n, "null", 2, 2, kHighFg,
         kHighBg, kFg, kBg, 1, 59);
  if (choice == 0) return;
  s.cls.imethod = choice;
  s.cht.is = 0;
}

void atask(Session& s) {
  clswnd3(s);
  if (!class_chosen(s)) {
    flag_on(s, " choose class");
    return;
  }
  if (s.cls.imethod == 0) {
    flag_on(s, " choose method");
    return;
  }
  if (!has_manager(s, s.cls.iclass)) {
    flag_on(s, " atask:the class has no manager in this program");
    return;
  }
  s.cht.is = 0;
  s.cht.isp = 0;
  s.cmesh = Cmesh{};
  execlass(s, s.cls.iclass, s.cls.imethod);
  s.cht.isp = s.cht.is;
}

void setinp(Session& s) {
  if (s.cht.ifilm == 0) return;
  s.cterm.np = std::max(s.cterm.np, 1);
  const int64_t due = int64_t{s.cht.is} + s.cterm.np;
  s.cterm.inp = static_cast<int32_t>(std::min<int64_t>(due, INT32_MAX));
}

void awork(Session& s) {
  if (!class_chosen(s) || s.cls.imethod == 0) return;
  if (!has_manager(s, s.cls.iclass)) {
    flag_on(s, " atask:the class has no manager in this program");
    return;
  }
  s.cht.isp = 0;
  int32_t steps = 0;
  int n = 1;
  if (readi(s, " number of time steps?", &steps, n, "", 0) != 0) return;
  clswnd3(s);
  run_steps(s, steps);
}

void run_steps(Session& s, int32_t steps) {
  s.cht.isp = steps;
  if (steps > 0) {
    s.cht.isp = static_cast<int32_t>(std::min<int64_t>(int64_t{steps} + s.cht.is, INT32_MAX));
    setinp(s);
    execlass(s, s.cls.iclass, s.cls.imethod);
    s.cht.isp = s.cht.is;
  }
}

void arez(Session& s) {
  if (s.up.arez) s.up.arez();
}

void termuser(Session& s) {
  execlass(s, s.cls.iclass, -1);
}

}  // namespace tivor
