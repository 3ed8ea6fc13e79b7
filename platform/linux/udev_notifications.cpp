#include "platform/linux/udev_notifications.h"

#include <fcntl.h>

#include <array>
#include <cerrno>

namespace kelm::linux_platform {

namespace {

struct ActionCode {
  std::string_view action;
  std::uint32_t code;
};

constexpr std::array<ActionCode, 2> kActionCodes = {{
    {"add", platform::kDeviceArrival},
    {"remove", platform::kDeviceRemoveComplete},
}};

// udev sends "add" after its rules ran, so the node is normally there at once; the wait
// covers a node that is still being made.
constexpr int kOpenAttempts = 20;
constexpr std::uint32_t kOpenRetryMs = 50;

}  // namespace

std::optional<std::uint32_t> EventCodeFor(std::string_view action, bool usbStorage) {
  if (!usbStorage) return std::nullopt;
  for (const ActionCode& entry : kActionCodes) {
    if (entry.action == action) return entry.code;
  }
  return kDeviceNodesChanged;
}

void UdevDeviceNotifications::Register(Handler handler) {
  handler_ = std::move(handler);
  for (const ScsiGenericNode& node : ScanScsiGenericNodes(roots_)) {
    if (node.usbStorage) usbStorageNodes_.insert(node.name);
  }
}

void UdevDeviceNotifications::Dispatch() {
  while (const std::optional<UdevEvent> event = source_.Receive()) Handle(*event);
}

void UdevDeviceNotifications::Handle(const UdevEvent& event) {
  bool usbStorage = usbStorageNodes_.contains(event.sysname);
  if (event.action == "add") {
    const std::optional<ScsiGenericNode> node = ReadScsiGenericNode(roots_, event.sysname);
    usbStorage = node && node->usbStorage;
    if (usbStorage) usbStorageNodes_.insert(event.sysname);
  } else if (event.action == "remove") {
    usbStorageNodes_.erase(event.sysname);
  }

  const std::optional<std::uint32_t> code = EventCodeFor(event.action, usbStorage);
  if (!code) return;
  if (*code == platform::kDeviceArrival) WaitUntilOpenable(roots_.dev + "/" + event.sysname);
  if (handler_) handler_(*code);
}

void UdevDeviceNotifications::WaitUntilOpenable(const std::string& devNode) {
  for (int attempt = 1;; ++attempt) {
    const int fd = sys_.Open(devNode, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
      sys_.Close(fd);
      return;
    }
    // Any answer but "no such node" means the node is there; the refresh reports the rest.
    if (fd != -ENOENT || attempt == kOpenAttempts) return;
    clock_.Sleep(kOpenRetryMs);
  }
}

}  // namespace kelm::linux_platform
