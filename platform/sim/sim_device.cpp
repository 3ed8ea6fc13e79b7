#include "platform/sim/sim_device.h"

#include <algorithm>

namespace kelm::sim {

namespace {

// The first fault of the list that hits the n-th request of the command.
const Fault* FaultFor(const std::vector<Fault>& faults, std::string_view name, std::uint32_t n) {
  for (const Fault& fault : faults) {
    if (fault.command == name && (!fault.nth || *fault.nth == n)) return &fault;
  }
  return nullptr;
}

std::uint32_t BigEndian24(std::span<const std::uint8_t, 16> cdb) {
  return std::uint32_t{cdb[3]} << 16 | std::uint32_t{cdb[4]} << 8 | cdb[5];
}

std::uint32_t LittleEndian32(std::span<const std::uint8_t, 16> cdb) {
  return std::uint32_t{cdb[3]} | std::uint32_t{cdb[4]} << 8 | std::uint32_t{cdb[5]} << 16 |
         std::uint32_t{cdb[6]} << 24;
}

// A status-like answer: the value and a 0, as much of it as was asked for.
std::vector<std::uint8_t> StatusPair(std::uint8_t value, std::uint32_t length) {
  std::vector<std::uint8_t> pair = {value, 0x00};
  pair.resize(std::min<std::size_t>(length, pair.size()));
  return pair;
}

}  // namespace

SimDevice::SimDevice(DeviceSpec config, std::string path)
    : config_(std::move(config)), path_(std::move(path)) {
  if (config_.serialFlash) serial_.emplace(*config_.serialFlash);
  if (config_.parallelFlash) parallel_.emplace(*config_.parallelFlash);
}

std::uint32_t SimDevice::Count(Op op) { return ++counts_[static_cast<std::size_t>(op)]; }

Response SimDevice::Handle(Op op, std::span<const std::uint8_t, 16> cdb, bool dataIn,
                           std::span<std::uint8_t> data) {
  const OpInfo& info = Info(op);
  const std::uint32_t n = Count(op);
  // A request whose data phase runs the wrong way is rejected by the bridge: reading an
  // answer into a buffer that the host meant to send (or the reverse) must not pass as done.
  if (dataIn != info.dataIn) return {};
  if (FaultFor(config_.fail, info.name, n)) return {};
  // A bridge of another maker refuses the vendor command before it does anything.
  if (FaultFor(config_.checkCondition, info.name, n)) return {Reply::Check, 0};
  const Fault* shortened = FaultFor(config_.shortReads, info.name, n);
  const auto length = static_cast<std::uint32_t>(data.size());

  Response response;
  if (info.dataIn) {
    auto answer = ReadData(op, cdb, length);
    if (!answer) return {};
    if (shortened && shortened->bytes < answer->size()) answer->resize(shortened->bytes);
    std::copy(answer->begin(), answer->end(), data.begin());
    response.transferred = static_cast<std::uint32_t>(answer->size());
  } else {
    if (!WriteData(op, cdb, data)) return {};
    response.transferred = shortened ? std::min(shortened->bytes, length) : length;
  }
  response.reply = FaultFor(config_.lastError, info.name, n) ? Reply::LastError : Reply::Ok;
  return response;
}

std::optional<std::vector<std::uint8_t>> SimDevice::ReadData(
    Op op, std::span<const std::uint8_t, 16> cdb, std::uint32_t length) {
  std::vector<std::uint8_t> out;
  if (Info(op).answered) {
    const auto answer = config_.answers.find(std::string(Info(op).name));
    if (answer == config_.answers.end()) return std::nullopt;
    const std::size_t count = std::min<std::size_t>(length, answer->second.size());
    return std::vector<std::uint8_t>(answer->second.begin(), answer->second.begin() + count);
  }
  switch (op) {
    case Op::IdentifyFlashStep1:
      return out;
    case Op::ReadBusyByte:
      if (!parallel_) return std::nullopt;
      return StatusPair(parallel_->ReadBusy(), length);
    case Op::ReadParallelFlash:
      if (!parallel_ || !parallel_->Read(LittleEndian32(cdb), length, out)) return std::nullopt;
      return out;
    case Op::ReadFlash:
      if (!serial_ || !serial_->Read(BigEndian24(cdb), length, out)) return std::nullopt;
      return out;
    case Op::ReadFlashStatus:
      if (!serial_) return std::nullopt;
      return StatusPair(serial_->ReadStatus(), length);
    default:
      return std::nullopt;
  }
}

bool SimDevice::WriteData(Op op, std::span<const std::uint8_t, 16> cdb,
                          std::span<const std::uint8_t> data) {
  switch (op) {
    case Op::EnterCommand:
    case Op::LeaveCommand:
    case Op::SwitchToInternalRom:
      return true;
    case Op::EraseParallelFlash:
      if (!parallel_) return false;
      parallel_->Erase();
      return true;
    case Op::ProgramParallelFlash:
      return parallel_ && parallel_->Program(cdb.subspan<3, 9>(), data);
    case Op::PreEraseParallelFlash:
      if (!parallel_) return false;
      parallel_->PreErase(data);
      return true;
    case Op::WriteFlash:
      return serial_ && serial_->Write(BigEndian24(cdb), data);
    case Op::EraseWholeFlash:
      if (!serial_) return false;
      serial_->EraseAll();
      return true;
    case Op::EraseFlashSector:
      return serial_ && serial_->EraseUnitAt(BigEndian24(cdb));
    default:
      return false;
  }
}

}  // namespace kelm::sim
