#pragma once
// Which serial flash sits behind the bridge: the part code and the maker shown to the operator.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/host.h"

namespace kelm::flash {

inline constexpr std::array<std::string_view, 8> kFlashMakers = {
    "Unknown", "PMC", "SST", "ST", "ATMEL", "MXIC", "WINBOND", "AMIC"};

struct SerialFlashIdentity {
  std::int32_t flashCode = -1;  // FlashCode
  std::string makerText;        // SFlashTypeLable text; empty when the maker read failed
};

SerialFlashIdentity IdentifySerialFlash(const platform::Services& io, const std::string& path);

}  // namespace kelm::flash
