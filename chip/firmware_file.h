#pragma once
// Whether a firmware file fits a bridge, and whether a JMB352 already holds its embedded image.

#include <string>

#include "chip/chip_code.h"
#include "platform/host.h"

namespace kelm::chip {

// Shows "Open Firmware File Error!!" when the file cannot be opened, or is no regular file of at
// most 1 MiB (the largest flash).
bool CheckFirmwareFile(const platform::Services& io, const std::string& fileName, ChipCode code);

bool IsEmbeddedImageCurrent(const platform::Services& io, const std::string& path);

}  // namespace kelm::chip
