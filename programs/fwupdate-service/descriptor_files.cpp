#include "programs/fwupdate-service/descriptor_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace kelm::service {

namespace {

std::string WhyNotRegular(int fd) {
  struct stat status {};
  if (fd < 0 || fstat(fd, &status) != 0) return "not an open file";
  if (!S_ISREG(status.st_mode)) return "not a regular file";
  return {};
}

int AccessMode(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  return flags < 0 ? -1 : (flags & O_ACCMODE);
}

}  // namespace

std::string WhyNotWritable(int fd) {
  if (std::string why = WhyNotRegular(fd); !why.empty()) return why;
  const int mode = AccessMode(fd);
  if (mode != O_WRONLY && mode != O_RDWR) return "not open for writing";
  if ((fcntl(fd, F_GETFL) & O_APPEND) != 0) return "open for appending only";
  return {};
}

std::string WhyNotReadable(int fd) {
  if (std::string why = WhyNotRegular(fd); !why.empty()) return why;
  const int mode = AccessMode(fd);
  if (mode != O_RDONLY && mode != O_RDWR) return "not open for reading";
  return {};
}

bool DescriptorFileStore::WriteWholeFile(const std::string& target, std::span<const std::uint8_t> bytes) {
  if (!MayReplace(target)) return false;
  const int fd = files_.at(target).fd;
  if (ftruncate(fd, 0) != 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<std::size_t>(written);
  }
  return fsync(fd) == 0;
}

bool DescriptorFileStore::MayReplace(const std::string& path) const {
  const auto handed = files_.find(path);
  return handed != files_.end() && handed->second.writable && WhyNotWritable(handed->second.fd).empty();
}

std::optional<std::vector<std::uint8_t>> DescriptorFileStore::ReadWholeFile(const std::string& path,
                                                                            std::size_t limit) const {
  const auto handed = files_.find(path);
  if (handed == files_.end() || !WhyNotReadable(handed->second.fd).empty()) return std::nullopt;
  // One byte past the limit tells a file that is too large, without reading the rest.
  std::vector<std::uint8_t> bytes(limit + 1);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t read = pread(handed->second.fd, bytes.data() + done, bytes.size() - done,
                               static_cast<off_t>(done));
    if (read < 0 && errno == EINTR) continue;
    if (read < 0) return std::nullopt;
    if (read == 0) break;
    done += static_cast<std::size_t>(read);
  }
  if (done > limit) return std::nullopt;
  bytes.resize(done);
  return bytes;
}

std::string DescriptorFileStore::WhyUnusable(const std::string& path, platform::PathUse use) const {
  const auto handed = files_.find(path);
  if (handed == files_.end()) return "not a file the client handed over";
  return use == platform::PathUse::Write ? WhyNotWritable(handed->second.fd)
                                         : WhyNotReadable(handed->second.fd);
}

}  // namespace kelm::service
