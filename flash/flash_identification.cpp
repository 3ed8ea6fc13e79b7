#include "flash/flash_identification.h"

#include <array>

#include "device/commands.h"

namespace kelm::flash {

namespace {
constexpr std::int32_t kNoFlashCode = -1;
constexpr std::string_view kAmicMaker = kFlashMakers[7];

// A maker code beyond the table shows like code 0.
std::string_view MakerName(std::uint8_t code) {
  return code < kFlashMakers.size() ? kFlashMakers[code] : kFlashMakers[0];
}
}  // namespace

SerialFlashIdentity IdentifySerialFlash(const platform::Services& io, const std::string& path) {
  SerialFlashIdentity identity;
  identity.flashCode = device::IdentifyFlash(io, path);
  if (identity.flashCode != kNoFlashCode) {
    identity.makerText = kAmicMaker;
    return identity;
  }
  std::array<std::uint8_t, 4> info{};
  if (device::ReadFlashIdentity(io, path, info)) identity.makerText = MakerName(info[0]);
  return identity;
}

}  // namespace kelm::flash
