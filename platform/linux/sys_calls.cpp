#include "platform/linux/sys_calls.h"

#include <fcntl.h>
#include <poll.h>
#include <scsi/sg.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>

namespace kelm::linux_platform {

namespace {

// The sg driver moves whole headers; anything shorter is no request at all.
int WholeHeader(ssize_t moved) {
  if (moved < 0) return -errno;
  return moved == static_cast<ssize_t>(sizeof(sg_io_hdr)) ? 0 : -EIO;
}

}  // namespace

int RealSysCalls::Open(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags);
  return fd >= 0 ? fd : -errno;
}

int RealSysCalls::SetStatusFlags(int fd, int flags) {
  return ::fcntl(fd, F_SETFL, flags) == 0 ? 0 : -errno;
}

int RealSysCalls::Stat(int fd, DeviceNumber& number) {
  struct stat status {};
  if (::fstat(fd, &status) != 0) return -errno;
  number.kind = S_ISCHR(status.st_mode)   ? DeviceNumber::Kind::Character
                : S_ISBLK(status.st_mode) ? DeviceNumber::Kind::Block
                                          : DeviceNumber::Kind::Other;
  number.major = ::major(status.st_rdev);
  number.minor = ::minor(status.st_rdev);
  return 0;
}

int RealSysCalls::SgSubmit(int fd, sg_io_hdr& header) {
  // Never repeated, whatever the answer: a request the driver took may already be running.
  return WholeHeader(::write(fd, &header, sizeof header));
}

int RealSysCalls::WaitReadable(int fd) {
  pollfd watched{fd, POLLIN, 0};
  return ::poll(&watched, 1, -1) >= 0 ? 0 : -errno;
}

int RealSysCalls::SgCollect(int fd, sg_io_hdr& header) {
  return WholeHeader(::read(fd, &header, sizeof header));
}

void RealSysCalls::Close(int fd) { ::close(fd); }

}  // namespace kelm::linux_platform
