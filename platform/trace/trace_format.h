#pragma once
// Lines of the request trace: one per request that reached the control call, one per
// failed open. The simulated bench and the programs for real enclosures write the same lines.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kelm::trace {

// Check: the call succeeded but the device ended the command with CHECK CONDITION.
enum class TraceResult { Ok, Check, Fail, BadRequest };

struct TraceEntry {
  bool dataIn = false;
  std::span<const std::uint8_t> cdb;   // the CdbLength bytes sent
  std::uint32_t length = 0;            // DataTransferLength as sent
  std::uint32_t timeout = 0;           // seconds
  TraceResult result = TraceResult::Fail;
  std::uint32_t transferred = 0;       // DataTransferLength as the call left it
  std::span<const std::uint8_t> data;  // the data phase as the device saw it
  std::string_view path;
};

// CRC-32 (zlib's) of `data` as 8 lower-case hex digits; "-" for no bytes.
std::string Crc32Text(std::span<const std::uint8_t> data);

// "<in|out>\t<cdb>\t<len>\t<timeout>\t<result>\t<transferred>\t<crc>\t<path>\n"
std::string TraceLine(const TraceEntry& entry);
// "open-fail\t<in|out>\t<path>\n"
std::string OpenFailLine(bool dataIn, std::string_view path);

}  // namespace kelm::trace
