// The directory of the current library: rebuilt from the file, and listed.
#include <fstream>

#include "console/console.hpp"
#include "librarian/internal.hpp"
#include "librarian/librarian.hpp"

namespace tivor {
namespace librarian_detail {

void report(Session& s, std::string_view message) {
  cls1(s, 1, kRows, kCols, kRows);
  paus(s, message);
  cls1(s, 1, kRows, kCols, kRows);
}

}  // namespace librarian_detail

namespace {

using namespace librarian_detail;

constexpr int kLinesPerScreen = 16;

// Reads the library into the directory, showing each frame as it is read. The file is created
// empty when it does not exist yet.
void rebuild(Session& s) {
  Ckadr& k = s.frame.kadr;
  const std::string file = library_file(s);
  { std::ofstream(file, std::ios::binary | std::ios::app); }
  std::ifstream in(file, std::ios::binary);
  k.nkadr = 0;
  FrameReader reader(in);
  FrameHeader head{};
  std::vector<uint8_t> image;
  while (k.nkadr < kMaxFrames && reader.next(head, image)) {
    k.dir[k.nkadr++] = head;
    k.carried = head.carried;
    locate1(s, 1, kRows);
    dispstr(s, "kadr number: " + fmt_int(k.nkadr, "(i4)") + " is ready");
  }
  cls1(s, 1, kRows, kCols, kRows);
  if (reader.damaged()) report(s, " read error");
}

void list(Session& s) {
  const Ckadr& k = s.frame.kadr;
  if (k.nkadr == 0) {
    clswnd3(s);
    paus(s, " library " + library_file(s) + " is empty. ");
    return;
  }
  clswnd1(s);
  clswnd3(s);
  locate1(s, 1, 1);
  txtcon(s, "    library:" + library_file(s));
  txtcon(s, "  n picture       t       bytes");
  for (int i = 1; i <= k.nkadr; ++i) {
    const FrameHeader& h = k.dir[i - 1];
    // A blank between the columns even for a full name, a negative time or a five-digit size;
    // the times stand under "t", the sizes end under "bytes".
    txtcon(s, fmt_int(i, "(i3)") + " " + frame_name(h) + " " + fmt_real(h.t, "(e10.3)") +
                  fmt_int(h.size, "(i8)"));
    if (i % kLinesPerScreen == 0 && i < k.nkadr) {
      paus(s, " more...");
      cls1(s, 1, 3, 61, kLinesPerScreen + 3);
      locate1(s, 1, 3);
    }
  }
  paus(s, " press any key");
}

}  // namespace

void aplpds(Session& s, int mode) {
  if (mode == 0) {
    rebuild(s);
    if (s.frame.kadr.nkadr > 0) return;
  }
  list(s);
}

void plib_tst(const Session& s, int& ichosen, int& ichanged) {
  ichosen = s.frame.kadr.chosen;
  ichanged = s.frame.kadr.changed;
}

}  // namespace tivor
