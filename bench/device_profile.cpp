#include "bench/device_profile.h"

#include <algorithm>

namespace kelm::bench {

namespace {
// Serial-flash sub-opcodes of the bridge's FF 04 commands that the profile times.
constexpr std::uint8_t kWriteFlash = 0x11;
constexpr std::uint8_t kReadFlashStatus = 0x12;
constexpr std::uint8_t kEraseWholeFlash = 0x13;
constexpr std::uint8_t kEraseFlashSector = 0x14;
constexpr std::uint8_t kStatusBusy = 0x01;
}  // namespace

void ProfiledBridge::Busy(double us) {
  busyUntilUs_ = nowUs_ + us;
  boundUs_ += us;
}

bool ProfiledBridge::Control(platform::Handle handle, std::uint32_t code,
                             platform::PassThroughRequest& request) {
  const std::uint32_t asked = request.DataTransferLength;
  const bool ok = inner_.Control(handle, code, request);
  const std::uint32_t moved = request.DataIn ? request.DataTransferLength : asked;
  const double cost = profile_.commandLatencyUs + moved / profile_.bytesPerUs;
  nowUs_ += cost;
  boundUs_ += cost;
  ++requests_;

  const bool vendor = request.Cdb[0] == 0xFF && request.Cdb[1] == 0x04;
  if (!ok || !vendor) return ok;
  switch (request.Cdb[2]) {
    case kReadFlashStatus:
      if (nowUs_ < busyUntilUs_ && request.DataBuffer != nullptr) {
        static_cast<std::uint8_t*>(request.DataBuffer)[0] |= kStatusBusy;
      }
      break;
    case kEraseFlashSector:
      Busy(profile_.eraseUsPerUnit);
      break;
    case kEraseWholeFlash:
      Busy(profile_.eraseUsPerUnit * std::max<std::uint32_t>(1, profile_.flashSize / profile_.eraseUnit));
      break;
    case kWriteFlash:
      Busy(profile_.programUsPerPage * ((asked + profile_.programPage - 1) / profile_.programPage));
      break;
    default:
      break;
  }
  return ok;
}

}  // namespace kelm::bench
