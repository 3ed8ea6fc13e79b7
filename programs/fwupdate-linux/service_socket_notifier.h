#pragma once
// Hands what the system bus brings from the firmware update service to the window's thread,
// whenever the connection's descriptor becomes readable.

#include <QObject>
#include <QSocketNotifier>

#include <memory>

#include "platform/linux/service_enclosures.h"

namespace kelm::hardware {

class ServiceSocketNotifier final : public QObject {
  Q_OBJECT

 public:
  // Without a connection to the system bus nothing is watched.
  explicit ServiceSocketNotifier(linux_platform::ServiceEnclosures& enclosures, QObject* parent = nullptr);

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace kelm::hardware
