#pragma once
// Hand-built pass-through requests for driving the simulated platform directly, the way
// the transport would, without using the transport itself.

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/device_file.h"
#include "platform/sim/sim_platform.h"

namespace kelm::sim::testing {

using Bytes = std::vector<std::uint8_t>;

// A 12-byte CDB starting with the given bytes.
inline Bytes Cdb(std::initializer_list<std::uint8_t> leading) {
  Bytes cdb(leading);
  cdb.resize(12, 0);
  return cdb;
}

// Serial flash commands carry a 24-bit big-endian address in bytes 3..5.
inline Bytes SerialCdb(std::uint8_t sub, std::uint32_t address) {
  return Cdb({0xFF, 0x04, sub, static_cast<std::uint8_t>(address >> 16),
              static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)});
}

// The parallel flash read carries a 32-bit little-endian address in bytes 3..6.
inline Bytes ParallelReadCdb(std::uint32_t address) {
  return Cdb({0xFF, 0x04, 0x03, static_cast<std::uint8_t>(address),
              static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address >> 16),
              static_cast<std::uint8_t>(address >> 24)});
}

inline platform::PassThroughRequest Request(const Bytes& cdb, bool dataIn, void* buffer,
                                            std::uint32_t length, std::uint32_t timeout) {
  platform::PassThroughRequest request;
  request.Length = 44;
  request.TargetId = 1;
  request.CdbLength = static_cast<std::uint8_t>(cdb.size());
  request.DataIn = dataIn ? 1 : 0;
  request.DataTransferLength = length;
  request.TimeOutValue = timeout;
  request.DataBuffer = buffer;
  request.SenseInfoOffset = 48;
  for (std::size_t i = 0; i < cdb.size() && i < request.Cdb.size(); ++i) request.Cdb[i] = cdb[i];
  return request;
}

struct Result {
  bool opened = false;
  bool called = false;  // what the control call returned
  std::uint32_t lastError = 0;
  std::uint32_t transferred = 0;
  std::uint8_t scsiStatus = 0;
  Bytes data;  // data-in: the buffer after the call, cut to `transferred`

  bool ok() const { return called && lastError == 0 && scsiStatus == platform::kScsiStatusGood; }
};

// One command per call, opened shared to read and exclusively to write, as the transport does.
class Wire {
 public:
  Wire(SimPlatform& sim, std::string path) : sim_(sim), path_(std::move(path)) {}

  Result In(const Bytes& cdb, std::uint32_t length) {
    Bytes buffer(length + 1, 0xEE);  // one guard byte past the request
    Result result = Send(cdb, true, buffer.data(), length, 20);
    if (result.opened) {
      result.data.assign(buffer.begin(), buffer.begin() + std::min(result.transferred, length));
      guardIntact = buffer[length] == 0xEE;
    }
    return result;
  }

  Result Out(const Bytes& cdb, Bytes data = {}) {
    return Send(cdb, false, data.empty() ? nullptr : data.data(),
                static_cast<std::uint32_t>(data.size()), 10);
  }

  Result Send(const Bytes& cdb, bool dataIn, void* buffer, std::uint32_t length,
              std::uint32_t timeout) {
    Result result;
    const platform::Handle handle = sim_.Open(
        path_, dataIn ? platform::ShareMode::Shared : platform::ShareMode::Exclusive);
    if (handle == platform::kInvalidHandle) return result;
    result.opened = true;
    platform::PassThroughRequest request = Request(cdb, dataIn, buffer, length, timeout);
    result.called = sim_.Control(handle, platform::kIoctlScsiPassThroughDirect, request);
    result.lastError = sim_.LastError();
    result.transferred = request.DataTransferLength;
    result.scsiStatus = request.ScsiStatus;
    sim_.Close(handle);
    return result;
  }

  bool guardIntact = true;

 private:
  SimPlatform& sim_;
  std::string path_;
};

inline Scenario FromJson(const std::string& json) {
  return ParseScenario(json, "test.json", ".");
}

}  // namespace kelm::sim::testing
