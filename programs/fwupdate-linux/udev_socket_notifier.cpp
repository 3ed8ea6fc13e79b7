#include "programs/fwupdate-linux/udev_socket_notifier.h"

namespace kelm::hardware {

UdevSocketNotifier::UdevSocketNotifier(linux_platform::UdevDeviceNotifications& notifications,
                                       QObject* parent)
    : QObject(parent) {
  const int fd = notifications.Fd();
  if (fd < 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this,
          [&notifications] { notifications.Dispatch(); });
}

}  // namespace kelm::hardware
