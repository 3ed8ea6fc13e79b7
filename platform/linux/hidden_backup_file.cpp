#include "platform/linux/hidden_backup_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

namespace kelm::linux_platform {

HiddenBackupFile::HiddenBackupFile(std::string target) : target_(std::move(target)) {
  // A name that is there and no regular file (a folder, a device) is never replaced: no file.
  struct stat there {};
  if (lstat(target_.c_str(), &there) == 0 && !S_ISREG(there.st_mode)) return;
  std::filesystem::path folder = std::filesystem::path(target_).parent_path();
  if (folder.empty()) folder = ".";
  const std::string pattern = (folder / ".kelm-XXXXXX").string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  fd_ = mkostemp(name.data(), O_CLOEXEC);
  if (fd_ < 0) return;
  hidden_ = name.data();
  // The mode a file the user makes gets, not mkstemp's private one.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd_, 0666 & ~mask);
}

HiddenBackupFile::~HiddenBackupFile() {
  if (fd_ >= 0) close(fd_);
  if (fd_ >= 0 && !kept_) unlink(hidden_.c_str());
}

bool HiddenBackupFile::Keep(bool replace) {
  if (kept_ || fd_ < 0) return kept_;
  // A new name never replaces what another program put there meanwhile.
  kept_ = replace ? std::rename(hidden_.c_str(), target_.c_str()) == 0
                  : link(hidden_.c_str(), target_.c_str()) == 0 && unlink(hidden_.c_str()) == 0;
  return kept_;
}

}  // namespace kelm::linux_platform
