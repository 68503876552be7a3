// Running a command line of the tests and taking what it prints.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace tivor::test {

// Standard output of the shell command; status is its exit status (-1 when it could not run).
inline std::string output(const std::string& command, int& status) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  status = -1;
  if (pipe == nullptr) return out;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
  const int raw = ::pclose(pipe);
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

}  // namespace tivor::test
