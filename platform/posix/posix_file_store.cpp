#include "platform/posix/posix_file_store.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdint>
#include <string_view>

#include "platform/posix/path_refusal.h"

namespace kelm::posix {

namespace {

// Name clashes with a random suffix mean something is guessing; a few tries are plenty.
constexpr int kCreateAttempts = 8;
constexpr mode_t kFileMode = 0666;  // narrowed by the umask, as for any new file
// Hidden, and short enough to be legal beside a target of the longest legal name.
constexpr std::string_view kTemporaryPrefix = ".kelm-";

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Reads until `limit` + 1 bytes or the end, whichever comes first: a file that grows while it
// is read is still caught being too large.
std::optional<std::vector<std::uint8_t>> ReadBounded(int fd, std::size_t limit) {
  std::vector<std::uint8_t> bytes(limit + 1);
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  if (filled > limit) return std::nullopt;
  bytes.resize(filled);
  return bytes;
}

// Makes the rename itself durable; a failure here loses nothing already written.
void SyncDirectory(const std::string& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

std::string RandomSuffix() {
  std::array<unsigned char, 6> random{};
  std::size_t filled = 0;
  while (filled < random.size()) {
    const ssize_t got = ::getrandom(random.data() + filled, random.size() - filled, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return {};
    }
    filled += static_cast<std::size_t>(got);
  }
  std::string hex;
  for (unsigned char byte : random) {
    std::array<char, 3> digits{};
    std::snprintf(digits.data(), digits.size(), "%02x", byte);
    hex += digits.data();
  }
  return hex;
}

int PosixFileStore::CreateTemporary(const std::string& target, std::string& name) const {
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    const std::string suffix = suffix_();
    if (suffix.empty()) return -1;
    name = DirectoryOf(target) + "/" + std::string(kTemporaryPrefix) + suffix;
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          kFileMode);
    if (fd >= 0) return fd;
    if (errno != EEXIST && errno != EINTR) return -1;
  }
  return -1;
}

bool PosixFileStore::WriteWholeFile(const std::string& target,
                                    std::span<const std::uint8_t> bytes) {
  if (target.empty() || !MayReplace(target)) return false;
  std::string temporary;
  const int fd = CreateTemporary(target, temporary);
  if (fd < 0) return false;
  bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  written = ::close(fd) == 0 && written;
  if (written) written = ::rename(temporary.c_str(), target.c_str()) == 0;
  if (!written) {
    ::unlink(temporary.c_str());
    return false;
  }
  SyncDirectory(DirectoryOf(target));
  return true;
}

bool PosixFileStore::MayReplace(const std::string& path) const {
  if (path.empty()) return false;
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) return errno == ENOENT;
  return S_ISREG(status.st_mode);
}

bool PosixFileStore::Exists(const std::string& path) const {
  struct stat status {};
  return !path.empty() && ::lstat(path.c_str(), &status) == 0;
}

std::optional<std::vector<std::uint8_t>> PosixFileStore::ReadWholeFile(const std::string& path,
                                                                       std::size_t limit) const {
  // A device named by mistake is not even opened (a disk may spin up, a tape rewind).
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  // Non-blocking so that a pipe put there meanwhile never waits for a writer; no controlling
  // terminal taken from a terminal. What was opened is what gets checked.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<std::vector<std::uint8_t>> bytes;
  if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
      static_cast<std::uintmax_t>(status.st_size) <= limit) {
    bytes = ReadBounded(fd, limit);
  }
  ::close(fd);
  return bytes;
}

std::string PosixFileStore::WhyUnusable(const std::string& path, platform::PathUse use) const {
  return WhyPathUnusable(path, use);
}

}  // namespace kelm::posix
