#pragma once
// The requests of a recorded run, named the way scenario faults address them: by command
// name and by how often that command had been sent to the device so far.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/scenario.h"

namespace kelm::test {

struct TracedRequest {
  std::string command;     // empty for a CDB the bridge does not know
  std::uint32_t nth = 0;   // 1 for the command's first request of the run
  bool dataIn = false;
  std::uint32_t length = 0;  // DataTransferLength as sent
  bool ok = false;           // the call succeeded with last-error 0
  std::uint32_t transferred = 0;
};

// One entry per request that reached the device control call; failed opens are left out
// because they do not count towards a fault's `nth`.
std::vector<TracedRequest> ParseTrace(std::string_view trace);

enum class FaultKind { Fail, LastError, Short };

std::string_view FaultKindName(FaultKind kind);

// Makes `request` misbehave the way `kind` says on the next run of the scenario. A short
// request delivers half of what it asked for.
void InjectFault(sim::DeviceSpec& device, const TracedRequest& request, FaultKind kind);

// Whether the run traced in `requests` shows `target` misbehaving the way `kind` says: a
// check that the fault landed on the request it was meant for.
bool FaultLanded(const std::vector<TracedRequest>& requests, const TracedRequest& target,
                 FaultKind kind);

}  // namespace kelm::test
