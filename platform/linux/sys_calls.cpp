#include "platform/linux/sys_calls.h"

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace kelm::linux_platform {

int RealSysCalls::Open(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags);
  return fd >= 0 ? fd : -errno;
}

int RealSysCalls::SetStatusFlags(int fd, int flags) {
  return ::fcntl(fd, F_SETFL, flags) == 0 ? 0 : -errno;
}

int RealSysCalls::SgIo(int fd, sg_io_hdr& header) {
  // Not retried on EINTR: the command may already have reached the device, and a second
  // erase or write must not follow behind the caller's back.
  return ::ioctl(fd, SG_IO, &header) == 0 ? 0 : -errno;
}

void RealSysCalls::Close(int fd) { ::close(fd); }

int RealSysCalls::AccessReadWrite(const std::string& path) {
  return ::faccessat(AT_FDCWD, path.c_str(), R_OK | W_OK, AT_EACCESS) == 0 ? 0 : -errno;
}

}  // namespace kelm::linux_platform
