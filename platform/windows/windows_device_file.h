#pragma once
// The device file port on Windows: CreateFileA on the drive's device path, DeviceIoControl
// with IOCTL_SCSI_PASS_THROUGH_DIRECT on the platform's own record, GetLastError read right
// after the call, CloseHandle. The data travel in a page-aligned buffer of the port's own,
// and what the disk's adapter carries in one command is asked once per device.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <new>
#include <string>

#include "platform/device_file.h"
#include "platform/windows/win32_calls_fwd.h"

namespace kelm::windows {

class WindowsDeviceFile final : public platform::DeviceFile {
 public:
  explicit WindowsDeviceFile(const Win32Calls& calls = RealWin32Calls()) : calls_(calls) {}

  platform::Handle Open(const std::string& path, platform::ShareMode share) override;
  bool Control(platform::Handle handle, std::uint32_t code,
               platform::PassThroughRequest& request) override;
  // Read in Control right after the call, before anything else can change it.
  std::uint32_t LastError() const override { return lastError_; }
  void Close(platform::Handle handle) override;
  std::uint32_t LargestTransfer(const std::string& path) override;

  // Whether the system refused an open for want of rights (raw access needs an administrator).
  bool AccessWasDenied() const { return accessDenied_; }

 private:
  struct PageFree {
    void operator()(std::uint8_t* bytes) const;
  };
  // At least `size` bytes starting on a page; null when the memory is not there.
  std::uint8_t* Staging(std::size_t size);

  const Win32Calls& calls_;
  std::uint32_t lastError_ = 0;
  bool accessDenied_ = false;
  std::unique_ptr<std::uint8_t, PageFree> staging_;
  std::size_t stagingSize_ = 0;
  std::map<std::string, std::uint32_t> largestTransfer_;  // by device path, as asked
};

}  // namespace kelm::windows
