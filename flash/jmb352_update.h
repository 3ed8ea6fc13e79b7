#pragma once
// The JMB352 update: keeps the flash's first 4 KiB and writes the embedded image after it.

#include <cstdint>
#include <string>

#include "platform/host.h"

namespace kelm::flash {

std::uint32_t UpdateJmb352(platform::Host& host, const std::string& path);

}  // namespace kelm::flash
