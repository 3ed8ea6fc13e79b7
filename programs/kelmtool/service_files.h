#pragma once
// The user's files for a procedure run in the firmware update service: opened here, with the
// user's own rights, and handed over as descriptors. A backup goes to a new hidden file beside
// its target, which takes the target's name only once the backup is complete, so a refused or
// failed run leaves nothing behind and an earlier file of that name as it was.

#include <string>

namespace kelm::kelmtool {

class BackupTarget {
 public:
  // Exit 1 when the hidden file cannot be made in the target's folder.
  explicit BackupTarget(std::string target);
  ~BackupTarget();
  BackupTarget(const BackupTarget&) = delete;
  BackupTarget& operator=(const BackupTarget&) = delete;

  int fd() const { return fd_; }
  const std::string& target() const { return target_; }
  // The hidden file's name (".kelm-" and six characters), until Keep names it.
  const std::string& hidden() const { return hidden_; }
  // Gives the complete backup its name, replacing a file there only with `replace`; false
  // when the name is taken or cannot be given.
  bool Keep(bool replace);

 private:
  std::string target_;
  std::string hidden_;
  int fd_ = -1;
  bool kept_ = false;
};

// A descriptor of the user's regular file `path` open for reading; exit 2 when it cannot be.
int OpenUserFile(const std::string& path);

}  // namespace kelm::kelmtool
