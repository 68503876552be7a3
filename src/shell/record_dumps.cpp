// The labelled dumps of the global records shown by ADMP. Each dump is a table of the record's
// fields, checked at compile time to cover the record word by word; the mesh record's dump is
// read from its declaration (the mesh card), so the two always agree.
#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "console/console.hpp"
#include "reader/reader.hpp"
#include "shell/checker.hpp"
#include "shell/declaration.hpp"
#include "shell/mesh_card.hpp"

namespace tivor {
namespace {

enum class Kind { kInt, kReal, kChar };

// A run of fields of one type: count words (characters for kChar) from offset bytes on.
struct Field {
  const char* label;
  size_t offset;
  size_t count;
  Kind kind;
};

constexpr size_t bytes_of(const Field& f) {
  return f.kind == Kind::kChar ? f.count : f.count * 4;
}

// True when the fields follow each other without gap or overlap from byte first to byte last.
template <size_t N>
constexpr bool covers(const std::array<Field, N>& fields, size_t first, size_t last) {
  size_t at = first;
  for (const Field& f : fields) {
    if (f.offset != at) return false;
    at += bytes_of(f);
  }
  return at == last;
}

constexpr std::array<Field, 5> kCrdFields{{
    {"kontr", offsetof(Crd, kontr), 1, Kind::kInt},
    {"key_end_str", offsetof(Crd, key_end_str), 4, Kind::kChar},
    {"in,kterm,ip", offsetof(Crd, in), 3, Kind::kInt},
    {"str", offsetof(Crd, str), 80, Kind::kChar},
    {"inm", offsetof(Crd, inm), 1, Kind::kInt},
}};
static_assert(covers(kCrdFields, 0, sizeof(Crd)));

constexpr std::array<Field, 3> kCtimeFields{{
    {"rtim1,rtim2", offsetof(Ctime1, rtim1), 2, Kind::kReal},
    {"itrace", offsetof(Ctime1, itrace), 1, Kind::kInt},
    {"modname1", offsetof(Ctime1, modname1), 20, Kind::kChar},
}};
static_assert(covers(kCtimeFields, 0, sizeof(Ctime1)));

constexpr std::array<Field, 16> kCtermFields{{
    {"iempty,nf,nl,nhi(2),iterm0", offsetof(Cterm, iempty), 6, Kind::kInt},
    {"rmesh,rlim(2)", offsetof(Cterm, rmesh), 3, Kind::kReal},
    {"rlin(4)", offsetof(Cterm, rlin), 4, Kind::kReal},
    {"reg(4)", offsetof(Cterm, reg), 4, Kind::kReal},
    {"rspeed", offsetof(Cterm, rspeed), 1, Kind::kReal},
    {"ispeed", offsetof(Cterm, ispeed), 1, Kind::kInt},
    {"rlig(2)", offsetof(Cterm, rlig), 2, Kind::kReal},
    {"isymg", offsetof(Cterm, isymg), 1, Kind::kInt},
    {"icolor(95)", offsetof(Cterm, icolor), 95, Kind::kInt},
    {"prograph_set", offsetof(Cterm, prograph_set), 1, Kind::kInt},
    {"ud1,xams1,yaug1,zug1", offsetof(Cterm, ud1), 4, Kind::kReal},
    {"initerm", offsetof(Cterm, initerm), 1, Kind::kInt},
    {"rtmesh", offsetof(Cterm, rtmesh), 1, Kind::kReal},
    {"inp,np,ntabl,nlinur,ipc,subregion_bounds", offsetof(Cterm, inp), 6, Kind::kInt},
    {"imulti(6),test_graph", offsetof(Cterm, imulti), 7, Kind::kInt},
    {"view3d(13)", offsetof(Cterm, view3d), 13, Kind::kInt},
}};
static_assert(covers(kCtermFields, 0, sizeof(Cterm)));

constexpr std::array<Field, 11> kGrfFields{{
    {"igrdin,initgr,initpg,initreg,initlim", offsetof(Grf, igrdin), 5, Kind::kInt},
    {"xmnlim,xmxlim,ymnlim,ymxlim", offsetof(Grf, xmnlim), 4, Kind::kReal},
    {"iramreg,irampag,ipxmxmode,ipymxmode,imode,ipage", offsetof(Grf, iramreg), 6, Kind::kInt},
    {"page_text(4)", offsetof(Grf, page_text), 4, Kind::kInt},
    {"page_pix(4)", offsetof(Grf, page_pix), 4, Kind::kInt},
    {"reg_pix(4)", offsetof(Grf, reg_pix), 4, Kind::kInt},
    {"page_real(4)", offsetof(Grf, page_real), 4, Kind::kReal},
    {"reg_real(4)", offsetof(Grf, reg_real), 4, Kind::kReal},
    {"igcolor,igfont,cell_w,cell_h,clip_mode", offsetof(Grf, igcolor), 5, Kind::kInt},
    {"clip(4)", offsetof(Grf, clip), 4, Kind::kInt},
    {"gswitch", offsetof(Grf, gswitch), 1, Kind::kInt},
}};
static_assert(covers(kGrfFields, 0, sizeof(Grf)));

constexpr std::array<Field, 7> kCterm3Fields{{
    {"initerm3", offsetof(Cterm3, initerm3), 1, Kind::kInt},
    {"xaua,dd(2)", offsetof(Cterm3, xaua), 3, Kind::kReal},
    {"jdcr3(9)", offsetof(Cterm3, jdcr3), 9, Kind::kInt},
    {"rlin3(6)", offsetof(Cterm3, rlin3), 6, Kind::kReal},
    {"alfax,alfay,alfaz", offsetof(Cterm3, alfax), 3, Kind::kReal},
    {"ipro", offsetof(Cterm3, ipro), 1, Kind::kInt},
    {"spare(2)", offsetof(Cterm3, spare), 2, Kind::kInt},
}};
static_assert(covers(kCterm3Fields, 0, sizeof(Cterm3)));

constexpr size_t kHist = offsetof(Cht, hist);
constexpr std::array<Field, 11> kChistorFields{{
    {"htdyn", kHist + offsetof(ChtHistory, htdyn), 1, Kind::kReal},
    {"xhist(20)", kHist + offsetof(ChtHistory, xhist), 20, Kind::kReal},
    {"yhist(20)", kHist + offsetof(ChtHistory, yhist), 20, Kind::kReal},
    {"jthist,nthist,nhist,jhist", kHist + offsetof(ChtHistory, jthist), 4, Kind::kInt},
    {"ifhist(20)", kHist + offsetof(ChtHistory, ifhist), 20, Kind::kInt},
    {"nhist0,jhist0", kHist + offsetof(ChtHistory, nhist0), 2, Kind::kInt},
    {"name0(1)", kHist + offsetof(ChtHistory, name0), 20, Kind::kChar},
    {"name0(2)", kHist + offsetof(ChtHistory, name0) + 20, 20, Kind::kChar},
    {"name0(3..20)", kHist + offsetof(ChtHistory, name0) + 40, 360, Kind::kChar},
    {"npoints,next_step", kHist + offsetof(ChtHistory, npoints), 2, Kind::kInt},
    {"interval", kHist + offsetof(ChtHistory, interval), 1, Kind::kInt},
}};
static_assert(covers(kChistorFields, offsetof(Cht, hist), sizeof(Cht)));

// cur, bet and sgl1(3) come last, with the request for their new values.
constexpr std::array<Field, 3> kChtFields{{
    {"t,ht", offsetof(Cht, t), 2, Kind::kReal},
    {"ipp(30)", offsetof(Cht, ipp), 30, Kind::kInt},
    {"ifilm,nipp,is,isp,itask", offsetof(Cht, ifilm), 5, Kind::kInt},
}};
static_assert(offsetof(Cht, cur) == 8 && offsetof(Cht, ipp) == offsetof(Cht, sgl1) + 12 &&
              offsetof(Cht, ifilm) + 20 == offsetof(Cht, hist));

// Prints the labelled fields of one record; stops when the user ends the listing at "more?".
class Dumper {
 public:
  Dumper(Session& s, const void* record, size_t size)
      : s_(s), bytes_(static_cast<const std::byte*>(record)), size_(size) {}

  bool stopped() const { return stopped_; }

  void line(std::string_view txt) {
    if (stopped_ || !room()) return;
    txtcon(s_, txt);
  }

  void field(const Field& f) {
    if (stopped_ || f.offset + bytes_of(f) > size_) return;
    if (!room()) return;
    const std::string label = std::string(f.label) + "=";
    const std::byte* at = bytes_ + f.offset;
    const int n = static_cast<int>(f.count);
    if (f.kind == Kind::kChar) {
      const std::string_view text(reinterpret_cast<const char*>(at), f.count);
      txtcon(s_, label + "\"" + rtrim(text) + "\"");
    } else if (f.kind == Kind::kInt) {
      std::vector<int32_t> v(f.count);
      std::memcpy(v.data(), at, f.count * 4);
      prtim(s_, label, v.data(), n);
    } else {
      std::vector<float> v(f.count);
      std::memcpy(v.data(), at, f.count * 4);
      prtrm(s_, label, v.data(), n);
    }
  }

  template <size_t N>
  void fields(const std::array<Field, N>& fs) {
    for (const Field& f : fs) field(f);
  }

 private:
  // Near the bottom row the listing asks "more?" and goes on from a cleared screen.
  bool room() {
    if (s_.colors.row < kRows - 1) {
      printed_ = true;
      return true;
    }
    if (!printed_) {  // a dump that would start at the bottom starts on a clear screen
      printed_ = true;
      cls(s_);
      return true;
    }
    if (s_.colors.col != 1) newstr(s_);
    dispstr(s_, "more?");
    int k = 0;
    grfkey(s_, k);
    cls(s_);
    stopped_ = k == 'n' || k == 'N' || k == key::kEsc;
    return !stopped_;
  }

  Session& s_;
  const std::byte* bytes_;
  size_t size_;
  bool stopped_ = false;
  bool printed_ = false;
};

template <typename R, size_t N>
void framed(Session& s, const R& record, std::string_view name,
            const std::array<Field, N>& fields) {
  Dumper d(s, &record, sizeof(R));
  d.line("*** " + std::string(name) + " ***");
  d.fields(fields);
  d.line("*** end " + std::string(name) + " ***");
}

// The named words of the mesh record, in runs of up to six scalars of one type.
void mesh_dump(Session& s) {
  meshbase(s);
  const Declaration decl = parse_declaration(s.tmesh.lines, s.tmesh.nlines, "cmesh");
  Dumper d(s, &s.cmesh, sizeof(Cmesh));
  d.line(" ************ cmesh ********");
  size_t i = 0;
  while (i < decl.names.size() && !d.stopped()) {
    const DeclName& head = decl.names[i];
    const bool integer = integer_name(head.name);
    std::string label = head.name;
    size_t words = static_cast<size_t>(head.words);
    size_t j = i + 1;
    if (head.words == 1) {
      while (j < decl.names.size() && j - i < 6 && decl.names[j].words == 1 &&
             integer_name(decl.names[j].name) == integer) {
        label += "," + decl.names[j].name;
        ++words;
        ++j;
      }
    } else {
      label += "(" + std::to_string(head.words) + ")";
    }
    d.field({label.c_str(), static_cast<size_t>(head.offset) * 4, words,
             integer ? Kind::kInt : Kind::kReal});
    i = j;
  }
  d.line(" ******* end cmesh ********");
}

// The time record; ends by showing cur, bet and sgl1(3) and reading five new values (Esc keeps
// the old ones).
void cht_dump(Session& s) {
  Dumper d(s, &s.cht, sizeof(Cht));
  d.line("*** cht ***");
  d.fields(kChtFields);
  d.line("*** end cht ***");
  float v[5] = {s.cht.cur, s.cht.bet, s.cht.sgl1[0], s.cht.sgl1[1], s.cht.sgl1[2]};
  prtrm(s, "cur,bet,sgl1(3)=", v, 5);
  int n = 5;
  if (readr(s, "new values?(esc - old values)", v, n, "", 0) != 0) return;
  s.cht.cur = v[0];
  s.cht.bet = v[1];
  for (int k = 0; k < 3; ++k) s.cht.sgl1[k] = v[k + 2];
}

}  // namespace

void print_record(Session& s, std::string_view name) {
  if (name == "crd") {
    framed(s, s.crd, "crd", kCrdFields);
  } else if (name == "ctime") {
    framed(s, s.ctime1, "ctime", kCtimeFields);
  } else if (name == "term") {
    framed(s, s.cterm, "cterm", kCtermFields);
  } else if (name == "grf") {
    framed(s, s.grf, "grf", kGrfFields);
  } else if (name == "cmesh") {
    mesh_dump(s);
  } else if (name == "term3") {
    framed(s, s.cterm3, "cterm3", kCterm3Fields);
  } else if (name == "chistor") {
    framed(s, s.cht, "chistor", kChistorFields);
  } else if (name == "cht") {
    cht_dump(s);
  }
}

}  // namespace tivor
