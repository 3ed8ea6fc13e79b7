#include "programs/kelmtool/service_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "programs/kelmtool/tool_support.h"

namespace kelm::kelmtool {

BackupTarget::BackupTarget(std::string target) : target_(std::move(target)) {
  std::filesystem::path folder = std::filesystem::path(target_).parent_path();
  if (folder.empty()) folder = ".";
  std::string pattern = (folder / ".kelm-XXXXXX").string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  fd_ = mkostemp(name.data(), O_CLOEXEC);
  if (fd_ < 0) {
    throw RunError(kExitRefused, target_ + ": no file can be made beside it (" + std::strerror(errno) + ")");
  }
  hidden_ = name.data();
  // The mode a file the user makes gets, not mkstemp's private one.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd_, 0666 & ~mask);
}

BackupTarget::~BackupTarget() {
  if (fd_ >= 0) close(fd_);
  if (!kept_) unlink(hidden_.c_str());
}

bool BackupTarget::Keep(bool replace) {
  if (kept_) return true;
  // A new name never replaces what another program put there meanwhile.
  const bool named = replace ? rename(hidden_.c_str(), target_.c_str()) == 0
                             : link(hidden_.c_str(), target_.c_str()) == 0 && unlink(hidden_.c_str()) == 0;
  kept_ = named;
  return named;
}

int OpenUserFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) throw RunError(kExitBadInput, path + ": cannot be read (" + std::strerror(errno) + ")");
  return fd;
}

}  // namespace kelm::kelmtool
