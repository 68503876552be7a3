// Batch runs as the README shows them, its commands run as they stand (the sweep with three of
// its yield stresses and fewer steps), and the exit statuses by which a script tells a failed
// run from a good one.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "export/program_output.hpp"
#include "support/files.hpp"

namespace tivor::e2e {
namespace {

namespace fs = std::filesystem;

// The lines of the README block after the marker that starts with the text, without indent.
std::string readme_block(const std::string& marker) {
  std::istringstream readme(test::file_bytes(fs::path(TIVOR_SOURCE_DIR) / "README.md"));
  std::string block;
  bool inside = false;
  for (std::string line; std::getline(readme, line);) {
    if (line.rfind("<!-- ", 0) == 0) inside = line.rfind("<!-- " + marker, 0) == 0;
    if (inside && line.rfind("    ", 0) == 0) block += line.substr(4) + "\n";
  }
  return block;
}

// Steps made and asked for and the time reached, from the summary, the last line of a run.
struct Summary {
  int made = -1, asked = -1;
  double time = NAN;
};
std::vector<Summary> summaries(const std::string& out) {
  std::vector<Summary> all;
  for (size_t at = out.find("batch:class"); at != std::string::npos;
       at = out.find("batch:class", at + 1)) {
    Summary s;
    const size_t steps = out.find(", steps ", at);
    if (std::sscanf(out.c_str() + steps, ", steps %d of %d, time %lf", &s.made, &s.asked,
                    &s.time) == 3) {
      all.push_back(s);
    }
  }
  return all;
}

// A tree laid out as the README expects: build/app/tivor, examples/ and run/sol/ with the
// samples, the scripts.
class Batch : public ::testing::Test {
 protected:
  void SetUp() override {
    top_ = fs::temp_directory_path() / ("tivor_batch_" + std::to_string(::getpid()));
    fs::remove_all(top_);
    fs::create_directories(top_ / "build/app");
    fs::create_symlink(TIVOR_BINARY, top_ / "build/app/tivor");
    fs::create_directory_symlink(fs::path(TIVOR_SOURCE_DIR) / "scripts", top_ / "scripts");
    fs::copy(fs::path(TIVOR_SOURCE_DIR) / "examples", top_ / "examples",
             fs::copy_options::recursive);
    fs::create_directories(top_ / "run");
    fs::copy(top_ / "examples/sol", top_ / "run/sol");
  }
  void TearDown() override { fs::remove_all(top_); }

  // Runs the shell lines in the folder, the programs on the PATH; their output and status.
  std::string shell(const std::string& lines, const fs::path& dir, int& status) {
    std::ofstream(top_ / "lines.sh") << "set -e\n" << lines;
    return test::output("cd " + dir.string() + " && PATH=" + (top_ / "build/app").string() +
                            ":$PATH bash " + (top_ / "lines.sh").string() + " 2>&1",
                        status);
  }

  fs::path top_;
};

TEST_F(Batch, ReadmeCommandsGoOnFromTheSavedState) {
  int status = -1;
  const std::string out = shell(readme_block("batch commands"), top_ / "run", status);
  ASSERT_EQ(status, 0) << out;
  const std::vector<Summary> runs = summaries(out);
  ASSERT_EQ(runs.size(), 2u) << out;
  for (const Summary& run : runs) EXPECT_EQ(run.made, 5) << out;
  EXPECT_GT(runs[1].time, runs[0].time) << out;
  for (const char* file : {"tube.vtu", "tube.buf", "more.vtu", "series/tube.pvd"}) {
    EXPECT_TRUE(fs::exists(top_ / "run" / file)) << file;
  }
  // The same state written at its deformed place: only the points differ from tube.vtu.
  shell("tivor --batch --read-state tube.buf --deformed 1e3 --vtu bent.vtu", top_ / "run", status);
  ASSERT_EQ(status, 0);
  const std::string flat = test::file_bytes(top_ / "run/tube.vtu");
  const std::string bent = test::file_bytes(top_ / "run/bent.vtu");
  EXPECT_TRUE(!bent.empty() && flat != bent);
}

TEST_F(Batch, ReadmeSweepTabulatesTheDisplacementOfEachRun) {
  int status = -1;
  test::output("command -v parallel", status);
  if (status != 0) GTEST_SKIP() << "GNU parallel is not installed; the sweep is not run";
  std::string lines = readme_block("sweep commands");
  const size_t first = lines.find("stresses=\"");
  lines.replace(first, lines.find('\n', first) - first, "stresses=\"0.05 0.2 0.8\"");
  lines.replace(lines.find("--steps 1000"), 12, "--steps 300");
  const std::string out = shell(lines, top_, status);
  ASSERT_EQ(status, 0) << out;
  std::istringstream table(out.substr(out.find("displacement")));
  std::vector<double> largest;
  std::string line;
  std::getline(table, line);
  for (std::string name; table >> name;) {
    double time = 0, u = 0, x = 0, y = 0;
    ASSERT_TRUE(table >> time >> u >> x >> y) << out;
    // The punch moves its nodes down at 10 m/s, 0.01 m per millisecond: nothing moves less
    // than that, and the plate around it no farther than a few times as much.
    EXPECT_GE(u, 0.01 * time * (1 - 1e-3)) << name;
    EXPECT_LT(u, 0.03 * time) << name;
    largest.push_back(u);
  }
  ASSERT_EQ(largest.size(), 3u) << out;
  // The yield stress changes how the plate flows: each run has its own largest displacement.
  for (size_t i = 0; i < largest.size(); ++i) {
    for (size_t j = i + 1; j < largest.size(); ++j) {
      EXPECT_GT(std::abs(largest[i] - largest[j]), 1e-4 * largest[i]) << out;
    }
  }
}

TEST_F(Batch, ExitStatusTellsEachFailure) {
  std::ofstream(top_ / "run/sol/bad.sol") << "ntel=x\n";
  std::string punch = test::file_bytes(top_ / "run/sol/punch.sol");
  std::ofstream(top_ / "run/sol/unstable.sol") << punch.replace(punch.find("CUR=0.9"), 7, "CUR=9");
  std::ofstream(top_ / "run/short.buf") << "not a state buffer";
  const struct {
    std::string args;
    int status;
    std::string said;
  } cases[] = {
      {"sol/bad.sol --method 1 --steps 5", 4, "Error in string number:"},
      {"sol/none.sol --method 1", 4, "is not found"},
      {"sol/tube.sol --method 4", 2, "methods 1 to 3"},
      {"--read-state short.buf --steps 5", 5, "is damaged"},
      {"sol/unstable.sol --method 1 --steps 100", 6, "stopped after"},
      {"sol/tube.sol --method 2 --steps 1 --vtu sol/tube.sol/x.vtu", 8, "cannot write"},
      {"sol/tube.sol --method 2 --steps 1 --state sol/tube.sol/x.buf", 8, "can not write"},
      {"sol/tube.sol --method 2 --steps 1 --series sol/tube.sol/s", 8, "cannot write"},
  };
  for (const auto& c : cases) {
    int status = -1;
    const std::string out = shell("tivor --batch " + c.args, top_ / "run", status);
    EXPECT_EQ(status, c.status) << c.args << "\n" << out;
    EXPECT_NE(out.find(c.said), std::string::npos) << c.args << "\n" << out;
    EXPECT_EQ(summaries(out).size(), 1u) << c.args << "\n" << out;
  }
  // Options that make no batch run are refused before anything runs.
  for (const char* args :
       {"--batch", "--batch sol/tube.sol", "--steps 5 sol/tube.sol",
        "--batch --read-state a.buf --method 1", "--batch x.sol --method 1 --keys k"}) {
    int status = -1;
    const std::string out = shell(std::string("tivor ") + args, top_ / "run", status);
    EXPECT_EQ(status, 2) << args << "\n" << out;
    EXPECT_NE(out.find("usage: tivor"), std::string::npos) << args << "\n" << out;
  }
  // Interrupted in its middle, a run still saves the state it reached, and goes on from it. The
  // tube under pressure runs for ever (an optimised build takes the punch through the plate and
  // on to an unstable mesh within the wait).
  int status = -1;
  const std::string out = shell(
      "tivor --batch sol/cylinder.sol --method 1 --steps 1000000 --state stop.buf & pid=$!\n"
      "sleep 2; kill -INT $pid; wait $pid || echo status $?\n"
      "tivor --batch --read-state stop.buf --steps 2\n",
      top_ / "run", status);
  EXPECT_NE(out.find("status 7"), std::string::npos) << out;
  const std::vector<Summary> runs = summaries(out);
  ASSERT_EQ(runs.size(), 2u) << out;
  EXPECT_LT(runs[0].made, runs[0].asked);
  EXPECT_EQ(runs[1].made, 2);
  EXPECT_GT(runs[1].time, runs[0].time);
}

}  // namespace
}  // namespace tivor::e2e
