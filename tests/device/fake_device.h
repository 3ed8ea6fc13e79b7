#pragma once
// A device file and setup service that record what the core hands them and answer from
// the test's script, so the request fields themselves can be checked.

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/host.h"
#include "platform/native_file_store.h"

namespace kelm::test {

struct SeenRequest {
  platform::PassThroughRequest request;   // as handed to the control call
  std::vector<std::uint8_t> dataOut;       // the bytes the data buffer held for data-out
  std::string path;
  platform::ShareMode share;
};

class FakeDeviceFile final : public platform::DeviceFile {
 public:
  // Fills the reply of a request (data-in bytes, DataTransferLength); returns the call's flag.
  using Responder = std::function<bool(platform::PassThroughRequest&)>;

  bool openFails = false;
  std::uint32_t lastErrorAfterCall = 0;
  Responder respond = [](platform::PassThroughRequest&) { return true; };
  std::vector<SeenRequest> seen;
  std::vector<std::string> events;  // "open", "control", "lasterror", "close"

  platform::Handle Open(const std::string& path, platform::ShareMode share) override {
    events.push_back("open");
    if (openFails) return platform::kInvalidHandle;
    path_ = path;
    share_ = share;
    return 7;
  }
  bool Control(platform::Handle, std::uint32_t code, platform::PassThroughRequest& r) override {
    events.push_back("control");
    lastCode = code;
    SeenRequest s{r, {}, path_, share_};
    if (r.DataIn == 0 && r.DataBuffer != nullptr) {
      const auto* p = static_cast<const std::uint8_t*>(r.DataBuffer);
      s.dataOut.assign(p, p + r.DataTransferLength);
    }
    seen.push_back(s);
    return respond(r);
  }
  std::uint32_t LastError() const override {
    const_cast<FakeDeviceFile*>(this)->events.push_back("lasterror");
    return lastErrorAfterCall;
  }
  void Close(platform::Handle) override { events.push_back("close"); }

  std::uint32_t lastCode = 0;

 private:
  std::string path_;
  platform::ShareMode share_ = platform::ShareMode::Shared;
};

// Fills the data-in buffer with `bytes` (at most DataTransferLength of them).
inline FakeDeviceFile::Responder Reply(std::vector<std::uint8_t> bytes, bool ok = true) {
  return [bytes, ok](platform::PassThroughRequest& r) {
    const std::size_t n = std::min<std::size_t>(bytes.size(), r.DataTransferLength);
    if (r.DataIn && r.DataBuffer && n > 0) std::memcpy(r.DataBuffer, bytes.data(), n);
    return ok;
  };
}

// Unused ports for Services.
struct NullPorts final : platform::SetupService, platform::Clock, platform::DebugOutput,
                         platform::StandardOutput, platform::MessageBoxes, platform::ImageSource {
  platform::DeviceInfoSet GetClassDevs(std::string_view) override { return platform::kInvalidDeviceInfoSet; }
  bool EnumDeviceInterfaces(platform::DeviceInfoSet, std::string_view, std::uint32_t,
                            platform::DeviceInterfaceData&) override { return false; }
  bool GetDeviceInterfacePath(platform::DeviceInfoSet, const platform::DeviceInterfaceData&,
                              std::string&) override { return false; }
  void DestroyDeviceInfoList(platform::DeviceInfoSet) override {}
  void Sleep(std::uint32_t ms) override { sleeps.push_back(ms); }
  void OutputDebugString(std::string_view) override {}
  void Write(std::string_view) override {}
  void Show(std::string_view, std::string_view, platform::MessageIcon) override {}
  std::span<const std::uint8_t> TakeImage(std::string_view) const override { return {}; }
  std::vector<std::uint32_t> sleeps;
};

}  // namespace kelm::test
