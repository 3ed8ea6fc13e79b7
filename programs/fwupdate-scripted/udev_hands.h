#pragma once
// The script's hands on real enclosures: unplug and plug run the bench's commands (which
// unbind and bind the USB gadgets), then wait, bounded, until udev has told the program of
// every node that went or came. The window then gets one removal or one arrival, as a
// simulated unplug or plug gives it, however many nodes and kernel events the action made.
// Only nodes on the simulated bus count. Events between actions reach the window as they do
// in the installed program.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "platform/linux/sysfs_scan.h"
#include "platform/linux/udev_notifications.h"
#include "platform/system.h"
#include "programs/fwupdate-sim/bench_ports.h"

namespace kelm::hardware {

class UdevEnclosureHands final : public platform::DeviceNotifications,
                                 public bench::EnclosureHands {
 public:
  struct Commands {
    std::optional<std::string> unplug;  // none: the action only sends its event
    std::optional<std::string> plug;
  };
  using Shell = std::function<int(const std::string& command)>;

  // Problems (a command failing, events that never came) are told on `notes`.
  UdevEnclosureHands(linux_platform::UdevDeviceNotifications& udev,
                     linux_platform::SystemRoots roots, Commands commands, Shell shell,
                     std::chrono::milliseconds bound, std::ostream& notes);

  // The window's handler; the udev events come here first.
  void Register(Handler handler) override;

  void Unplug() override;
  void Plug() override;
  void Send(std::uint32_t eventCode) override;

 private:
  void FromUdev(std::uint32_t eventCode);
  // Runs the command with the events it causes held back, until `done` or the bound.
  void RunAndWait(std::string_view action, const std::optional<std::string>& command,
                  const std::function<bool()>& done);
  bool WaitUntil(const std::function<bool()>& done);
  std::size_t PresentNodes() const;

  linux_platform::UdevDeviceNotifications& udev_;
  linux_platform::SystemRoots roots_;
  Commands commands_;
  Shell shell_;
  std::chrono::milliseconds bound_;
  std::ostream& notes_;
  Handler window_;
  bool holding_ = false;
  std::size_t arrivals_ = 0;
  std::size_t removals_ = 0;
  // The most nodes on the simulated bus seen with everything plugged in.
  std::size_t known_ = 0;
};

}  // namespace kelm::hardware
