#pragma once
// The backup file's default name. The file itself is written through the file store port, so
// a failure never leaves a half-written file behind or replaces a good one.

#include <string_view>

namespace kelm::flash {

inline constexpr std::string_view kDefaultBackupFileName = "oldflash.bak";

}  // namespace kelm::flash
