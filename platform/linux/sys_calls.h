#pragma once
// The few system calls the Linux backend makes on device nodes, behind an interface so tests
// can stand in for the kernel. Failures return the negated errno value, as the kernel does.

#include <string>

struct sg_io_hdr;

namespace kelm::linux_platform {

// What fstat says of an open file: a character or block special file and its number.
struct DeviceNumber {
  enum class Kind { Other, Character, Block };
  Kind kind = Kind::Other;
  unsigned major = 0;
  unsigned minor = 0;
  bool operator==(const DeviceNumber&) const = default;
};

class SysCalls {
 public:
  virtual ~SysCalls() = default;
  // A file descriptor, or -errno.
  virtual int Open(const std::string& path, int flags) = 0;
  // Replaces the descriptor's status flags (F_SETFL); 0 or -errno.
  virtual int SetStatusFlags(int fd, int flags) = 0;
  // fstat's file type and st_rdev; 0 or -errno.
  virtual int Stat(int fd, DeviceNumber& number) = 0;
  // Hands one request to the sg driver (write of the header); 0 once it was taken, or -errno.
  virtual int SgSubmit(int fd, sg_io_hdr& header) = 0;
  // Waits until a finished request can be collected (poll for input); 0 or -errno.
  virtual int WaitReadable(int fd) = 0;
  // Collects a finished request into `header` (read of the header); 0 or -errno.
  virtual int SgCollect(int fd, sg_io_hdr& header) = 0;
  virtual void Close(int fd) = 0;
};

// The kernel itself.
class RealSysCalls final : public SysCalls {
 public:
  int Open(const std::string& path, int flags) override;
  int SetStatusFlags(int fd, int flags) override;
  int Stat(int fd, DeviceNumber& number) override;
  int SgSubmit(int fd, sg_io_hdr& header) override;
  int WaitReadable(int fd) override;
  int SgCollect(int fd, sg_io_hdr& header) override;
  void Close(int fd) override;
};

}  // namespace kelm::linux_platform
