// A state buffer written with larger pools: refused, with the sizes it needs, by a session with
// the default pools, and read back whole by one whose pools are just large enough.
#include <unistd.h>

#include <filesystem>

#include "shell/shell.hpp"
#include "shell/shell_fixture.hpp"

namespace tivor::shell_test {
namespace {

TEST_F(ShellTest, BufferOfLargerPoolsIsRefusedBySmallerOnesAndReadByLargerOnes) {
  const std::string file = "/tmp/tivor-pools-" + std::to_string(::getpid()) + ".buf";
  const int32_t maxa = kPoolReals + 5, maxk = kPoolInts + 3;
  Session big(host, maxa + 100, maxk + 100), fit(host, maxa, maxk);
  big.csize = Csize{maxa + 100, maxk + 100, maxa, maxk};
  big.km[maxk] = -17;
  big.cht.itask = s->cht.itask = kTaskPrepared;
  rewrin(big, 2, file);
  host.press(key::kEnter);
  rewrin(*s, 1, file);
  EXPECT_TRUE(flag_tst(*s) && s->csize.maxa == 0 && s->csize.maxk == 0 && s->cht.itask == 0);
  EXPECT_TRUE(seen("rewri:buffer needs pools of 4000005 real and 1000003 integer words"));
  rewrin(fit, 1, file);
  EXPECT_FALSE(flag_tst(fit));
  EXPECT_TRUE(fit.csize.maxa == maxa && fit.km[maxk] == -17 && fit.cht.itask == kTaskPrepared);
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace tivor::shell_test
