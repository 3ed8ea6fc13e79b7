#pragma once
// The update of the JM20336 family's 64 KiB parallel flash, with its erase-only and
// backup-only runs.

#include <cstdint>
#include <string>

#include "platform/host.h"

namespace kelm::chip {

bool UpdateJm20336(platform::Host& host, const std::string& path, std::int32_t flashType);
bool EraseOnlyJm20336(platform::Host& host, const std::string& path, std::int32_t flashType);
bool BackupOnlyJm20336(platform::Host& host, const std::string& path);
// At most 50,000 busy readings, no pause between them.
bool WaitProgramReady(const platform::Services& io, const std::string& path);

}  // namespace kelm::chip
