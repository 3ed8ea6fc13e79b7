// udev's scsi_generic events as the window's device-change codes.

#include <gtest/gtest.h>

#include <deque>

#include "platform/linux/udev_notifications.h"
#include "test_services.h"

namespace kelm {
namespace {

using linux_platform::EventCodeFor;
using linux_platform::UdevEvent;

struct FakeEvents final : linux_platform::UdevEventSource {
  std::deque<UdevEvent> waiting;
  int Fd() const override { return 42; }
  std::optional<UdevEvent> Receive() override {
    if (waiting.empty()) return std::nullopt;
    UdevEvent event = waiting.front();
    waiting.pop_front();
    return event;
  }
};

TEST(UdevActions, MapToEventCodes) {
  struct Case {
    const char* action;
    bool usbStorage;
    std::optional<std::uint32_t> code;
  };
  const Case cases[] = {
      {"add", true, platform::kDeviceArrival},
      {"remove", true, platform::kDeviceRemoveComplete},
      {"change", true, linux_platform::kDeviceNodesChanged},
      {"bind", true, linux_platform::kDeviceNodesChanged},
      {"move", true, linux_platform::kDeviceNodesChanged},
      {"add", false, std::nullopt},
      {"remove", false, std::nullopt},
      {"change", false, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EventCodeFor(c.action, c.usbStorage), c.code) << c.action << " " << c.usbStorage;
  }
}

struct NotifierBench {
  test::SysfsTree tree;
  test::FakeKernel kernel;
  test::CountingClock clock;
  FakeEvents events;
  linux_platform::UdevDeviceNotifications notifications{events, tree.roots(), kernel, clock};
  std::vector<std::uint32_t> codes;

  void Register() {
    notifications.Register([this](std::uint32_t code) { codes.push_back(code); });
  }
  void Deliver(std::vector<UdevEvent> batch) {
    for (auto& event : batch) events.waiting.push_back(std::move(event));
    notifications.Dispatch();
  }
};

TEST(UdevNotifications, PlugAndUnplugOfUsbStorageOnly) {
  NotifierBench bench;
  bench.Register();

  bench.tree.Add({.sg = 2});
  bench.tree.Add({.sg = 0, .adapterDriver = "ahci"});
  bench.Deliver({{"add", "sg2"}, {"add", "sg0"}, {"change", "sg2"}, {"change", "sg0"}});
  bench.tree.Remove(2);
  bench.tree.Remove(0);
  bench.Deliver({{"remove", "sg2"}, {"remove", "sg0"}, {"change", "sg2"}});

  EXPECT_EQ(bench.codes, (std::vector<std::uint32_t>{platform::kDeviceArrival,
                                                      linux_platform::kDeviceNodesChanged,
                                                      platform::kDeviceRemoveComplete}));
  EXPECT_TRUE(bench.events.waiting.empty()) << "every waiting event is taken";
}

TEST(UdevNotifications, DrivesPresentAtRegistrationAreKnownOnRemoval) {
  NotifierBench bench;
  bench.tree.Add({.sg = 5, .adapterDriver = "uas"});
  bench.Register();
  bench.tree.Remove(5);
  bench.Deliver({{"remove", "sg5"}});
  EXPECT_EQ(bench.codes, std::vector<std::uint32_t>{platform::kDeviceRemoveComplete});
}

TEST(UdevNotifications, ArrivalWaitsUntilTheNodeOpens) {
  NotifierBench bench;
  bench.Register();
  bench.tree.Add({.sg = 3});
  bench.kernel.enoentCountdown[bench.tree.DevNode(3)] = 3;
  bench.Deliver({{"add", "sg3"}});
  EXPECT_EQ(bench.codes, std::vector<std::uint32_t>{platform::kDeviceArrival});
  EXPECT_EQ(bench.clock.sleeps.size(), 3u);
  EXPECT_EQ(bench.kernel.openCount(), 0);
}

TEST(UdevNotifications, ArrivalIsReportedEvenWhenTheNodeStaysUnusable) {
  // Denied or never made: the refresh runs all the same and says what it finds.
  NotifierBench bench;
  bench.Register();
  bench.tree.Add({.sg = 3});
  bench.tree.Add({.sg = 4});
  bench.kernel.denied.insert(bench.tree.DevNode(3));
  bench.kernel.missing.insert(bench.tree.DevNode(4));
  bench.Deliver({{"add", "sg3"}, {"add", "sg4"}});
  EXPECT_EQ(bench.codes, (std::vector<std::uint32_t>{platform::kDeviceArrival,
                                                      platform::kDeviceArrival}));
  EXPECT_EQ(bench.clock.sleeps.size(), 19u) << "a bounded wait, about a second";
}

}  // namespace
}  // namespace kelm
