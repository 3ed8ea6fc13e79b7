#pragma once
// The scripted program is handed synthetic test images, so it opens only the sg nodes of
// drives on the simulated USB bus (dummy_hcd): a real enclosure on the same machine is never
// opened, and so never flashed with them.

#include <ostream>
#include <set>
#include <string>

#include "platform/device_file.h"
#include "platform/linux/simulated_bus.h"
#include "platform/linux/sysfs_scan.h"

namespace kelm::hardware {

class SimulatedBusOnlyFile final : public platform::DeviceFile {
 public:
  // Each refused node is named once on `notes`.
  SimulatedBusOnlyFile(platform::DeviceFile& inner, linux_platform::SystemRoots roots,
                       std::ostream& notes)
      : inner_(inner), roots_(std::move(roots)), notes_(notes) {}

  platform::Handle Open(const std::string& path, platform::ShareMode share) override;
  bool Control(platform::Handle handle, std::uint32_t code,
               platform::PassThroughRequest& request) override {
    return inner_.Control(handle, code, request);
  }
  std::uint32_t LastError() const override { return refused_ ? kRefusedError : inner_.LastError(); }
  void Close(platform::Handle handle) override { inner_.Close(handle); }

 private:
  static constexpr std::uint32_t kRefusedError = 19;  // ENODEV: no such device for us

  platform::DeviceFile& inner_;
  linux_platform::SystemRoots roots_;
  std::ostream& notes_;
  std::set<std::string> named_;
  std::set<std::string> simulated_;  // paths found on the simulated bus
  bool refused_ = false;
};

}  // namespace kelm::hardware
