// The film: the current picture redrawn after every step of a run, or only every np steps and at
// the last step, each such picture kept as a frame of the chosen picture library when asked.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>

#include "console/console.hpp"
#include "core/function_read.hpp"
#include "export/export.hpp"
#include "librarian/librarian.hpp"
#include "reader/reader.hpp"
#include "results/pictures.hpp"
#include "results/results.hpp"

namespace tivor {
namespace {

// The answer to the film question: 1 y, 2 n, 3 a, 0 Esc; other keys are ignored.
int film_answer(Session& s) {
  for (;;) {
    int key = 0;
    grfkey(s, key);
    switch (key) {
      case 'y':
      case 'Y':
        return 1;
      case 'n':
      case 'N':
        return 2;
      case 'a':
      case 'A':
        return 3;
      case key::kEsc:
        return 0;
      default:
        break;
    }
  }
}

int32_t saturated_sum(int32_t a, int32_t b) {
  return static_cast<int32_t>(std::clamp<int64_t>(
      int64_t{a} + b, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// The frame name: the data file's name without its directory and extension (the librarian keeps
// its first 8 characters).
std::string frame_name(const Session& s) {
  return std::filesystem::path(field_str(s.cls.datfile)).stem().string();
}

// The current picture by its type; the mesh while no task is prepared.
void draw_current(Session& s) {
  Cterm& t = s.cterm;
  t.nf = std::clamp(t.nf, 1, std::clamp(s.cht.nipp, 1, 30));
  if (s.cht.itask != kTaskPrepared) {
    lmesh(s);
    return;
  }
  switch (t.ipc) {
    case 2:
      lline2(s);
      break;
    case 3:
      lmesh(s);
      break;
    case 4:
      lspeed2(s);
      break;
    case 5:
      lhist(s, t.nhi[0], 1);
      break;
    case 6:
      lgran1(s);
      break;
    case 7:
      linurc2(s);
      break;
    case 8:
      lling(s);
      break;
    case 9:
      multi2(s);
      break;
    case 10:
      grapr2(s);
      break;
    default:
      linur2(s);
      break;
  }
}

}  // namespace

void setifilm(Session& s) {
  clswnd3(s);
  locate1(s, 1, 18);
  dispstr(s, " save frames ? (y/n or a - stop film)");
  const int choice = film_answer(s);
  clswnd3(s);
  if (choice == 0) return;
  if (choice == 3) {
    s.cht.ifilm = 0;
    return;
  }
  if (choice == 1) {
    int chosen = 0, changed = 0;
    plib_tst(s, chosen, changed);
    if (chosen != kLibraryChosen) {
      paus(s, " use librarian to define picture library");
      clswnd3(s);
      return;
    }
  }
  locate1(s, 1, 18);
  new_answer_line(s);
  int32_t np = s.cterm.np;
  int n = 1;
  const int abandoned = readi(s, "frame frequency?", &np, n, "", 0);
  clswnd3(s);
  if (abandoned != 0) return;
  s.cterm.np = std::max(np, 1);
  s.cterm.inp = saturated_sum(s.cht.is, s.cterm.np);
  s.cht.ifilm = choice == 1 ? 1 : -1;
}

void afilm(Session& s) {
  Cterm& t = s.cterm;
  if (s.cht.ifilm != 0) {
    if (s.cht.is < s.cht.isp && s.cht.is < t.inp) return;
    t.np = std::max(t.np, 1);
    t.inp = saturated_sum(t.inp, t.np);
  }
  draw_current(s);
  // A frame that cannot be saved ends the film: the reason has been shown once, and a damaged
  // or vanished library would otherwise ask for a key at every following frame.
  if (s.cht.ifilm > 0 && !apsave(s, s.cht.t, frame_name(s), 1)) s.cht.ifilm = 0;
  savewnd1(s);
}

void afilm0(Session& s) {
  draw_current(s);
  savewnd1(s);
}

std::shared_ptr<const bool> series_install(Session& s, const std::string& folder) {
  auto series = std::make_shared<TimeSeries>(folder);
  auto failed = std::make_shared<bool>(false);
  auto reads_seen = std::make_shared<uint64_t>(s.state_reads.count);
  s.up.afilm = [&s, series, failed, reads_seen] {
    // The frame rhythm of afilm, read before it moves on: a film frame is due, or without a
    // film the run has reached its last step.
    const bool frame = s.cht.ifilm != 0 ? !(s.cht.is < s.cht.isp && s.cht.is < s.cterm.inp)
                                        : s.cht.is >= s.cht.isp;
    // A state read back or a task prepared again continues from its own step: frames listed
    // after it are from a run that was left.
    if (s.state_reads.count != *reads_seen) {
      *reads_seen = s.state_reads.count;
      series->resume_from(s.state_reads.step);
    }
    if (s.cht.itask != kTaskPrepared) series->resume_from(s.cht.is);
    afilm(s);
    if (!frame || *failed || s.cht.itask != kTaskPrepared) return;
    // The frame's file holds every result function.
    for (int k = 1; k <= std::clamp(s.cht.nipp, 0, 30); ++k) function_read(s, k);
    std::string error, notice;
    // A series that cannot be written is told once and stops; the run goes on.
    if (!series->add(s, error, &notice)) {
      *failed = true;
      paus(s, error);
      clswnd3(s);
    } else if (!notice.empty()) {
      paus(s, notice);
      clswnd3(s);
    }
  };
  return failed;
}

}  // namespace tivor
