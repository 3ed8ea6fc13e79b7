// The scripted hardware program's hands on the enclosures: however many nodes and kernel
// events an unplug or plug makes, the window sees one removal or one arrival, as in the
// simulator; and only drives on the simulated bus are ever opened.

#include <gtest/gtest.h>

#include <deque>
#include <sstream>

#include "test_services.h"
#include "programs/fwupdate-scripted/simulated_bus_file.h"
#include "programs/fwupdate-scripted/udev_hands.h"

namespace kelm {
namespace {

using linux_platform::UdevEvent;
using namespace std::chrono_literals;

constexpr const char* kDummyBus = "platform/dummy_hcd.0";

struct QueuedEvents final : linux_platform::UdevEventSource {
  std::deque<UdevEvent> waiting;
  int Fd() const override { return -1; }
  std::optional<UdevEvent> Receive() override {
    if (waiting.empty()) return std::nullopt;
    UdevEvent event = waiting.front();
    waiting.pop_front();
    return event;
  }
};

// An enclosure with a disk and a CD-ROM LUN on the simulated bus, and a USB disk elsewhere
// that the bench must neither count nor open. The shell stands in for the gadgets' UDC.
struct HandsBench {
  test::SysfsTree tree;
  test::FakeKernel kernel;
  test::CountingClock clock;
  QueuedEvents events;
  linux_platform::UdevDeviceNotifications udev{events, tree.roots(), kernel, clock};
  std::vector<std::string> commands;
  std::ostringstream notes;
  bool gadgetsAnswer = true;
  hardware::UdevEnclosureHands hands{udev, tree.roots(), {"unbind", "bind"},
                                     [this](const std::string& command) { return Run(command); },
                                     200ms, notes};
  std::vector<std::uint32_t> window;

  HandsBench() {
    tree.Add({.sg = 7});  // a real USB disk
    PlugGadgets();
    hands.Register([this](std::uint32_t code) { window.push_back(code); });
  }
  void PlugGadgets() {
    tree.Add({.sg = 0, .usbController = kDummyBus});
    tree.Add({.sg = 1, .scsiType = 5, .usbController = kDummyBus});
  }
  int Run(const std::string& command) {
    commands.push_back(command);
    if (!gadgetsAnswer) return 1;
    if (command == "unbind") {
      tree.Remove(0);
      tree.Remove(1);
      events.waiting.insert(events.waiting.end(),
                            {{"remove", "sg0"}, {"change", "sg1"}, {"remove", "sg1"}});
    } else {
      PlugGadgets();
      events.waiting.insert(events.waiting.end(), {{"add", "sg1"}, {"add", "sg0"}});
    }
    return 0;
  }
};

TEST(ScriptedHands, EachPlugChangeReachesTheWindowOnceAndOtherEventsAsTheyCome) {
  HandsBench bench;
  bench.hands.Unplug();
  bench.hands.Plug();
  EXPECT_EQ(bench.commands, (std::vector<std::string>{"unbind", "bind"}));
  EXPECT_EQ(bench.window, (std::vector<std::uint32_t>{platform::kDeviceRemoveComplete,
                                                       platform::kDeviceArrival}));
  EXPECT_EQ(bench.notes.str(), "");

  // Between actions udev speaks to the window directly, as in the installed program.
  bench.tree.Remove(0);
  bench.events.waiting.push_back({"remove", "sg0"});
  bench.udev.Dispatch();
  bench.hands.Send(0x0007);
  EXPECT_EQ(bench.window.size(), 4u);
  EXPECT_EQ(bench.window[2], platform::kDeviceRemoveComplete);
  EXPECT_EQ(bench.window[3], 0x0007u);
}

TEST(ScriptedHands, GadgetsThatNeverMoveCostTheBoundAndAreNamed) {
  HandsBench bench;
  bench.gadgetsAnswer = false;
  const auto start = std::chrono::steady_clock::now();
  bench.hands.Unplug();
  EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);
  EXPECT_EQ(bench.window, std::vector<std::uint32_t>{platform::kDeviceRemoveComplete});
  EXPECT_NE(bench.notes.str().find("unplug command ended with status 1"), std::string::npos);
  EXPECT_NE(bench.notes.str().find("nodes 2 of 2"), std::string::npos) << bench.notes.str();
}

TEST(SimulatedBusOnly, OpensNodesOnTheSimulatedBusAndNamesEveryOtherOnce) {
  HandsBench bench;
  std::ostringstream notes;
  linux_platform::SgDeviceFile sg(bench.kernel, bench.tree.roots());
  hardware::SimulatedBusOnlyFile file(sg, bench.tree.roots(), notes);
  const platform::Handle simulated = file.Open(bench.tree.DevicePath(0), platform::ShareMode::Shared);
  EXPECT_NE(simulated, platform::kInvalidHandle);
  file.Close(simulated);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(file.Open(bench.tree.DevicePath(7), platform::ShareMode::Exclusive),
              platform::kInvalidHandle);
    EXPECT_EQ(file.LastError(), 19u);  // ENODEV
  }
  EXPECT_EQ(bench.kernel.openFlags.size(), 1u);  // the simulated node's open only
  EXPECT_EQ(notes.str(), "kelm-fwupdate-scripted: " + bench.tree.DevicePath(7) +
                             " is not on the simulated USB bus (dummy_hcd); left alone\n");
}

}  // namespace
}  // namespace kelm
