#include "flash/flash_identification.h"

#include <array>

#include "device/commands.h"

namespace kelm::flash {

namespace {
constexpr std::int32_t kNoFlashCode = -1;
constexpr std::string_view kAmicMaker = kFlashMakers[7];

// JEDEC's continuation code: the maker's number lies in a later bank.
constexpr std::uint8_t kContinuation = 0x7F;
// Capacity bytes of serial flash parts: 32 KiB to 64 MiB. Others (AMIC's 0x20, which names a
// part rather than a size; an erased or absent answer) tell none.
constexpr std::uint8_t kSmallestCapacity = 15;
constexpr std::uint8_t kLargestCapacity = 26;

// A maker code beyond the table shows like code 0.
std::string_view MakerName(std::uint8_t code) {
  return code < kFlashMakers.size() ? kFlashMakers[code] : kFlashMakers[0];
}
}  // namespace

std::uint64_t FlashSizeOf(std::span<const std::uint8_t, 4> reply) {
  std::size_t maker = 0;
  while (maker < reply.size() && reply[maker] == kContinuation) ++maker;
  const std::size_t capacity = maker + 2;
  if (capacity >= reply.size()) return 0;
  if (reply[capacity] < kSmallestCapacity || reply[capacity] > kLargestCapacity) return 0;
  return std::uint64_t{1} << reply[capacity];
}

SerialFlashIdentity IdentifySerialFlash(const platform::Services& io, const std::string& path) {
  SerialFlashIdentity identity;
  std::array<std::uint8_t, 4> reply{};
  if (device::ReadFlashIdentification(io, path, reply)) {
    identity.flashCode = device::FlashCodeOf(reply);
    identity.sizeBytes = FlashSizeOf(reply);
  }
  if (identity.flashCode != kNoFlashCode) {
    identity.makerText = kAmicMaker;
    return identity;
  }
  std::array<std::uint8_t, 4> info{};
  if (device::ReadFlashIdentity(io, path, info)) identity.makerText = MakerName(info[0]);
  return identity;
}

}  // namespace kelm::flash
