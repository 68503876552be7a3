// ADMP: pool stretches shown and edited with their ranges cut to the pools, the record dumps
// with their labels, the time record's coefficients, and the waits.
#include <gtest/gtest.h>

#include <string>

#include "console/console.hpp"
#include "shell/checker.hpp"
#include "support/screen_session.hpp"

namespace tivor::shell_test {
namespace {

std::string real(float x) {
  return fmt_real(x, "(e11.3)");
}

class AdmpTest : public test::ScreenSession {
 protected:
  // Shows what the typed line names and closes the listing with a key.
  void show(const std::string& line) {
    host.line(line);
    host.press(' ');
    admp(*s, 0);
  }
};

TEST_F(AdmpTest, PoolIntervalsAreCutToThePools) {
  s->a[1] = 1.5f;
  s->a[2] = 2.5f;
  for (int i = 1; i <= 12; ++i) s->km[kPoolInts - 12 + i] = 100 + i;
  show("a 0 2");
  EXPECT_TRUE(seen("a=" + real(1.5f) + real(2.5f)));

  show("km " + std::to_string(kPoolInts - 11) + " 2000000");
  std::string first_ten;
  for (int i = 1; i <= 10; ++i) first_ten += fmt_int(100 + i, "(i8)");
  EXPECT_TRUE(seen("km=") && seen(first_ten));  // ten to a line
  EXPECT_TRUE(seen(fmt_int(111, "(i8)") + fmt_int(112, "(i8)")));

  screens.clear();
  cls(*s);
  show("a 9 3");  // empty: nothing shown, still the wait
  EXPECT_FALSE(seen("a="));
  EXPECT_TRUE(host.events.empty());
}

TEST_F(AdmpTest, EditReadsAllValuesInOneRequest) {
  host.script("km " + std::to_string(kPoolInts - 1) + " 2000000<Enter>5<Enter>6<Enter> ");
  admp(*s, 1);
  EXPECT_TRUE(s->km[kPoolInts - 1] == 5 && s->km[kPoolInts] == 6);
  EXPECT_TRUE(seen("new value?") && host.events.empty());

  s->a[5] = 1.0f;
  host.script("a 5 6 9<Enter><Esc>");  // one value given, then Esc: nothing changes
  admp(*s, 1);
  EXPECT_EQ(s->a[5], 1.0f);
}

TEST_F(AdmpTest, RecordDumpsAreLabelled) {
  s->ctime1.itrace = 3;
  s->ctime1.rtim1 = 1.0f;
  s->ctime1.rtim2 = 2.0f;
  set_field(s->ctime1.modname1, "dim");
  host.script("cmem<Enter>ctime<Enter> ");
  admp(*s, 0);
  EXPECT_TRUE(seen("\n*** ctime ***")) << "the dump starts on a line of its own";
  EXPECT_EQ(unseen({" incorrect name of common-block", "rtim1,rtim2=" + real(1.0f) + real(2.0f),
                    "itrace=" + fmt_int(3, "(i8)"), "modname1=\"dim\"", "*** end ctime ***"}),
            "");

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
  host.script("grf<Enter> ");  // edit mode: record names do nothing
  admp(*s, 1);
  EXPECT_FALSE(seen("*** grf ***"));
  EXPECT_TRUE(host.events.empty());
}

TEST_F(AdmpTest, MeshRecordDumpPagesThroughItsFields) {
  s->cmesh.jmcd = 4321;
  s->cmesh.hx = 0.125f;
  host.script("cmesh<Enter>          ");
  admp(*s, 0);
  EXPECT_EQ(unseen({" ************ cmesh ********", "jdcr(6)=", "jcd,jdcd,jmcd=",
                    fmt_int(0, "(i8)") + fmt_int(0, "(i8)") + fmt_int(4321, "(i8)"),
                    "hx,hy,hz=" + real(0.125f) + real(0.0f) + real(0.0f),
                    " ******* end cmesh ********", "more?"}),
            "");
}

TEST_F(AdmpTest, TimeRecordTakesNewCoefficientsWithoutAWait) {
  s->cht.cur = 0.5f;
  host.script("cht<Enter><Esc>");  // old values kept
  admp(*s, 0);
  EXPECT_EQ(s->cht.cur, 0.5f);
  EXPECT_TRUE(seen("cur,bet,sgl1(3)=") && seen("new values?(esc - old values)"));

  host.script("cht<Enter>0.4 0.3 0.1 0.2 0.3<Enter>");
  admp(*s, 0);
  EXPECT_TRUE(s->cht.cur == 0.4f && s->cht.bet == 0.3f && s->cht.sgl1[2] == 0.3f);
  EXPECT_TRUE(host.events.empty());
}

}  // namespace
}  // namespace tivor::shell_test
