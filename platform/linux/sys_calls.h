#pragma once
// The few system calls the Linux backend makes on device nodes, behind an interface so tests
// can stand in for the kernel. Failures return the negated errno value, as the kernel does.

#include <string>

struct sg_io_hdr;

namespace kelm::linux_platform {

class SysCalls {
 public:
  virtual ~SysCalls() = default;
  // A file descriptor, or -errno.
  virtual int Open(const std::string& path, int flags) = 0;
  // Replaces the descriptor's status flags (F_SETFL); 0 or -errno.
  virtual int SetStatusFlags(int fd, int flags) = 0;
  // ioctl(fd, SG_IO, header); 0 or -errno.
  virtual int SgIo(int fd, sg_io_hdr& header) = 0;
  virtual void Close(int fd) = 0;
  // Whether the calling process may read and write the node (effective ids); 0 or -errno.
  virtual int AccessReadWrite(const std::string& path) = 0;
};

// The kernel itself.
class RealSysCalls final : public SysCalls {
 public:
  int Open(const std::string& path, int flags) override;
  int SetStatusFlags(int fd, int flags) override;
  int SgIo(int fd, sg_io_hdr& header) override;
  void Close(int fd) override;
  int AccessReadWrite(const std::string& path) override;
};

}  // namespace kelm::linux_platform
