#include "platform/trace/tracing_device_file.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "platform/trace/trace_format.h"

namespace kelm::trace {

namespace {

// A call that succeeded still failed when the device's status is not GOOD.
TraceResult ResultOf(bool callSucceeded, std::uint8_t scsiStatus) {
  if (!callSucceeded) return TraceResult::Fail;
  switch (scsiStatus) {
    case platform::kScsiStatusGood:
      return TraceResult::Ok;
    case platform::kScsiStatusCheckCondition:
      return TraceResult::Check;
    default:
      return TraceResult::Fail;
  }
}

}  // namespace

platform::Handle TracingDeviceFile::Open(const std::string& path, platform::ShareMode share) {
  const platform::Handle handle = inner_.Open(path, share);
  if (handle == platform::kInvalidHandle) {
    // The transport opens shared to read and exclusively to write.
    Write(OpenFailLine(share == platform::ShareMode::Shared, path));
  } else {
    paths_[handle] = path;
  }
  return handle;
}

bool TracingDeviceFile::Control(platform::Handle handle, std::uint32_t code,
                                platform::PassThroughRequest& request) {
  if (!trace_) return inner_.Control(handle, code, request);
  const bool dataIn = request.DataIn != 0;
  const std::size_t cdbLength = std::min<std::size_t>(request.CdbLength, request.Cdb.size());
  const std::array<std::uint8_t, 16> cdb = request.Cdb;
  const std::uint32_t length = request.DataTransferLength;
  auto* buffer = static_cast<std::uint8_t*>(request.DataBuffer);
  const std::span<const std::uint8_t> data =
      buffer ? std::span<const std::uint8_t>(buffer, length) : std::span<const std::uint8_t>();
  const bool wellFormed = platform::WellFormedRequest(code, request);
  // What an out request hands over, as sent (the device only reads it).
  std::vector<std::uint8_t> sent;
  if (!dataIn) sent.assign(data.begin(), data.end());

  const bool called = inner_.Control(handle, code, request);

  TraceEntry entry;
  entry.dataIn = dataIn;
  entry.cdb = std::span<const std::uint8_t>(cdb.data(), cdbLength);
  entry.length = length;
  entry.timeout = request.TimeOutValue;
  entry.result = wellFormed ? ResultOf(called && inner_.LastError() == 0, request.ScsiStatus)
                            : TraceResult::BadRequest;
  entry.transferred = request.DataTransferLength;
  entry.data = dataIn ? data.first(std::min<std::size_t>(entry.transferred, data.size()))
                      : std::span<const std::uint8_t>(sent);
  // A handle that is not open names no device; its line has an empty path.
  const auto path = paths_.find(handle);
  if (path != paths_.end()) entry.path = path->second;
  Write(TraceLine(entry));
  return called;
}

void TracingDeviceFile::Close(platform::Handle handle) {
  paths_.erase(handle);
  inner_.Close(handle);
}

void TracingDeviceFile::Write(const std::string& line) {
  if (trace_) *trace_ << line << std::flush;
}

}  // namespace kelm::trace
