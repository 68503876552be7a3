// TXTA: command words taken one by one from a typed line, the remark and command lines, words
// outside the list, and the ways out.
#include "shell/txta.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "shell/shell.hpp"
#include "support/screen_session.hpp"

namespace tivor::shell_test {
namespace {

std::string enters(int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += "<Enter>";
  return out;
}

class TxtaTest : public test::ScreenSession {
 protected:
  int ask(std::string_view commands, bool allowother = false) {
    index = -1;
    rc = txta(*s, index, commands, 3, "bad word", allowother, "p>");
    return index;
  }
  int index = -1;
  int rc = -1;
};

TEST_F(TxtaTest, WordsOfOneLineAnswerSuccessivePrompts) {
  host.line("g GO x");
  EXPECT_EQ(ask("go g c"), 2);
  EXPECT_TRUE(host.events.empty());
  EXPECT_EQ(ask("go g c"), 1);  // upper case typed
  // "x" is not a command: the message, the rest of the line dropped, a new prompt.
  host.script("goo c<Enter>c<Enter>");
  EXPECT_EQ(ask("go g c"), 3);
  EXPECT_EQ(rc, 0);
  EXPECT_TRUE(seen("bad word"));
  EXPECT_TRUE(host.events.empty());
}

TEST_F(TxtaTest, AllowOtherLeavesTheWordForTheCaller) {
  host.line("a other");
  EXPECT_EQ(ask("a b c", true), 1);
  EXPECT_EQ(ask("a b c", true), 0);
  EXPECT_EQ(rc, 0);
  std::string word;
  int len = 0;
  readname(*s, word, 16, len, "");
  EXPECT_EQ(word, "other");
  EXPECT_FALSE(seen("bad word"));
}

// 25 blank lines in a row (a stuck key) open the exit menu with "exit&save" chosen first; a save
// that fails keeps the program at the exit menu.
TEST_F(TxtaTest, BlankLinesShowTheListAndTwentyFiveOpenTheExitMenu) {
  std::filesystem::create_directories("buf/tivor.buf");  // a directory: the save must fail
  iniclass(*s);
  host.script(enters(24) + "a<Enter>");
  EXPECT_EQ(ask("a b c"), 1);
  EXPECT_TRUE(seen("a b c"));

  host.script(enters(25) + "<Right><Enter>b<Enter>");  // exit&save -> continue
  EXPECT_EQ(ask("a b c"), 2);
  EXPECT_TRUE(seen("exit&save"));

  // exit&save fails: the message, then the menu again, where exit is chosen; "a" is never read.
  host.script(enters(25) + "<Enter><Enter><Left><Enter>a<Enter>");
  int status = -1;
  try {
    ask("a b c");
  } catch (const ProgramStop& stop) {
    status = stop.status;
  }
  EXPECT_EQ(status, 0) << "the program stops after the plain exit";
  EXPECT_TRUE(seen("rewri:can not write file buf/tivor.buf"));
}

TEST_F(TxtaTest, RemarkIsStoredPrintedAndReused) {
  for (const char* l : {"# Go Fast", "## ", "###"}) host.line(l);
  EXPECT_EQ(ask("go fast c"), 1);
  EXPECT_EQ(field_str(s->remark), "Go Fast");
  EXPECT_TRUE(seen("Go Fast"));
  EXPECT_EQ(ask("go fast c"), 2);  // the rest of the remark line
  EXPECT_TRUE(host.events.empty());
}

TEST_F(TxtaTest, OnlyTypedCommandLinesGoToTheHost) {
  host.script("com ls -l Data<Enter> a<Enter>");  // a key for "strike any key"
  EXPECT_EQ(ask("a b c"), 1);
  EXPECT_EQ(host.commands, std::vector<std::string>{"ls -l Data"});
  EXPECT_TRUE(seen(" strike any key"));

  // The same line read from a data file is just a word that is not a command.
  const std::string data = "com rm -rf x\r\nb\r\n";
  s->astime.bytes.assign(data.begin(), data.end());
  s->astime.pos = 0;
  readin(*s, 1, "&", 30, 0);
  EXPECT_EQ(ask("a b c"), 2);
  EXPECT_EQ(host.commands.size(), 1u);
}

TEST_F(TxtaTest, AbandonedInputReturnsOne) {
  host.press(key::kEsc);
  EXPECT_EQ(ask("a b c"), 0);
  EXPECT_EQ(rc, 1);
}

}  // namespace
}  // namespace tivor::shell_test
