// A fresh temporary directory as the working directory while it lives; the old one is restored
// and the directory removed afterwards.
#pragma once

#include <filesystem>
#include <system_error>

#include "host/test_dir.hpp"

namespace tivor::test {

class WorkDir {
 public:
  WorkDir() { std::filesystem::current_path(dir_.path()); }
  ~WorkDir() {
    std::error_code ec;
    std::filesystem::current_path(home_, ec);
  }
  WorkDir(const WorkDir&) = delete;
  WorkDir& operator=(const WorkDir&) = delete;
  // The working directory before this one.
  const std::filesystem::path& home() const { return home_; }

 private:
  std::filesystem::path home_ = std::filesystem::current_path();
  TestDir dir_;
};

}  // namespace tivor::test
