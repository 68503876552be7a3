// The data-file menu with the built-in editor, and the memory checker, driven end to end.
#include <cstring>
#include <filesystem>
#include <fstream>

#include "e2e/session_runner.hpp"
#include "support/files.hpp"

namespace tivor::e2e {
namespace {

namespace fs = std::filesystem;

using ShellTools = Session;

// A data file named with capitals is listed and opened under its own name, and looking for it
// creates no other file; the editor choice stands on a cleared message area.
TEST_F(ShellTools, DataFileNamedWithCapitals) {
  std::ofstream(work_ / "dif" / "MySquare.dif") << "cur=0.5\n";
  ASSERT_EQ(
      run(std::string(kStart) + kChooseDiffusion + item(4) + "<Home><Enter><Enter>" +
          "<Text:files><Enter><Text:editors><Esc><Esc>" + item(1) + "<Text:status><Enter>" + kExit),
      0);
  EXPECT_NE(screen_text("files").find("MySquare"), std::string::npos) << screen_text("files");
  EXPECT_EQ(screen_text("editors").find("is not found"), std::string::npos)
      << screen_text("editors");
  EXPECT_TRUE(has_line("status", " data file:./dif/MySquare.dif")) << screen_text("status");
  EXPECT_FALSE(fs::exists(work_ / "dif" / "mysquare.dif"));
}

TEST_F(ShellTools, DataFilesAreOpenedEditedCopiedAndDeleted) {
  std::ofstream(work_ / "dif" / "alpha.dif") << "cur=0.5\n";
  std::ofstream(work_ / "dif" / "beta.dif") << "bet=1\n";
  const std::string script =
      std::string(kStart) + kChooseDiffusion + item(4) +
      // open_data lists the two files; the second one is chosen and opened in the editor.
      "<Down><Enter><Text:files><Right><Enter><Text:editors><Enter><Text:editor>" +
      // The built-in editor: type a new first line, save with F2, leave.
      "<Ctrl-Home><Home>nsteps=10<Enter><F2><Text:saved><Esc>" +
      // copy_data under the name gamma, then delete_data alpha.
      "<Home><Down><Down><Enter>gamma<Enter><Text:copied>" +
      "<Home><Down><Down><Down><Enter>alpha<Enter><Esc>" + item(1) + "<Text:status><Enter>" +
      "<Esc><Enter>";
  ASSERT_EQ(run(script), 0);
  const auto files = screen("files");
  EXPECT_NE(files[3].find("alpha     beta"), std::string::npos) << screen_text("files");
  EXPECT_NE(screen_text("editors").find("inbuilt        standard"), std::string::npos);
  EXPECT_EQ(screen("editor")[0].substr(0, 22), "File: ./dif/beta.dif L");
  EXPECT_NE(screen_text("saved").find("File saved"), std::string::npos);
  EXPECT_EQ(test::file_bytes(work_ / "dif" / "beta.dif"), "nsteps=10\nbet=1\n");
  EXPECT_EQ(test::file_bytes(work_ / "dif" / "gamma.dif"), "nsteps=10\nbet=1\n");
  EXPECT_FALSE(fs::exists(work_ / "dif" / "alpha.dif"));
  EXPECT_TRUE(has_line("status", " data file:./dif/gamma.dif"));
}

// A state buffer of an empty task whose memory card is the diffusion class's and whose first
// parameter word (jfna) is 25.
void write_diffusion_card_buffer(const fs::path& file) {
  std::vector<char> bytes(9516, '\0');
  const int32_t header[4] = {0, 0, 4000000, 1000000};
  std::memcpy(bytes.data(), header, sizeof header);
  const size_t cparm = 9516 - 1604 - 1200;
  const int32_t jfna = 25;
  std::memcpy(bytes.data() + cparm, &jfna, 4);
  const char* card[] = {"c  1  2", "c c1 c2", "      common/cparm/jfna,jy(2),",
                        "     +jpg(2),jfg(2),jf(2),jdf(10),jrb(6),jdiffc,",
                        "     +jf0(2),rm,rmn,drm,pi,iconc1,iconc2,fc1,fc2"};
  const int32_t nlines = 5;
  char* memo = bytes.data() + 9516 - 1604;
  std::memcpy(memo, &nlines, 4);
  std::memset(memo + 4, ' ', 1600);
  for (int i = 0; i < 5; ++i) std::memcpy(memo + 4 + 80 * i, card[i], std::strlen(card[i]));
  std::ofstream(file, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST_F(ShellTools, MemoryCheckerCommands) {
  write_diffusion_card_buffer(work_ / "buf" / "card.buf");
  const std::string script =
      std::string(kStart) + item(9) + "card<Enter>" + item(11) +
      "t<Enter><Text:text><Enter>p jfna<Enter><Text:param><Enter>" +
      "mk jfna<Enter><Text:elements><Enter><Text:pool><Enter>xyz<Enter><Text:wrong>" +
      "e<Enter><Text:back><Esc><Enter>";
  ASSERT_EQ(run(script), 0);
  const std::string text = screen_text("text");
  EXPECT_NE(text.find("      common/cmesh/jdcr(6),isym,jgrz,ng,npreg,jpreg,"), std::string::npos);
  EXPECT_NE(text.find("    3       common/cparm/jfna,jy(2),"), std::string::npos);
  EXPECT_NE(screen_text("param").find("jfna"), std::string::npos);
  EXPECT_NE(screen_text("param").find("25"), std::string::npos);
  EXPECT_TRUE(has_line("elements", "elements ?"));
  EXPECT_TRUE(has_line("pool", "jfna=       0"));  // km(26), the first element at jfna
  EXPECT_TRUE(has_line("wrong", "m:incorrect command"));
  EXPECT_EQ(screen("back")[0].substr(63, 15), "   main menu   ");
}

}  // namespace
}  // namespace tivor::e2e
