#pragma once
// Erase, program and verify for the bridges that keep their firmware in a serial flash
// written page by page, with the engineering runs (erase all, backup).

#include <cstdint>
#include <string>

#include "platform/host.h"

namespace kelm::flash {

// The programming procedure, including the erase-only and backup-only choices. 1 or 0.
std::uint32_t ProgramFirmware(platform::Host& host, const std::string& path);
std::uint32_t EraseAllFlash(platform::Host& host, const std::string& path);
std::uint32_t BackupFirmware(platform::Host& host, const std::string& path,
                             std::uint32_t bytesToDrop);
std::uint32_t EraseFlashBlocks(platform::Host& host, const std::string& path,
                               std::uint32_t byteCount);

}  // namespace kelm::flash
