#include "e2e/session_runner.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "gfx/raster_reading.hpp"
#include "host/palette.hpp"
#include "support/files.hpp"

namespace tivor::e2e {

namespace fs = std::filesystem;

int colour_at(const RgbImage& im, int x, int y) {
  int c = 0;
  while (c < 16 && !(kConsolePalette[static_cast<size_t>(c)] == im.at(x - 1, y - 1))) ++c;
  return c == 0 ? 15 : c == 15 ? 0 : c;
}

int count(const RgbImage& im, int c, int x1, int y1, int x2, int y2) {
  int n = 0;
  for (int y = y1; y <= y2; ++y) {
    for (int x = x1; x <= x2; ++x) n += c < 0 ? colour_at(im, x, y) != 0 : colour_at(im, x, y) == c;
  }
  return n;
}

std::string text_on(const RgbImage& im, int x, int y, size_t n) {
  return test::read_text([&](int px, int py) { return colour_at(im, px, py) != 0; }, x, y,
                         static_cast<int>(n));
}

void Session::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const fs::path root =
      fs::temp_directory_path() / ("tivor-e2e-" + std::to_string(::getpid()) + "-" + info->name());
  fs::remove_all(root);
  work_ = root / "work";
  shots_ = root / "shots";
  fs::create_directories(work_ / "hlp");
  fs::create_directories(work_ / "buf");
  fs::create_directories(work_ / "images");
  fs::create_directories(work_ / "dif");
  fs::create_directories(shots_);
  for (const auto& f : fs::directory_iterator(fs::path(TIVOR_SOURCE_DIR) / "hlp")) {
    fs::copy_file(f.path(), work_ / "hlp" / f.path().filename());
  }
}

std::string sample_keys(const std::string& folder, const std::string& name) {
  std::vector<std::string> files;
  for (const auto& f : fs::directory_iterator(fs::path(TIVOR_SOURCE_DIR) / "examples" / folder)) {
    if (f.path().extension() == "." + folder) files.push_back(f.path().filename().string());
  }
  std::sort(files.begin(), files.end());
  const auto at = std::find(files.begin(), files.end(), name + "." + folder);
  EXPECT_NE(at, files.end()) << name;
  const int k = static_cast<int>(at - files.begin());
  std::string keys;
  for (int i = 0; i < k / 6; ++i) keys += "<Down>";
  for (int i = 0; i < k % 6; ++i) keys += "<Right>";
  return keys;
}

void Session::samples() {
  for (const auto& f : fs::directory_iterator(fs::path(TIVOR_SOURCE_DIR) / "examples" / "dif")) {
    fs::copy_file(f.path(), work_ / "dif" / f.path().filename());
  }
}

void Session::TearDown() {
  if (!HasFailure()) fs::remove_all(work_.parent_path());
}

int Session::run(const std::string& script) {
  const fs::path keys = work_.parent_path() / "script.keys";
  std::ofstream(keys) << script;
  return spawn({TIVOR_BINARY, "--headless", "--keys", keys.string(), "--shots", shots_.string(),
                "--workdir", work_.string()});
}

int Session::spawn(std::vector<std::string> args) {
  const fs::path err = work_.parent_path() / "stderr.txt";
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -2;

  // A scripted session never sleeps; a run that lasts a minute hangs.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      ADD_FAILURE() << "the program hung";
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  stderr_ = test::file_bytes(err);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void Session::expect_reference(const std::string& name) {
  const fs::path reference = fs::path(TIVOR_SOURCE_DIR) / "tests/e2e/reference" / (name + ".png");
  if (std::getenv("TIVOR_UPDATE_GOLDEN") != nullptr) {
    fs::copy_file(shots_ / (name + ".png"), reference, fs::copy_options::overwrite_existing);
  }
  const auto got = shot(name);
  const auto want = read_png_rgb(reference.string());
  ASSERT_TRUE(got && want) << name;
  EXPECT_EQ(got->w, 640);
  EXPECT_EQ(got->h, 350);
  EXPECT_TRUE(got->rgb == want->rgb) << name << " differs from its reference picture";
}

void Session::expect_like_reference(const std::string& name, int x1, int y1, int x2, int y2) {
  const fs::path reference = fs::path(TIVOR_SOURCE_DIR) / "tests/e2e/reference" / (name + ".png");
  if (std::getenv("TIVOR_UPDATE_GOLDEN") != nullptr) {
    fs::copy_file(shots_ / (name + ".png"), reference, fs::copy_options::overwrite_existing);
  }
  const auto got = shot(name);
  const auto want = read_png_rgb(reference.string());
  ASSERT_TRUE(got && want) << name;
  const int area = (x2 - x1 + 1) * (y2 - y1 + 1);
  for (int c = 0; c < 16; ++c) {
    const int n = count(*got, c, x1, y1, x2, y2), m = count(*want, c, x1, y1, x2, y2);
    EXPECT_LE(std::abs(n - m), m / 5 + area / 100) << name << " colour " << c;
  }
}

std::string Session::screen_text(const std::string& name) const {
  return test::file_bytes(shots_ / (name + ".txt"));
}

std::vector<std::string> Session::screen(const std::string& name) const {
  std::vector<std::string> lines;
  std::istringstream in(screen_text(name));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::optional<RgbImage> Session::shot(const std::string& name) const {
  return read_png_rgb((shots_ / (name + ".png")).string());
}

bool Session::has_line(const std::string& name, const std::string& start) const {
  for (const std::string& line : screen(name)) {
    if (line.rfind(start, 0) == 0) return true;
  }
  return false;
}

}  // namespace tivor::e2e
