#pragma once
// The two process-wide engine settings, chosen in the engineering panel.

#include <array>
#include <cstdint>

namespace kelm::flash {

// The flash sizes the engineering panel offers, by item index of FwSizeCheck; the last is the
// largest flash any bridge carries, so no image or backup is larger.
inline constexpr std::array<std::uint32_t, 6> kFirmwareSizes = {32768,  65536,  131072,
                                                                262144, 524288, 1048576};
inline constexpr std::uint32_t kLargestFlashSize = kFirmwareSizes.back();

// The page sizes by item index of FwPgSizeCheck.
inline constexpr std::array<std::uint32_t, 5> kTransferPageSizes = {32768, 16384, 8192, 4096, 2048};

inline std::uint32_t FirmwareSize = 65536;      // bytes erased or backed up by the engineering runs
inline std::uint32_t TransferPageSize = 16384;  // bytes per page write and per erase block

}  // namespace kelm::flash
