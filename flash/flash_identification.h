#pragma once
// Which serial flash sits behind the bridge: the part code and the maker shown to the operator.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/host.h"

namespace kelm::flash {

inline constexpr std::array<std::string_view, 8> kFlashMakers = {
    "Unknown", "PMC", "SST", "ST", "ATMEL", "MXIC", "WINBOND", "AMIC"};

struct SerialFlashIdentity {
  std::int32_t flashCode = -1;  // FlashCode
  std::string makerText;        // SFlashTypeLable text; empty when the maker read failed
  std::uint64_t sizeBytes = 0;  // from the identification reply's capacity byte; 0: unknown
};

// The size in bytes that a read-identification reply gives by its JEDEC capacity byte (log2
// of the size, after the continuation bytes, the maker and the memory type); 0 when the reply
// holds no plausible one.
std::uint64_t FlashSizeOf(std::span<const std::uint8_t, 4> reply);

SerialFlashIdentity IdentifySerialFlash(const platform::Services& io, const std::string& path);

}  // namespace kelm::flash
