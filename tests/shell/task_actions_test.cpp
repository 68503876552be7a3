// The shell actions that drive a class manager: what a class without a manager answers, and the
// film schedule set before a run.
#include <gtest/gtest.h>

#include "shell/shell.hpp"
#include "support/screen_session.hpp"

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
  EXPECT_TRUE(seen(" amethod:the class has no methods in this program"));
  EXPECT_EQ(s->cls.imethod + s->cls.nmethod, 0);
  flag_off(*s);

  s->cls.imethod = 1;  // as a buffer of an older program may leave it
  host.press(key::kEnter);
  atask(*s);
  EXPECT_TRUE(flag_tst(*s) && seen(" atask:the class has no manager in this program"));
}

TEST_F(TaskActions, GoSchedulesTheNextFilmFrameFromTheStepCounter) {
  choose(7);
  aclass(*s);
  s->cls.imethod = 1;
  s->cht.is = 4;
  s->cht.ifilm = -1;
  s->cterm.np = 3;
  s->cterm.inp = 1;  // behind: left from an earlier state
  host.line("2");
  awork(*s);
  EXPECT_EQ(inp_seen, 7);
}

}  // namespace
}  // namespace tivor::shell_test
