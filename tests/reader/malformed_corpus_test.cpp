// Malformed data files: every request ends with a value or with the report and the error flag,
// never with a crash, an overrun or a hang.
#include <random>

#include "reader/reader_fixture.hpp"

namespace tivor {
namespace {

const std::string kValid = "cur=0.5 n=3\r\nf=1,2,3&\r\nopt=4\r\nname\r\n";

std::vector<std::string> corpus() {
  // Crashes, overruns and hangs on any bytes are the fuzz target's; here the outcome of every
  // request is checked too.
  std::vector<std::string> files = {"", "cur=0.5 n=3 f=1 2 3 4 5 6 7 8 9 10 11 12&",
                                    std::string("cur=0.5\0 n=3\r\n", 15), "cur=\0320.5"};
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int i = 0; i < 40; ++i) {  // binary noise
    std::string f(static_cast<size_t>(byte(rng)) * 8, ' ');
    for (char& c : f) c = static_cast<char>(byte(rng));
    files.push_back(f);
  }
  for (int i = 0; i < 200; ++i) {  // a few bytes of the valid file changed, dropped or added
    std::string f = kValid;
    for (int m = byte(rng) % 3 + 1; m > 0; --m) {
      const size_t at = static_cast<size_t>(byte(rng)) % f.size();
      const char c = "=.,;:&+-*e \r\n\0\3770123456789abz"[byte(rng) % 28];
      const int op = byte(rng) % 3;  // 0 change, 1 drop, 2 add
      f.replace(at, op < 2 ? 1 : 0, op == 1 ? 0 : 1, c);
    }
    files.push_back(f);
  }
  files.push_back(kValid);
  return files;
}

using MalformedCorpusTest = ReaderTest;

TEST_F(MalformedCorpusTest, EveryRequestEndsWithAValueOrTheReport) {
  int failures = 0;
  for (const std::string& bytes : corpus()) {
    SCOPED_TRACE(::testing::PrintToString(bytes.substr(0, 60)));
    open(bytes);
    host.events.clear();
    host.spare_enters = 4;  // each report waits for one key
    float cur = 0;
    int32_t n3 = 0, opt = -1, f[9] = {0, 0, 0, 0, 0, 0, 0, 0, -12345};  // f[8] a guard
    int one = 1, nf = 0, len = 0, rc = 0;
    std::string name;
    try {
      rc = readr(*s, " courant number", &cur, one, "cur", 0);
      if (rc == 0) rc = readi(*s, " n", &n3, one, "n", 0);
      if (rc == 0) rc = readi(*s, " f", f, nf, "f", -1, 8);
      if (rc == 0) rc = readi(*s, " opt", &opt, one, "opt", 2);
      if (rc == 0) readname(*s, name, 8, len, "");
    } catch (const ProgramStop&) {
      ADD_FAILURE() << "waited for more keys than reports";
      continue;
    }
    EXPECT_TRUE(f[8] == -12345 && nf <= 8 && len <= 8);
    failures += rc != 0;
    // A failure sets the flag, drops the line and waits for one key; success does neither.
    EXPECT_EQ(iflag(*s), rc != 0 ? 1 : 0);
    EXPECT_TRUE(rc == 0 || (s->crd.ip == 0 && host.waits == 1));
    EXPECT_TRUE(bytes != kValid || (rc == 0 && cur == 0.5f && name == "name" &&
                                    n3 + nf + f[2] + opt == 3 + 3 + 3 + 4));
    flag_off(*s);
    host.waits = 0;
  }
  EXPECT_GT(failures, 100);
}

}  // namespace
}  // namespace tivor
