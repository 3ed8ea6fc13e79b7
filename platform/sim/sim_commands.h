#pragma once
// The command set as the simulated bridge firmware understands it. Kept apart from the
// host's own table on purpose: the simulator is an independent check of the host code.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kelm::sim {

enum class Op : std::uint8_t {
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

struct OpInfo {
  Op op;
  std::string_view name;
  std::array<std::uint8_t, 6> prefix;  // opcode bytes that name the command
  std::size_t prefixLength;
  bool dataIn;
  bool answered;  // returns the bytes of the scenario's "answers"
};

// clang-format off
inline constexpr std::array<OpInfo, 20> kOps = {{
    {Op::ProbeBridge,           "ProbeBridge",           {0xDF, 0x10},                   2, true,  true},
    {Op::Inquiry,               "Inquiry",               {0x12},                         1, true,  true},
    {Op::ReadChipInfo,          "ReadChipInfo",          {0xE0, 0xF4, 0xE7},             3, true,  true},
    {Op::ReadChipModel,         "ReadChipModel",         {0xFF, 0x04, 0x30, 0x08},       4, true,  true},
    {Op::EnterCommand,          "EnterCommand",          {0xFF, 0x04, 0x4A, 0x4D, 0x55}, 5, false, false},
    {Op::LeaveCommand,          "LeaveCommand",          {0xFF, 0x04, 0x4A, 0x4D, 0xAA}, 5, false, false},
    {Op::ReadBusyByte,          "ReadBusyByte",          {0xFF, 0x04, 0x00},             3, true,  false},
    {Op::EraseParallelFlash,    "EraseParallelFlash",    {0xFF, 0x04, 0x01},             3, false, false},
    {Op::ProgramParallelFlash,  "ProgramParallelFlash",  {0xFF, 0x04, 0x02},             3, false, false},
    {Op::ReadParallelFlash,     "ReadParallelFlash",     {0xFF, 0x04, 0x03},             3, true,  false},
    {Op::PreEraseParallelFlash, "PreEraseParallelFlash", {0xFF, 0x04, 0x04},             3, false, false},
    {Op::SwitchToInternalRom,   "SwitchToInternalRom",   {0xFF, 0x04, 0x05},             3, false, false},
    {Op::ReadFlash,             "ReadFlash",             {0xFF, 0x04, 0x10},             3, true,  false},
    {Op::WriteFlash,            "WriteFlash",            {0xFF, 0x04, 0x11},             3, false, false},
    {Op::ReadFlashStatus,       "ReadFlashStatus",       {0xFF, 0x04, 0x12},             3, true,  false},
    {Op::EraseWholeFlash,       "EraseWholeFlash",       {0xFF, 0x04, 0x13},             3, false, false},
    {Op::EraseFlashSector,      "EraseFlashSector",      {0xFF, 0x04, 0x14},             3, false, false},
    {Op::IdentifyFlashStep1,    "IdentifyFlashStep1",    {0xFF, 0x04, 0x20, 0x01, 0x01, 0x9F}, 6, true, false},
    {Op::IdentifyFlashStep2,    "IdentifyFlashStep2",    {0xFF, 0x04, 0x21},             3, true,  true},
    {Op::ReadFlashIdentity,     "ReadFlashIdentity",     {0xFF, 0x04, 0x23},             3, true,  true},
}};
// clang-format on

// Unlock sequences of the parallel flash types (0, 1, 2): the 9 program bytes that CDB bytes
// 3..11 must hold, and the 18 chip-erase bytes the pre-erase must carry.
inline constexpr std::array<std::array<std::uint8_t, 9>, 3> kProgramSequences = {{
    {0x55, 0x55, 0xAA, 0x2A, 0x55, 0x55, 0xAA, 0x55, 0xA0},
    {0x55, 0x05, 0xAA, 0x02, 0x55, 0x05, 0xAA, 0x55, 0xA0},
    {0x55, 0x55, 0xAA, 0x2A, 0x55, 0x55, 0xAA, 0x55, 0xA0},
}};
inline constexpr std::array<std::array<std::uint8_t, 18>, 3> kChipEraseSequences = {{
    {0x55, 0x55, 0xAA, 0x2A, 0x55, 0x55, 0x55, 0x55, 0xAA, 0x2A, 0x55, 0x55,
     0xAA, 0x55, 0x80, 0xAA, 0x55, 0x10},
    {0x55, 0x05, 0xAA, 0x02, 0x55, 0x05, 0x55, 0x05, 0xAA, 0x02, 0x55, 0x05,
     0xAA, 0x55, 0x80, 0xAA, 0x55, 0x10},
    {0x55, 0x55, 0xAA, 0x2A, 0x55, 0x55, 0x55, 0x55, 0xAA, 0x2A, 0x55, 0x55,
     0xAA, 0x55, 0x80, 0xAA, 0x55, 0x10},
}};

inline constexpr std::size_t kParallelFlashSize = 65536;

const OpInfo& Info(Op op);
// The command a CDB names by its opcode bytes; nothing for a CDB the bridge does not know.
std::optional<Op> DecodeCdb(std::span<const std::uint8_t, 16> cdb);
std::optional<Op> OpByName(std::string_view name);

}  // namespace kelm::sim
