#pragma once
// Bulk-Only Transport framing: the 31-byte command block wrapper the host sends and the
// 13-byte status wrapper the device answers with.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace kelm::gadget {

inline constexpr std::size_t kCbwSize = 31;
inline constexpr std::size_t kCswSize = 13;

enum class CswStatus : std::uint8_t {
  Passed = 0,
  Failed = 1,      // the host fetches the sense data and reports CHECK CONDITION
  PhaseError = 2,  // the host resets the device and fails the request at the transport level
};

struct Cbw {
  std::uint32_t tag = 0;
  std::uint32_t length = 0;  // dCBWDataTransferLength
  bool dataIn = false;       // bmCBWFlags bit 7
  std::uint8_t lun = 0;
  std::uint8_t cdbLength = 0;
  std::array<std::uint8_t, 16> cdb{};
};

// A wrapper that is not meaningful (wrong size, signature, CDB length or reserved bits) is
// nothing: the device then stalls until the host resets it.
std::optional<Cbw> ParseCbw(std::span<const std::uint8_t> bytes);

struct Csw {
  std::uint32_t tag = 0;
  std::uint32_t residue = 0;
  CswStatus status = CswStatus::Passed;
};

std::array<std::uint8_t, kCswSize> EncodeCsw(const Csw& csw);

// How a data-in phase that carries fewer bytes than asked for must end: a transfer cut on
// a packet boundary looks unfinished to the host, so the device stalls the pipe instead.
bool StallAfterDataIn(std::uint32_t asked, std::uint32_t sent, std::uint32_t maxPacket);

}  // namespace kelm::gadget
