#pragma once

#include <cstdint>

namespace kelm::chip {

// Low byte: the bridge model index; high byte: the revision (0 when not learnt).
using ChipCode = std::uint16_t;

constexpr std::uint8_t ModelOf(ChipCode code) { return static_cast<std::uint8_t>(code & 0xFF); }
constexpr std::uint8_t RevisionOf(ChipCode code) { return static_cast<std::uint8_t>(code >> 8); }
constexpr ChipCode MakeChipCode(std::uint8_t model, std::uint8_t revision) {
  return static_cast<ChipCode>((revision << 8) | model);
}

}  // namespace kelm::chip
