#pragma once
// The kernel's own commands, as a small USB disk answers them: enough for usb-storage, sd,
// sg and udev's probes to attach the unit. The disk keeps what is written to it (in memory,
// for the gadget's lifetime), so the bench can put a filesystem on it and mount it.
// Everything else is refused with sense data.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace kelm::gadget {

struct ScsiResult {
  bool passed = true;
  std::vector<std::uint8_t> data;  // data-in bytes (cut to what the host asked for)
};

class ScsiUnit {
 public:
  // `inquiry`: the scenario's answer (the peripheral type is set from `type`).
  ScsiUnit(std::uint8_t type, std::vector<std::uint8_t> inquiry);

  // `out`: the data-out bytes of the command (empty for data-in).
  ScsiResult Execute(std::span<const std::uint8_t> cdb, std::uint32_t asked,
                     std::span<const std::uint8_t> out = {});

  // A command answered elsewhere (a bridge command) was refused as unknown: the next
  // REQUEST SENSE reports ILLEGAL REQUEST, invalid command operation code.
  void RefuseUnknownCommand();

 private:
  ScsiResult Refuse(std::uint8_t key, std::uint8_t asc);
  ScsiResult Transfer(std::span<const std::uint8_t> cdb, std::span<const std::uint8_t> out);

  std::uint8_t type_;
  std::vector<std::uint8_t> inquiry_;
  std::uint32_t blockSize_;
  std::vector<std::uint8_t> medium_;
  std::array<std::uint8_t, 18> sense_{};
};

}  // namespace kelm::gadget
