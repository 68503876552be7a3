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
#include "shell/shell_fixture.hpp"

namespace tivor::shell_test {
namespace {

std::string real(float x) {
  return fmt_real(x, "(e11.3)");
}

// The diffusion class's memory card: jfna is word 0, jdf(10) words 9..18, rm word 28, pi 31.
class IncombTest : public ShellTest {
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
};

TEST_F(IncombTest, IdentifiersOfBothRecords) {
  s->cmesh.n1 = 345;
  host.line("p jfna");  // answered from the command line
  host.press(' ');
  host.line("p");
  host.line("RM");  // asked for; compared in lower case
  host.press(' ');
  host.line("p n1");  // not in the class card: the mesh record
  host.press(' ');
  host.line("e");
  amemo(*s);
  EXPECT_TRUE(host.events.empty());
  EXPECT_TRUE(seen("jfna=" + fmt_int(1234, "(i8)")));
  // Asked for only when the command line did not hold the identifier.
  EXPECT_GT(first_seen("identifier?"), first_seen("jfna="));
  EXPECT_TRUE(seen("rm=" + real(2.5f)));
  EXPECT_TRUE(seen("n1=" + fmt_int(345, "(i8)")));
  EXPECT_FALSE(seen("identifier is not found"));
}

TEST_F(IncombTest, EditValuesAndPoolElements) {
  s->cmesh.jj1 = 40;
  host.line("ip pi 3.25");
  host.line("imk jj1 2 3 -5 6");
  host.line("e");
  amemo(*s);
  EXPECT_FLOAT_EQ(s->cparm.rw[31], 3.25f);
  EXPECT_EQ(s->km[41], 0);
  EXPECT_EQ(s->km[42], -5);
  EXPECT_EQ(s->km[43], 6);
  EXPECT_EQ(s->km[44], 0);
}

TEST_F(IncombTest, UnknownIdentifierDropsTheRestOfTheLine) {
  host.line("p nosuch ma");
  host.press(' ');
  host.line("ma rm");  // a pool lookup needs a pointer name
  host.press(' ');
  host.line("e");
  amemo(*s);
  EXPECT_TRUE(seen("identifier is not found"));
  EXPECT_FALSE(seen("m:incorrect command"));
  EXPECT_TRUE(host.events.empty());
}

TEST_F(IncombTest, FunctionNumberIsAskedBeforeElements) {
  s->cmesh.jdr[0] = 500;
  s->cmesh.jdr[1] = 510;
  s->a[501] = 4.5f;
  s->a[512] = 6.5f;
  host.line("ma jdf 3 2 4");  // all answers on the command line
  host.press(' ');
  host.line("ma jdr");
  host.line("2");
  host.line("2 2");
  host.press(' ');
  host.line("ma jdr");
  host.line("");  // defaults: function 1, element 1
  host.line("");
  host.press(' ');
  host.line("e");
  amemo(*s);
  EXPECT_TRUE(seen(real(20) + real(30) + real(40)));
  const int fn = first_seen("function number?");
  ASSERT_GE(fn, 0);
  EXPECT_LT(fn, first_seen("elements ?"));
  EXPECT_TRUE(seen("jdr=" + real(6.5f)));
  EXPECT_TRUE(seen("jdr=" + real(4.5f)));
}

TEST_F(IncombTest, ElementsAreCutToThePoolAndBadPointersRefused) {
  s->cparm.iw[0] = kPoolReals - 2;  // jfna: two words left in the pool
  host.line("ima jfna 1 5");
  host.line("7 8");
  host.line("e");  // would be taken as a third value if more were asked
  amemo(*s);
  EXPECT_EQ(s->a[kPoolReals - 1], 7.0f);
  EXPECT_EQ(s->a[kPoolReals], 8.0f);
  EXPECT_TRUE(host.events.empty());

  s->cparm.iw[0] = -50;
  s->a[1] = 77.0f;
  host.line("ma jfna 1 60");
  host.press(' ');
  host.line("ima jfna 1 60");
  host.line("e");  // no value is asked for
  amemo(*s);
  EXPECT_FALSE(seen(real(77.0f)));
  EXPECT_EQ(s->a[1], 77.0f);
  EXPECT_TRUE(host.events.empty());
}

// A record of its own declared by a card, looked up directly.
struct Probe {
  int32_t jdr[3];
  float x;
};

class IncombDirectTest : public ShellTest {
 protected:
  void card(std::initializer_list<const char*> lines) {
    int i = 0;
    for (auto& l : text) set_field(l, "");
    for (const char* l : lines) set_field(text[i++], l);
    nlines = i;
  }
  int lookup(int kind, int mode) {
    return incomb(*s, kind, mode, text, nlines, std::as_writable_bytes(std::span(&probe, 1)),
                  "probe");
  }
  char text[6][80] = {};
  int nlines = 0;
  Probe probe{{10, 20, 30}, 1.5f};
};

TEST_F(IncombDirectTest, OtherRecordsAndCommentsArePassedOver) {
  card({"c probe/x", "      common/other/x,y", "     +z", "      common/probe/jdr(3),", "c mid",
        "     +x"});
  host.line("x");
  host.press(' ');
  host.line("jdr");
  host.line("2 2 2");
  host.press(' ');
  s->a[22] = 9.0f;
  EXPECT_EQ(lookup(0, 0), 0);
  EXPECT_TRUE(seen("x=" + real(1.5f)));
  EXPECT_EQ(lookup(1, 0), 0);
  EXPECT_TRUE(seen("jdr=" + real(9.0f)));
}

TEST_F(IncombDirectTest, RefusalsLeaveTheIdentifierUnread) {
  card({"      common/probe/jdr(x),x"});  // unreadable dimension before the name
  host.line("x");
  EXPECT_EQ(lookup(0, 0), 1);
  std::string word;
  int len = 0;
  readname(*s, word, 16, len, "");
  EXPECT_EQ(word, "x");
  card({"      common/probe/jdr(3),x,jpast"});  // beyond the record's size
  host.line("jpast");
  EXPECT_EQ(lookup(0, 0), 1);
  s->crd.ip = 80;  // the checker drops the line after a failed search
  host.line("");
  EXPECT_EQ(lookup(0, 0), 0);  // a blank answer
  EXPECT_TRUE(host.events.empty());
}

TEST(MeshCard, NamesTheWordsOfTheMeshRecord) {
  test::TestHost host;
  auto s = std::make_unique<Session>(host);
  meshbase(*s);
  ASSERT_EQ(s->tmesh.nlines, 10);
  EXPECT_EQ(field_str(s->tmesh.lines[0]), "      common/cmesh/jdcr(6),isym,jgrz,ng,npreg,jpreg,");
  EXPECT_EQ(field_str(s->tmesh.lines[9]), "     +jcd,jdcd,jmcd");
  for (int i = 1; i < 10; ++i) {
    EXPECT_EQ(std::string(s->tmesh.lines[i], 6), "     +") << i;
    EXPECT_LE(len1(std::string_view(s->tmesh.lines[i], 80)), 72) << i;
  }
  const Declaration d = parse_declaration(s->tmesh.lines, s->tmesh.nlines, "cmesh");
  ASSERT_FALSE(d.malformed);
  ASSERT_EQ(d.names.size(), 85u);
  EXPECT_EQ(d.names.back().offset + d.names.back().words, 102);
  auto offset_of = [&](const std::string& name) {
    for (const DeclName& n : d.names) {
      if (n.name == name) return n.offset * 4;
    }
    return -1;
  };
  EXPECT_EQ(offset_of("jn1"), static_cast<int>(offsetof(Cmesh, jn1)));
  EXPECT_EQ(offset_of("nuz3"), static_cast<int>(offsetof(Cmesh, nuz3)));
  EXPECT_EQ(offset_of("jdz"), static_cast<int>(offsetof(Cmesh, jdz)));
  EXPECT_EQ(offset_of("jsss0"), static_cast<int>(offsetof(Cmesh, jsss0)));
  EXPECT_EQ(offset_of("n_jintbc"), static_cast<int>(offsetof(Cmesh, n_jintbc)));
  EXPECT_EQ(offset_of("nmarkers"), static_cast<int>(offsetof(Cmesh, nmarkers)));
  EXPECT_EQ(offset_of("hxd"), static_cast<int>(offsetof(Cmesh, hxd)));
}

}  // namespace
}  // namespace tivor::shell_test
