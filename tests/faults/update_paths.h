#pragma once
// The update paths that the fault matrix drives, as data: the enclosure each one starts
// from, how the run is set up and started, the flash it must leave, and what a run may end
// with when one of its requests misbehaves.

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tests/faults/request_trace.h"
#include "tests/support/rig.h"

namespace kelm::test {

// What a run may end with when the given request misbehaved.
struct Expectation {
  bool mustSucceed = false;  // the procedure is meant to ride over this fault
  std::vector<std::string_view> failureMessages;  // the final status text of a failed run
  // The final status text of a successful run, when it is not the one of an untroubled run.
  std::optional<std::string_view> successMessage;
};

inline Expectation Succeeds() { return {true, {}, {}}; }
inline Expectation SucceedsSaying(std::string_view message) { return {true, {}, message}; }
inline Expectation FailsWith(std::initializer_list<std::string_view> messages) {
  return {false, messages, {}};
}

enum class FlashKind { Serial, Parallel };

// Everything a run needs besides the rig: where a backup goes.
struct RunContext {
  std::filesystem::path backupFile;
};

struct UpdatePath {
  std::string_view name;
  FlashKind flash;
  bool keepsParameterBlock;  // a JMB352: its first 4 KiB must survive
  bool writesBackup;         // the run's product is the backup file, not the flash
  sim::DeviceSpec (*device)();  // the enclosure, holding old firmware
  // Images, options and engine settings for the run.
  void (*prepare)(Rig& rig, RecordingHost& host, const RunContext& context);
  bool (*run)(RecordingHost& host, const std::string& path);
  // The flash a successful run leaves, from the flash it started with.
  std::vector<std::uint8_t> (*expectedFlash)(std::span<const std::uint8_t> original,
                                             const Rig& rig);
  Expectation (*expect)(const TracedRequest& request, FaultKind kind);
};

std::span<const UpdatePath> UpdatePaths();

// Names the path in test output.
inline void PrintTo(const UpdatePath& path, std::ostream* out) { *out << path.name; }

// The old firmware every enclosure starts with: neither erased nor zero.
std::vector<std::uint8_t> OldFirmware(std::size_t size);

// The size of a JMB352 flash's parameter block, kept across an update.
inline constexpr std::size_t kParameterBlockSize = 4096;

}  // namespace kelm::test
