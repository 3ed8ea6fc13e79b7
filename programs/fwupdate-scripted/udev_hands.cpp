#include "programs/fwupdate-scripted/udev_hands.h"

#include <poll.h>

#include <algorithm>
#include <thread>

#include "programs/fwupdate-scripted/simulated_bus_file.h"

namespace kelm::hardware {

namespace {
// How often the sysfs side of a wait is looked at again when udev is quiet.
constexpr std::chrono::milliseconds kRecheck{50};
}  // namespace

UdevEnclosureHands::UdevEnclosureHands(linux_platform::UdevDeviceNotifications& udev,
                                       linux_platform::SystemRoots roots, Commands commands,
                                       Shell shell, std::chrono::milliseconds bound,
                                       std::ostream& notes)
    : udev_(udev), roots_(std::move(roots)), commands_(std::move(commands)),
      shell_(std::move(shell)), bound_(bound), notes_(notes) {}

void UdevEnclosureHands::Register(Handler handler) {
  window_ = std::move(handler);
  udev_.Register([this](std::uint32_t eventCode) { FromUdev(eventCode); });
  known_ = PresentNodes();
}

void UdevEnclosureHands::FromUdev(std::uint32_t eventCode) {
  if (!holding_) {
    Send(eventCode);
  } else if (eventCode == platform::kDeviceArrival) {
    ++arrivals_;
  } else if (eventCode == platform::kDeviceRemoveComplete) {
    ++removals_;
  }
}

void UdevEnclosureHands::Unplug() {
  const std::size_t present = PresentNodes();
  known_ = std::max(known_, present);
  RunAndWait("unplug", commands_.unplug,
             [&] { return removals_ >= present && PresentNodes() == 0; });
  Send(platform::kDeviceRemoveComplete);
}

void UdevEnclosureHands::Plug() {
  const std::size_t present = PresentNodes();
  const std::size_t missing = known_ > present ? known_ - present : 0;
  RunAndWait("plug", commands_.plug,
             [&] { return arrivals_ >= missing && PresentNodes() >= known_; });
  known_ = std::max(known_, PresentNodes());
  Send(platform::kDeviceArrival);
}

void UdevEnclosureHands::Send(std::uint32_t eventCode) {
  if (window_) window_(eventCode);
}

void UdevEnclosureHands::RunAndWait(std::string_view action,
                                    const std::optional<std::string>& command,
                                    const std::function<bool()>& done) {
  if (!command) return;
  udev_.Dispatch();  // what came before the action is no part of it
  holding_ = true;
  arrivals_ = removals_ = 0;
  const int status = shell_(*command);
  if (status != 0) {
    notes_ << "kelm-fwupdate-scripted: " << action << " command ended with status " << status
           << std::endl;
  }
  if (!WaitUntil(done)) {
    notes_ << "kelm-fwupdate-scripted: " << action << ": the enclosures' udev events were not "
           << "all in after " << bound_.count() << " ms (arrivals " << arrivals_ << ", removals "
           << removals_ << ", nodes " << PresentNodes() << " of " << known_ << ")" << std::endl;
  }
  holding_ = false;
}

bool UdevEnclosureHands::WaitUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + bound_;
  while (true) {
    udev_.Dispatch();
    if (done()) return true;
    // Rounded up: a wait cut to whole milliseconds downwards would end before the bound.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    const auto slice = std::min(left, kRecheck);
    pollfd watched{udev_.Fd(), POLLIN, 0};
    // Without a readable monitor there is nothing to wait on but the time.
    if (watched.fd < 0 || poll(&watched, 1, static_cast<int>(slice.count())) < 0 ||
        (watched.revents & POLLNVAL) != 0) {
      std::this_thread::sleep_for(slice);
    }
  }
}

std::size_t UdevEnclosureHands::PresentNodes() const {
  const auto nodes = linux_platform::ScanScsiGenericNodes(roots_);
  return static_cast<std::size_t>(std::count_if(nodes.begin(), nodes.end(), [&](const auto& node) {
    return node.usbStorage && linux_platform::OnSimulatedBus(roots_, node.devicePath);
  }));
}

}  // namespace kelm::hardware
