#include "programs/kelmtool/service_files.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "programs/kelmtool/tool_support.h"

namespace kelm::kelmtool {

void RequireMade(const linux_platform::HiddenBackupFile& backup) {
  if (backup.fd() >= 0) return;
  throw RunError(kExitRefused, backup.target() + ": no file can be made beside it (" + std::strerror(errno) + ")");
}

int OpenUserFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) throw RunError(kExitBadInput, path + ": cannot be read (" + std::strerror(errno) + ")");
  return fd;
}

}  // namespace kelm::kelmtool
