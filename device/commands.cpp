#include "device/commands.h"

#include <cstddef>

#include "device/command_table.h"
#include "device/passthrough.h"

namespace kelm::device {

namespace {

constexpr bool TableFollowsEnumeration() {
  for (std::size_t i = 0; i < kCommandTable.size(); ++i) {
    if (static_cast<std::size_t>(kCommandTable[i].command) != i) return false;
  }
  return true;
}
static_assert(TableFollowsEnumeration());

void SetBigEndianAddress(Cdb& cdb, std::uint32_t address) {
  cdb[3] = static_cast<std::uint8_t>(address >> 16);
  cdb[4] = static_cast<std::uint8_t>(address >> 8);
  cdb[5] = static_cast<std::uint8_t>(address);
}

void SetLittleEndianAddress(Cdb& cdb, std::uint32_t address) {
  for (int i = 0; i < 4; ++i) cdb[3 + i] = static_cast<std::uint8_t>(address >> (8 * i));
}

std::int32_t Length(std::size_t size) { return static_cast<std::int32_t>(size); }

bool SendIn(const platform::Services& io, const std::string& path, const Cdb& cdb,
            std::span<std::uint8_t> data, std::uint32_t* transferred) {
  std::uint32_t count = 0;
  const bool ok = PassThroughIn(io.file, path, cdb.data(), kCdbLength, data.data(),
                                Length(data.size()), count);
  if (transferred != nullptr) *transferred = count;
  return ok;
}

bool SendOut(const platform::Services& io, const std::string& path, const Cdb& cdb,
             std::span<const std::uint8_t> data = {}) {
  std::uint32_t count = 0;
  return PassThroughOut(io.file, path, cdb.data(), kCdbLength, data.data(), Length(data.size()),
                        count);
}

bool ReadOneByte(const platform::Services& io, const std::string& path, Command command,
                 std::uint8_t& value) {
  std::uint8_t byte = 0;
  const bool ok = SendIn(io, path, BuildCdb(command), std::span(&byte, 1), nullptr);
  value = byte;
  return ok;
}

}  // namespace

const CommandDefinition& Definition(Command command) {
  return kCommandTable[static_cast<std::size_t>(command)];
}

Cdb BuildCdb(Command command, std::uint32_t address, std::uint32_t length,
             std::int32_t flashType) {
  Cdb cdb = Definition(command).cdb;
  switch (command) {
    case Command::Inquiry:
      cdb[4] = static_cast<std::uint8_t>(length & 0xFF);
      break;
    case Command::ReadFlash:
    case Command::WriteFlash:
    case Command::EraseFlashSector:
      SetBigEndianAddress(cdb, address);
      break;
    case Command::ReadParallelFlash:
      SetLittleEndianAddress(cdb, address);
      break;
    case Command::ProgramParallelFlash: {
      const auto& program = UnlockSequencesFor(flashType).program;
      std::copy(program.begin(), program.end(), cdb.begin() + 3);
      break;
    }
    default:
      break;
  }
  return cdb;
}

bool ProbeBridge(const platform::Services& io, const std::string& path,
                 std::span<std::uint8_t> answer, std::uint32_t* transferred) {
  return SendIn(io, path, BuildCdb(Command::ProbeBridge), answer, transferred);
}

bool Inquiry(const platform::Services& io, const std::string& path, std::span<std::uint8_t> answer,
             std::uint32_t* transferred) {
  return SendIn(io, path, BuildCdb(Command::Inquiry, 0, static_cast<std::uint32_t>(answer.size())),
                answer, transferred);
}

bool ReadChipInfo(const platform::Services& io, const std::string& path,
                  std::span<std::uint8_t> answer, std::uint32_t* transferred) {
  return SendIn(io, path, BuildCdb(Command::ReadChipInfo), answer, transferred);
}

bool ReadChipModel(const platform::Services& io, const std::string& path,
                   std::span<std::uint8_t> answer, std::uint32_t* transferred) {
  return SendIn(io, path, BuildCdb(Command::ReadChipModel), answer, transferred);
}

bool EnterCommand(const platform::Services& io, const std::string& path) {
  return SendOut(io, path, BuildCdb(Command::EnterCommand));
}

bool LeaveCommand(const platform::Services& io, const std::string& path) {
  return SendOut(io, path, BuildCdb(Command::LeaveCommand));
}

bool ReadBusyByte(const platform::Services& io, const std::string& path, std::uint8_t& value) {
  return ReadOneByte(io, path, Command::ReadBusyByte, value);
}

bool EraseParallelFlash(const platform::Services& io, const std::string& path) {
  return SendOut(io, path, BuildCdb(Command::EraseParallelFlash));
}

bool ProgramParallelFlash(const platform::Services& io, const std::string& path,
                          std::int32_t flashType, std::span<const std::uint8_t> image) {
  return SendOut(io, path, BuildCdb(Command::ProgramParallelFlash, 0, 0, flashType), image);
}

bool ReadParallelFlash(const platform::Services& io, const std::string& path,
                       std::uint32_t address, std::span<std::uint8_t> data,
                       std::uint32_t* transferred) {
  return SendIn(io, path, BuildCdb(Command::ReadParallelFlash, address), data, transferred);
}

bool PreEraseParallelFlash(const platform::Services& io, const std::string& path,
                           std::int32_t flashType) {
  return SendOut(io, path, BuildCdb(Command::PreEraseParallelFlash),
                 UnlockSequencesFor(flashType).chipErase);
}

bool SwitchToInternalRom(const platform::Services& io, const std::string& path) {
  return SendOut(io, path, BuildCdb(Command::SwitchToInternalRom));
}

bool ReadFlash(const platform::Services& io, const std::string& path, std::uint32_t address,
               std::span<std::uint8_t> data, std::uint32_t* transferred) {
  return SendIn(io, path, BuildCdb(Command::ReadFlash, address), data, transferred);
}

bool WriteFlash(const platform::Services& io, const std::string& path, std::uint32_t address,
                std::span<const std::uint8_t> data) {
  return SendOut(io, path, BuildCdb(Command::WriteFlash, address), data);
}

bool ReadFlashStatus(const platform::Services& io, const std::string& path,
                     std::uint8_t& status) {
  return ReadOneByte(io, path, Command::ReadFlashStatus, status);
}

bool EraseWholeFlash(const platform::Services& io, const std::string& path) {
  return SendOut(io, path, BuildCdb(Command::EraseWholeFlash));
}

bool EraseFlashSector(const platform::Services& io, const std::string& path,
                      std::uint32_t address) {
  return SendOut(io, path, BuildCdb(Command::EraseFlashSector, address));
}

bool ReadFlashIdentity(const platform::Services& io, const std::string& path,
                       std::span<std::uint8_t, 4> identity) {
  return SendIn(io, path, BuildCdb(Command::ReadFlashIdentity), identity, nullptr);
}

bool BridgeBusy(const platform::Services& io, const std::string& path) {
  std::uint8_t value = 0;
  if (!ReadBusyByte(io, path, value)) return true;
  return value == 1;
}

bool WaitFlashReady(const platform::Services& io, const std::string& path) {
  constexpr int kMaxRereads = 500;
  constexpr std::uint32_t kPauseMs = 10;
  const auto busy = [&] {
    std::uint8_t status = 0;
    return !ReadFlashStatus(io, path, status) || (status & 0x01) != 0;
  };
  if (!busy()) return true;
  for (int reread = 0; reread < kMaxRereads; ++reread) {
    io.clock.Sleep(kPauseMs);
    if (!busy()) return true;
  }
  return false;
}

bool ReadFlashIdentification(const platform::Services& io, const std::string& path,
                             std::span<std::uint8_t, 4> reply) {
  // 1. Hand the flash its read-identification command (0x9F); no data phase.
  if (!SendIn(io, path, BuildCdb(Command::IdentifyFlashStep1), {}, nullptr)) return false;
  // 2. Its reply.
  return SendIn(io, path, BuildCdb(Command::IdentifyFlashStep2), reply, nullptr);
}

std::int32_t FlashCodeOf(std::span<const std::uint8_t, 4> reply) {
  // 3. The recognised parts answer 7F 37 20 (continuation byte, maker, memory type).
  if (reply[0] != 0x7F || reply[1] != 0x37 || reply[2] != 0x20) return -1;
  // 4. The part by its capacity byte.
  switch (reply[3]) {
    case 0x12: return 1;
    case 0x11: return 3;
    case 0x20: return 4;
    case 0x10: return 5;
    default: return -1;
  }
}

std::int32_t IdentifyFlash(const platform::Services& io, const std::string& path) {
  std::array<std::uint8_t, 4> reply{};
  if (!ReadFlashIdentification(io, path, reply)) return -1;
  return FlashCodeOf(reply);
}

}  // namespace kelm::device
