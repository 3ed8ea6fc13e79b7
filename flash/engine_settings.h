#pragma once
// The two process-wide engine settings, chosen in the engineering panel.

#include <cstdint>

namespace kelm::flash {

inline std::uint32_t FirmwareSize = 65536;      // bytes erased or backed up by the engineering runs
inline std::uint32_t TransferPageSize = 16384;  // bytes per page write and per erase block

}  // namespace kelm::flash
