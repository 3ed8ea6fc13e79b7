#pragma once
// The bridge's command set: one function per command, each one 12-byte CDB sent through
// the pass-through transport. No command shows a message; callers choose the words.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/host.h"

namespace kelm::device {

enum class Direction { In, Out };

enum class Command {
  ProbeBridge,
  Inquiry,
  ReadChipInfo,
  ReadChipModel,
  EnterCommand,
  LeaveCommand,
  ReadBusyByte,
  EraseParallelFlash,
  ProgramParallelFlash,
  ReadParallelFlash,
  PreEraseParallelFlash,
  SwitchToInternalRom,
  ReadFlash,
  WriteFlash,
  ReadFlashStatus,
  EraseWholeFlash,
  EraseFlashSector,
  IdentifyFlashStep1,
  IdentifyFlashStep2,
  ReadFlashIdentity,
};

inline constexpr int kCdbLength = 12;
using Cdb = std::array<std::uint8_t, kCdbLength>;

// A command's fixed CDB bytes (zero elsewhere) and its direction; the builders below set
// the variable bytes (addresses, lengths, sequences) on top.
struct CommandDefinition {
  Command command;
  std::string_view name;
  Cdb cdb;
  Direction direction;
};

const CommandDefinition& Definition(Command command);

// Parallel flash types, the indices of the flash type list.
inline constexpr std::array<std::string_view, 3> kParallelFlashTypeNames = {
    "ATMELAT 49BV512", "PMC OM39LV512", "SST SST39LF512"};

// --- identification and session ---
bool ProbeBridge(const platform::Services& io, const std::string& path,
                 std::span<std::uint8_t> answer, std::uint32_t* transferred = nullptr);
bool Inquiry(const platform::Services& io, const std::string& path, std::span<std::uint8_t> answer,
             std::uint32_t* transferred = nullptr);
bool ReadChipInfo(const platform::Services& io, const std::string& path,
                  std::span<std::uint8_t> answer, std::uint32_t* transferred = nullptr);
bool ReadChipModel(const platform::Services& io, const std::string& path,
                   std::span<std::uint8_t> answer, std::uint32_t* transferred = nullptr);
bool EnterCommand(const platform::Services& io, const std::string& path);
bool LeaveCommand(const platform::Services& io, const std::string& path);

// --- parallel flash ---
bool ReadBusyByte(const platform::Services& io, const std::string& path, std::uint8_t& value);
bool EraseParallelFlash(const platform::Services& io, const std::string& path);
bool ProgramParallelFlash(const platform::Services& io, const std::string& path,
                          std::int32_t flashType, std::span<const std::uint8_t> image);
bool ReadParallelFlash(const platform::Services& io, const std::string& path,
                       std::uint32_t address, std::span<std::uint8_t> data,
                       std::uint32_t* transferred = nullptr);
bool PreEraseParallelFlash(const platform::Services& io, const std::string& path,
                           std::int32_t flashType);
bool SwitchToInternalRom(const platform::Services& io, const std::string& path);

// --- serial flash ---
bool ReadFlash(const platform::Services& io, const std::string& path, std::uint32_t address,
               std::span<std::uint8_t> data, std::uint32_t* transferred = nullptr);
bool WriteFlash(const platform::Services& io, const std::string& path, std::uint32_t address,
                std::span<const std::uint8_t> data);
bool ReadFlashStatus(const platform::Services& io, const std::string& path, std::uint8_t& status);
bool EraseWholeFlash(const platform::Services& io, const std::string& path);
bool EraseFlashSector(const platform::Services& io, const std::string& path,
                      std::uint32_t address);
bool ReadFlashIdentity(const platform::Services& io, const std::string& path,
                       std::span<std::uint8_t, 4> identity);

// --- composites ---
// True when the busy byte cannot be read or reads 1.
bool BridgeBusy(const platform::Services& io, const std::string& path);
// One status read, then at most 500 re-reads 10 ms apart while bit 0 is set; a failed
// read counts as busy. True once the flash is ready.
bool WaitFlashReady(const platform::Services& io, const std::string& path);
// The flash's 4-byte reply to read identification (0x9F), passed through the bridge; false
// when either step fails.
bool ReadFlashIdentification(const platform::Services& io, const std::string& path,
                             std::span<std::uint8_t, 4> reply);
// The flash part code a reply names: 1, 3, 4, 5 for the recognised parts, -1 otherwise.
std::int32_t FlashCodeOf(std::span<const std::uint8_t, 4> reply);
// The flash part code: 1, 3, 4, 5 for the recognised parts, -1 otherwise.
std::int32_t IdentifyFlash(const platform::Services& io, const std::string& path);

// The CDB a command sends, built as the functions above build it (used by the functions and
// by tools that need to name a request).
Cdb BuildCdb(Command command, std::uint32_t address = 0, std::uint32_t length = 0,
             std::int32_t flashType = 0);

}  // namespace kelm::device
