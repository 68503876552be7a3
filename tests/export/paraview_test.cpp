// What ParaView gets: a solid's displacement and velocity as vectors under the names the program
// shows, its deformed mesh, a series that keeps its frames across a resume, and the converter's
// refusal of a huge buffer that holds nothing.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "classes/dif_fixture.hpp"
#include "classes/sol_fixture.hpp"
#include "export/program_output.hpp"
#include "results/results.hpp"
#include "shell/shell.hpp"
#include "support/files.hpp"

namespace tivor {
namespace {

namespace fs = std::filesystem;

// A name as read_back.py prints it.
std::string quoted(const std::string& name) {
  std::string out;
  for (const unsigned char c : name) {
    const bool plain = std::isalnum(c) || c == '_' || c == '.' || c == '-' || c == '~';
    char hex[4];
    std::snprintf(hex, sizeof hex, "%%%02X", c);
    out += plain ? std::string(1, static_cast<char>(c)) : std::string(hex);
  }
  return out;
}

int convert(const std::string& args, std::string& said) {
  int status = -1;
  said = test::output(std::string(TIVOR_EXPORT) + " " + args + " 2>&1", status);
  return status;
}

using Solid = sol_test::SolTest;

TEST_F(Solid, VectorsKeepTheirComponentsNamesStayExactAndTheMeshMovesByTheDisplacement) {
  sol_test::Task t;
  t.zones = {{0, 0, 1, 2, 3, 4}};
  t.zones[0].vr = 30;
  t.zones[0].vz = -20;
  ASSERT_TRUE(prepare(t));
  run(5);
  // Names XML must escape, a repeated name, and a scalar that takes a vector's name.
  set_field(s->cls.ppname[4], "a&b <c> \"d\" 'e'\tf");
  set_field(s->cls.ppname[5], "dup");
  set_field(s->cls.ppname[7], "dup");
  set_field(s->cls.ppname[8], "velocity");
  rewrin(*s, 2, "sol.buf");
  std::string said;
  ASSERT_EQ(convert("sol.buf out.vtu", said), 0) << said;
  ASSERT_EQ(convert("--deformed 2.5 sol.buf moved.vtu", said), 0) << said;
  int status = -1;
  test::Dump vtu = test::read_back("out.vtu", status, said);
  if (status == 77) GTEST_SKIP() << said;
  ASSERT_EQ(status, 0) << said;
  std::vector<std::string> names;
  for (int k = 0; k < s->cht.nipp; ++k) names.push_back(field_str(s->cls.ppname[k]));
  names[7] = "dup (2)";
  for (const std::string& name : names) EXPECT_EQ(vtu.count("point:" + quoted(name)), 1u) << name;
  // The vectors: (x, y, 0) from the published components, the velocity clear of the scalar.
  for (const auto& [vector, x] : {std::pair{"displacement", 0}, std::pair{"velocity (2)", 2}}) {
    const std::vector<std::string>& v = vtu["point:" + quoted(vector)];
    ASSERT_EQ(static_cast<int32_t>(v.size()), 3 * n1()) << vector;
    for (int32_t i = 0; i < n1(); ++i) {
      EXPECT_EQ(std::stof(v[3 * i]), at(s->cht.ipp[x], i));
      EXPECT_EQ(std::stof(v[3 * i + 1]), at(s->cht.ipp[x + 1], i));
      EXPECT_EQ(v[3 * i + 2], "0.0");
    }
  }
  EXPECT_GT(std::abs(at(s->cht.ipp[0], 0)), 1e-4f);
  // Deformed: each node at its place plus 2.5 times its displacement.
  const std::vector<std::string> moved = test::read_back("moved.vtu", status, said)["coords"];
  ASSERT_EQ(static_cast<int32_t>(moved.size()), 2 * n1());
  for (int32_t i = 0; i < n1(); ++i) {
    EXPECT_FLOAT_EQ(std::stof(moved[2 * i]), r(i) + 2.5f * at(s->cht.ipp[0], i));
    EXPECT_FLOAT_EQ(std::stof(moved[2 * i + 1]), z(i) + 2.5f * at(s->cht.ipp[1], i));
  }
  // Without a displacement there is nothing to deform: a message, no file.
  set_field(s->cls.ppname[0], "ux");
  rewrin(*s, 2, "none.buf");
  EXPECT_EQ(convert("--deformed none.buf none.vtu", said), 1);
  EXPECT_NE(said.find("no displacement"), std::string::npos) << said;
  EXPECT_FALSE(fs::exists("none.vtu"));
}

TEST_F(Solid, AHugeBufferThatHoldsNothingIsRefusedAtOnce) {
  sol_test::Task t;
  t.zones = {{0, 0, 1, 1, 2, 2}};
  ASSERT_TRUE(prepare(t));
  rewrin(*s, 2, "small.buf");
  const std::string records =
      test::file_bytes("small.buf").substr(fs::file_size("small.buf") - 9500);
  // 2 GB of real words in use, all zero and never written to the disk.
  const int32_t maxa = 500'000'000;
  const auto make = [&](const std::string& file, const std::string& tail) {
    std::ofstream out(file, std::ios::binary);
    const int32_t head[4] = {maxa, 0, maxa, 0};
    out.write(reinterpret_cast<const char*>(head), sizeof head);
    out.close();
    fs::resize_file(file, 16 + 4 * uint64_t{maxa} + 9500 - tail.size());
    std::ofstream(file, std::ios::binary | std::ios::app) << tail;
  };
  make("empty.buf", std::string(9500, '\0'));
  make("mesh.buf", records);  // its mesh's integer words are not in the file
  for (const auto& [file, message] :
       {std::pair{"empty.buf", "no mesh"}, std::pair{"mesh.buf", "outside the pools"}}) {
    std::string said;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(convert(std::string(file) + " x.vtu", said), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << file;
    EXPECT_NE(said.find(message), std::string::npos) << said;
    EXPECT_FALSE(fs::exists("x.vtu"));
  }
}

using Series = dif_test::DifTest;

TEST_F(Series, AResumedRunKeepsTheEarlierFramesAndDropsTheAbandonedOnes) {
  fs::create_directories("series");
  std::ofstream("series/square_00001.vtu.tmp999999999") << "killed";
  const auto frames = [] {
    std::vector<std::string> files;
    std::string text = test::file_bytes("series/square.pvd");
    for (size_t p = 0; (p = text.find("file=\"", p)) != std::string::npos; p += 6) {
      files.push_back(text.substr(p + 6, text.find('"', p + 6) - p - 6));
    }
    return files;
  };
  ASSERT_TRUE(prepare(test::file_bytes(fs::path(TIVOR_SOURCE_DIR) / "examples/dif/square.dif")));
  set_field(s->cls.datfile, "square.dif");
  series_install(*s, "series");
  const int32_t k = s->cht.is;
  const auto name = [&](int step) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "square_%05d.vtu", k + step);
    return std::string(buf);
  };
  run(2);
  rewrin(*s, 2, "two.buf");
  run(2);
  run(2);
  EXPECT_EQ(frames(), (std::vector{name(2), name(4), name(6)}));
  EXPECT_FALSE(fs::exists("series/square_00001.vtu.tmp999999999"));
  // A later session goes on from step 2: steps 4 and 6 were of a run that was left.
  fresh();
  series_install(*s, "series");
  rewrin(*s, 1, "two.buf");
  run(3);
  EXPECT_EQ(frames(), (std::vector{name(2), name(5)}));
  for (const int step : {2, 4, 5, 6}) {
    EXPECT_EQ(fs::exists("series/" + name(step)), step == 2 || step == 5) << step;
  }
  // A collection that is not ours is replaced, with a message.
  std::ofstream("series/square.pvd") << "<VTKFile><DataSet file=\"../../x\"/>";
  fresh();
  series_install(*s, "series");
  rewrin(*s, 1, "two.buf");
  keys(1);
  run(1);
  EXPECT_EQ(frames(), (std::vector{name(3)}));
  EXPECT_TRUE(seen("not a series"));
}

}  // namespace
}  // namespace tivor
