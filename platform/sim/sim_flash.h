#pragma once
// The flash chips behind a simulated bridge: programming only clears bits, erasing sets
// them again except for stuck cells, and a write or erase keeps the chip busy a while.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/sim/scenario.h"

namespace kelm::sim {

class SerialFlashChip {
 public:
  // Throws std::invalid_argument when the content does not fit the size.
  explicit SerialFlashChip(const SerialFlashSpec& config);

  // False (and nothing done) when the range runs past the end.
  bool Read(std::uint32_t address, std::uint32_t length, std::vector<std::uint8_t>& out) const;
  bool Write(std::uint32_t address, std::span<const std::uint8_t> data);
  bool EraseUnitAt(std::uint32_t address);
  void EraseAll();
  // 0x01 while busy, 0x00 when ready; each read uses up one busy poll.
  std::uint8_t ReadStatus();

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::vector<std::uint8_t>& bytes() { return bytes_; }

 private:
  void Erase(std::uint32_t begin, std::uint32_t end);

  SerialFlashSpec config_;
  std::vector<std::uint8_t> bytes_;
  std::uint32_t busyLeft_ = 0;
};

class ParallelFlashChip {
 public:
  explicit ParallelFlashChip(const ParallelFlashSpec& config);

  bool Read(std::uint32_t address, std::uint32_t length, std::vector<std::uint8_t>& out) const;
  // Arms the chip erase when the bytes are the type's chip-erase sequence; else no effect.
  void PreErase(std::span<const std::uint8_t> data);
  // Erases everything when armed, then disarms; does nothing otherwise.
  void Erase();
  // Programs from address 0 when `sequence` is the type's program sequence. False (nothing
  // done) when the data runs past the end.
  bool Program(std::span<const std::uint8_t> sequence, std::span<const std::uint8_t> data);
  // 1 while busy, 0 when ready; each read uses up one busy read.
  std::uint8_t ReadBusy();

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::vector<std::uint8_t>& bytes() { return bytes_; }

 private:
  ParallelFlashSpec config_;
  std::vector<std::uint8_t> bytes_;
  bool armed_ = false;
  std::uint32_t busyLeft_ = 0;
};

}  // namespace kelm::sim
