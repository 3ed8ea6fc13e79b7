#include "platform/linux/node_access.h"

#include <fcntl.h>

#include <cerrno>

namespace kelm::linux_platform {

bool NodeAccess::Refused(const std::string& devNode) const {
  // Opening an sg node sends nothing to the device; O_NONBLOCK keeps a holder from parking us.
  const int fd = sys_.Open(devNode, O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) {
    sys_.Close(fd);
    return false;
  }
  return fd == -EACCES || fd == -EPERM;
}

}  // namespace kelm::linux_platform
