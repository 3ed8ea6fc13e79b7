#include "platform/linux/logind_inhibitor.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace kelm::linux_platform {

namespace {

struct BusUnref {
  void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageUnref {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};

// The lock's descriptor (a copy of its own: the reply's goes with the reply), or -1 with
// `why` set.
int TakeLock(const std::string& who, std::string& why) {
  sd_bus* rawBus = nullptr;
  if (const int error = sd_bus_open_system(&rawBus); error < 0) {
    why = std::string("no system bus (") + std::strerror(-error) + ")";
    return -1;
  }
  const std::unique_ptr<sd_bus, BusUnref> bus(rawBus);
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* rawReply = nullptr;
  const int called = sd_bus_call_method(
      bus.get(), "org.freedesktop.login1", "/org/freedesktop/login1",
      "org.freedesktop.login1.Manager", "Inhibit", &error, &rawReply, "ssss", "shutdown:sleep",
      who.c_str(), std::string(kInhibitReason).c_str(), "block");
  const std::unique_ptr<sd_bus_message, MessageUnref> reply(rawReply);
  if (called < 0) {
    why = std::string("logind refused or is absent (") +
          (error.message != nullptr ? error.message : std::strerror(-called)) + ")";
    sd_bus_error_free(&error);
    return -1;
  }
  int fd = -1;
  if (sd_bus_message_read(reply.get(), "h", &fd) < 0 || fd < 0) {
    why = "logind answered without a lock";
    return -1;
  }
  const int lock = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  if (lock < 0) why = std::string("the lock could not be kept (") + std::strerror(errno) + ")";
  return lock;
}

}  // namespace

LogindInhibitor::LogindInhibitor(std::string who, std::function<void(const std::string&)> tell)
    : who_(std::move(who)), tell_(std::move(tell)) {}

LogindInhibitor::~LogindInhibitor() { Release(); }

void LogindInhibitor::Hold() {
  if (lock_ >= 0) return;
  std::string why;
  lock_ = TakeLock(who_, why);
  if (lock_ >= 0 || told_) return;
  told_ = true;
  if (tell_) tell_("shutdown and sleep are not held off while the flash is written: " + why);
}

void LogindInhibitor::Release() {
  if (lock_ < 0) return;
  close(lock_);
  lock_ = -1;
}

}  // namespace kelm::linux_platform
