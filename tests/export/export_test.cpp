// State buffers of diffusion tasks turned into ParaView and gmsh files by the converter, and read
// back by VTK's own reader and by gmsh: the same nodes, cells, values and groups as the state.
#include <filesystem>
#include <fstream>
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

std::string sample(const std::string& path) {
  return test::file_bytes(fs::path(TIVOR_SOURCE_DIR) / "examples" / path);
}

class Export : public dif_test::DifTest {
 protected:
  // The converter on a buffer; its exit status, what it said in said_.
  int convert(const std::string& buffer, const std::string& out) {
    int status = -1;
    said_ = test::output(std::string(TIVOR_EXPORT) + " " + buffer + " " + out + " 2>&1", status);
    return status;
  }
  // The file as its users' tool reads it; false, saying so, when the tool is not installed.
  bool read_back(const std::string& file, test::Dump& dump) {
    int status = -1;
    dump = test::read_back(file, status, said_);
    if (status == 77) std::printf("skipped: %s", said_.c_str());
    EXPECT_TRUE(status == 0 || status == 77) << said_;
    return status == 0;
  }
  // Values read back against the pool's n reals at pointer j.
  void expect_values(const std::vector<std::string>& got, int32_t j, int64_t n) {
    ASSERT_EQ(static_cast<int64_t>(got.size()), n);
    for (int64_t i = 0; i < n; ++i) ASSERT_EQ(std::stof(got[i]), reals(*s, j)[i]) << i;
  }
  // The current state through the buffer and both formats.
  void round_trip(int subregions) {
    rewrin(*s, 2, "state.buf");
    ASSERT_EQ(convert("state.buf", "out.vtu"), 0) << said_;
    ASSERT_EQ(convert("state.buf", "out.msh"), 0) << said_;
    const Cmesh& c = mesh();
    test::Dump vtu, msh;
    if (read_back("out.vtu", vtu)) {
      EXPECT_EQ(vtu["points"].at(0), std::to_string(c.n1));
      EXPECT_EQ(vtu["cells"].at(0), std::to_string(c.n2));
      EXPECT_EQ(vtu["types"], std::vector<std::string>(c.n2, c.m == 3 ? "5" : "9"));
      expect_values(vtu["coords"], c.jrz, 2 * c.n1);
      for (int k = 0; k < s->cht.nipp; ++k) {
        expect_values(vtu["point:" + field_str(s->cls.ppname[k])], s->cht.ipp[k], c.n1);
      }
      // Cell e lies in subregion i when the cumulative counts put it there.
      const std::vector<std::string>& sub = vtu["cell:subregion"];
      ASSERT_EQ(static_cast<int64_t>(sub.size()), c.n2);
      for (int i = 0, e = 0; i < c.ntel; ++i) {
        for (; e < ints(*s, c.jn2)[i]; ++e) ASSERT_EQ(sub[e], std::to_string(i + 1));
      }
      EXPECT_EQ(std::stof(vtu["field:TimeValue"].at(0)), s->cht.t);
      EXPECT_EQ(vtu["field:axisymmetric"].at(0), c.isym == 1 ? "1" : "0");
    }
    if (read_back("out.msh", msh)) {
      EXPECT_EQ(msh["nodes"].at(0), std::to_string(c.n1));
      int32_t cells = 0, outer = 0;
      for (int i = 1; i <= subregions; ++i) {
        const std::vector<std::string>& group = msh["group:subregion_" + std::to_string(i)];
        ASSERT_EQ(group.size(), 3u) << i;  // dimension, elements, element types
        cells += std::stoi(group[1]);
        EXPECT_EQ(group[2], c.m == 3 ? "2" : "3");
      }
      EXPECT_EQ(cells, c.n2);
      for (int32_t k = 0; k < c.n3; ++k) outer += ints(*s, c.jj2)[2 * k + 1] > 0 ? 1 : 0;
      EXPECT_EQ(std::stoi(msh["group:boundary"].at(1)), outer);
      EXPECT_EQ(msh.count("group:interface"), subregions > 1 ? 1u : 0u);
    }
  }
  std::string said_;
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
  data(sample("gs/channel.gs"));
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
}

TEST_F(Export, DamagedBuffersLeaveNoFileBehind) {
  ASSERT_TRUE(prepare(sample("dif/square.dif")));
  rewrin(*s, 2, "good.buf");
  std::ofstream("short.buf", std::ios::binary) << test::file_bytes("good.buf").substr(0, 9999);
  // An element naming a node past the last one.
  ints(*s, mesh().jj1)[0] = mesh().n1 + 7;
  rewrin(*s, 2, "node.buf");
  fs::create_directory("out");
  for (const char* buffer : {"short.buf", "node.buf", "none.buf"}) {
    EXPECT_EQ(convert(buffer, "out/x.vtu"), 1) << buffer;
    EXPECT_NE(said_.find(buffer), std::string::npos) << said_;
  }
  EXPECT_TRUE(fs::is_empty("out"));
}

}  // namespace
}  // namespace tivor
