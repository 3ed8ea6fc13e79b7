#pragma once
// The device file with a request trace: every request that reaches the control call, and
// every failed open, becomes one trace line, whatever backend sits behind.

#include <map>
#include <ostream>
#include <string>

#include "platform/device_file.h"

namespace kelm::trace {

class TracingDeviceFile final : public platform::DeviceFile {
 public:
  explicit TracingDeviceFile(platform::DeviceFile& inner) : inner_(inner) {}

  // nullptr stops tracing.
  void SetTrace(std::ostream* trace) { trace_ = trace; }

  platform::Handle Open(const std::string& path, platform::ShareMode share) override;
  bool Control(platform::Handle handle, std::uint32_t code,
               platform::PassThroughRequest& request) override;
  std::uint32_t LastError() const override { return inner_.LastError(); }
  void Close(platform::Handle handle) override;
  std::uint32_t LargestTransfer(const std::string& path) override {
    return inner_.LargestTransfer(path);
  }

 private:
  void Write(const std::string& line);

  platform::DeviceFile& inner_;
  std::ostream* trace_ = nullptr;
  std::map<platform::Handle, std::string> paths_;  // as the caller spelled them
};

}  // namespace kelm::trace
