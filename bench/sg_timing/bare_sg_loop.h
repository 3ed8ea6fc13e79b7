#pragma once
// The least a program can do to send a data-in command: SG_IO on a descriptor it keeps open,
// nothing else around it. The yardstick the program's own transport is measured against.

#include <cstdint>
#include <span>

namespace kelm::timing {

// Opens the node read-write for the whole run; -1 on failure (errno set).
int OpenForLoop(const char* devNode);

// One SG_IO data-in request; true when it came back good (status, host and driver all 0).
bool BareDataIn(int fd, std::span<const std::uint8_t> cdb, std::span<std::uint8_t> data);

}  // namespace kelm::timing
