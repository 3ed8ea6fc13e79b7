#pragma once
// A timing profile of a real enclosure laid over the simulated bridge: every request costs
// the USB 2.0 command latency plus its transfer at the bulk rate, an erase or a page write
// keeps the flash busy for as long as the part would. Time is virtual: a device-time counter
// that requests and the procedures' sleeps advance, so a run stays fast and repeatable.

#include <cstdint>

#include "platform/device_file.h"
#include "platform/system.h"

namespace kelm::bench {

struct DeviceProfile {
  double commandLatencyUs = 125.0;     // one command's round trip on a USB 2.0 bridge
  double bytesPerUs = 35.0;            // about 35 MB/s of bulk transfer
  double eraseUsPerUnit = 400'000.0;   // one 32 KiB unit of the serial flash
  std::uint32_t eraseUnit = 32768;
  double programUsPerPage = 800.0;     // one 256-byte page
  std::uint32_t programPage = 256;
  std::uint32_t flashSize = 65536;     // for a whole-chip erase
};

class ProfiledBridge final : public platform::DeviceFile, public platform::Clock {
 public:
  ProfiledBridge(platform::DeviceFile& inner, DeviceProfile profile = {})
      : inner_(inner), profile_(profile) {}

  platform::Handle Open(const std::string& path, platform::ShareMode share) override {
    return inner_.Open(path, share);
  }
  bool Control(platform::Handle handle, std::uint32_t code,
               platform::PassThroughRequest& request) override;
  std::uint32_t LastError() const override { return inner_.LastError(); }
  void Close(platform::Handle handle) override { inner_.Close(handle); }

  // The procedures' fixed pauses and poll intervals pass on the same counter.
  void Sleep(std::uint32_t milliseconds) override { nowUs_ += milliseconds * 1000.0; }

  double NowUs() const { return nowUs_; }
  // What the device itself needs: command latencies, transfers, erase and program times.
  double DeviceBoundUs() const { return boundUs_; }
  std::uint64_t Requests() const { return requests_; }
  void Reset() { nowUs_ = boundUs_ = busyUntilUs_ = 0; requests_ = 0; }

 private:
  void Busy(double us);

  platform::DeviceFile& inner_;
  DeviceProfile profile_;
  double nowUs_ = 0;
  double boundUs_ = 0;
  double busyUntilUs_ = 0;
  std::uint64_t requests_ = 0;
};

}  // namespace kelm::bench
