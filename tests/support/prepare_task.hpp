// Preparing a task in a test the way the shell's prepare_task does it.
#pragma once

#include <fstream>
#include <functional>
#include <string>

#include "core/session.hpp"
#include "reader/reader.hpp"

namespace tivor::test {

// Writes the data text to "task.dif" in the working directory and makes it the input; empties
// the pools, the counters and the mesh record; runs the class's preparing call (run_class, which
// also queues the keys for the class's pauses); puts the input back to the keyboard. True, with
// the task marked prepared, when the call left the flag clear.
inline bool prepare_like_shell(Session& s, const std::string& text,
                               const std::function<void()>& run_class) {
  std::ofstream("task.dif", std::ios::binary) << text;
  int unit = 0;
  if (readfrom(s, unit, "task.dif") != 0) return false;
  s.csize.maxa = s.csize.maxk = 0;
  s.cht.itask = 0;
  s.cht.is = s.cht.isp = 0;
  s.cmesh = Cmesh{};
  run_class();
  s.cht.isp = s.cht.is;
  read_keyboard(s);
  if (flag_tst(s)) return false;
  s.cht.itask = kTaskPrepared;
  return true;
}

}  // namespace tivor::test
