// The memory checker and its commands on hand-made records: the mesh queries on two triangles
// (nearest node, a node's values, the cell holding a point), result ranges, the viewer before a
// preparation, the input modes and the text listing; identifiers of the class parameters and of
// the mesh record, their values shown and changed, the pool arrays they point to, and the mesh
// card; pool stretches and record dumps.
#include "shell/checker.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "console/console.hpp"
#include "shell/declaration.hpp"
#include "shell/mesh_card.hpp"
#include "shell/shell.hpp"
#include "support/screen_session.hpp"

namespace tivor::shell_test {
namespace {

std::string reals(std::initializer_list<float> v) {
  std::string out;
  for (float x : v) out += fmt_real(x, "(e11.3)");
  return out;
}
std::string ints(std::initializer_list<int> v) {
  std::string out;
  for (int x : v) out += fmt_int(x, "(i8)");
  return out;
}

// Nodes (r, z): 1 (0,0), 2 (1,0), 3 (1,1), 4 (0,1); elements (1,2,3) and (1,3,4).
class CheckerTest : public test::ScreenSession {
 protected:
  CheckerTest() {
    Cmesh& c = s->cmesh;
    c.n1 = 4, c.n2 = 2, c.m = 3, c.jrz = 10, c.jj1 = 20, c.jsss = 50;
    const float rz[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    std::copy(rz, rz + 8, &s->a[11]);
    const int32_t j1[6] = {1, 2, 3, 1, 3, 4};
    std::copy(j1, j1 + 6, &s->km[21]);
    for (int k = 0; k < 3; ++k) {  // element 1's values
      c.jdr[k] = 30 + 2 * k, s->a[31 + 2 * k] = 0.5f + k;
      c.jdz[k] = 40 + 2 * k, s->a[41 + 2 * k] = -0.25f * k;
    }
    s->a[51] = 0.5f;
    for (int k = 0; k < 4; ++k) c.jdcr[k] = 60 + 10 * k;
    s->a[63] = 1.5f, s->a[73] = -2.5f, s->a[83] = 1.25f, s->a[93] = 1.75f;  // vr vz r_ z_ of node 3
    s->csize.maxa = 100, s->csize.maxk = 30;
    // The diffusion class's memory card: jfna is word 0, jdf(10) words 9..18, rm word 28, pi 31.
    const char* card[] = {"c  1  2", "c c1 c2", "      common/cparm/jfna,jy(2),",
                          "     +jpg(2),jfg(2),jf(2),jdf(10),jrb(6),jdiffc,",
                          "     +jf0(2),rm,rmn,drm,pi,iconc1,iconc2,fc1,fc2"};
    for (int i = 0; i < 5; ++i) set_field(s->cmemo.lines[i], card[i]);
    s->cmemo.nlines = 5;
    s->cparm.iw[0] = 1234;
    s->cparm.rw[28] = 2.5f;
    s->cparm.iw[11] = 300;  // jdf(3)
    for (int i = 1; i <= 5; ++i) s->a[300 + i] = 10.0f * i;
  }
  // Runs the checker over the key script, which ends by leaving it.
  void checker(std::string_view script) {
    host.script(script);
    amemo(*s);
    EXPECT_TRUE(host.events.empty());
  }
  void run(const std::string& script) { checker(script + "e<Enter>"); }
  // Shows what the typed line names and closes the listing with a key.
  void show(const std::string& line) {
    host.script(line + "<Enter> ");
    admp(*s, 0);
  }
  int node(float r, float z) const {
    int n = -1;
    lntrt(*s, r, z, n);
    return n;
  }
};

TEST_F(CheckerTest, NearestNodeAndContainingCell) {
  EXPECT_TRUE(node(0.9f, 0.2f) == 2 && node(-3.0f, 5.0f) == 4);
  // The second point is on the boundary.
  EXPECT_EQ((std::vector<int>{fcell2(*s, 0.8f, 0.2f), fcell2(*s, 1.0f, 0.5f),
                              fcell2(*s, 0.2f, 0.8f), fcell2(*s, 2.0f, 2.0f)}),
            (std::vector<int>{1, 1, 2, 0}));
  // Quadrilateral storage: equal third and fourth nodes make a triangle.
  s->cmesh.m = 4, s->cmesh.n2 = 1, s->km[24] = 3;
  EXPECT_EQ(fcell2(*s, 0.2f, 0.8f), 0);
  s->km[24] = 4;
  EXPECT_EQ(fcell2(*s, 0.2f, 0.8f), 1);
}

TEST_F(CheckerTest, QueryCommands) {
  checker("num 0.9 0.95<Enter> node 3<Enter> cell 0.8 0.2<Enter> e<Enter>");
  EXPECT_EQ(
      unseen({"nom=" + ints({3}), "r,z=" + reals({1, 1}), "r_,z_=" + reals({1.25f, 1.75f}),
              "vr,vz=" + reals({1.5f, -2.5f}), "nel=" + ints({1}), "j1=" + ints({1, 2, 3}),
              "x0=" + reals({0, 1, 1}), "y0=" + reals({0, 0, 1}), "dr=" + reals({0.5f, 1.5f, 2.5f}),
              "dz=" + reals({0.0f, -0.25f, -0.5f}), "sss=" + reals({0.5f})}),
      "");
}

TEST_F(CheckerTest, EmptyMeshAnswersWithoutReading) {
  s->cmesh = Cmesh{};
  checker("num 0 0<Enter> node 1<Enter> cell 0 0<Enter> e<Enter>");
  EXPECT_TRUE(seen("nom=" + ints({0})) && !seen("nel=") && !seen("r,z="));
}

TEST_F(CheckerTest, PointersOutsideThePoolsAreNotFollowed) {
  Cmesh& c = s->cmesh;
  c.jrz = kPoolReals - 3;  // 4 nodes need 8 words
  EXPECT_TRUE(node(0.0f, 0.0f) == 0 && fcell2(*s, 0.5f, 0.2f) == 0);
  c.jrz = 10;
  c.jj1 = kPoolInts - 2;
  EXPECT_EQ(fcell2(*s, 0.5f, 0.2f), 0);
  c.jj1 = 20;
  s->km[22] = 99;  // not a node of the mesh
  EXPECT_EQ(fcell2(*s, 0.8f, 0.2f), 0);
  c.jdcr[0] = -1000;
  c.jdcr[2] = kPoolReals;
  checker("node 3<Enter> e<Enter>");
  EXPECT_TRUE(seen("r,z=") && !seen("r_,z_=") && !seen("vr,vz="));
}

TEST_F(CheckerTest, MinMaxOfResultFunctions) {
  s->cht.nipp = 3;
  const int32_t ipp[3] = {200, 300, kPoolReals - 2};  // the last outside the pool: skipped
  const char* names[3] = {"temperature", "pressure", "broken"};
  for (int k = 0; k < 3; ++k) s->cht.ipp[k] = ipp[k], set_field(s->cls.ppname[k], names[k]);
  const float f[4] = {3, -1, 7, 2};
  for (int i = 0; i < 4; ++i) s->a[201 + i] = f[i], s->a[301 + i] = 5.0f;
  checker("minmax<Enter> e<Enter>");
  EXPECT_TRUE(seen("temperature" + fmt_real(-1, "(e12.4)") + fmt_real(7, "(e12.4)")));
  EXPECT_TRUE(seen("pressure" + fmt_real(5, "(e12.4)") + fmt_real(5, "(e12.4)")));
  EXPECT_FALSE(seen("broken"));
}

TEST_F(CheckerTest, ViewBeforePreparationLeavesWordsBelowTheMark) {
  for (int i = 1; i <= 108; ++i) s->a[i] = static_cast<float>(i);
  std::vector<int32_t> jdcr;
  s->up.arez = [&] { jdcr.assign(s->cmesh.jdcr, s->cmesh.jdcr + 6); };
  checker("view<Enter>e<Enter>");
  EXPECT_EQ(jdcr, (std::vector<int32_t>{60, 70, 100, 104, 100, 104}));  // 60, 70 the class's own
  for (int i = 1; i <= 108; ++i) ASSERT_EQ(s->a[i], i <= 100 ? static_cast<float>(i) : 0.0f) << i;

  // With no room for the mesh at the end of the pool the pointers stay.
  s->cmesh.jdcr[2] = 80;
  s->csize.maxa = kPoolReals - 4;
  jdcr.clear();
  checker("view<Enter>e<Enter>");
  EXPECT_EQ(jdcr.at(2), 80);
}

TEST_F(CheckerTest, InputModeIsKeptAcrossCalls) {
  checker("zz<Enter>menu<Enter><Esc>");  // leaves from the menu
  EXPECT_TRUE(seen("m:incorrect command") && seen("- checker -") && s->checker_menu_mode == 1);
  checker("<End><Up><Up><Enter>g<Enter>");  // the menu again; item 16 switches back
  EXPECT_EQ(s->checker_menu_mode, 0);
}

TEST_F(CheckerTest, TextListsBothCardsAndTheReaderIsRestored) {
  set_field(s->cmemo.lines[0], "memory card is not available");
  s->cmemo.nlines = s->crd.ip = 1;
  set_field(s->crd.str, "m t g rest");
  checker(" ");  // "t g" of the line in hand are its commands
  EXPECT_EQ(unseen({"   10      +jcd,jdcd,jmcd", "    1 memory card is not available"}), "");
  EXPECT_TRUE(s->crd.ip == 1 && field_str(s->crd.str) == "m t g rest");
}

TEST_F(CheckerTest, IdentifiersOfBothRecords) {
  s->cmesh.n1 = 345;
  // Answered from the command line, asked for (compared in lower case), and one not in the
  // class card: the mesh record.
  run("p jfna<Enter> p<Enter>RM<Enter> p n1<Enter> ");
  EXPECT_EQ(unseen({"jfna=" + fmt_int(1234, "(i8)"), "rm=" + reals({2.5f}),
                    "n1=" + fmt_int(345, "(i8)")}),
            "");
  // Asked for only when the command line did not hold the identifier.
  EXPECT_GT(first_seen("identifier?"), first_seen("jfna="));
  EXPECT_FALSE(seen("identifier is not found"));
}

TEST_F(CheckerTest, EditValuesAndPoolElements) {
  s->cmesh.jj1 = 40;
  run("ip pi 3.25<Enter>imk jj1 2 3 -5 6<Enter>");
  EXPECT_FLOAT_EQ(s->cparm.rw[31], 3.25f);
  EXPECT_EQ((std::vector<int32_t>(&s->km[41], &s->km[45])), (std::vector<int32_t>{0, -5, 6, 0}));
}

TEST_F(CheckerTest, UnknownIdentifierDropsTheRestOfTheLine) {
  run("p nosuch ma<Enter> ma rm<Enter> ");  // a pool lookup needs a pointer name
  EXPECT_TRUE(seen("identifier is not found") && !seen("m:incorrect command"));
}

TEST_F(CheckerTest, FunctionNumberIsAskedBeforeElements) {
  s->cmesh.jdr[0] = 500, s->cmesh.jdr[1] = 510, s->a[501] = 4.5f, s->a[512] = 6.5f;
  // All answers on the command line; asked for; blank answers take function 1, element 1.
  run("ma jdf 3 2 4<Enter> ma jdr<Enter>2<Enter>2 2<Enter> ma jdr<Enter><Enter><Enter> ");
  EXPECT_TRUE(seen(reals({20}) + reals({30}) + reals({40})));
  const int fn = first_seen("function number?");
  ASSERT_GE(fn, 0);
  EXPECT_LT(fn, first_seen("elements ?"));
  EXPECT_TRUE(seen("jdr=" + reals({6.5f})) && seen("jdr=" + reals({4.5f})));
}

TEST_F(CheckerTest, ElementsAreCutToThePoolAndBadPointersRefused) {
  s->cparm.iw[0] = kPoolReals - 2;       // jfna: two words left in the pool
  run("ima jfna 1 5<Enter>7 8<Enter>");  // "e" would be a third value if more were asked
  EXPECT_TRUE(s->a[kPoolReals - 1] == 7.0f && s->a[kPoolReals] == 8.0f);

  s->cparm.iw[0] = -50;
  s->a[1] = 77.0f;
  run("ma jfna 1 60<Enter> ima jfna 1 60<Enter>");  // no value is asked for
  EXPECT_TRUE(!seen(reals({77.0f})) && s->a[1] == 77.0f);
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
  EXPECT_TRUE(lookup(0) == 0 && seen("x=" + reals({1.5f})));
  EXPECT_TRUE(lookup(1) == 0 && seen("jdr=" + reals({9.0f})));
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
  EXPECT_TRUE(lookup(0) == 0 && host.events.empty());  // a blank answer
}

// The card names every word of the mesh record where the record holds it.
TEST(MeshCard, NamesTheWordsOfTheMeshRecord) {
  test::TestHost host;
  auto s = std::make_unique<Session>(host);
  meshbase(*s);
  ASSERT_EQ(s->tmesh.nlines, 10);
  const Declaration d = parse_declaration(s->tmesh.lines, s->tmesh.nlines, "cmesh");
  ASSERT_TRUE(!d.malformed && d.names.size() == 85u) << d.names.size();
  EXPECT_EQ(d.names.back().offset + d.names.back().words, 102);
  auto offset_of = [&](const std::string& name) {
    for (const DeclName& n : d.names) {
      if (n.name == name) return static_cast<size_t>(n.offset) * 4;
    }
    return size_t{0};
  };
  EXPECT_EQ((std::vector<size_t>{offset_of("jn1"), offset_of("nuz3"), offset_of("jdz"),
                                 offset_of("jsss0"), offset_of("n_jintbc"), offset_of("nmarkers"),
                                 offset_of("hxd")}),
            (std::vector<size_t>{offsetof(Cmesh, jn1), offsetof(Cmesh, nuz3), offsetof(Cmesh, jdz),
                                 offsetof(Cmesh, jsss0), offsetof(Cmesh, n_jintbc),
                                 offsetof(Cmesh, nmarkers), offsetof(Cmesh, hxd)}));
}

TEST_F(CheckerTest, PoolIntervalsAreCutToThePools) {
  s->a[1] = 1.5f, s->a[2] = 2.5f;
  for (int i = 1; i <= 12; ++i) s->km[kPoolInts - 12 + i] = 100 + i;
  show("a 0 2");
  EXPECT_TRUE(seen("a=" + reals({1.5f}) + reals({2.5f})));

  show("km " + std::to_string(kPoolInts - 11) + " 2000000");
  std::string first_ten;
  for (int i = 1; i <= 10; ++i) first_ten += fmt_int(100 + i, "(i8)");
  // Ten to a line.
  EXPECT_TRUE(seen("km=") && seen(first_ten) && seen(fmt_int(111, "(i8)") + fmt_int(112, "(i8)")));

  screens.clear();
  cls(*s);
  show("a 9 3");  // empty: nothing shown, still the wait
  EXPECT_TRUE(!seen("a=") && host.events.empty());
}

TEST_F(CheckerTest, EditReadsAllValuesInOneRequest) {
  host.script("km " + std::to_string(kPoolInts - 1) + " 2000000<Enter>5<Enter>6<Enter> ");
  admp(*s, 1);
  EXPECT_TRUE(s->km[kPoolInts - 1] == 5 && s->km[kPoolInts] == 6 && seen("new value?") &&
              host.events.empty());

  s->a[5] = 1.0f;
  host.script("a 5 6 9<Enter><Esc>");  // one value given, then Esc: nothing changes
  admp(*s, 1);
  EXPECT_EQ(s->a[5], 1.0f);
}

TEST_F(CheckerTest, RecordDumpsAreLabelled) {
  s->ctime1.itrace = 3, s->ctime1.rtim1 = 1.0f, s->ctime1.rtim2 = 2.0f;
  set_field(s->ctime1.modname1, "dim");
  host.script("cmem<Enter>ctime<Enter> ");
  admp(*s, 0);
  EXPECT_TRUE(seen("\n*** ctime ***")) << "the dump starts on a line of its own";
  EXPECT_EQ(
      unseen({" incorrect name of common-block", "rtim1,rtim2=" + reals({1.0f}) + reals({2.0f}),
              "itrace=" + fmt_int(3, "(i8)"), "modname1=\"dim\"", "*** end ctime ***"}),
      "");

  for (const char* name : {"crd", "term", "grf", "term3", "chistor"}) {
    host.line(name);
    for (int i = 0; i < 20; ++i) host.press('n');
    admp(*s, 0);
    host.events.clear();
  }
  EXPECT_EQ(unseen({"*** crd ***", "*** cterm ***", "*** grf ***", "*** cterm3 ***",
                    "*** chistor ***", "htdyn=", "str=\"crd\""}),
            "");

  screens.clear();
  host.script("grf<Enter> ");  // edit mode: record names do nothing
  admp(*s, 1);
  EXPECT_TRUE(!seen("*** grf ***") && host.events.empty());
}

TEST_F(CheckerTest, MeshRecordDumpPagesThroughItsFields) {
  s->cmesh.jmcd = 4321, s->cmesh.hx = 0.125f;
  host.script("cmesh<Enter>          ");
  admp(*s, 0);
  EXPECT_EQ(unseen({" ************ cmesh ********", "jdcr(6)=", "jcd,jdcd,jmcd=",
                    fmt_int(0, "(i8)") + fmt_int(0, "(i8)") + fmt_int(4321, "(i8)"),
                    "hx,hy,hz=" + reals({0.125f}) + reals({0.0f}) + reals({0.0f}),
                    " ******* end cmesh ********", "more?"}),
            "");
}

TEST_F(CheckerTest, TimeRecordTakesNewCoefficientsWithoutAWait) {
  s->cht.cur = 0.5f;
  host.script("cht<Enter><Esc>");  // old values kept
  admp(*s, 0);
  EXPECT_TRUE(s->cht.cur == 0.5f && seen("cur,bet,sgl1(3)=") &&
              seen("new values?(esc - old values)"));

  host.script("cht<Enter>0.4 0.3 0.1 0.2 0.3<Enter>");
  admp(*s, 0);
  EXPECT_TRUE(s->cht.cur == 0.4f && s->cht.bet == 0.3f && s->cht.sgl1[2] == 0.3f &&
              host.events.empty());
}

}  // namespace
}  // namespace tivor::shell_test
