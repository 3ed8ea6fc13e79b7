#include "platform/linux/udev_events.h"

#include <libudev.h>

namespace kelm::linux_platform {

namespace {

std::string Text(const char* value) { return value != nullptr ? value : ""; }

}  // namespace

LibudevMonitor::LibudevMonitor() {
  udev_ = udev_new();
  if (udev_ == nullptr) return;
  monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
  if (monitor_ == nullptr) return;
  if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "scsi_generic", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor_) < 0) {
    udev_monitor_unref(monitor_);
    monitor_ = nullptr;
  }
}

LibudevMonitor::~LibudevMonitor() {
  if (monitor_ != nullptr) udev_monitor_unref(monitor_);
  if (udev_ != nullptr) udev_unref(udev_);
}

int LibudevMonitor::Fd() const { return monitor_ != nullptr ? udev_monitor_get_fd(monitor_) : -1; }

std::optional<UdevEvent> LibudevMonitor::Receive() {
  if (monitor_ == nullptr) return std::nullopt;
  // The monitor's socket is non-blocking: no device means no event waits.
  udev_device* device = udev_monitor_receive_device(monitor_);
  if (device == nullptr) return std::nullopt;
  UdevEvent event{Text(udev_device_get_action(device)), Text(udev_device_get_sysname(device))};
  udev_device_unref(device);
  return event;
}

}  // namespace kelm::linux_platform
