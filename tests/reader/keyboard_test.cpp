// Questions answered at the keyboard: values only, the rest of a line kept for the next
// question, bad answers asked again, special keys abandoning.
#include "reader/reader_fixture.hpp"

namespace tivor {
namespace {

using KeyboardTest = ReaderTest;

TEST_F(KeyboardTest, RestOfALineAnswersTheNextQuestion) {
  locate1(*s, 1, 20);
  host.type("3 4\r");
  EXPECT_EQ(integer("n"), 3);
  EXPECT_EQ(row(20), " prompt3 4");
  EXPECT_EQ(integer("n"), 4);  // no key needed
  EXPECT_TRUE(host.events.empty());
  host.type("2.5\r");
  EXPECT_FLOAT_EQ(real("x"), 2.5f);
  EXPECT_EQ(s->history.lines[static_cast<size_t>(s->history.count - 1)], "2.5");
}

TEST_F(KeyboardTest, BadAnswerIsErasedAndTheQuestionAskedAgain) {
  locate1(*s, 1, 20);
  host.type("1 x\r");
  host.type("5 6\r");
  int32_t v[2] = {};
  int n = 2;
  ASSERT_EQ(readi(*s, " two values?", v, n, "ignored", 0), 0);
  EXPECT_TRUE(v[0] == 5 && v[1] == 6);
  EXPECT_EQ(row(20), " two values?5 6");
  EXPECT_EQ(iflag(*s), 0);

  host.type("cur=1\r7\r");  // no keywords at the keyboard
  EXPECT_EQ(integer("cur"), 7);
}

TEST_F(KeyboardTest, ListsEndWithTheEndMark) {
  host.type("1 2\r3&\r");
  int32_t v[4] = {};
  int n = 0;
  ASSERT_EQ(readi(*s, " list", v, n, "", -1, 4), 0);
  EXPECT_TRUE(n == 3 && v[2] == 3);
  host.type("1 2 3 4 5&\r");  // too long: asked again
  host.type("9&\r");
  ASSERT_EQ(readi(*s, " list", v, n, "", -1, 4), 0);
  EXPECT_TRUE(n == 1 && v[0] == 9);
}

TEST_F(KeyboardTest, SpecialKeyAbandonsTheQuestionWithoutFlag) {
  host.type("12");
  host.press(key::kEsc);
  EXPECT_EQ(integer("n"), -99);
  EXPECT_TRUE(last_rc == 1 && iflag(*s) == 0 && s->crd.ip == 0);
}

}  // namespace
}  // namespace tivor
