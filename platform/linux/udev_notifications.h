#pragma once
// Device notifications from udev: a USB-storage drive's sg node appearing is an arrival, one
// going away a removal; other changes of such a node get a code the window ignores, and
// nodes of other drives are not reported at all.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "platform/linux/sys_calls.h"
#include "platform/linux/sysfs_scan.h"
#include "platform/linux/udev_events.h"
#include "platform/system.h"

namespace kelm::linux_platform {

// Any other change of a device node.
inline constexpr std::uint32_t kDeviceNodesChanged = 0x0007;

// The event code for an action on a node; nothing for nodes of drives that are not USB storage.
std::optional<std::uint32_t> EventCodeFor(std::string_view action, bool usbStorage);

class UdevDeviceNotifications final : public platform::DeviceNotifications {
 public:
  UdevDeviceNotifications(UdevEventSource& source, SystemRoots roots, SysCalls& sys,
                          platform::Clock& clock)
      : source_(source), roots_(std::move(roots)), sys_(sys), clock_(clock) {}

  // Keeps the handler and notes the USB-storage nodes present now, so their removal is known.
  void Register(Handler handler) override;
  // Handles every waiting event; the program calls it when the source's descriptor is readable.
  void Dispatch();

  int Fd() const { return source_.Fd(); }

 private:
  void Handle(const UdevEvent& event);
  void WaitUntilOpenable(const std::string& devNode);

  UdevEventSource& source_;
  SystemRoots roots_;
  SysCalls& sys_;
  platform::Clock& clock_;
  Handler handler_;
  // Removed nodes are gone from sysfs, so what they were is remembered from their arrival.
  std::set<std::string> usbStorageNodes_;
};

}  // namespace kelm::linux_platform
