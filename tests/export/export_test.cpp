// State buffers of diffusion tasks turned into ParaView and gmsh files by the converter, and read
// back by VTK's own reader and by gmsh: the same nodes, cells, values and groups as the state.
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "classes/dif_fixture.hpp"
#include "core/pool.hpp"
#include "export/program_output.hpp"
#include "mesh/mesh.hpp"
#include "shell/shell.hpp"
#include "support/files.hpp"

namespace tivor {
namespace {

namespace fs = std::filesystem;

// What read_back.py printed: the first word (two for arrays and groups) names the line.
using Dump = std::map<std::string, std::vector<std::string>>;

std::string sample(const std::string& path) {
  std::ifstream in(std::string(TIVOR_SOURCE_DIR) + "/examples/" + path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class Export : public dif_test::DifTest {
 protected:
  // The converter on a buffer; its exit status, what it said in message_.
  int convert(const std::string& buffer, const std::string& out) {
    int status = -1;
    message_ = test::output(std::string(TIVOR_EXPORT) + " " + buffer + " " + out + " 2>&1", status);
    return status;
  }
  // The file as the tool of its users reads it; false (and the test skipped) without the tool.
  bool read_back(const std::string& file, Dump& dump) {
    const std::string python = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    int status = -1;
    const std::string out = test::output(
        python + " " TIVOR_SOURCE_DIR "/tests/export/read_back.py " + file + " 2>&1", status);
    if (status == 77) {
      std::printf("skipped: %s", out.c_str());
      return false;
    }
    EXPECT_EQ(status, 0) << out;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
      std::istringstream words(line);
      std::string key, word;
      words >> key;
      if (key == "point" || key == "cell" || key == "field" || key == "group") {
        words >> word;
        key += " " + word;
      }
      std::vector<std::string>& v = dump[key];
      while (words >> word) v.push_back(word);
    }
    return status == 0;
  }
  // The values of an array as read back, against n reals of the pool at pointer j.
  void expect_values(const std::vector<std::string>& got, int32_t j, int64_t n, int stride = 1) {
    ASSERT_EQ(static_cast<int64_t>(got.size()), n);
    for (int64_t i = 0; i < n; ++i) {
      ASSERT_EQ(std::stof(got[static_cast<size_t>(i)]), reals(*s, j)[i * stride]) << i;
    }
  }
  // The whole round trip of the current state through both formats.
  void round_trip(int subregions) {
    rewrin(*s, 2, "state.buf");
    ASSERT_EQ(convert("state.buf", "out.vtu"), 0) << message_;
    ASSERT_EQ(convert("state.buf", "out.msh"), 0) << message_;
    const Cmesh& c = mesh();
    Dump vtu;
    if (read_back("out.vtu", vtu)) {
      EXPECT_EQ(vtu["points"], std::vector<std::string>{std::to_string(c.n1)});
      EXPECT_EQ(vtu["cells"], std::vector<std::string>{std::to_string(c.n2)});
      std::vector<float> rz(vtu["coords"].size());
      for (size_t i = 0; i < rz.size(); ++i) rz[i] = std::stof(vtu["coords"][i]);
      EXPECT_TRUE(std::equal(rz.begin(), rz.end(), reals(*s, c.jrz), reals(*s, c.jrz) + 2 * c.n1));
      for (int k = 0; k < s->cht.nipp; ++k) {
        expect_values(vtu["point " + field_str(s->cls.ppname[k])], s->cht.ipp[k], c.n1);
      }
      // Cell e lies in subregion i when the cumulative counts put it there.
      const std::vector<std::string>& sub = vtu["cell subregion"];
      ASSERT_EQ(static_cast<int64_t>(sub.size()), c.n2);
      for (int i = 0, e = 0; i < c.ntel; ++i) {
        for (; e < ints(*s, c.jn2)[i]; ++e)
          ASSERT_EQ(std::stoi(sub[static_cast<size_t>(e)]), i + 1);
      }
      EXPECT_EQ(static_cast<float>(std::stod(vtu["field TimeValue"].at(0))), s->cht.t);
      EXPECT_EQ(vtu["field axisymmetric"].at(0), c.isym == 1 ? "1" : "0");
    }
    Dump msh;
    if (read_back("out.msh", msh)) {
      EXPECT_EQ(msh["nodes"], std::vector<std::string>{std::to_string(c.n1)});
      int32_t cells = 0, outer = 0;
      for (int i = 1; i <= subregions; ++i) {
        const std::vector<std::string>& group = msh["group subregion_" + std::to_string(i)];
        ASSERT_EQ(group.size(), 3u) << i;
        cells += std::stoi(group[1]);
        EXPECT_EQ(group[2], c.m == 3 ? "2" : "3");
      }
      EXPECT_EQ(cells, c.n2);
      for (int32_t k = 0; k < c.n3; ++k) outer += ints(*s, c.jj2)[2 * k + 1] > 0 ? 1 : 0;
      EXPECT_EQ(std::stoi(msh["group boundary"].at(1)), outer);
      EXPECT_EQ(msh.count("group interface"), subregions > 1 ? 1u : 0u);
    }
  }
  std::string message_;
};

TEST_F(Export, DiffusionSamplesRoundTripThroughParaViewAndGmsh) {
  for (const auto& [file, subregions] :
       {std::pair{"dif/square.dif", 1}, std::pair{"dif/cylinder.dif", 1},
        std::pair{"dif/two_regions.dif", 2}}) {
    SCOPED_TRACE(file);
    fresh();
    ASSERT_TRUE(prepare(sample(file)));
    run(3);
    round_trip(subregions);
  }
}

TEST_F(Export, QuadrilateralsOfGenerator5KeepTheirShape) {
  data(sample("mesh/channel.dat"));
  keys(3);
  ASSERT_EQ(tivor::mesh(*s), 0);
  ASSERT_EQ(mesh().m, 4);
  int32_t j = 0;
  ASSERT_EQ(reserve_reals(*s, j, mesh().n1, "rz"), 0);
  for (int32_t i = 0; i < n1(); ++i) reals(*s, j)[i] = r(i) * z(i);
  s->cht.nipp = 1;
  s->cht.ipp[0] = j;
  set_field(s->cls.ppname[0], "r_times_z");
  round_trip(1);
  Dump vtu;
  if (read_back("out.vtu", vtu)) {
    EXPECT_EQ(vtu["types"], std::vector<std::string>(static_cast<size_t>(mesh().n2), "9"));
  }
}

TEST_F(Export, DamagedBuffersLeaveNoFileBehind) {
  ASSERT_TRUE(prepare(sample("dif/square.dif")));
  rewrin(*s, 2, "good.buf");
  const std::string bytes = test::file_bytes("good.buf");
  std::ofstream("short.buf", std::ios::binary) << bytes.substr(0, bytes.size() - 4);
  // An element naming a node past the last one.
  ints(*s, mesh().jj1)[0] = mesh().n1 + 7;
  rewrin(*s, 2, "node.buf");
  fs::create_directory("out");
  for (const char* buffer : {"short.buf", "node.buf", "none.buf"}) {
    EXPECT_EQ(convert(buffer, "out/x.vtu"), 1) << buffer;
    EXPECT_NE(message_.find(buffer), std::string::npos) << message_;
  }
  EXPECT_NE(message_.find("cannot read"), std::string::npos) << message_;
  EXPECT_EQ(convert("good.buf", "out/x.txt"), 1);
  EXPECT_EQ(convert("good.buf", "no/such/dir/x.msh"), 1);
  EXPECT_TRUE(fs::is_empty("out"));
}

}  // namespace
}  // namespace tivor
