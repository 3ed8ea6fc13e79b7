#pragma once
// The platform's own SCSI_PASS_THROUGH_DIRECT record filled from the port's typed request:
// 44 bytes in the 32-bit build, the native layout in the 64-bit build, the same values in both.

#include <windows.h>

#include <ntddscsi.h>
#include <winioctl.h>

#include "platform/device_file.h"

namespace kelm::windows {

SCSI_PASS_THROUGH_DIRECT ToRecord(const platform::PassThroughRequest& request);

// What the device left in the record goes back into the request.
void TakeAnswer(const SCSI_PASS_THROUGH_DIRECT& record, platform::PassThroughRequest& request);

}  // namespace kelm::windows
