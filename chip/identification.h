#pragma once
// Which bridge model and revision sits behind a drive, and its firmware version.

#include <string>

#include "chip/chip_code.h"
#include "platform/host.h"

namespace kelm::chip {

// Never fails: an unidentified bridge is model 0. May show "Get chip information fail !".
ChipCode IdentifyBridgeChip(const platform::Services& io, const std::string& path);

// What the version report puts into the window. `status` is set only for a foreign bridge.
struct VersionReport {
  std::string firmwareVersion;  // FwVerLableEdit
  std::string status;           // StatusEdit ("Not JMicron Chip!!") or empty
};

VersionReport ReportFirmwareVersion(const platform::Services& io, const std::string& path,
                                    ChipCode code);

}  // namespace kelm::chip
