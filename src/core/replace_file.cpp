#include "core/replace_file.hpp"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

namespace tivor {
namespace {

constexpr std::string_view kTmpMark = ".tmp";

// Writes every byte and forces it to the disk; false on any failure.
bool write_synced(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = true;
  size_t done = 0;
  while (ok && done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      ok = false;
    }
  }
  // The data must be on the disk before the rename makes it the file: a crash in between would
  // otherwise leave an empty or partial file under the real name.
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  return ok;
}

// The process number of a temporary file of ours ("name.tmp<pid>"), 0 when it is none.
pid_t temporary_owner(const std::string& name) {
  const size_t at = name.rfind(kTmpMark);
  if (at == std::string::npos || at == 0 || at + kTmpMark.size() == name.size()) return 0;
  pid_t pid = 0;
  for (size_t i = at + kTmpMark.size(); i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9' || pid > 100000000) return 0;
    pid = pid * 10 + (name[i] - '0');
  }
  return pid;
}

}  // namespace

bool replace_file(std::string_view file, std::span<const uint8_t> bytes) {
  namespace fs = std::filesystem;
  const fs::path path{std::string(file)};
  // The process number keeps two programs writing the same file from sharing a temporary.
  fs::path tmp = path;
  tmp += std::string(kTmpMark) + std::to_string(::getpid());
  std::error_code ec;
  bool written = write_synced(tmp, bytes);
  if (written) {
    fs::rename(tmp, path, ec);
    written = !ec;
  }
  if (!written) fs::remove(tmp, ec);
  return written;
}

int remove_stale_temporaries(std::string_view dir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  int removed = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(std::string(dir)), ec)) {
    if (!entry.is_regular_file(ec)) continue;
    const pid_t pid = temporary_owner(entry.path().filename().string());
    // A temporary whose writer still runs is left to it.
    if (pid <= 0 || pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
    if (fs::remove(entry.path(), ec)) ++removed;
  }
  return removed;
}

}  // namespace tivor
