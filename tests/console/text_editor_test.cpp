#include "console/text_editor.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "console/console_fixture.hpp"
#include "console/text_file.hpp"
#include "host/test_dir.hpp"

namespace tivor {
namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buf;
  buf << in.rdbuf();
  return buf.str();
}

void spit(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class TextEditorTest : public ::testing::Test {
 protected:
  test::Console con;
  TestDir dir;
  std::vector<std::string> lines;
  int nlines = 1;
  std::string helpfile = "absent.hlp";

  // Fills the buffer for mode < 0.
  void buffer(const std::vector<std::string>& texts) {
    lines.clear();
    for (const std::string& t : texts) lines.push_back(text_file::fit(t));
    nlines = static_cast<int>(texts.size());
  }
  void keys(std::initializer_list<int> ks) {
    for (int k : ks) con.host.press(k);
  }
  void type(std::string_view t) { con.host.type(t); }
  void repeat(int k, int times) {
    for (int i = 0; i < times; ++i) con.host.press(k);
  }
  // Runs the editor over the queued keys; true when it was left, false when it was still
  // waiting for a key when they ran out (the screen then shows the editor).
  bool edit(int mode = -1, const std::string& file = "", int maxlines = 100) {
    try {
      beg(con.s, lines, maxlines, nlines, mode, file, helpfile);
    } catch (const ProgramStop& stop) {
      EXPECT_EQ(stop.status, 3);
      return false;
    }
    return true;
  }
  std::string text(int n) const { return rtrim(lines[static_cast<size_t>(n - 1)]); }
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (int n = 1; n <= nlines; ++n) out.push_back(text(n));
    return out;
  }
  std::string status() const { return con.trimmed(1); }
};

using Strings = std::vector<std::string>;

// ---- typing and line editing ----

TEST_F(TextEditorTest, TypingInsertsAndPushesOutColumn80) {
  buffer({"bcd" + std::string(76, ' ') + "Z"});
  keys({'a', key::kEsc});
  ASSERT_TRUE(edit());
  EXPECT_EQ(text(1), "abcd");
  EXPECT_EQ(lines[0].size(), 80u);

  // Codes above 241 and tabs are not text; 241 is.
  buffer({""});
  keys({242, 255, key::kTab, 241, key::kEsc});
  ASSERT_TRUE(edit());
  EXPECT_EQ(text(1), std::string(1, static_cast<char>(241)));
}

TEST_F(TextEditorTest, TypingIntoColumn80OverwritesItAndStaysThere) {
  buffer({""});
  type(std::string(79, 'a') + "bc");
  // Were the cursor beyond 80, Left would leave it at 80 and 'd' would be lost.
  keys({key::kLeft, 'd', key::kEsc});
  ASSERT_TRUE(edit());
  EXPECT_EQ(lines[0], std::string(78, 'a') + "da");
}

TEST_F(TextEditorTest, EnterSplitsAtTheCursorAndDoesNothingOnAFullBuffer) {
  buffer({"hello world"});
  repeat(key::kRight, 5);
  keys({key::kEnter, 'X', key::kEsc});
  ASSERT_TRUE(edit());
  EXPECT_EQ(texts(), (Strings{"hello", "X world"}));

  buffer({"ab", "cd"});
  keys({key::kRight, key::kEnter, 'X', key::kEsc});
  ASSERT_TRUE(edit(-1, "", 2));
  EXPECT_EQ(texts(), (Strings{"aXb", "cd"}));
}

TEST_F(TextEditorTest, BackspaceDeletesLeftOrJoinsKeepingTheFirst80Characters) {
  buffer({std::string(50, 'a'), std::string(60, 'b')});
  keys({key::kDown, key::kBksp, 'X', key::kEsc});
  ASSERT_TRUE(edit());
  ASSERT_EQ(nlines, 1);
  // The cursor went to column 51, just after the old text.
  EXPECT_EQ(lines[0], std::string(50, 'a') + "X" + std::string(29, 'b'));

  buffer({"abc", "d"});
  keys({key::kEnd, key::kBksp, key::kHome, key::kBksp, key::kEsc});
  ASSERT_TRUE(edit());
  EXPECT_EQ(texts(), (Strings{"ab", "d"}));
}

TEST_F(TextEditorTest, DelJoinsTheNextLineOnlyJustAfterTheText) {
  buffer({"ab", "cd", "ef"});
  keys({key::kEnd, key::kDel, key::kEsc});
  ASSERT_TRUE(edit());
  EXPECT_EQ(texts(), (Strings{"abcd", "ef"}));

  buffer({"ab", "cd"});
  keys({key::kEnd, key::kRight, key::kDel, key::kHome, key::kDel, key::kEsc});
  ASSERT_TRUE(edit());
  EXPECT_EQ(texts(), (Strings{"b", "cd"}));

  // On the last line there is nothing to join.
  buffer({"ab"});
  keys({key::kEnd, key::kDel, key::kEsc});
  ASSERT_TRUE(edit());
  EXPECT_EQ(texts(), (Strings{"ab"}));
}

TEST_F(TextEditorTest, CtrlYDeletesTheLineButBlanksTheLastOne) {
  buffer({"1", "2", "3"});
  keys({key::kCtrlY, key::kCtrlEnd, key::kCtrlY, key::kEsc});
  ASSERT_TRUE(edit());
  EXPECT_EQ(texts(), (Strings{"2", ""}));

  buffer({"only"});
  keys({key::kCtrlY, key::kCtrlY, key::kEsc});
  ASSERT_TRUE(edit());
  EXPECT_EQ(texts(), (Strings{""}));
}

// ---- cursor movement and the view ----

TEST_F(TextEditorTest, LeftAtColumnOneGoesToTheEndOfThePreviousLine) {
  buffer({"abc", "de", std::string(80, 'f'), ""});
  keys({key::kDown, key::kLeft, 'X'});
  // End on a full line and Left from the line below it both stop at column 80.
  keys({key::kDown, key::kDown, key::kDown, key::kHome, key::kLeft, 'Y', key::kEsc});
  ASSERT_TRUE(edit());
  EXPECT_EQ(text(1), "abcX");
  EXPECT_EQ(text(3), std::string(79, 'f') + "Y");
}

class TextEditorView : public TextEditorTest {
 protected:
  void SetUp() override {
    Strings t;
    for (int i = 1; i <= 100; ++i) t.push_back("L" + std::to_string(i));
    buffer(t);
  }
  // The status after the keys, the editor still waiting.
  std::string after(std::initializer_list<int> ks) {
    keys(ks);
    EXPECT_FALSE(edit());
    return status();
  }
  static std::string line_no(int n) { return " Line: " + std::to_string(n) + " "; }
};

TEST_F(TextEditorView, UpAndDownScrollAtTheTopAndBottomRows) {
  repeat(key::kDown, 23);
  EXPECT_NE(after({}).find(line_no(24)), std::string::npos);
  EXPECT_EQ(con.trimmed(2), "L2");
  EXPECT_EQ(con.trimmed(24), "L24");

  repeat(key::kDown, 23);
  repeat(key::kUp, 23);
  EXPECT_NE(after({}).find(line_no(1)), std::string::npos);
  EXPECT_EQ(con.trimmed(2), "L1");
}

TEST_F(TextEditorView, PageKeysGoToTheEdgeRowThenScrollBy22) {
  EXPECT_NE(after({key::kPgDn}).find(line_no(23)), std::string::npos);
  EXPECT_EQ(con.trimmed(2), "L1");
  EXPECT_NE(after({key::kPgDn, key::kPgDn}).find(line_no(45)), std::string::npos);
  EXPECT_EQ(con.trimmed(24), "L45");
  EXPECT_NE(after({key::kPgDn, key::kPgDn, key::kPgUp}).find(line_no(23)), std::string::npos);
  EXPECT_EQ(con.trimmed(2), "L23");
  EXPECT_NE(after({key::kPgDn, key::kPgDn, key::kPgUp, key::kPgUp}).find(line_no(1)),
            std::string::npos);
  EXPECT_EQ(con.trimmed(2), "L1");
}

TEST_F(TextEditorView, CtrlKeysGoToTheFirstAndLastLines) {
  EXPECT_NE(after({key::kCtrlEnd}).find(line_no(100)), std::string::npos);
  EXPECT_EQ(con.trimmed(24), "L100");
  EXPECT_NE(after({key::kCtrlPgDn, key::kCtrlHome}).find(line_no(1)), std::string::npos);
  EXPECT_EQ(con.trimmed(2), "L1");
  EXPECT_NE(after({key::kCtrlPgDn, key::kCtrlPgUp}).find(line_no(1)), std::string::npos);
}

// ---- block commands ----

class TextEditorBlocks : public TextEditorTest {
 protected:
  // Marks lines 2..3 of a..e: "s" on line 2, then "s" on line 4 ends the block on line 3.
  void mark() {
    buffer({"a", "b", "c", "d", "e"});
    keys({key::kDown, key::kF4, 's', key::kDown, key::kDown, key::kF4, 's'});
  }
};

TEST_F(TextEditorBlocks, MarkedLinesAreDrawnOnMagenta) {
  mark();
  ASSERT_FALSE(edit());
  EXPECT_EQ(con.attr(1, 2), 1 * 16 + 15);
  EXPECT_EQ(con.attr(1, 3), 5 * 16 + 15);
  EXPECT_EQ(con.attr(80, 4), 5 * 16 + 15);
  EXPECT_EQ(con.attr(1, 5), 1 * 16 + 15);
}

TEST_F(TextEditorBlocks, CopyMoveAndDelete) {
  mark();
  keys({key::kCtrlEnd, key::kF4, 'c', key::kEsc});
  ASSERT_TRUE(edit());
  EXPECT_EQ(texts(), (Strings{"a", "b", "c", "d", "b", "c", "e"}));

  mark();
  keys({key::kCtrlEnd, key::kF4, 'm', key::kEsc});
  ASSERT_TRUE(edit());
  EXPECT_EQ(texts(), (Strings{"a", "d", "b", "c", "e"}));

  mark();
  keys({key::kCtrlHome, key::kF4, 'm', key::kEsc});
  ASSERT_TRUE(edit());
  EXPECT_EQ(texts(), (Strings{"b", "c", "a", "d", "e"}));

  // Delete clears the marks: a second "d" deletes nothing.
  mark();
  keys({key::kF4, 'd', key::kF4, 'd', key::kEsc});
  ASSERT_TRUE(edit());
  EXPECT_EQ(texts(), (Strings{"a", "d", "e"}));
}

TEST_F(TextEditorBlocks, CopyNeedsRoomForTheWholeBlock) {
  mark();
  keys({key::kF4, 'c', key::kEsc});
  ASSERT_TRUE(edit(-1, "", 6));
  EXPECT_EQ(texts(), (Strings{"a", "b", "c", "d", "e"}));
}

TEST_F(TextEditorBlocks, MarksFollowTheirLinesWhenLinesAreInsertedAbove) {
  mark();
  keys({key::kCtrlHome, key::kEnter, key::kF4, 'd', key::kEsc});
  ASSERT_TRUE(edit());
  EXPECT_EQ(texts(), (Strings{"", "a", "d", "e"}));
}

// ---- leaving and saving ----

class TextEditorFiles : public TextEditorTest {
 protected:
  std::string file;
  void SetUp() override { file = dir.file("data.dat"); }
};

TEST_F(TextEditorFiles, SavePromptOnlyAfterAChangeAndOnlyWhenSavingIsAllowed) {
  spit(file, "abc\n");
  keys({key::kEsc});
  EXPECT_TRUE(edit(1, file));

  keys({'X', key::kEsc});
  EXPECT_FALSE(edit(1, file));
  EXPECT_EQ(con.row(25).substr(0, 15), "save? (Y/N/C)  ");
  EXPECT_EQ(con.attr(1, 25), 3 * 16 + 15);

  for (int mode : {0, -1}) {
    keys({'X', key::kEsc});
    EXPECT_TRUE(edit(mode, file)) << mode;
  }
  EXPECT_EQ(slurp(file), "abc\n");
}

TEST_F(TextEditorFiles, PromptAnswers) {
  spit(file, "abc\n");
  keys({'X', key::kEsc, 'n'});
  ASSERT_TRUE(edit(1, file));
  EXPECT_EQ(slurp(file), "abc\n");

  keys({'X', key::kCtrlC, 'c', 'Y', key::kEsc, 'Y'});
  ASSERT_TRUE(edit(1, file));
  EXPECT_EQ(slurp(file), "XYabc\n");
}

TEST_F(TextEditorFiles, F2SavesWithoutTrailingBlanksAndClearsTheChange) {
  spit(file, "a   \r\n\tb\n\n");
  keys({'X', key::kF2});
  ASSERT_FALSE(edit(1, file));
  EXPECT_EQ(slurp(file), "Xa\r\n\tb\n\n");
  EXPECT_EQ(con.trimmed(25), "File saved");
  EXPECT_EQ(con.attr(1, 25), 3 * 16 + 15);
  EXPECT_FALSE(std::filesystem::exists(file + ".saving"));

  // Saved: Esc leaves without asking.
  keys({'X', key::kF2, key::kEsc});
  EXPECT_TRUE(edit(1, file));

  // Mode 0 never writes.
  keys({'Q', key::kF2, key::kEsc});
  EXPECT_TRUE(edit(0, file));
  EXPECT_EQ(slurp(file), "XXa\r\n\tb\n\n");
}

TEST_F(TextEditorFiles, EveryLineEndSplitsAndAnUneditedSaveKeepsEveryByte) {
  const std::string comment = "*" + std::string(100000, 'c');
  const std::string bytes = "one\rtwo\r\nab\tc  \n" + comment + "\r\n\rend";
  spit(file, bytes);
  keys({key::kF2, key::kEsc});
  ASSERT_TRUE(edit(1, file));
  EXPECT_EQ(texts(), (Strings{"one", "two", "ab      c", comment.substr(0, 80), "", "end"}));
  for (int n = 1; n <= nlines; ++n) EXPECT_EQ(lines[n - 1].size(), 80u);
  EXPECT_EQ(slurp(file), bytes);
}

TEST_F(TextEditorFiles, EditedLinesKeepTheirLineEndsAndLongLinesStayWhole) {
  const std::string rest(90, 'w');
  spit(file, "a\rb" + rest + "\r");
  // Y typed into the long line moves its text right without losing any; Enter splits it.
  keys({'X', key::kDown, key::kHome, 'Y', key::kRight, key::kEnter, key::kF2});
  ASSERT_FALSE(edit(1, file));
  EXPECT_EQ(slurp(file), "Xa\rYb\r" + rest + "\r");
}

TEST_F(TextEditorFiles, AnEmptyOrAbsentFileGivesOneBlankLine) {
  spit(file, "");
  keys({key::kEsc});
  ASSERT_TRUE(edit(1, file));
  EXPECT_EQ(nlines, 1);
  EXPECT_EQ(text(1), "");

  const std::string absent = dir.file("new.dat");
  keys({key::kEsc});
  ASSERT_TRUE(edit(0, absent));
  EXPECT_EQ(nlines, 1);
  EXPECT_FALSE(std::filesystem::exists(absent));
  keys({key::kEsc});
  ASSERT_TRUE(edit(1, absent));
  EXPECT_TRUE(std::filesystem::exists(absent));
}

TEST_F(TextEditorFiles, AFileTooLongForTheBufferWarnsAndKeepsItsTailOnSaving) {
  spit(file, "1\n2\n" + std::string(100, 'w') + "\n4\n");
  ASSERT_FALSE(edit(1, file, 2));
  EXPECT_EQ(con.trimmed(25), " BE: unsufficient memory");
  EXPECT_EQ(texts(), (Strings{"1", "2"}));

  keys({'X', key::kF2, key::kEsc});
  ASSERT_TRUE(edit(1, file, 2));
  EXPECT_EQ(slurp(file), "X1\n2\n" + std::string(100, 'w') + "\n4\n");
}

TEST_F(TextEditorFiles, AFailedSaveKeepsTheOldFileAndTheChange) {
  spit(file, "abc\n");
  // The temporary file cannot be made where a directory of its name stands.
  std::filesystem::create_directories(file + ".saving/x");
  keys({'X', key::kF2});
  ASSERT_FALSE(edit(1, file));
  EXPECT_EQ(con.trimmed(25), "");
  EXPECT_EQ(slurp(file), "abc\n");

  // Failing on leaving goes back to editing, the change still unsaved.
  keys({'X', key::kEsc, 'y', key::kEsc});
  EXPECT_FALSE(edit(1, file));
  EXPECT_EQ(con.row(25).substr(0, 14), "save? (Y/N/C) ");
  EXPECT_EQ(slurp(file), "abc\n");
}

// ---- the screen ----

TEST_F(TextEditorTest, StatusLineAndTextColours) {
  buffer({"abc"});
  keys({key::kRight});
  ASSERT_FALSE(edit(-1, "name.dat", 100));
  EXPECT_EQ(status(), "File: name.dat Line: 1 Column: 2 Free: 7920 Code: 98");
  EXPECT_EQ(con.attr(1, 1), 3 * 16 + 0);
  EXPECT_EQ(con.attr(80, 1), 3 * 16 + 0);
  EXPECT_EQ(con.trimmed(2), "abc");
  EXPECT_EQ(con.attr(1, 2), 1 * 16 + 15);
  EXPECT_EQ(con.attr(40, 24), 1 * 16 + 15);
}

TEST_F(TextEditorTest, LeavingClearsTheScreenAndRestoresColoursAndTheGraphicsSwitch) {
  con.s.grf.gswitch = 1;
  fcolor(con.s, 7);
  bkcolor(con.s, 0);
  buffer({"abc"});
  keys({key::kEsc});
  ASSERT_TRUE(edit());
  EXPECT_EQ(con.s.grf.gswitch, 1);
  EXPECT_EQ(gtfcolor(con.s), 7);
  EXPECT_EQ(getbkclr(con.s), 0);
  for (int r = 1; r <= kRows; ++r) {
    EXPECT_EQ(con.trimmed(r), "") << r;
    EXPECT_EQ(con.attr(1, r), 7) << r;
  }
}

TEST_F(TextEditorTest, HelpKeys) {
  buffer({"cur=0.5, bet=0.3"});
  keys({key::kF1});
  ASSERT_FALSE(edit());
  EXPECT_EQ(con.row(25).substr(0, 32), " Help file absent.hlp is absent ");

  helpfile = dir.file("keys.hlp");
  spit(helpfile, "$cur\n courant number\n$bet\n  second weight\n");
  // The cursor on the value of bet=0.3: the topic is the keyword before "=".
  repeat(key::kRight, 15);
  keys({key::kF3});
  ASSERT_FALSE(edit());
  bool shown = false;
  for (int r = 1; r <= kRows; ++r) shown |= con.row(r).find("  second weight") != std::string::npos;
  EXPECT_TRUE(shown);
}

// ---- reading files into lines ----

TEST(TextFileSplit, BufferLimitKeepsTheRestOfTheFile) {
  const text_file::Lines got = text_file::split_lines("a\r\nb\rc\n", 2);
  ASSERT_EQ(got.lines.size(), 2u);
  EXPECT_EQ(got.lines[1].bytes, "b");
  EXPECT_EQ(got.lines[1].end, "\r");
  EXPECT_TRUE(got.full);
  EXPECT_EQ(got.tail, "c\n");
  EXPECT_FALSE(text_file::split_lines("a\n\n", 2).full);
}

}  // namespace
}  // namespace tivor
