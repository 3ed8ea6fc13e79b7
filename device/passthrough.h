#pragma once
// One SCSI command per call: open the drive, send the CDB with its data phase, close.
// True only when the control call succeeded, left last-error 0 and the device's SCSI status
// is GOOD.

#include <cstdint>
#include <string>

#include "platform/device_file.h"

namespace kelm::device {

// Receives up to n bytes into buffer. `transferred` gets the request's DataTransferLength
// as the platform left it whenever the control call was reached; it is untouched when the
// open fails.
bool PassThroughIn(platform::DeviceFile& file, const std::string& path, const std::uint8_t* cdb,
                   std::int32_t cdbLength, void* buffer, std::int32_t n, std::uint32_t& transferred);

// Sends n bytes from buffer (n may be 0 and buffer null). Opens the device exclusively.
bool PassThroughOut(platform::DeviceFile& file, const std::string& path, const std::uint8_t* cdb,
                    std::int32_t cdbLength, const void* buffer, std::int32_t n,
                    std::uint32_t& transferred);

}  // namespace kelm::device
