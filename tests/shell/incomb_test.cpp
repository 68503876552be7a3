// INCOMB through the checker's commands and directly: identifiers of the class parameters and of
// the mesh record, their values shown and changed, the pool arrays they point to, refusals, and
// the mesh card that names the mesh record's words.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "console/console.hpp"
#include "shell/checker.hpp"
#include "shell/declaration.hpp"
#include "shell/mesh_card.hpp"
#include "shell/shell.hpp"
#include "support/screen_session.hpp"

namespace tivor::shell_test {
namespace {

std::string real(float x) {
  return fmt_real(x, "(e11.3)");
}

// The diffusion class's memory card: jfna is word 0, jdf(10) words 9..18, rm word 28, pi 31.
class IncombTest : public test::ScreenSession {
 protected:
  IncombTest() {
    const char* card[] = {"c  1  2", "c c1 c2", "      common/cparm/jfna,jy(2),",
                          "     +jpg(2),jfg(2),jf(2),jdf(10),jrb(6),jdiffc,",
                          "     +jf0(2),rm,rmn,drm,pi,iconc1,iconc2,fc1,fc2"};
    for (int i = 0; i < 5; ++i) set_field(s->cmemo.lines[i], card[i]);
    s->cmemo.nlines = 5;
    s->cparm.iw[0] = 1234;
    s->cparm.rw[28] = 2.5f;
    s->cparm.iw[11] = 200;  // jdf(3)
    for (int i = 1; i <= 5; ++i) s->a[200 + i] = 10.0f * i;
  }
  // Runs the checker over the key script, then leaves it with "e".
  void run(const std::string& script) {
    host.script(script + "e<Enter>");
    amemo(*s);
    EXPECT_TRUE(host.events.empty());
  }
};

TEST_F(IncombTest, IdentifiersOfBothRecords) {
  s->cmesh.n1 = 345;
  // Answered from the command line, asked for (compared in lower case), and one not in the
  // class card: the mesh record.
  run("p jfna<Enter> p<Enter>RM<Enter> p n1<Enter> ");
  EXPECT_EQ(
      unseen({"jfna=" + fmt_int(1234, "(i8)"), "rm=" + real(2.5f), "n1=" + fmt_int(345, "(i8)")}),
      "");
  // Asked for only when the command line did not hold the identifier.
  EXPECT_GT(first_seen("identifier?"), first_seen("jfna="));
  EXPECT_FALSE(seen("identifier is not found"));
}

TEST_F(IncombTest, EditValuesAndPoolElements) {
  s->cmesh.jj1 = 40;
  run("ip pi 3.25<Enter>imk jj1 2 3 -5 6<Enter>");
  EXPECT_FLOAT_EQ(s->cparm.rw[31], 3.25f);
  EXPECT_EQ((std::vector<int32_t>(&s->km[41], &s->km[45])), (std::vector<int32_t>{0, -5, 6, 0}));
}

TEST_F(IncombTest, UnknownIdentifierDropsTheRestOfTheLine) {
  run("p nosuch ma<Enter> ma rm<Enter> ");  // a pool lookup needs a pointer name
  EXPECT_TRUE(seen("identifier is not found"));
  EXPECT_FALSE(seen("m:incorrect command"));
}

TEST_F(IncombTest, FunctionNumberIsAskedBeforeElements) {
  s->cmesh.jdr[0] = 500;
  s->cmesh.jdr[1] = 510;
  s->a[501] = 4.5f;
  s->a[512] = 6.5f;
  // All answers on the command line; asked for; blank answers take function 1, element 1.
  run("ma jdf 3 2 4<Enter> ma jdr<Enter>2<Enter>2 2<Enter> ma jdr<Enter><Enter><Enter> ");
  EXPECT_TRUE(seen(real(20) + real(30) + real(40)));
  const int fn = first_seen("function number?");
  ASSERT_GE(fn, 0);
  EXPECT_LT(fn, first_seen("elements ?"));
  EXPECT_TRUE(seen("jdr=" + real(6.5f)) && seen("jdr=" + real(4.5f)));
}

TEST_F(IncombTest, ElementsAreCutToThePoolAndBadPointersRefused) {
  s->cparm.iw[0] = kPoolReals - 2;       // jfna: two words left in the pool
  run("ima jfna 1 5<Enter>7 8<Enter>");  // "e" would be a third value if more were asked
  EXPECT_EQ(s->a[kPoolReals - 1], 7.0f);
  EXPECT_EQ(s->a[kPoolReals], 8.0f);

  s->cparm.iw[0] = -50;
  s->a[1] = 77.0f;
  run("ma jfna 1 60<Enter> ima jfna 1 60<Enter>");  // no value is asked for
  EXPECT_FALSE(seen(real(77.0f)));
  EXPECT_EQ(s->a[1], 77.0f);
}

// A record of its own declared by a card, looked up directly.
struct Probe {
  int32_t jdr[3];
  float x;
};

class IncombDirectTest : public test::ScreenSession {
 protected:
  void card(std::initializer_list<const char*> lines) {
    int i = 0;
    for (auto& l : text) set_field(l, "");
    for (const char* l : lines) set_field(text[i++], l);
    nlines = i;
  }
  int lookup(int kind) {
    return incomb(*s, kind, 0, text, nlines, std::as_writable_bytes(std::span(&probe, 1)), "probe");
  }
  char text[6][80] = {};
  int nlines = 0;
  Probe probe{{10, 20, 30}, 1.5f};
};

TEST_F(IncombDirectTest, OtherRecordsAndCommentsArePassedOver) {
  card({"c probe/x", "      common/other/x,y", "     +z", "      common/probe/jdr(3),", "c mid",
        "     +x"});
  host.script("x<Enter> jdr<Enter>2 2 2<Enter> ");
  s->a[22] = 9.0f;
  EXPECT_EQ(lookup(0), 0);
  EXPECT_TRUE(seen("x=" + real(1.5f)));
  EXPECT_EQ(lookup(1), 0);
  EXPECT_TRUE(seen("jdr=" + real(9.0f)));
}

TEST_F(IncombDirectTest, RefusalsLeaveTheIdentifierUnread) {
  card({"      common/probe/jdr(x),x"});  // unreadable dimension before the name
  host.line("x");
  EXPECT_EQ(lookup(0), 1);
  std::string word;
  int len = 0;
  readname(*s, word, 16, len, "");
  EXPECT_EQ(word, "x");
  card({"      common/probe/jdr(3),x,jpast"});  // beyond the record's size
  host.line("jpast");
  EXPECT_EQ(lookup(0), 1);
  s->crd.ip = 80;  // the checker drops the line after a failed search
  host.line("");
  EXPECT_EQ(lookup(0), 0);  // a blank answer
  EXPECT_TRUE(host.events.empty());
}

// The card names every word of the mesh record where the record holds it.
TEST(MeshCard, NamesTheWordsOfTheMeshRecord) {
  test::TestHost host;
  auto s = std::make_unique<Session>(host);
  meshbase(*s);
  ASSERT_EQ(s->tmesh.nlines, 10);
  const Declaration d = parse_declaration(s->tmesh.lines, s->tmesh.nlines, "cmesh");
  ASSERT_FALSE(d.malformed);
  ASSERT_EQ(d.names.size(), 85u);
  EXPECT_EQ(d.names.back().offset + d.names.back().words, 102);
  const std::pair<std::string, size_t> fields[] = {{"jn1", offsetof(Cmesh, jn1)},
                                                   {"nuz3", offsetof(Cmesh, nuz3)},
                                                   {"jdz", offsetof(Cmesh, jdz)},
                                                   {"jsss0", offsetof(Cmesh, jsss0)},
                                                   {"n_jintbc", offsetof(Cmesh, n_jintbc)},
                                                   {"nmarkers", offsetof(Cmesh, nmarkers)},
                                                   {"hxd", offsetof(Cmesh, hxd)}};
  for (const auto& [name, offset] : fields) {
    const auto n = std::find_if(d.names.begin(), d.names.end(),
                                [&](const DeclName& dn) { return dn.name == name; });
    ASSERT_NE(n, d.names.end()) << name;
    EXPECT_EQ(static_cast<size_t>(n->offset) * 4, offset) << name;
  }
}

}  // namespace
}  // namespace tivor::shell_test
