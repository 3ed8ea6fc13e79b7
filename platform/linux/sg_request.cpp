#include "platform/linux/sg_request.h"

#include <cerrno>
#include <cstdint>
#include <limits>

namespace kelm::linux_platform {

namespace {

// The driver byte's "sense data is valid" flag goes with a device's CHECK CONDITION status;
// it is the device's answer, not a transport failure.
constexpr unsigned short kDriverSense = 0x08;

// The status the device ended the command with. Sense data is only ever valid after a
// command that did not end GOOD, so the flag alone also says the command failed.
std::uint8_t DeviceStatus(const sg_io_hdr& header) {
  if (header.status == platform::kScsiStatusGood && (header.driver_status & kDriverSense) != 0) {
    return platform::kScsiStatusCheckCondition;
  }
  return header.status;
}

unsigned TimeoutMilliseconds(std::uint32_t seconds) {
  constexpr std::uint64_t kMax = std::numeric_limits<unsigned>::max();
  const std::uint64_t ms = std::uint64_t{seconds} * 1000;
  return static_cast<unsigned>(ms < kMax ? ms : kMax);
}

int Direction(const platform::PassThroughRequest& request) {
  if (request.DataTransferLength == 0) return SG_DXFER_NONE;
  return request.DataIn ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV;
}

}  // namespace

sg_io_hdr ToSgIoHeader(platform::PassThroughRequest& request) {
  sg_io_hdr header{};
  header.interface_id = 'S';
  header.dxfer_direction = Direction(request);
  header.cmd_len = request.CdbLength;
  header.cmdp = request.Cdb.data();
  header.dxfer_len = request.DataTransferLength;
  header.dxferp = request.DataBuffer;
  header.timeout = TimeoutMilliseconds(request.TimeOutValue);
  header.mx_sb_len = 0;  // no sense data is asked for
  header.sbp = nullptr;
  return header;
}

bool IsSendable(const platform::PassThroughRequest& request) {
  if (request.CdbLength == 0 || request.CdbLength > kMaxSgCdbLength) return false;
  return request.DataTransferLength == 0 || request.DataBuffer != nullptr;
}

int ApplySgResult(const sg_io_hdr& header, platform::PassThroughRequest& request) {
  request.ScsiStatus = DeviceStatus(header);
  const int resid = header.resid;
  if (resid <= 0) {
    request.DataTransferLength = header.dxfer_len;
  } else {
    const auto missing = static_cast<unsigned>(resid);
    request.DataTransferLength = missing < header.dxfer_len ? header.dxfer_len - missing : 0;
  }
  const bool transportError =
      header.host_status != 0 || (header.driver_status & ~kDriverSense) != 0;
  return transportError ? EIO : 0;
}

}  // namespace kelm::linux_platform
