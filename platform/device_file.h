#pragma once
// The device file port: what the pass-through transport needs of the operating system.
// Shaped like the open / control / last-error / close calls the transport makes, so the
// transport reads step for step; backends live in platform/linux and platform/sim.

#include <array>
#include <cstdint>
#include <string>

namespace kelm::platform {

using Handle = std::intptr_t;
inline constexpr Handle kInvalidHandle = -1;

// Access is always read and write; only the sharing differs.
enum class ShareMode { Shared, Exclusive };

// Control code of the direct SCSI pass-through call.
inline constexpr std::uint32_t kIoctlScsiPassThroughDirect = 0x0004D014;

// The pass-through request as typed fields. Backends map these values onto their own
// request layout, so a 64-bit host hands over exactly what the 32-bit record held.
struct PassThroughRequest {
  std::uint16_t Length = 0;
  std::uint8_t ScsiStatus = 0;  // output: the device's status, GOOD unless the backend says otherwise
  std::uint8_t PathId = 0;
  std::uint8_t TargetId = 0;
  std::uint8_t Lun = 0;
  std::uint8_t CdbLength = 0;
  std::uint8_t SenseInfoLength = 0;
  std::uint8_t DataIn = 0;  // 1: data from the device, 0: data to the device
  std::uint32_t DataTransferLength = 0;
  std::uint32_t TimeOutValue = 0;  // seconds
  void* DataBuffer = nullptr;
  std::uint32_t SenseInfoOffset = 0;
  std::array<std::uint8_t, 16> Cdb{};
};

// SCSI status bytes the device ends a command with; any but GOOD fails the request.
inline constexpr std::uint8_t kScsiStatusGood = 0x00;
inline constexpr std::uint8_t kScsiStatusCheckCondition = 0x02;

// Size of the request record in the 32-bit layout that the bridge's host driver expects.
inline constexpr std::uint16_t kPassThroughRequestLength = 44;
inline constexpr std::uint32_t kSenseInfoOffset = 48;

// The fixed fields the transport sets on every request; a request that differs is malformed.
inline bool WellFormedRequest(std::uint32_t code, const PassThroughRequest& request) {
  return code == kIoctlScsiPassThroughDirect && request.Length == kPassThroughRequestLength &&
         request.PathId == 0 && request.TargetId == 1 && request.Lun == 0 &&
         request.SenseInfoLength == 0 && request.SenseInfoOffset == kSenseInfoOffset &&
         request.CdbLength <= request.Cdb.size() &&
         (request.DataTransferLength == 0 || request.DataBuffer != nullptr);
}

class DeviceFile {
 public:
  virtual ~DeviceFile() = default;
  // Opens the device for reading and writing; kInvalidHandle on failure.
  virtual Handle Open(const std::string& path, ShareMode share) = 0;
  // Issues the device control call synchronously, the request serving as input and output.
  virtual bool Control(Handle handle, std::uint32_t code, PassThroughRequest& request) = 0;
  // The calling thread's last-error value, read right after Control.
  virtual std::uint32_t LastError() const = 0;
  virtual void Close(Handle handle) = 0;
  // The most data bytes one command to the device at `path` may carry, as its adapter says;
  // 0 when no bound is known (the request then goes out as it is).
  virtual std::uint32_t LargestTransfer(const std::string& path) {
    static_cast<void>(path);
    return 0;
  }
};

}  // namespace kelm::platform
