#pragma once
// The pass-through request record in the sg driver's terms (struct sg_io_hdr), and back.

#include <scsi/sg.h>

#include "platform/device_file.h"

namespace kelm::linux_platform {

// The sg driver refuses a longer command block, and the request carries no more.
inline constexpr unsigned kMaxSgCdbLength = 16;

// Fills the header for the request. The header points into `request` (its Cdb and the
// caller's data buffer), so the request must outlive the call.
sg_io_hdr ToSgIoHeader(platform::PassThroughRequest& request);

// Whether the header describes a request the driver can be handed: a command of 1 to 16
// bytes and a data buffer wherever data is to move.
bool IsSendable(const platform::PassThroughRequest& request);

// After the call: DataTransferLength gets the bytes that actually moved and ScsiStatus the
// device's status (CHECK CONDITION whenever the driver says sense data is valid); the result
// is 0 when the command completed at the transport level, else EIO. The transport, not this
// mapping, fails a request whose status is not GOOD, as it does on every system.
int ApplySgResult(const sg_io_hdr& header, platform::PassThroughRequest& request);

}  // namespace kelm::linux_platform
