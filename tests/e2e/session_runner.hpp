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

// Acknowledges the missing standing buffer and the welcome screen of a fresh start.
inline constexpr const char* kStart = "<Enter><Enter>";

class Session : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs the program with the script; returns its exit status (-1 when it had to be killed).
  int run(const std::string& script);
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
