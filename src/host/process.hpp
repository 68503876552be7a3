// Running other programs for the hosts: always as a child process that the host waits for.
#pragma once

#include <string>
#include <vector>

namespace tivor {

// Runs argv[0] (looked up in PATH) with the arguments, without a shell, and waits for it.
// Returns its exit status, 128 + the signal number when a signal ended it, -1 when it could not
// be started (empty argv, program not found, not executable).
int run_and_wait(const std::vector<std::string>& argv);

// Runs a command line through /bin/sh -c and waits for it; status as run_and_wait.
int run_shell_line(const std::string& line);

}  // namespace tivor
