#include "programs/fwupdate-linux/service_socket_notifier.h"

namespace kelm::hardware {

ServiceSocketNotifier::ServiceSocketNotifier(linux_platform::ServiceEnclosures& enclosures, QObject* parent)
    : QObject(parent) {
  const int fd = enclosures.Fd();
  if (fd < 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [&enclosures] { enclosures.Dispatch(); });
}

}  // namespace kelm::hardware
