#include "bench/sg_timing/bare_sg_loop.h"

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>

namespace kelm::timing {

namespace {
constexpr unsigned kTimeoutMs = 20000;
}  // namespace

int OpenForLoop(const char* devNode) { return open(devNode, O_RDWR | O_CLOEXEC); }

bool BareDataIn(int fd, std::span<const std::uint8_t> cdb, std::span<std::uint8_t> data) {
  sg_io_hdr header{};
  header.interface_id = 'S';
  header.dxfer_direction = SG_DXFER_FROM_DEV;
  header.cmd_len = static_cast<unsigned char>(cdb.size());
  header.cmdp = const_cast<unsigned char*>(cdb.data());
  header.dxfer_len = static_cast<unsigned>(data.size());
  header.dxferp = data.data();
  header.timeout = kTimeoutMs;
  if (ioctl(fd, SG_IO, &header) != 0) return false;
  return header.status == 0 && header.host_status == 0 && header.driver_status == 0;
}

}  // namespace kelm::timing
