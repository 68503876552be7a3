// Running the programs of the tests: a command line's output, and an exported file as the tool
// of its users reads it back (read_back.py).
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

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

// The lines read_back.py printed, by their first word; status 77 when the reader is not
// installed, with its message in said.
using Dump = std::map<std::string, std::vector<std::string>>;
inline Dump read_back(const std::string& file, int& status, std::string& said) {
  const std::string python =
      std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
  said =
      output(python + " " TIVOR_SOURCE_DIR "/tests/export/read_back.py " + file + " 2>&1", status);
  Dump dump;
  std::istringstream lines(said);
  for (std::string line; status == 0 && std::getline(lines, line);) {
    std::istringstream words(line);
    std::string key, word;
    words >> key;
    for (std::vector<std::string>& v = dump[key]; words >> word;) v.push_back(word);
  }
  return dump;
}

}  // namespace tivor::test
