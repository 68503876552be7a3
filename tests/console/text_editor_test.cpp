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
#include "support/files.hpp"
#include "support/screen_text.hpp"

namespace tivor {
namespace {

using test::file_bytes;
using test::write_file;

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
  void keys(const std::string& script) { con.host.script(script); }
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
  // The buffer's lines in use, trailing blanks removed.
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (int n = 0; n < nlines; ++n) out.push_back(rtrim(lines[static_cast<size_t>(n)]));
    return out;
  }
};

using Strings = std::vector<std::string>;

// Each case: the buffer, the keys (then Esc), the buffer's size and the lines left.
TEST_F(TextEditorTest, EditingKeys) {
  const std::string a50(50, 'a'), f80(80, 'f');
  // Marks lines 2..3 of a..e: "s" on line 2, then "s" on line 4 ends the block on line 3.
  const std::string mark = "<Down><F4>s<Down><Down><F4>s";
  const Strings ae = {"a", "b", "c", "d", "e"};
  struct Case {
    Strings before;
    std::string keys;
    Strings after;
    int maxlines = 100;
  };
  const Case cases[] = {
      // Typing inserts and pushes out column 80; codes above 241 and tabs are not text.
      {{"bcd" + std::string(76, ' ') + "Z"}, "a", {"abcd"}},
      {{""}, "\xf2\xff<Tab>\xf1", {"\xf1"}},
      // Typing into column 80 overwrites it and stays there: Left then moves to 79.
      {{""}, std::string(79, 'a') + "bc<Left>d", {std::string(78, 'a') + "da"}},
      // Enter splits at the cursor, and does nothing on a full buffer.
      {{"hello world"}, "<Right><Right><Right><Right><Right><Enter>X", {"hello", "X world"}},
      {{"ab", "cd"}, "<Right><Enter>X", {"aXb", "cd"}, 2},
      // Backspace deletes left or joins, keeping the first 80 characters, the cursor at 51.
      {{a50, std::string(60, 'b')}, "<Down><Bksp>X", {a50 + "X" + std::string(29, 'b')}},
      {{"abc", "d"}, "<End><Bksp><Home><Bksp>", {"ab", "d"}},
      // Del joins the next line only just after the text, and not on the last line.
      {{"ab", "cd", "ef"}, "<End><Del>", {"abcd", "ef"}},
      {{"ab", "cd"}, "<End><Right><Del><Home><Del>", {"b", "cd"}},
      {{"ab"}, "<End><Del>", {"ab"}},
      // Ctrl-Y deletes the line but blanks the last one.
      {{"1", "2", "3"}, "<Ctrl-Y><Ctrl-End><Ctrl-Y>", {"2", ""}},
      {{"only"}, "<Ctrl-Y><Ctrl-Y>", {""}},
      // Left at column 1 goes to the end of the line above, on a full line to column 80.
      {{"abc", "de", f80, ""},
       "<Down><Left>X<Down><Down><Down><Home><Left>Y",
       {"abcX", "de", std::string(79, 'f') + "Y", ""}},
      // Block copy, move (below and above) and delete; delete clears the marks.
      {ae, "<Ctrl-End><F4>c", {"a", "b", "c", "d", "b", "c", "e"}},
      {ae, "<Ctrl-End><F4>m", {"a", "d", "b", "c", "e"}},
      {ae, "<Ctrl-Home><F4>m", {"b", "c", "a", "d", "e"}},
      {ae, "<F4>d<F4>d", {"a", "d", "e"}},
      {ae, "<F4>c", ae, 6},                                  // no room for the whole block
      {ae, "<Ctrl-Home><Enter><F4>d", {"", "a", "d", "e"}},  // marks follow their lines
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    buffer(c.before);
    keys((c.before == ae ? mark : "") + c.keys + "<Esc>");  // the block cases marked first
    ASSERT_TRUE(edit(-1, "", c.maxlines)) << i;
    EXPECT_EQ(texts(), c.after) << i;
  }
}

TEST_F(TextEditorTest, MarkedLinesAreDrawnOnMagenta) {
  buffer({"a", "b", "c", "d", "e"});
  keys("<Down><F4>s<Down><Down><F4>s");
  ASSERT_FALSE(edit());
  EXPECT_EQ((std::vector<int>{con.attr(1, 2), con.attr(1, 3), con.attr(80, 4), con.attr(1, 5)}),
            (std::vector<int>{1 * 16 + 15, 5 * 16 + 15, 5 * 16 + 15, 1 * 16 + 15}));
}

// Up and Down scroll at the top and bottom rows, the page keys go to the edge row and then
// scroll by 22, the Ctrl keys go to the first and last lines.
TEST_F(TextEditorTest, CursorKeysMoveTheView) {
  Strings hundred;
  std::string down23, up23;
  for (int i = 1; i <= 100; ++i) hundred.push_back("L" + std::to_string(i));
  for (int i = 0; i < 23; ++i) down23 += "<Down>", up23 += "<Up>";
  struct Case {
    std::string keys;
    int line, row;
  };
  const Case cases[] = {{down23, 24, 24},
                        {down23 + up23, 1, 2},
                        {"<PgDn>", 23, 24},
                        {"<PgDn><PgDn>", 45, 24},
                        {"<PgDn><PgDn><PgUp>", 23, 2},
                        {"<PgDn><PgDn><PgUp><PgUp>", 1, 2},
                        {"<Ctrl-End>", 100, 24},
                        {"<Ctrl-PgDn><Ctrl-Home>", 1, 2},
                        {"<Ctrl-PgDn><Ctrl-PgUp>", 1, 2}};
  for (const Case& c : cases) {
    buffer(hundred);
    keys(c.keys);
    EXPECT_FALSE(edit());
    EXPECT_NE(con.trimmed(1).find(" Line: " + std::to_string(c.line) + " "), std::string::npos)
        << c.line;
    EXPECT_EQ(con.trimmed(c.row), "L" + std::to_string(c.line)) << c.line;
  }
}

// ---- leaving and saving ----

class TextEditorFiles : public TextEditorTest {
 protected:
  std::string file = dir.file("data.dat");
};

// Each case: the file, the keys, the mode and the buffer's size; whether the editor was left
// (else it still waits), the file afterwards and the message on row 25.
TEST_F(TextEditorFiles, LeavingAndSaving) {
  const std::string w90(90, 'w'), tail = "\n" + std::string(100, 'w') + "\n4\n";
  const std::string split = "X<Down><Home>Y<Right><Enter><F2>";
  struct Case {
    std::string before;
    std::string keys;
    int mode, maxlines;
    bool left;
    std::string after, message;
  };
  const Case cases[] = {
      // The save prompt comes only after a change and only when saving is allowed (mode 1).
      {"abc\n", "<Esc>", 1, 100, true, "abc\n", ""},
      {"abc\n", "X<Esc>", 1, 100, false, "abc\n", "save? (Y/N/C)  "},
      {"abc\n", "X<Esc>", 0, 100, true, "abc\n", ""},
      {"abc\n", "X<Esc>", -1, 100, true, "abc\n", ""},
      // Its answers: no; cancel, back to editing; yes.
      {"abc\n", "X<Esc>n", 1, 100, true, "abc\n", ""},
      {"abc\n", "X<Ctrl-C>cY<Esc>Y", 1, 100, true, "XYabc\n", ""},
      // F2 saves without trailing blanks and with each line's own end; after it Esc just leaves;
      // mode 0 never writes.
      {"a   \r\n\tb\n\n", "X<F2>", 1, 100, false, "Xa\r\n\tb\n\n", "File saved"},
      {"a\r\n", "X<F2><Esc>", 1, 100, true, "Xa\r\n", ""},
      {"a\r\n", "X<F2><Esc>", 0, 100, true, "a\r\n", ""},
      // Y typed into a long line moves its text right without losing any; Enter splits it.
      {"a\rb" + w90 + "\r", split, 1, 100, false, "Xa\rYb\r" + w90 + "\r", "File saved"},
      // A file too long for the buffer warns (an exactly full one does not) and keeps its tail.
      {"1\n2\n", "", 1, 2, false, "1\n2\n", ""},
      {"1\n2" + tail, "", 1, 2, false, "1\n2" + tail, " BE: unsufficient memory"},
      {"1\n2" + tail, "X<F2><Esc>", 1, 2, true, "X1\n2" + tail, ""},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    write_file(file, c.before);
    keys(c.keys);
    EXPECT_EQ(edit(c.mode, file, c.maxlines), c.left) << i;
    EXPECT_EQ(file_bytes(file), c.after) << i;
    EXPECT_FALSE(std::filesystem::exists(file + ".saving")) << i;
    EXPECT_EQ(con.row(25).substr(0, c.message.size()), c.message) << i;
    EXPECT_TRUE(c.message.empty() ? con.trimmed(25).empty() : con.attr(1, 25) == 3 * 16 + 15) << i;
  }
}

TEST_F(TextEditorFiles, EveryLineEndSplitsAndAnUneditedSaveKeepsEveryByte) {
  const std::string comment = "*" + std::string(100000, 'c');
  const std::string bytes = "one\rtwo\r\nab\tc  \n" + comment + "\r\n\rend";
  write_file(file, bytes);
  keys("<F2><Esc>");
  ASSERT_TRUE(edit(1, file));
  EXPECT_EQ(texts(), (Strings{"one", "two", "ab      c", comment.substr(0, 80), "", "end"}));
  for (int n = 1; n <= nlines; ++n) EXPECT_EQ(lines[n - 1].size(), 80u);
  EXPECT_EQ(file_bytes(file), bytes);
}

TEST_F(TextEditorFiles, AnEmptyOrAbsentFileGivesOneBlankLine) {
  write_file(file, "");
  keys("<Esc>");
  ASSERT_TRUE(edit(1, file));
  EXPECT_EQ(texts(), Strings{""});
  // An absent file is made only when saving is allowed.
  const std::string absent = dir.file("new.dat");
  for (int mode : {0, 1}) {
    keys("<Esc>");
    ASSERT_TRUE(edit(mode, absent));
    EXPECT_TRUE(nlines == 1 && std::filesystem::exists(absent) == (mode == 1));
  }
}

TEST_F(TextEditorFiles, AFailedSaveKeepsTheOldFileAndTheChange) {
  write_file(file, "abc\n");
  // The temporary file cannot be made where a directory of its name stands.
  std::filesystem::create_directories(file + ".saving/x");
  keys("X<F2>");
  ASSERT_FALSE(edit(1, file));
  EXPECT_TRUE(con.trimmed(25).empty() && file_bytes(file) == "abc\n");

  // Failing on leaving goes back to editing, the change still unsaved.
  keys("X<Esc>y<Esc>");
  EXPECT_FALSE(edit(1, file));
  EXPECT_TRUE(con.row(25).substr(0, 14) == "save? (Y/N/C) " && file_bytes(file) == "abc\n");
}

// ---- the screen ----

TEST_F(TextEditorTest, StatusLineAndTextColours) {
  buffer({"abc"});
  keys("<Right>");
  ASSERT_FALSE(edit(-1, "name.dat", 100));
  EXPECT_EQ(con.trimmed(1), "File: name.dat Line: 1 Column: 2 Free: 7920 Code: 98");
  EXPECT_EQ(con.trimmed(2), "abc");
  EXPECT_EQ((std::vector<int>{con.attr(1, 1), con.attr(80, 1), con.attr(1, 2), con.attr(40, 24)}),
            (std::vector<int>{3 * 16, 3 * 16, 1 * 16 + 15, 1 * 16 + 15}));
}

TEST_F(TextEditorTest, LeavingClearsTheScreenAndRestoresColoursAndTheGraphicsSwitch) {
  con.s.grf.gswitch = 1;
  fcolor(con.s, 7);
  bkcolor(con.s, 0);
  buffer({"abc"});
  keys("<Esc>");
  ASSERT_TRUE(edit());
  EXPECT_TRUE(con.s.grf.gswitch == 1 && gtfcolor(con.s) == 7 && getbkclr(con.s) == 0);
  for (int r = 1; r <= kRows; ++r) EXPECT_TRUE(con.trimmed(r).empty() && con.attr(1, r) == 7) << r;
}

TEST_F(TextEditorTest, HelpKeys) {
  buffer({"cur=0.5, bet=0.3"});
  keys("<F1>");
  ASSERT_FALSE(edit());
  EXPECT_EQ(con.row(25).substr(0, 32), " Help file absent.hlp is absent ");

  helpfile = dir.file("keys.hlp");
  write_file(helpfile, "$cur\n courant number\n$bet\n  second weight\n");
  // The cursor on the value of bet=0.3: the topic is the keyword before "=".
  std::string right15;
  for (int i = 0; i < 15; ++i) right15 += "<Right>";
  keys(right15 + "<F3>");
  ASSERT_FALSE(edit());
  EXPECT_NE(test::screen_text(con.s).find("  second weight"), std::string::npos);
}

}  // namespace
}  // namespace tivor
