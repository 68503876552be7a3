// Lines of a data file (line ends, Ctrl-Z, large files), switching the source, questions answered
// at the keyboard (values only, bad answers asked again, special keys abandoning), and words for
// names and plain integers.
#include "reader/reader_fixture.hpp"

namespace tivor {
namespace {

class LineInputTest : public ReaderTest {
 protected:
  // Reads every line up to the end of the file, trailing blanks removed.
  std::vector<std::string> lines() {
    std::vector<std::string> out;
    for (;;) {
      std::string line;
      int ierr = 0;
      txtl(*s, line, ierr, s->crd.in);
      if (ierr != 0) break;
      EXPECT_EQ(line.size(), 80u);
      out.push_back(rtrim(line));
    }
    return out;
  }
};

using Lines = std::vector<std::string>;

TEST_F(LineInputTest, CarriageReturnLineFeedAndLoneLineFeedEndLines) {
  for (const char* bytes : {"a=1\rbb=2\r\rc=3\r", "a=1\r\nbb=2\r\n\r\nc=3\r\n",
                            "a=1\nbb=2\n\nc=3\n", "a=1\r\nbb=2\n\rc=3"}) {
    SCOPED_TRACE(bytes);
    open(bytes);
    EXPECT_EQ(lines(), (Lines{"a=1", "bb=2", "", "c=3"}));
    EXPECT_EQ(s->crd.inm, 4);
  }
}

TEST_F(LineInputTest, CtrlZEndsTheInput) {
  open("a=1\r\n\032b=2\r\n");  // \032 is Ctrl-Z
  EXPECT_EQ(lines(), (Lines{"a=1"}));
  open("a=1\r\nb=2\x1a\r\nc=3\r\n");
  EXPECT_EQ(lines(), (Lines{"a=1", "b=2"}));
}

TEST_F(LineInputTest, FileLargerThanSignedSixteenBitPositionsIsReadToItsEnd) {
  std::string bytes;
  for (int i = 1; i <= 4000; ++i) bytes += "v=" + std::to_string(i) + "       \r\n";
  ASSERT_GT(bytes.size(), 40000u);
  open(bytes);
  int last = 0;
  for (int i = 1; i <= 4000; ++i) last = integer("v");
  EXPECT_TRUE(last_rc == 0 && last == 4000 && s->crd.inm == 4000);
}

TEST_F(LineInputTest, MissingFileWarnsWaitsAndTakesTheErrorExit) {
  host.type("k");
  int unit = 7;
  EXPECT_EQ(readfrom(*s, unit, "none.dif"), 1);
  // Still the keyboard afterwards.
  EXPECT_TRUE(shown(" Warning: file \"none.dif\" does not exist.") && host.events.empty() &&
              s->crd.kterm == 1);
}

TEST_F(LineInputTest, SwitchingToTheKeyboardAndBack) {
  open("a=1 b=2\r\nc=3\r\n");
  EXPECT_EQ(integer("a"), 1);
  readin(*s, 0, "&", kKeyboardUnit, 1);
  host.type("5\r");
  EXPECT_EQ(integer("x"), 5);
  rstread(*s);  // the rest of the file's current line is dropped
  EXPECT_EQ(integer("c"), 3);

  int unit = kKeyboardUnit;
  ASSERT_EQ(readfrom(*s, unit, "keyboard"), 0);
  EXPECT_TRUE(s->astime.bytes.empty() && s->astime.handle == 0);
  rstread(*s);  // no file: nothing changes
  EXPECT_EQ(s->crd.kterm, 1);
}

TEST_F(LineInputTest, SpecialKeysEndKeyboardLinesWithTheirCodes) {
  std::string line;
  int ierr = 0;
  for (const auto& [k, code] : {std::pair{key::kEsc, 27}, {key::kF1, 256 + 59}, {'\r', 0}}) {
    host.type("ab");
    host.press(k);
    txtl(*s, line, ierr, kKeyboardUnit);
    EXPECT_EQ(ierr, code);
  }
  EXPECT_EQ(rtrim(line), "ab");
}

// The rest of a typed line answers the next question: see the checker and command tests.
TEST_F(LineInputTest, BadAnswerIsErasedAndTheQuestionAskedAgain) {
  locate1(*s, 1, 20);
  host.script("1 x<Enter>5 6<Enter>");
  int32_t v[2] = {};
  int n = 2;
  ASSERT_EQ(readi(*s, " two values?", v, n, "ignored", 0), 0);
  EXPECT_TRUE(v[0] == 5 && v[1] == 6 && iflag(*s) == 0);
  EXPECT_EQ(row(20), " two values?5 6");

  host.type("cur=1\r7\r");  // no keywords at the keyboard
  EXPECT_EQ(integer("cur"), 7);
}

TEST_F(LineInputTest, ListsEndWithTheEndMark) {
  host.type("1 2\r3&\r");
  int32_t v[4] = {};
  int n = 0;
  EXPECT_TRUE(readi(*s, " list", v, n, "", -1, 4) == 0 && n == 3 && v[2] == 3);
  host.script("1 2 3 4 5&<Enter>9&<Enter>");  // too long: asked again
  EXPECT_TRUE(readi(*s, " list", v, n, "", -1, 4) == 0 && n == 1 && v[0] == 9);
}

TEST_F(LineInputTest, SpecialKeyAbandonsTheQuestionWithoutFlag) {
  host.script("12<Esc>");
  EXPECT_TRUE(integer("n") == -99 && last_rc == 1 && iflag(*s) == 0 && s->crd.ip == 0);
}

class WordReaderTest : public ReaderTest {
 protected:
  std::string word(int max = 8, std::string_view prompt = "") {
    std::string w;
    readname(*s, w, max, len, prompt);
    return w;
  }
  int len = -1;
};

TEST_F(WordReaderTest, WordsFromTheLineThenFromNewLines) {
  open("  alpha beta\r\n\r\ntoolongword x\r\ngamma\r\n");
  EXPECT_TRUE(word() == "alpha" && len == 5);
  EXPECT_EQ(word(), "beta");
  EXPECT_TRUE(word().empty() && len == 0);  // a blank line: nothing read
  host.type("k");
  locate1(*s, 1, 10);
  EXPECT_EQ(word(), "gamma");                           // too long: the rest of its line is dropped
  EXPECT_TRUE(host.events.empty() && row(10).empty());  // the message was erased
  host.type("k");
  EXPECT_TRUE(word().empty() && len == 0 && shown("readname:read error"));
}

TEST_F(WordReaderTest, KeyboardAnswersAndTheTooLongMessage) {
  locate1(*s, 1, 20);
  host.script("abcdefghijk<Enter>kabc def<Enter>");  // a key for the message
  EXPECT_EQ(word(10, " enter name:"), "abc");
  EXPECT_EQ(word(10, " enter name:"), "def");
  host.script("<Enter><Esc>");
  EXPECT_TRUE(word(10, " enter name:").empty() && len == 0);
  EXPECT_TRUE(word(10, " enter name:").empty() && len == 0);
}

TEST(WordsInText, FirstWordAndIntegers) {
  int first = -1, last = -1;
  rdword("   ab cd", first, last);
  EXPECT_TRUE(first == 4 && last == 5);
  rdword("xyz", first, last);
  EXPECT_TRUE(first == 1 && last == 3);
  rdword("    ", first, last);
  EXPECT_EQ(first + last, 0);

  auto gt = [](const char* text) {
    int value = 5, ierr = -1;
    gtint(text, value, ierr);
    return std::pair(value, ierr);
  };
  for (const auto& [text, value] : {std::pair{" 42 ", 42},
                                    {"-7", -7},
                                    {"+0", 0},
                                    {"2147483647", 2147483647},
                                    {"-2147483648", -2147483647 - 1}})
    EXPECT_EQ(gt(text), std::pair(value, 0)) << text;
  // Refused, the value left as it was.
  for (const char* bad : {"2147483648", "", "  ", "-", "1 2", "- 1", "1.0", "12x"})
    EXPECT_EQ(gt(bad), std::pair(5, 1)) << bad;
}

}  // namespace
}  // namespace tivor
