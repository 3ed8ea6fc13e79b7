#pragma once
// A backup file the user's own process makes for a run in the firmware update service: a new
// hidden file beside its target, opened with the user's rights and handed over as a
// descriptor, which takes the target's name only once the backup is complete. A refused or
// failed run leaves nothing behind, and an earlier file of that name as it was.

#include <string>

namespace kelm::linux_platform {

class HiddenBackupFile {
 public:
  // fd() is -1 when no file can be made in the target's folder.
  explicit HiddenBackupFile(std::string target);
  ~HiddenBackupFile();
  HiddenBackupFile(const HiddenBackupFile&) = delete;
  HiddenBackupFile& operator=(const HiddenBackupFile&) = delete;

  int fd() const { return fd_; }
  const std::string& target() const { return target_; }
  // The hidden file's name (".kelm-" and six characters), until Keep names it.
  const std::string& hidden() const { return hidden_; }
  // Gives the complete backup the target's name, replacing a file there only with `replace`;
  // false when the name is taken or cannot be given.
  bool Keep(bool replace = true);

 private:
  std::string target_;
  std::string hidden_;
  int fd_ = -1;
  bool kept_ = false;
};

}  // namespace kelm::linux_platform
