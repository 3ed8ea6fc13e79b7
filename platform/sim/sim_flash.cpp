#include "platform/sim/sim_flash.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "platform/sim/sim_commands.h"

namespace kelm::sim {

namespace {

std::vector<std::uint8_t> InitialBytes(const Content& content, std::size_t size) {
  if (content.at > size || content.file.size() > size - content.at) {
    throw std::invalid_argument(std::to_string(content.file.size()) + " bytes at " +
                                std::to_string(content.at) + " do not fit in a flash of " +
                                std::to_string(size) + " bytes");
  }
  std::vector<std::uint8_t> bytes(size, content.fill);
  std::copy(content.file.begin(), content.file.end(), bytes.begin() + content.at);
  return bytes;
}

bool InRange(std::uint64_t address, std::uint64_t length, std::size_t size) {
  return address <= size && length <= size - address;
}

void ReadRange(const std::vector<std::uint8_t>& bytes, std::uint32_t address,
               std::uint32_t length, std::vector<std::uint8_t>& out) {
  out.assign(bytes.begin() + address, bytes.begin() + address + length);
}

// Flash programming can only clear bits.
void ProgramAnd(std::vector<std::uint8_t>& bytes, std::uint32_t address,
             std::span<const std::uint8_t> data) {
  for (std::size_t i = 0; i < data.size(); ++i) bytes[address + i] &= data[i];
}

void EraseRange(std::vector<std::uint8_t>& bytes, std::uint32_t begin, std::uint32_t end,
                const std::vector<StuckByte>& stuck) {
  std::fill(bytes.begin() + begin, bytes.begin() + end, 0xFF);
  for (const StuckByte& cell : stuck) {
    if (cell.address >= begin && cell.address < end) bytes[cell.address] = cell.value;
  }
}

}  // namespace

SerialFlashChip::SerialFlashChip(const SerialFlashSpec& config)
    : config_(config), bytes_(InitialBytes(config.content, config.size)) {}

bool SerialFlashChip::Read(std::uint32_t address, std::uint32_t length,
                           std::vector<std::uint8_t>& out) const {
  if (!InRange(address, length, bytes_.size())) return false;
  ReadRange(bytes_, address, length, out);
  return true;
}

bool SerialFlashChip::Write(std::uint32_t address, std::span<const std::uint8_t> data) {
  if (!InRange(address, data.size(), bytes_.size())) return false;
  ProgramAnd(bytes_, address, data);
  busyLeft_ = config_.busyPolls;
  return true;
}

bool SerialFlashChip::EraseUnitAt(std::uint32_t address) {
  if (address >= bytes_.size()) return false;
  const auto size = static_cast<std::uint32_t>(bytes_.size());
  std::uint32_t begin = 0;
  std::uint32_t end = size;
  if (config_.eraseUnitStarts.empty()) {
    const std::uint32_t unit = std::max<std::uint32_t>(config_.eraseUnit, 1);
    begin = address / unit * unit;
    end = static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{begin} + unit, size));
  } else {
    // Unit k runs from its start up to the next start; the last one to the end.
    for (std::uint32_t start : config_.eraseUnitStarts) {
      if (start <= address) {
        begin = start;
      } else {
        end = start;
        break;
      }
    }
  }
  Erase(begin, end);
  return true;
}

void SerialFlashChip::EraseAll() { Erase(0, static_cast<std::uint32_t>(bytes_.size())); }

void SerialFlashChip::Erase(std::uint32_t begin, std::uint32_t end) {
  EraseRange(bytes_, begin, end, config_.stuck);
  busyLeft_ = config_.busyPolls;
}

std::uint8_t SerialFlashChip::ReadStatus() {
  if (config_.stuckBusy) return 0x01;
  if (busyLeft_ == 0) return 0x00;
  --busyLeft_;
  return 0x01;
}

ParallelFlashChip::ParallelFlashChip(const ParallelFlashSpec& config)
    : config_(config), bytes_(InitialBytes(config.content, kParallelFlashSize)) {}

bool ParallelFlashChip::Read(std::uint32_t address, std::uint32_t length,
                             std::vector<std::uint8_t>& out) const {
  if (!InRange(address, length, bytes_.size())) return false;
  ReadRange(bytes_, address, length, out);
  return true;
}

namespace {
template <std::size_t N>
bool IsSequence(const std::array<std::array<std::uint8_t, N>, 3>& table, std::int32_t type,
                std::span<const std::uint8_t> bytes) {
  if (type < 0 || type >= static_cast<std::int32_t>(table.size())) return false;
  const auto& expected = table[static_cast<std::size_t>(type)];
  return std::equal(bytes.begin(), bytes.end(), expected.begin(), expected.end());
}
}  // namespace

void ParallelFlashChip::PreErase(std::span<const std::uint8_t> data) {
  // Foreign bytes leave an earlier arming in place.
  if (IsSequence(kChipEraseSequences, config_.type, data)) armed_ = true;
}

void ParallelFlashChip::Erase() {
  if (!armed_) return;
  armed_ = false;
  EraseRange(bytes_, 0, static_cast<std::uint32_t>(bytes_.size()), config_.stuck);
  busyLeft_ = config_.busyReads;
}

bool ParallelFlashChip::Program(std::span<const std::uint8_t> sequence,
                                std::span<const std::uint8_t> data) {
  if (data.size() > bytes_.size()) return false;
  if (!IsSequence(kProgramSequences, config_.type, sequence)) return true;
  ProgramAnd(bytes_, 0, data);
  busyLeft_ = config_.busyReads;
  return true;
}

std::uint8_t ParallelFlashChip::ReadBusy() {
  if (config_.stuckBusy) return 1;
  if (busyLeft_ == 0) return 0;
  --busyLeft_;
  return 1;
}

}  // namespace kelm::sim
