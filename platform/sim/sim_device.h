#pragma once
// One simulated enclosure: the bridge's firmware answering decoded commands, the faults the
// scenario injects, and the flash chips behind it.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/sim/scenario.h"
#include "platform/sim/sim_commands.h"
#include "platform/sim/sim_flash.h"

namespace kelm::sim {

enum class Reply {
  Ok,         // the call succeeds with last-error 0
  Fail,       // the call fails; nothing was done
  LastError,  // the call succeeds but leaves a non-zero last-error; the command was carried out
  Check,      // the call succeeds with last-error 0, but the device ends the command with
              // CHECK CONDITION (ILLEGAL REQUEST, invalid command operation code); nothing done
};

struct Response {
  Reply reply = Reply::Fail;
  std::uint32_t transferred = 0;
};

class SimDevice {
 public:
  SimDevice(DeviceSpec config, std::string path);

  const std::string& path() const { return path_; }
  const DeviceSpec& config() const { return config_; }

  // Counts one request of `op` that reached the control call.
  std::uint32_t Count(Op op);
  std::uint32_t RequestCount(Op op) const { return counts_[static_cast<std::size_t>(op)]; }

  // Counts and carries out one request. `data` is the request's data phase: filled for
  // data-in commands (transferred says how much), read for data-out commands.
  Response Handle(Op op, std::span<const std::uint8_t, 16> cdb, bool dataIn,
                  std::span<std::uint8_t> data);

  SerialFlashChip* serial() { return serial_ ? &*serial_ : nullptr; }
  ParallelFlashChip* parallel() { return parallel_ ? &*parallel_ : nullptr; }
  const SerialFlashChip* serial() const { return serial_ ? &*serial_ : nullptr; }
  const ParallelFlashChip* parallel() const { return parallel_ ? &*parallel_ : nullptr; }

 private:
  // The bytes a data-in command returns for `length` requested; nothing when it fails.
  std::optional<std::vector<std::uint8_t>> ReadData(Op op, std::span<const std::uint8_t, 16> cdb,
                                                    std::uint32_t length);
  // Carries out a data-out command; false when it fails (and did nothing).
  bool WriteData(Op op, std::span<const std::uint8_t, 16> cdb, std::span<const std::uint8_t> data);

  DeviceSpec config_;
  std::string path_;
  std::optional<SerialFlashChip> serial_;
  std::optional<ParallelFlashChip> parallel_;
  std::array<std::uint32_t, kOps.size()> counts_{};
};

}  // namespace kelm::sim
