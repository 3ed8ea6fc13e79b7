#pragma once
// How the simulated bridge's answers and the scenario's faults look on the wire, and the
// faults that exist only there.
//
// A request the simulated device fails must come back to the host program as a failed
// pass-through call. On the kernel's Bulk-Only stack only a transport error does that: a
// status wrapper with "phase error" makes usb-storage reset the port and complete the
// request with host status DID_ERROR, so SG_IO reports an error. "Command failed" (status
// 1) does not: the kernel turns it into CHECK CONDITION with sense, a successful call whose
// SCSI status is not GOOD, which is what check_condition is.
//   fail        nothing is done; data-in: no data (stall), data-out: the data is taken;
//               then phase error
//   last_error  the command is carried out and its whole data phase runs, then phase
//               error: the call fails with the work done, as the fault means
//   short       the data phase (or, for data-out, the reported count) is cut and the
//               status wrapper's residue says by how much; the call succeeds
//   check_condition  no data and nothing done, "command failed", and sense data ILLEGAL
//               REQUEST / invalid command operation code for the kernel's REQUEST SENSE:
//               the call succeeds and the device's status is CHECK CONDITION, as the fault
//               means
//   held_open   not the bridge's business: a second process holds the sg node open
//               (the bench's guest side does that), so exclusive opens fail with EBUSY
// Every fault of the scenario has its wire form, so the gadget refuses none.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "programs/bridge-gadget/bulk_only.h"
#include "platform/sim/scenario.h"
#include "platform/sim/sim_device.h"

namespace kelm::gadget {

struct WireReply {
  std::uint32_t dataBytes = 0;  // data-in bytes to send (data-out: always taken in full)
  std::uint32_t residue = 0;
  CswStatus status = CswStatus::Passed;
};

// The wire's form of the simulated device's response to a request of `asked` bytes.
WireReply MapResponse(const sim::Response& response, bool dataIn, std::uint32_t asked);

// Faults that only the wire has: the n-th request of a command is never answered, the
// gadget is pulled from its bus when it arrives, or it is answered only after a hold (a
// slow erase, long enough for the bench to do something to the host program meanwhile).
struct WireFault {
  enum class Kind { Stall, Pull, Hold } kind = Kind::Stall;
  std::string command;
  std::uint32_t nth = 1;
};

// "COMMAND:N" (N from 1; without ":N" the first); nothing when malformed or unknown.
std::optional<WireFault> ParseWireFault(WireFault::Kind kind, std::string_view text);

// Whether a bridge command goes to the simulated device: the host program sends every
// bridge command as a 12-byte CDB; the kernel sends its own commands (INQUIRY included) in
// their standard lengths, and ATA PASS-THROUGH(12) from udev's ata_id is the kernel's too.
bool IsBridgeCommand(std::uint8_t cdbLength, std::uint8_t opcode);

}  // namespace kelm::gadget
