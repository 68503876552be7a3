// ADMP: pool stretches shown and edited with their ranges cut to the pools, the record dumps
// with their labels, the time record's coefficients, and the waits.
#include <gtest/gtest.h>

#include <string>

#include "console/console.hpp"
#include "shell/checker.hpp"
#include "shell/shell_fixture.hpp"

namespace tivor::shell_test {
namespace {

std::string real(float x) {
  return fmt_real(x, "(e11.3)");
}

using AdmpTest = ShellTest;

TEST_F(AdmpTest, PoolIntervalsAreCutToThePools) {
  s->a[1] = 1.5f;
  s->a[2] = 2.5f;
  for (int i = 1; i <= 12; ++i) s->km[kPoolInts - 12 + i] = 100 + i;
  host.line("a 0 2");
  host.press(' ');
  admp(*s, 0);
  EXPECT_TRUE(seen("a=" + real(1.5f) + real(2.5f)));

  host.line("km " + std::to_string(kPoolInts - 11) + " 2000000");
  host.press(' ');
  admp(*s, 0);
  std::string first_ten;
  for (int i = 1; i <= 10; ++i) first_ten += fmt_int(100 + i, "(i8)");
  EXPECT_TRUE(seen("km="));
  EXPECT_TRUE(seen(first_ten));  // ten to a line
  EXPECT_TRUE(seen(fmt_int(111, "(i8)") + fmt_int(112, "(i8)")));

  screens.clear();
  cls(*s);
  host.line("a 9 3");  // empty: nothing shown, still the wait
  host.press(' ');
  admp(*s, 0);
  EXPECT_FALSE(seen("a="));
  EXPECT_TRUE(host.events.empty());
}

TEST_F(AdmpTest, EditReadsAllValuesInOneRequest) {
  host.line("km " + std::to_string(kPoolInts - 1) + " 2000000");
  host.line("5");
  host.line("6");
  host.press(' ');
  admp(*s, 1);
  EXPECT_EQ(s->km[kPoolInts - 1], 5);
  EXPECT_EQ(s->km[kPoolInts], 6);
  EXPECT_TRUE(seen("new value?"));
  EXPECT_TRUE(host.events.empty());

  s->a[5] = 1.0f;
  host.line("a 5 6 9");  // one value given, then Esc: nothing changes
  host.press(key::kEsc);
  admp(*s, 1);
  EXPECT_EQ(s->a[5], 1.0f);
}

TEST_F(AdmpTest, RecordDumpsAreLabelled) {
  s->ctime1.itrace = 3;
  s->ctime1.rtim1 = 1.0f;
  s->ctime1.rtim2 = 2.0f;
  set_field(s->ctime1.modname1, "dim");
  host.line("cmem");
  host.line("ctime");
  host.press(' ');
  admp(*s, 0);
  EXPECT_TRUE(seen(" incorrect name of common-block"));
  EXPECT_TRUE(seen("\n*** ctime ***")) << "the dump starts on a line of its own";
  EXPECT_TRUE(seen("rtim1,rtim2=" + real(1.0f) + real(2.0f)));
  EXPECT_TRUE(seen("itrace=" + fmt_int(3, "(i8)")));
  EXPECT_TRUE(seen("modname1=\"dim\""));
  EXPECT_TRUE(seen("*** end ctime ***"));

  for (const char* name : {"crd", "term", "grf", "term3", "chistor"}) {
    host.line(name);
    for (int i = 0; i < 20; ++i) host.press('n');
    admp(*s, 0);
    host.events.clear();
  }
  for (const char* frame : {"*** crd ***", "*** cterm ***", "*** grf ***", "*** cterm3 ***",
                            "*** chistor ***", "htdyn=", "str=\"crd\""}) {
    EXPECT_TRUE(seen(frame)) << frame;
  }

  screens.clear();
  host.line("grf");  // edit mode: record names do nothing
  host.press(' ');
  admp(*s, 1);
  EXPECT_FALSE(seen("*** grf ***"));
  EXPECT_TRUE(host.events.empty());
}

TEST_F(AdmpTest, MeshRecordDumpPagesThroughItsFields) {
  s->cmesh.jmcd = 4321;
  s->cmesh.hx = 0.125f;
  host.line("cmesh");
  for (int i = 0; i < 10; ++i) host.press(' ');
  admp(*s, 0);
  EXPECT_TRUE(seen(" ************ cmesh ********"));
  EXPECT_TRUE(seen("jdcr(6)="));
  EXPECT_TRUE(seen("jcd,jdcd,jmcd="));
  EXPECT_TRUE(seen(fmt_int(0, "(i8)") + fmt_int(0, "(i8)") + fmt_int(4321, "(i8)")));
  EXPECT_TRUE(seen("hx,hy,hz=" + real(0.125f) + real(0.0f) + real(0.0f)));
  EXPECT_TRUE(seen(" ******* end cmesh ********"));
  EXPECT_TRUE(seen("more?"));
}

TEST_F(AdmpTest, TimeRecordTakesNewCoefficientsWithoutAWait) {
  s->cht.cur = 0.5f;
  host.line("cht");
  host.press(key::kEsc);  // old values kept
  admp(*s, 0);
  EXPECT_EQ(s->cht.cur, 0.5f);
  EXPECT_TRUE(seen("cur,bet,sgl1(3)="));
  EXPECT_TRUE(seen("new values?(esc - old values)"));

  host.line("cht");
  host.line("0.4 0.3 0.1 0.2 0.3");
  admp(*s, 0);
  EXPECT_FLOAT_EQ(s->cht.cur, 0.4f);
  EXPECT_FLOAT_EQ(s->cht.bet, 0.3f);
  EXPECT_FLOAT_EQ(s->cht.sgl1[2], 0.3f);
  EXPECT_TRUE(host.events.empty());
}

}  // namespace
}  // namespace tivor::shell_test
