#pragma once
// The bridge's commands and the parallel flash's unlock sequences, as data.

#include <array>
#include <cstdint>

#include "device/commands.h"

namespace kelm::device {

using enum Direction;

// Fixed CDB bytes of every command, in the order of the Command enumeration.
inline constexpr std::array<CommandDefinition, 20> kCommandTable = {{
    {Command::ProbeBridge, "ProbeBridge", {0xDF, 0x10, 0x00, 0x00, 0x02, 0, 0, 0, 0, 0, 0, 0xFF}, In},
    {Command::Inquiry, "Inquiry", {0x12}, In},
    {Command::ReadChipInfo, "ReadChipInfo", {0xE0, 0xF4, 0xE7}, In},
    {Command::ReadChipModel, "ReadChipModel", {0xFF, 0x04, 0x30, 0x08}, In},
    {Command::EnterCommand, "EnterCommand", {0xFF, 0x04, 0x4A, 0x4D, 0x55}, Out},
    {Command::LeaveCommand, "LeaveCommand", {0xFF, 0x04, 0x4A, 0x4D, 0xAA}, Out},
    {Command::ReadBusyByte, "ReadBusyByte", {0xFF, 0x04, 0x00}, In},
    {Command::EraseParallelFlash, "EraseParallelFlash", {0xFF, 0x04, 0x01}, Out},
    {Command::ProgramParallelFlash, "ProgramParallelFlash", {0xFF, 0x04, 0x02}, Out},
    {Command::ReadParallelFlash, "ReadParallelFlash", {0xFF, 0x04, 0x03}, In},
    {Command::PreEraseParallelFlash, "PreEraseParallelFlash", {0xFF, 0x04, 0x04}, Out},
    {Command::SwitchToInternalRom, "SwitchToInternalRom", {0xFF, 0x04, 0x05}, Out},
    {Command::ReadFlash, "ReadFlash", {0xFF, 0x04, 0x10}, In},
    {Command::WriteFlash, "WriteFlash", {0xFF, 0x04, 0x11}, Out},
    {Command::ReadFlashStatus, "ReadFlashStatus", {0xFF, 0x04, 0x12}, In},
    {Command::EraseWholeFlash, "EraseWholeFlash", {0xFF, 0x04, 0x13}, Out},
    {Command::EraseFlashSector, "EraseFlashSector", {0xFF, 0x04, 0x14}, Out},
    {Command::IdentifyFlashStep1, "IdentifyFlashStep1", {0xFF, 0x04, 0x20, 0x01, 0x01, 0x9F}, In},
    {Command::IdentifyFlashStep2, "IdentifyFlashStep2", {0xFF, 0x04, 0x21}, In},
    {Command::ReadFlashIdentity, "ReadFlashIdentity", {0xFF, 0x04, 0x23, 0x04}, In},
}};

// The unlock cycles of a parallel flash type: 16-bit little-endian addresses, then the data
// bytes written to them in the same order.
struct UnlockSequences {
  std::array<std::uint8_t, 9> program;     // ProgramParallelFlash CDB bytes 3..11
  std::array<std::uint8_t, 18> chipErase;  // PreEraseParallelFlash data
};

// Row 0: types 0 and 2; row 1: type 1; row 2: any other type (no sequence).
inline constexpr std::array<UnlockSequences, 3> kUnlockSequences = {{
    {{0x55, 0x55, 0xAA, 0x2A, 0x55, 0x55, 0xAA, 0x55, 0xA0},
     {0x55, 0x55, 0xAA, 0x2A, 0x55, 0x55, 0x55, 0x55, 0xAA, 0x2A, 0x55, 0x55,
      0xAA, 0x55, 0x80, 0xAA, 0x55, 0x10}},
    {{0x55, 0x05, 0xAA, 0x02, 0x55, 0x05, 0xAA, 0x55, 0xA0},
     {0x55, 0x05, 0xAA, 0x02, 0x55, 0x05, 0x55, 0x05, 0xAA, 0x02, 0x55, 0x05,
      0xAA, 0x55, 0x80, 0xAA, 0x55, 0x10}},
    {{}, {}},
}};

constexpr const UnlockSequences& UnlockSequencesFor(std::int32_t flashType) {
  if (flashType == 0 || flashType == 2) return kUnlockSequences[0];
  if (flashType == 1) return kUnlockSequences[1];
  return kUnlockSequences[2];
}

}  // namespace kelm::device
