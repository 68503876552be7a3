// Runs the tivor program headless from a key script in a fresh working directory, and reads back
// what it left: the exit status, text-screen dumps, screenshots and files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/png_writer.hpp"

namespace tivor::e2e {

// The canvas colour shown at canvas point (x, y) (the screen swaps 0 and 15).
int colour_at(const RgbImage& im, int x, int y);
// Points of canvas colour c (any but the background when c < 0) in x1..x2, y1..y2.
int count(const RgbImage& im, int c, int x1, int y1, int x2, int y2);
// The text of n cells shown from the text position (x, y).
std::string text_on(const RgbImage& im, int x, int y, size_t n);

// Acknowledges the missing standing buffer and the welcome screen of a fresh start.
inline constexpr const char* kStart = "<Enter><Enter>";
// Leaves the program from the main menu with a plain exit.
inline constexpr const char* kExit = "<Esc><Enter>";

// n presses of the Down key.
inline std::string downs(int n) {
  std::string keys;
  for (int i = 0; i < n; ++i) keys += "<Down>";
  return keys;
}

// Chooses item k (from 1) of a one-column menu from wherever its selection stands.
inline std::string item(int k) {
  return "<Home>" + downs(k - 1) + "<Enter>";
}

// The keys that move a data-file chooser (six columns, names in order) from its first file to
// the sample examples/FOLDER/NAME.FOLDER.
std::string sample_keys(const std::string& folder, const std::string& name);

// Chooses class 7, the diffusion class, whose data files live in dif/.
inline const std::string kChooseDiffusion = item(2) + item(7);

class Session : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Copies the diffusion samples of examples/dif into dif/ (which SetUp makes, empty).
  void samples();
  // Runs the program with the script; returns its exit status (-1 when it had to be killed).
  int run(const std::string& script);
  // Runs a program of the build with its arguments, stderr kept in stderr_; the same statuses.
  int spawn(std::vector<std::string> args);
  // Compares the screenshot NAME with tests/e2e/reference/NAME.png, pixel for pixel (the
  // reference is first replaced by the shot when TIVOR_UPDATE_GOLDEN is set).
  void expect_reference(const std::string& name);
  // Compares the screenshot NAME with its reference by what it shows: in x1..x2, y1..y2 every
  // colour covers as many points as in the reference, within a fifth of them and 1% of the
  // area, so that a small change of a mesh's nodes passes and a lost zone or hole does not (the
  // reference is first replaced as above).
  void expect_like_reference(const std::string& name, int x1, int y1, int x2, int y2);
  // The 25 lines of a <Text:NAME> dump (empty when missing).
  std::vector<std::string> screen(const std::string& name) const;
  // The whole dump as one string.
  std::string screen_text(const std::string& name) const;
  std::optional<RgbImage> shot(const std::string& name) const;
  // Whether some line of the dump starts with the text.
  bool has_line(const std::string& name, const std::string& start) const;

  std::filesystem::path work_;   // the program's working directory
  std::filesystem::path shots_;  // where shots and dumps go
  std::string stderr_;           // what the program printed on stderr
};

}  // namespace tivor::e2e
