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
};

// One entry per request that reached the device control call; failed opens are left out
// because they do not count towards a fault's `nth`.
std::vector<TracedRequest> ParseTrace(std::string_view trace);

enum class FaultKind { Fail, LastError, Short };

std::string_view FaultKindName(FaultKind kind);

// Makes `request` misbehave the way `kind` says on the next run of the scenario. A short
// request delivers half of what it asked for.
void InjectFault(sim::DeviceSpec& device, const TracedRequest& request, FaultKind kind);

}  // namespace kelm::test
