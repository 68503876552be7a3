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
#include "shell/shell_fixture.hpp"

namespace tivor::shell_test {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

class StateBuffer : public ShellTest {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tivor-buf-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    file_ = (dir_ / "run1.buf").string();
    iniclass(*s);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A small task: three reals, two integers and recognisable record fields.
  void fill_task() {
    s->csize.maxa = 3;
    s->csize.maxk = 2;
    s->a[1] = 1.5f;
    s->a[2] = -2.0f;
    s->a[3] = 0.25f;
    s->km[1] = 7;
    s->km[2] = -9;
    s->cls.iclass = 7;
    s->cls.imethod = 1;
    set_field(s->cls.datfile, "./dif/test.dif");
    s->cht.t = 0.5f;
    s->cht.itask = kTaskPrepared;
    s->cht.hist.htdyn = 11;
    s->cht.hist.interval = 12;
    s->cmesh.n1 = 42;
    s->cparm.iw[299] = 77;
    s->ctime1.itrace = 1;
    s->cmemo.nlines = 1;
  }

  fs::path dir_;
  std::string file_;
};

TEST_F(StateBuffer, LayoutMatchesTheGoldenFile) {
  fill_task();
  rewrin(*s, 2, file_);
  const std::vector<uint8_t> got = slurp(file_);
  const fs::path golden = fs::path(TIVOR_SOURCE_DIR) / "tests/shell/golden/small_task.buf";
  if (std::getenv("TIVOR_UPDATE_GOLDEN") != nullptr)
    fs::copy_file(file_, golden, fs::copy_options::overwrite_existing);
  EXPECT_EQ(got, slurp(golden)) << "regenerate with TIVOR_UPDATE_GOLDEN=1 and review the diff";
  ASSERT_EQ(got.size(), 9516u + 4 * 5);
  // Spot checks of the order: pools right after the header, the class record after them, the
  // time record split around the mesh record.
  auto word = [&](size_t at) {
    int32_t w;
    std::memcpy(&w, got.data() + at, 4);
    return w;
  };
  EXPECT_EQ(word(0), 3);
  EXPECT_EQ(word(4), 2);
  EXPECT_EQ(word(8), kPoolReals);
  EXPECT_EQ(word(12), kPoolInts);
  EXPECT_EQ(word(16 + 12), 7);  // km[1]
  const size_t cls = 16 + 20;
  EXPECT_EQ(word(cls + 1140), 7);  // iclass after the titles and codes
  const size_t cht1 = cls + 4316 + 32 + 600 + 100;
  EXPECT_EQ(word(cht1 + 168), std::bit_cast<int32_t>(11.0f));  // the first history word
  const size_t mesh = cht1 + 172;
  EXPECT_EQ(word(mesh + 4 * 12), 42);            // n1
  EXPECT_EQ(word(mesh + 800 + 676 - 4), 12);     // the last history word
  EXPECT_EQ(word(mesh + 800 + 676 + 1196), 77);  // the last parameter word
}

TEST_F(StateBuffer, RoundTripRestoresPoolsAndRecords) {
  fill_task();
  rewrin(*s, 2, file_);
  test::TestHost other_host;
  Session fresh(other_host);
  console_install(fresh);
  iniclass(fresh);
  fresh.csize = Csize{kPoolReals, kPoolInts, 0, 0};
  rewrin(fresh, 1, file_);
  EXPECT_FALSE(flag_tst(fresh));
  EXPECT_EQ(fresh.csize.maxa, 3);
  EXPECT_EQ(fresh.a[2], -2.0f);
  EXPECT_EQ(fresh.km[2], -9);
  EXPECT_EQ(fresh.cht.itask, kTaskPrepared);
  EXPECT_EQ(fresh.cht.hist.interval, 12);
  EXPECT_EQ(fresh.cmesh.n1, 42);
  EXPECT_EQ(fresh.cparm.iw[299], 77);
  EXPECT_EQ(field_str(fresh.cls.datfile), "./dif/test.dif");
}

TEST_F(StateBuffer, WritingReplacesAnOldBufferCompletely) {
  fill_task();
  rewrin(*s, 2, file_);
  s->csize.maxa = 0;
  s->csize.maxk = 0;
  rewrin(*s, 2, file_);
  EXPECT_EQ(fs::file_size(file_), 9516u);  // an empty task: the header and the records only
  for (const auto& entry : fs::directory_iterator(dir_)) {
    EXPECT_EQ(entry.path().filename(), "run1.buf") << "no temporary file is left behind";
  }
}

TEST_F(StateBuffer, TruncatedOrOverlongFileIsRefusedBeforeAnythingChanges) {
  fill_task();
  rewrin(*s, 2, file_);
  for (const intmax_t delta : {-1, 1}) {
    fs::resize_file(file_, 9516 + 20 + delta);
    s->csize.maxa = 1;
    s->a[1] = 99.0f;
    s->cmesh.n1 = 5;
    host.press(key::kEnter);
    rewrin(*s, 1, file_);
    EXPECT_TRUE(flag_tst(*s));
    flag_off(*s);
    EXPECT_EQ(s->csize.maxa, 1);
    EXPECT_EQ(s->a[1], 99.0f);
    EXPECT_EQ(s->cmesh.n1, 5);
  }
}

// Pointers and counts that reach outside the pools, or node numbers that do not exist, are
// refused with the record's name, and the task stays as it was.
TEST_F(StateBuffer, RecordsThatDoNotFitThePoolsAreRefused) {
  fill_task();
  const Session good = *s;
  const std::pair<const char*, std::function<void(Session&)>> faults[] = {
      {"cmesh", [](Session& t) { t.cmesh.jrz = kPoolReals - 10; }},
      {"cmesh",  // one element with node 43 of a mesh of 42 nodes
       [](Session& t) { t.cmesh.n2 = 1, t.cmesh.m = 3, t.km[2] = 43, t.csize.maxk = 3; }},
      {"cht", [](Session& t) { t.cht.ipp[0] = -5, t.cht.nipp = 1; }},
      {"class", [](Session& t) { t.cls.nfun = 21; }},
  };
  for (const auto& [record, spoil] : faults) {
    *s = good;
    spoil(*s);
    rewrin(*s, 2, file_);
    *s = good;
    s->a[1] = 99.0f;
    host.press(key::kEnter);
    rewrin(*s, 1, file_);
    EXPECT_TRUE(seen(std::string("rewri:record ") + record + " is damaged: ")) << record;
    flag_off(*s);
    EXPECT_TRUE(s->a[1] == 99.0f && s->csize.maxk == 2 && s->cmesh.n1 == 42) << record;
  }
}

// The header's sizes are compared with the file's length before the file is read: a huge file
// is refused at once, without reading it into memory.
TEST_F(StateBuffer, HugeFileIsRefusedFromItsLength) {
  fill_task();
  rewrin(*s, 2, file_);
  fs::resize_file(file_, uintmax_t{1} << 30);
  host.press(key::kEnter);
  const auto start = std::chrono::steady_clock::now();
  rewrin(*s, 1, file_);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_TRUE(seen("rewri:file is damaged"));
}

// A temporary left by a writer that no longer runs is removed; one of a running program is not.
TEST_F(StateBuffer, StaleTemporariesAreRemoved) {
  const fs::path stale = dir_ / "run1.buf.tmp99999999";  // above any process number
  const fs::path live = dir_ / ("run2.buf.tmp" + std::to_string(::getppid()));
  for (const fs::path& p : {stale, live, dir_ / "notes.tmp"}) std::ofstream(p) << "x";
  EXPECT_EQ(remove_stale_temporaries(dir_.string()), 1);
  EXPECT_FALSE(fs::exists(stale));
}

TEST_F(StateBuffer, FailedWriteKeepsTheOldBuffer) {
  fill_task();
  rewrin(*s, 2, file_);
  const std::vector<uint8_t> before = slurp(file_);
  // The temporary file cannot be made: a directory stands in its place.
  fs::create_directories(file_ + ".tmp" + std::to_string(::getpid()));
  s->cmesh.n1 = 1000;
  host.press(key::kEnter);
  rewrin(*s, 2, file_);
  EXPECT_TRUE(flag_tst(*s));
  EXPECT_TRUE(seen("rewri:can not write file"));
  EXPECT_EQ(slurp(file_), before);
}

TEST_F(StateBuffer, SnapshotLargerThanThePoolsEmptiesThem) {
  fill_task();
  rewrin(*s, 2, file_);
  {
    std::fstream f(file_, std::ios::in | std::ios::out | std::ios::binary);
    const int32_t too_big = kPoolReals + 1;
    f.write(reinterpret_cast<const char*>(&too_big), 4);
  }
  s->cmesh.n1 = 5;
  host.press(key::kEnter);  // the refusal's message
  rewrin(*s, 1, file_);
  EXPECT_EQ(s->csize.maxa, 0);
  EXPECT_EQ(s->csize.maxk, 0);
  EXPECT_EQ(s->cht.itask, 0);
  EXPECT_EQ(s->cmesh.n1, 5) << "the records keep their contents";
}

TEST_F(StateBuffer, DataFileExtensionChoosesTheClass) {
  fill_task();
  set_field(s->cls.datfile, "case1.gs");
  s->cls.iclass = 5;
  rewrin(*s, 2, file_);
  rewrin(*s, 1, file_);
  EXPECT_EQ(s->cls.iclass, 2);

  set_field(s->cls.datfile, "case1.zzz");
  rewrin(*s, 2, file_);
  host.press(key::kEnter);
  rewrin(*s, 1, file_);
  EXPECT_TRUE(flag_tst(*s));
  EXPECT_TRUE(seen(" executable does not contain class:zzz"));
  EXPECT_TRUE(seen(" variant=case1.zzz"));
}

TEST_F(StateBuffer, MissingFileLeavesTheTaskAndSaysSo) {
  s->cmesh.n1 = 5;
  host.press(key::kEnter);
  rewrin(*s, 1, (dir_ / "none.buf").string());
  EXPECT_FALSE(flag_tst(*s));
  EXPECT_EQ(s->cmesh.n1, 5);
  EXPECT_EQ(first_seen("rewri:file \"" + (dir_ / "none.buf").string().substr(0, 12)), 0);
}

TEST(BufferNames, ExtensionIsForced) {
  EXPECT_EQ(namext("run1", "buf"), "run1.buf");
  EXPECT_EQ(namext("run1.buf", "buf"), "run1.buf");
  EXPECT_EQ(namext("run1.dat", "buf"), "run1.buf");
  EXPECT_EQ(namext("a.b.c", "dif"), "a.b.dif");
  EXPECT_EQ(namext("run1   ", "buf"), "run1.buf");
}

}  // namespace
}  // namespace tivor::shell_test
