#pragma once
// The least a program can do to send a data-in command: SG_IO and nothing around it, on a
// descriptor kept open or on one opened and closed around the request. The yardsticks the
// program's own transport is measured against.

#include <cstdint>
#include <span>

namespace kelm::timing {

// Opens the node read-write; -1 on failure (errno set).
int OpenForLoop(const char* devNode);

// One SG_IO request; true when it came back good (status, host and driver all 0).
bool BareRequest(int fd, std::span<const std::uint8_t> cdb, bool dataIn, std::span<std::uint8_t> data);
inline bool BareDataIn(int fd, std::span<const std::uint8_t> cdb, std::span<std::uint8_t> data) {
  return BareRequest(fd, cdb, true, data);
}

// Open, one SG_IO request, close: what a fresh open per command costs at the least. A data-out
// request sends `data`; an empty one has no data phase.
bool BareOpenRequest(const char* devNode, std::span<const std::uint8_t> cdb, bool dataIn,
                     std::span<std::uint8_t> data);
inline bool BareOpenDataIn(const char* devNode, std::span<const std::uint8_t> cdb,
                           std::span<std::uint8_t> data) {
  return BareOpenRequest(devNode, cdb, true, data);
}

// One `sg_raw` process reading `length` bytes with `cdb` from the node, as a person sends a
// request by hand; true when it ran and exited 0. Its output goes to /dev/null.
bool SgRawDataIn(const char* devNode, std::span<const std::uint8_t> cdb, std::uint32_t length);

}  // namespace kelm::timing
