// The drive list: which enclosures are offered, the screen a refresh leaves, the command
// sessions of the drives, and which device changes refresh.

#include <utility>

#include "device/commands.h"
#include "tests/qt_face/window_bench.h"

namespace kelm::test {
namespace {

std::string Hex(const device::Cdb& cdb) {
  static const char* digits = "0123456789abcdef";
  std::string hex;
  for (std::uint8_t byte : cdb) {
    hex += digits[byte >> 4];
    hex += digits[byte & 0xF];
  }
  return hex;
}

std::vector<std::uint8_t> Current(const WindowBench& bench) {
  const auto image = bench.Image("FW352B");
  return {image.begin(), image.end()};
}

TEST(Refresh, OfTwoEnclosuresOnlyTheOneWithoutTheImageIsListed) {
  WindowBench bench(Devices({Jmb352(Pattern(65536)), Jmb352(Pattern(65536))}));
  bench.rig.sim.SetSerialFlash(0, Current(bench));
  bench.Open();

  EXPECT_EQ(bench.Screen(), kQuestionScreen);
  QComboBox* list = bench.List("DeviceList");
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->currentIndex(), 0);
  EXPECT_EQ(bench.Edit("ChipLabelEdit")->text().toStdString(), "JMB352 Series");

  // YES updates the listed one, the second enclosure.
  bench.Button("EraseButton")->click();
  EXPECT_EQ(bench.Screen(), kReplugScreen);
  const std::vector<std::uint8_t> flash = bench.Flash(1);
  const auto image = bench.Image("FW352B");
  EXPECT_TRUE(std::equal(image.begin() + 4096, image.end(), flash.begin() + 4096));
}

TEST(Refresh, WithEveryEnclosureCurrentTheOperatorSeesAlreadyUpdated) {
  WindowBench bench(Devices({Jmb352(Pattern(65536))}));
  bench.rig.sim.SetSerialFlash(0, Current(bench));
  bench.Open();
  EXPECT_EQ(bench.Screen(), kAlreadyUpdatedScreen);
  EXPECT_EQ(bench.List("DeviceList")->count(), 0);
  EXPECT_EQ(bench.List("DeviceList")->currentIndex(), -1);
}

TEST(Refresh, WithNoEnclosureTheListSaysSoAndOnlyExitIsLeft) {
  WindowBench bench(Devices({}));
  bench.Open();
  EXPECT_EQ(bench.Screen(), kNoDeviceScreen);
  QComboBox* list = bench.List("DeviceList");
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->currentText().toStdString(), "No available device!!!");
  EXPECT_FALSE(list->isEnabled());
  EXPECT_FALSE(bench.Button("UpdateBtn")->isEnabled());
  EXPECT_FALSE(bench.Button("EraseButton")->isEnabled());
}

TEST(Refresh, OtherBridgesAreSkippedSilently) {
  sim::DeviceSpec jm20329 = Jmb352(Pattern(65536));
  const std::string tag = "j329";
  std::copy(tag.begin(), tag.end(), jm20329.answers["Inquiry"].begin() + 36);
  WindowBench bench(Devices({jm20329, Jmb352Device(3, Pattern(65536))}));
  bench.Open();
  EXPECT_EQ(bench.Screen(), kNoDeviceScreen);
  EXPECT_EQ(bench.List("DeviceList")->count(), 0);
  EXPECT_TRUE(bench.rig.recorder.boxes.empty());
}

struct NameCase {
  std::string vendorAndProduct;  // inquiry bytes 8 on
  bool inquiryFails;
  std::string listed;  // UTF-8
};

class DriveName : public ::testing::TestWithParam<NameCase> {};

TEST_P(DriveName, IsTheInquiryIdentificationCutAtItsFirstZero) {
  sim::DeviceSpec device = Jmb352(Pattern(65536));
  std::vector<std::uint8_t>& inquiry = device.answers["Inquiry"];
  std::fill(inquiry.begin() + 8, inquiry.begin() + 32, 0);
  std::copy(GetParam().vendorAndProduct.begin(), GetParam().vendorAndProduct.end(),
            inquiry.begin() + 8);
  // The refresh's first inquiry identifies the bridge, the second reads the name.
  if (GetParam().inquiryFails) device.fail.push_back({"Inquiry", 2, 0});
  WindowBench bench(Devices({device}));
  bench.Open();
  ASSERT_EQ(bench.List("DeviceList")->count(), 1);
  EXPECT_EQ(bench.List("DeviceList")->itemText(0).toUtf8().toStdString(), GetParam().listed);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, DriveName,
    ::testing::Values(
        NameCase{"KELM    USB BRIDGE      ", false, "<<USB>> KELM    USB BRIDGE      "},
        NameCase{"ABCDEFGHIJKLMNOPQRSTUVWXYZ", false, "<<USB>> ABCDEFGHIJKLMNOPQRSTUVWX"},
        NameCase{std::string("Kelm\0 hidden", 12), false, "<<USB>> Kelm"},
        NameCase{"Caf\xE9 Disk", false, "<<USB>> Caf\xC3\xA9 Disk"},
        NameCase{"KELM", true, "<<USB>> "}));

TEST(Refresh, EnterCommandGoesToTheListedDriveItselfAtItsLowerCasePath) {
  // The first disk is skipped, so the listed drive's scan index and list index differ.
  sim::DeviceSpec listed = Jmb352(Pattern(65536));
  listed.path = "\\\\?\\usbstor#Disk&Ven_KELM#0001&0#{53F56307-B6BF-11D0-94F2-00A0C91EFB8B}";
  WindowBench bench(Devices({Jmb352Device(3, Pattern(65536)), listed}));
  std::ostringstream trace;
  bench.rig.sim.SetTrace(&trace);
  bench.Open();
  EXPECT_EQ(TracedRequests(trace, Hex(device::BuildCdb(device::Command::EnterCommand))),
            std::vector<std::string>{
                "\\\\?\\usbstor#disk&ven_kelm#0001&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}"});
  bench.rig.sim.SetTrace(nullptr);
}

TEST(Refresh, CdromDrivesLeaveCommandModeAtTheirOwnPathAtExit) {
  WindowBench bench(Devices({Jmb352(Pattern(65536)), CdromWithoutBridge()}));
  std::ostringstream trace;
  bench.rig.sim.SetTrace(&trace);
  bench.Open();
  bench.notifications.Fire(platform::kDeviceArrival);  // the second refresh replaces the marks
  const std::string disk = bench.rig.sim.DevicePath(0);
  const std::string cdrom = bench.rig.sim.DevicePath(1);

  const std::string enter = Hex(device::BuildCdb(device::Command::EnterCommand));
  EXPECT_EQ(TracedRequests(trace, enter),
            (std::vector<std::string>{disk, cdrom, disk, cdrom}));
  trace.str("");
  bench.window.reset();

  const std::string leave = Hex(device::BuildCdb(device::Command::LeaveCommand));
  EXPECT_EQ(TracedRequests(trace, leave), std::vector<std::string>{cdrom});
  bench.rig.sim.SetTrace(nullptr);
}

// A message box whose modal loop delivers a device change, as a real one would if an
// enclosure came or went while it was up.
struct BoxLettingAnEventThrough final : platform::MessageBoxes {
  void Show(std::string_view, std::string_view, platform::MessageIcon) override {
    if (std::exchange(armed, false)) notifications->Fire(platform::kDeviceArrival);
  }
  FakeNotifications* notifications = nullptr;
  bool armed = false;
};

TEST(Refresh, ADeviceChangeWhileARefreshShowsABoxRefreshesAfterIt) {
  // The first enclosure's identification shows a box; the second is listed.
  sim::DeviceSpec failing = Jmb352(Pattern(65536));
  std::copy_n("j353", 4, failing.answers["Inquiry"].begin() + 36);
  failing.fail.push_back({"ReadChipInfo", std::nullopt, 0});
  WindowBench bench(Devices({failing, Jmb352(Pattern(65536))}));
  BoxLettingAnEventThrough boxes;
  boxes.notifications = &bench.notifications;
  const platform::Services& r = bench.rig.io;
  platform::Services io{r.file, r.setup, r.clock, r.debug, r.out, boxes, r.images, r.files};
  bench.window = std::make_unique<ui::TZintFwTool>(
      ui::WindowEnvironment{io, bench.notifications, bench.dialog, bench.claim, "/opt/kelm"});
  std::ostringstream trace;
  bench.rig.sim.SetTrace(&trace);

  boxes.armed = true;
  bench.notifications.Fire(platform::kDeviceArrival);

  EXPECT_FALSE(boxes.armed);
  QComboBox* list = bench.List("DeviceList");
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(bench.Screen(), kQuestionScreen);
  // Two whole refreshes, one after the other: the listed drive entered command mode twice.
  EXPECT_EQ(TracedRequests(trace, Hex(device::BuildCdb(device::Command::EnterCommand))),
            std::vector<std::string>(2, bench.rig.sim.DevicePath(1)));
  bench.rig.sim.SetTrace(nullptr);
  bench.window.reset();  // before the services it uses
}

class EventCode : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(EventCode, OtherThanArrivalOrRemovalChangesNothing) {
  WindowBench bench(Devices({Jmb352(Pattern(65536))}));
  bench.Open();
  bench.rig.sim.Unplug();
  std::ostringstream trace;
  bench.rig.sim.SetTrace(&trace);

  bench.notifications.Fire(GetParam());

  EXPECT_EQ(bench.Screen(), kQuestionScreen);
  EXPECT_EQ(bench.List("DeviceList")->count(), 1);
  EXPECT_EQ(trace.str(), "");
  bench.rig.sim.SetTrace(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Codes, EventCode,
                         ::testing::Values(0x0000u, 0x0007u, 0x8001u, 0x8003u, 0x8006u));

TEST(Refresh, ArrivalAndRemovalEachRefresh) {
  for (std::uint32_t code : {platform::kDeviceArrival, platform::kDeviceRemoveComplete}) {
    WindowBench bench(Devices({Jmb352(Pattern(65536))}));
    bench.Open();
    bench.rig.sim.Unplug();
    bench.notifications.Fire(code);
    EXPECT_EQ(bench.Screen(), kNoDeviceScreen) << std::hex << code;
  }
}

}  // namespace
}  // namespace kelm::test
