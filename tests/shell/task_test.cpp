// The shell actions that drive a class manager (a class without a manager, the film schedule set
// before a run), and arrays laid out in the pools: pointers at the mark, the mark moved past
// them, refusals that set the flag and say why; and pools sized for a large task, which read zero
// and take memory only where the task writes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "core/newarr.hpp"
#include "shell/shell.hpp"
#include "support/screen_session.hpp"
#include "support/test_host.hpp"

namespace tivor::shell_test {
namespace {

class TaskActions : public test::ScreenSession {
 protected:
  void SetUp() override {
    iniclass(*s);
    // A diffusion manager with one method that records the film's next frame when it runs.
    auto dif = [this](Session& ss, int itask) {
      ss.cls.nmethod = 1;
      set_field(ss.cls.mtname[0], "cj implicit");
      if (itask > 0) inp_seen = ss.cterm.inp, ss.cht.is = ss.cht.isp;
    };
    s->managers.push_back({"dif ", dif, nullptr});
  }
  void choose(int k) {
    host.press(key::kHome);
    for (int i = 1; i < k; ++i) host.press(key::kDown);
    host.press(key::kEnter);
  }
  int32_t inp_seen = -1;
};

TEST_F(TaskActions, ClassWithoutManagerHasNoMethodAndPreparesNothing) {
  choose(7);
  aclass(*s);
  choose(1);
  amethod(*s);
  ASSERT_EQ(s->cls.imethod, 1);

  choose(1);  // "2D elasto-plastic media (lagrange)": no manager in this program
  aclass(*s);
  EXPECT_EQ(s->cls.imethod, 0) << "choosing a class clears the method";
  host.press(key::kEnter);
  amethod(*s);
  EXPECT_TRUE(seen(" amethod:the class has no methods in this program") &&
              s->cls.imethod + s->cls.nmethod == 0);
  flag_off(*s);

  s->cls.imethod = 1;  // as a buffer of an older program may leave it
  host.press(key::kEnter);
  atask(*s);
  EXPECT_TRUE(flag_tst(*s) && seen(" atask:the class has no manager in this program"));
}

TEST_F(TaskActions, GoSchedulesTheNextFilmFrameFromTheStepCounter) {
  choose(7);
  aclass(*s);
  s->cls.imethod = 1, s->cht.is = 4, s->cht.ifilm = -1, s->cterm.np = 3;
  s->cterm.inp = 1;  // behind: left from an earlier state
  host.line("2");
  awork(*s);
  EXPECT_EQ(inp_seen, 7);
}

class NewarrTest : public ::testing::Test {
 protected:
  NewarrTest() : s(host) {
    s.up.print_line = [this](std::string_view t) { lines.emplace_back(t); };
    s.up.pause = [this](std::string_view t) { lines.emplace_back(t); };
  }
  test::TestHost host;
  Session s;
  std::vector<std::string> lines;
};

TEST_F(NewarrTest, ConsecutiveArraysFromTheMark) {
  int32_t j[4] = {0, 0, 0, -1}, mark = 100;
  EXPECT_EQ(newarr(s, j, 1, 3, 10, mark, 1000, "jdf"), 0);
  EXPECT_EQ((std::vector<int32_t>{j[0], j[1], j[2], j[3], mark}),
            (std::vector<int32_t>{100, 110, 120, -1, 130}));
  // k2 < k1: entry k1 alone; then empty arrays.
  EXPECT_TRUE(newarr(s, j, 4, 2, 5, mark, 1000, "jdf") == 0 && j[3] == 130 && mark == 135);
  EXPECT_TRUE(newarr(s, j, 1, 3, 0, mark, 1000, "jdf") == 0 && j[2] == 135 && mark == 135);
  EXPECT_TRUE(iflag(s) == 0 && lines.empty());
}

TEST_F(NewarrTest, FillingThePoolExactlyIsRefused) {
  int32_t j = 0, mark = 950;
  // The mark stays advanced.
  EXPECT_TRUE(newarr(s, &j, 1, 1, 50, mark, 1000, "jfna") == 1 && iflag(s) == 1 && mark == 1000);
  EXPECT_EQ(lines, (std::vector<std::string>{"newarr:not enouth memory for array :jfna",
                                             "available=1000", "required= 1000", ""}));
  flag_off(s);
  mark = 950;
  EXPECT_TRUE(newarr(s, &j, 1, 1, 49, mark, 1000, "jfna") == 0 && mark == 999 && iflag(s) == 0);
}

TEST_F(NewarrTest, HugeRequestFailsInsteadOfWrapping) {
  int32_t j[3] = {0, 0, 0}, mark = 10;
  const int32_t big = std::numeric_limits<int32_t>::max() - 5;
  EXPECT_TRUE(newarr(s, j, 1, 3, big, mark, kPoolReals, std::string(60, 'x')) == 1 &&
              iflag(s) == 1 && mark > kPoolReals);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].size(), 50u);  // the name is cut with the line
  EXPECT_EQ(lines[2], "required= " + std::to_string(10 + 3 * int64_t{big}));
}

TEST_F(NewarrTest, BadCallsAreRefused) {
  int32_t j[2] = {4, 4}, mark = 20;
  EXPECT_EQ(newarr(s, j, 0, 2, 5, mark, 1000, "j"), 1);
  EXPECT_EQ(newarr(s, j, 1, 2, -3, mark, 1000, "j"), 1);
  EXPECT_TRUE(iflag(s) == 1 && mark == 20 && j[0] == 4);
  EXPECT_EQ(lines, (std::vector<std::string>{" error calling newarr ", " error calling newarr "}));
}

}  // namespace
}  // namespace tivor::shell_test

namespace tivor::shell_test {
namespace {

// The resident set of the process in bytes.
size_t resident_bytes() {
  std::ifstream statm("/proc/self/statm");
  size_t pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// Pools sized for a large task read zero and cost memory only where the task writes.
TEST(Pools, LargePoolsReadZeroAndCommitOnlyWhatIsWritten) {
  test::TestHost host;
  constexpr int32_t kWords = 100'000'000;  // 400 MB each
  const size_t before = resident_bytes();
  auto s = std::make_unique<Session>(host, kWords, kWords);
  EXPECT_LT(resident_bytes() - before, size_t{40} << 20);
  for (int32_t k : {1, kWords / 2, kWords}) {
    EXPECT_EQ(s->a[static_cast<size_t>(k)], 0.0f);
    EXPECT_EQ(s->km[static_cast<size_t>(k)], 0);
  }
  s->a[kWords] = 2.5f;
  EXPECT_EQ(s->a[kWords], 2.5f);
}

}  // namespace
}  // namespace tivor::shell_test
