#include "device/passthrough.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kelm::device {

namespace {

using platform::PassThroughRequest;

constexpr std::uint32_t kDataInTimeoutSeconds = 20;
constexpr std::uint32_t kDataOutTimeoutSeconds = 10;
constexpr std::uint32_t kWholeFlashEraseTimeoutSeconds = 100;
constexpr std::uint8_t kWholeFlashEraseSubOpcode = 0x13;
constexpr std::int32_t kMaxCdbLength = 16;

// Transfers below this size go through the call's own bounce buffer.
constexpr std::int32_t kBounceSize = 4;

bool SendOne(platform::DeviceFile& file, const std::string& path, const std::uint8_t* cdb,
             std::int32_t cdbLength, std::uint8_t* callerBuffer, std::int32_t n,
             std::uint32_t& transferred, bool dataIn) {
  // Refused before the device is touched: a length the request cannot carry.
  if (n < 0 || cdbLength < 0 || cdbLength > kMaxCdbLength || cdb == nullptr) return false;
  if (n > 0 && callerBuffer == nullptr) return false;

  // 1. Open; data-out commands hold the device exclusively.
  const platform::Handle handle =
      file.Open(path, dataIn ? platform::ShareMode::Shared : platform::ShareMode::Exclusive);
  if (handle == platform::kInvalidHandle) return false;

  // 2. The request header.
  PassThroughRequest request;
  request.Length = platform::kPassThroughRequestLength;
  request.PathId = 0;
  request.TargetId = 1;
  request.Lun = 0;
  request.CdbLength = static_cast<std::uint8_t>(cdbLength & 0xFF);
  request.SenseInfoLength = 0;
  request.DataIn = dataIn ? 1 : 0;

  // 3. The data buffer: the caller's, or the bounce buffer for short transfers. The device is
  // never asked for exactly one byte.
  std::array<std::uint8_t, kBounceSize> bounce{};
  if (n >= kBounceSize) {
    request.DataBuffer = callerBuffer;
    request.DataTransferLength = static_cast<std::uint32_t>(n);
  } else {
    request.DataBuffer = bounce.data();
    request.DataTransferLength = n == 1 ? 2u : static_cast<std::uint32_t>(n);
    if (!dataIn && n > 0) std::memcpy(bounce.data(), callerBuffer, static_cast<std::size_t>(n));
  }

  // 4. Time-out, sense offset, CDB.
  request.TimeOutValue = dataIn ? kDataInTimeoutSeconds
                         : (cdbLength > 2 && cdb[2] == kWholeFlashEraseSubOpcode)
                             ? kWholeFlashEraseTimeoutSeconds
                             : kDataOutTimeoutSeconds;
  request.SenseInfoOffset = platform::kSenseInfoOffset;
  std::copy_n(cdb, cdbLength, request.Cdb.begin());

  // 5.-7. The call, its last-error value, close.
  const bool called = file.Control(handle, platform::kIoctlScsiPassThroughDirect, request);
  const std::uint32_t lastError = file.LastError();
  file.Close(handle);

  // 8. Short reads reach the caller from the bounce buffer (a data-out bounce holds the
  // caller's own bytes, so there is nothing to copy back).
  if (dataIn && n > 0 && n < kBounceSize) {
    std::memcpy(callerBuffer, bounce.data(), static_cast<std::size_t>(n));
  }

  // 9.-11. A command the device ended with any status but GOOD failed, although the call
  // itself succeeded: a bridge that does not know a vendor command ends it with CHECK
  // CONDITION, and that disk must not pass for a bridge.
  transferred = request.DataTransferLength;
  return called && lastError == 0 && request.ScsiStatus == platform::kScsiStatusGood;
}

}  // namespace

bool PassThroughIn(platform::DeviceFile& file, const std::string& path, const std::uint8_t* cdb,
                   std::int32_t cdbLength, void* buffer, std::int32_t n,
                   std::uint32_t& transferred) {
  return SendOne(file, path, cdb, cdbLength, static_cast<std::uint8_t*>(buffer), n, transferred,
                 true);
}

bool PassThroughOut(platform::DeviceFile& file, const std::string& path, const std::uint8_t* cdb,
                    std::int32_t cdbLength, const void* buffer, std::int32_t n,
                    std::uint32_t& transferred) {
  // The device only reads a data-out buffer; the cast lets both directions share one path.
  return SendOne(file, path, cdb, cdbLength,
                 const_cast<std::uint8_t*>(static_cast<const std::uint8_t*>(buffer)), n,
                 transferred, false);
}

}  // namespace kelm::device
