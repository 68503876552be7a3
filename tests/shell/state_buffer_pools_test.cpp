// State buffers between sessions whose pools were sized differently at start: a task is read
// back into any pools large enough for the words it holds, and refused with a message otherwise.
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "shell/shell.hpp"
#include "shell/shell_fixture.hpp"

namespace tivor::shell_test {
namespace {

namespace fs = std::filesystem;

class BufferPools : public ShellTest {
 protected:
  void TearDown() override { fs::remove(file_); }

  // A session of its own host with pools of the given sizes.
  static std::unique_ptr<Session> session(test::TestHost& h, int32_t na, int32_t nk) {
    auto t = std::make_unique<Session>(h, na, nk);
    console_install(*t);
    iniclass(*t);
    return t;
  }

  const std::string file_ =
      (fs::temp_directory_path() / ("tivor-pools-" + std::to_string(::getpid()) + ".buf")).string();
};

TEST_F(BufferPools, LargerTaskIsRefusedBySmallerPoolsAndReadByLargerOnes) {
  // A task using more of each pool than the default sizes hold, its last words recognisable.
  const int32_t maxa = kPoolReals + 5, maxk = kPoolInts + 3;
  test::TestHost big_host;
  auto big = session(big_host, maxa + 100, maxk + 100);
  big->csize.maxa = maxa;
  big->csize.maxk = maxk;
  big->a[maxa] = 2.5f;
  big->km[maxk] = -17;
  big->cht.itask = kTaskPrepared;
  big->cht.t = 0.75f;
  rewrin(*big, 2, file_);
  ASSERT_FALSE(flag_tst(*big));

  // The default pools: refused with the sizes needed, pools emptied, no task.
  s->csize.maxa = 10;
  s->cht.itask = kTaskPrepared;
  host.press(key::kEnter);
  rewrin(*s, 1, file_);
  EXPECT_TRUE(flag_tst(*s));
  EXPECT_TRUE(seen("rewri:buffer needs pools of 4000005 real and 1000003 integer words"))
      << screen();
  EXPECT_EQ(s->csize.maxa, 0);
  EXPECT_EQ(s->csize.maxk, 0);
  EXPECT_EQ(s->cht.itask, 0);
  EXPECT_EQ(s->csize.na, kPoolReals) << "the pools keep their size";

  // Pools exactly as large as the words in use: the task comes back whole, the pool sizes stay
  // those of the reading session.
  test::TestHost fit_host;
  auto fit = session(fit_host, maxa, maxk);
  rewrin(*fit, 1, file_);
  EXPECT_FALSE(flag_tst(*fit));
  EXPECT_EQ(fit->csize.na, maxa);
  EXPECT_EQ(fit->csize.nk, maxk);
  EXPECT_EQ(fit->csize.maxa, maxa);
  EXPECT_EQ(fit->csize.maxk, maxk);
  EXPECT_EQ(fit->a[maxa], 2.5f);
  EXPECT_EQ(fit->km[maxk], -17);
  EXPECT_EQ(fit->cht.itask, kTaskPrepared);
  EXPECT_EQ(fit->cht.t, 0.75f);
}

}  // namespace
}  // namespace tivor::shell_test
