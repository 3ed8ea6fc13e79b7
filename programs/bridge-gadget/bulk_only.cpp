#include "programs/bridge-gadget/bulk_only.h"

#include <algorithm>

namespace kelm::gadget {

namespace {
constexpr std::uint32_t kCbwSignature = 0x43425355;  // "USBC"
constexpr std::uint32_t kCswSignature = 0x53425355;  // "USBS"

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
  return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
         std::uint32_t{b[at + 3]} << 24;
}

void PutLe32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
}  // namespace

std::optional<Cbw> ParseCbw(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != kCbwSize || Le32(bytes, 0) != kCbwSignature) return std::nullopt;
  Cbw cbw;
  cbw.tag = Le32(bytes, 4);
  cbw.length = Le32(bytes, 8);
  const std::uint8_t flags = bytes[12];
  if ((flags & 0x7F) != 0 || (bytes[13] & 0xF0) != 0 || (bytes[14] & 0xE0) != 0) {
    return std::nullopt;
  }
  cbw.dataIn = (flags & 0x80) != 0;
  cbw.lun = bytes[13] & 0x0F;
  cbw.cdbLength = bytes[14] & 0x1F;
  if (cbw.cdbLength == 0 || cbw.cdbLength > cbw.cdb.size()) return std::nullopt;
  std::copy_n(bytes.begin() + 15, cbw.cdbLength, cbw.cdb.begin());
  return cbw;
}

std::array<std::uint8_t, kCswSize> EncodeCsw(const Csw& csw) {
  std::array<std::uint8_t, kCswSize> bytes{};
  PutLe32(bytes, 0, kCswSignature);
  PutLe32(bytes, 4, csw.tag);
  PutLe32(bytes, 8, csw.residue);
  bytes[12] = static_cast<std::uint8_t>(csw.status);
  return bytes;
}

bool StallAfterDataIn(std::uint32_t asked, std::uint32_t sent, std::uint32_t maxPacket) {
  return sent < asked && (maxPacket == 0 || sent % maxPacket == 0);
}

}  // namespace kelm::gadget
