// State buffers: the byte layout (a golden file), the round trip, and the refusals that keep a
// damaged or oversized buffer from changing the task.
#include <unistd.h>

#include <bit>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "core/names.hpp"
#include "core/replace_file.hpp"
#include "shell/shell.hpp"
#include "support/files.hpp"
#include "support/screen_session.hpp"

namespace tivor::shell_test {
namespace {

namespace fs = std::filesystem;
constexpr const char* kFile = "run1.buf";

using test::file_bytes;

template <class Record>
bool same(const Record& a, const Record& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// A small task: three reals, two integers and recognisable record fields.
class StateBuffer : public test::ScreenSession {
 protected:
  StateBuffer() {
    iniclass(*s);
    s->csize.maxa = 3, s->csize.maxk = 2;
    s->a[1] = 1.5f, s->a[2] = -2.0f, s->a[3] = 0.25f;
    s->km[1] = 7, s->km[2] = -9;
    s->cls.iclass = 7, s->cls.imethod = 1;
    set_field(s->cls.datfile, "./dif/test.dif");
    s->cht.t = 0.5f, s->cht.itask = kTaskPrepared;
    s->cht.hist.htdyn = 11, s->cht.hist.interval = 12;
    s->cmesh.n1 = 42, s->cparm.iw[299] = 77, s->ctime1.itrace = 1, s->cmemo.nlines = 1;
  }
};

TEST_F(StateBuffer, LayoutMatchesTheGoldenFileAndReadsBack) {
  rewrin(*s, 2, kFile);
  const std::string got = file_bytes(kFile);
  const fs::path golden = fs::path(TIVOR_SOURCE_DIR) / "tests/shell/golden/small_task.buf";
  if (std::getenv("TIVOR_UPDATE_GOLDEN") != nullptr)
    fs::copy_file(kFile, golden, fs::copy_options::overwrite_existing);
  EXPECT_EQ(got, file_bytes(golden)) << "regenerate with TIVOR_UPDATE_GOLDEN=1 and review the diff";
  ASSERT_EQ(got.size(), 9516u + 4 * 5);
  // Spot checks of the order: the header, km[1] after the reals, iclass after the class titles,
  // the time record's first history word before the mesh record (n1) and its last one after it,
  // the last parameter word.
  const size_t cls = 16 + 20, cht1 = cls + 4316 + 32 + 600 + 100, mesh = cht1 + 172;
  auto word = [&](size_t at) {
    int32_t w;
    std::memcpy(&w, got.data() + at, 4);
    return w;
  };
  EXPECT_EQ((std::vector<int32_t>{word(0), word(4), word(8), word(12), word(16 + 12),
                                  word(cls + 1140), word(cht1 + 168), word(mesh + 4 * 12),
                                  word(mesh + 800 + 676 - 4), word(mesh + 800 + 676 + 1196)}),
            (std::vector<int32_t>{3, 2, kPoolReals, kPoolInts, 7, 7, std::bit_cast<int32_t>(11.0f),
                                  42, 12, 77}));

  // Read back into a fresh session: the same pools and records.
  test::TestHost other_host;
  Session fresh(other_host);
  console_install(fresh);
  iniclass(fresh);
  rewrin(fresh, 1, kFile);
  EXPECT_TRUE(!flag_tst(fresh) && same(fresh.csize, s->csize) && same(fresh.cls, s->cls) &&
              same(fresh.ctime1, s->ctime1) && same(fresh.cht, s->cht) &&
              same(fresh.cmesh, s->cmesh) && same(fresh.cparm, s->cparm) &&
              same(fresh.cmemo, s->cmemo));
  EXPECT_TRUE(std::equal(fresh.a.begin(), fresh.a.begin() + 4, s->a.begin()) &&
              std::equal(fresh.km.begin(), fresh.km.begin() + 3, s->km.begin()));
}

// A new buffer replaces the old one whole, through a temporary that is never left behind; when
// the temporary cannot be made the old buffer stays. Temporaries of writers no longer running
// are removed, those of running programs are not.
TEST_F(StateBuffer, WritingReplacesTheOldBufferOrKeepsIt) {
  rewrin(*s, 2, kFile);
  s->csize.maxa = s->csize.maxk = 0;
  rewrin(*s, 2, kFile);
  EXPECT_EQ(fs::file_size(kFile), 9516u);  // an empty task: the header and the records only
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);

  const std::string before = file_bytes(kFile);
  fs::create_directories(std::string(kFile) + ".tmp" + std::to_string(::getpid()));
  s->cmesh.n1 = 1000;
  host.press(key::kEnter);
  rewrin(*s, 2, kFile);
  EXPECT_TRUE(flag_tst(*s) && seen("rewri:can not write file") && file_bytes(kFile) == before);

  const std::string stale = "run1.buf.tmp99999999";  // above any process number
  const std::string live = "run2.buf.tmp" + std::to_string(::getppid());
  for (const std::string& p : {stale, live, std::string("notes.tmp")}) std::ofstream(p) << "x";
  EXPECT_TRUE(remove_stale_temporaries(".") == 1 && !fs::exists(stale));
}

// Files of the wrong length, and records whose pointers and counts reach outside the pools or
// name nodes that do not exist, are refused with the reason, and the task stays as it was. A
// huge file is refused from its length, without reading it.
TEST_F(StateBuffer, DamagedBuffersAreRefusedBeforeAnythingChanges) {
  const Session good = *s;
  using Spoil = std::function<void(Session&)>;
  const std::tuple<std::string, Spoil, uintmax_t> cases[] = {
      {"rewri:file is damaged", nullptr, 9535},
      {"rewri:file is damaged", nullptr, 9537},
      {"rewri:file is damaged", nullptr, uintmax_t{1} << 30},
      {"rewri:record cmesh is damaged: ", [](Session& t) { t.cmesh.jrz = kPoolReals - 10; }, 0},
      {"rewri:record cmesh is damaged: ",  // one element with node 43 of a mesh of 42 nodes
       [](Session& t) {
         t.cmesh.n2 = 1, t.cmesh.m = 3, t.km[2] = 43, t.km[3] = 1, t.csize.maxk = 3;
       },
       0},
      {"rewri:record cht is damaged: ", [](Session& t) { t.cht.ipp[0] = -5, t.cht.nipp = 1; }, 0},
      {"rewri:record class is damaged: ", [](Session& t) { t.cls.nfun = 21; }, 0},
  };
  for (const auto& [message, spoil, length] : cases) {
    *s = good;
    if (spoil) spoil(*s);
    rewrin(*s, 2, kFile);
    if (length > 0) fs::resize_file(kFile, length);
    *s = good;
    s->csize.maxa = 1, s->a[1] = 99.0f, s->cmesh.n1 = 5;
    screens.clear();
    cls(*s);
    host.press(key::kEnter);
    const auto start = std::chrono::steady_clock::now();
    rewrin(*s, 1, kFile);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << length;
    EXPECT_TRUE(flag_tst(*s) && seen(message)) << message << length;
    flag_off(*s);
    EXPECT_TRUE(s->csize.maxa == 1 && s->a[1] == 99.0f && s->cmesh.n1 == 5) << message << length;
  }
}

// A header that asks for larger pools empties them only when the file is as long as such a
// buffer; a shorter one (any text file, read as a header) is damaged and changes nothing.
TEST_F(StateBuffer, SnapshotLargerThanThePoolsEmptiesThem) {
  rewrin(*s, 2, kFile);
  {
    std::fstream f(kFile, std::ios::in | std::ios::out | std::ios::binary);
    const int32_t too_big = kPoolReals + 1;
    f.write(reinterpret_cast<const char*>(&too_big), 4);
  }
  s->cmesh.n1 = 5;
  host.press(key::kEnter);
  rewrin(*s, 1, kFile);
  EXPECT_TRUE(flag_tst(*s) && seen("rewri:file is damaged") && s->csize.maxa == 3);
  flag_off(*s);
  fs::resize_file(kFile, 9516 + 4 * (uintmax_t{kPoolReals} + 1 + 2));
  host.press(key::kEnter);  // for a message of the refusal
  rewrin(*s, 1, kFile);
  EXPECT_EQ(s->csize.maxa + s->csize.maxk + s->cht.itask, 0);
  EXPECT_EQ(s->cmesh.n1, 5) << "the records keep their contents";
}

TEST_F(StateBuffer, DataFileExtensionChoosesTheClass) {
  set_field(s->cls.datfile, "case1.gs");
  s->cls.iclass = 5;
  rewrin(*s, 2, kFile);
  rewrin(*s, 1, kFile);
  EXPECT_EQ(s->cls.iclass, 2);

  set_field(s->cls.datfile, "case1.zzz");
  rewrin(*s, 2, kFile);
  host.press(key::kEnter);
  rewrin(*s, 1, kFile);
  EXPECT_TRUE(flag_tst(*s) && seen(" executable does not contain class:zzz") &&
              seen(" variant=case1.zzz"));
}

TEST_F(StateBuffer, MissingFileLeavesTheTaskAndSaysSo) {
  host.press(key::kEnter);
  rewrin(*s, 1, "buf/none.buf");
  EXPECT_TRUE(!flag_tst(*s) && s->cmesh.n1 == 42);
  EXPECT_EQ(first_seen("rewri:file \"buf/none.buf\" is n"), 0);
}

// A buffer written with larger pools is refused, with the sizes it needs, by a session with the
// default pools, and read back whole by one whose pools are just large enough.
TEST_F(StateBuffer, BufferOfLargerPoolsIsRefusedBySmallerOnesAndReadByLargerOnes) {
  const int32_t maxa = kPoolReals + 5, maxk = kPoolInts + 3;
  Session big(host, maxa + 100, maxk + 100), fit(host, maxa, maxk);
  big.csize = Csize{maxa + 100, maxk + 100, maxa, maxk};
  big.km[maxk] = -17;
  big.cht.itask = kTaskPrepared;
  rewrin(big, 2, kFile);
  host.press(key::kEnter);
  rewrin(*s, 1, kFile);
  EXPECT_TRUE(flag_tst(*s) && s->csize.maxa == 0 && s->csize.maxk == 0 && s->cht.itask == 0);
  EXPECT_TRUE(seen("rewri:buffer needs pools of 4000005 real and 1000003 integer words"));
  rewrin(fit, 1, kFile);
  EXPECT_TRUE(!flag_tst(fit) && fit.csize.maxa == maxa && fit.km[maxk] == -17 &&
              fit.cht.itask == kTaskPrepared);
}

TEST(BufferNames, ExtensionIsForced) {
  for (const char* name : {"run1", "run1.buf", "run1.dat", "run1   "})
    EXPECT_EQ(namext(name, "buf"), "run1.buf") << name;
  EXPECT_EQ(namext("a.b.c", "dif"), "a.b.dif");
}

}  // namespace
}  // namespace tivor::shell_test
