// The Win32 face on the simulated demo enclosure: the design's controls where the design puts
// them, and what the logic relies on of any face (list changes it makes notify nobody, its
// text changes reach the edit's handler, a labelled edit's caption comes and goes with it).

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "programs/fwupdate-sim/bench_inputs.h"
#include "programs/fwupdate-sim/bench_session.h"
#include "platform/windows/interface_classes.h"
#include "platform/windows/session_hold.h"
#include "platform/windows/windows_notifications.h"
#include "tests/windows/fake_windows.h"
#include "window/win32/fw_tool_window.h"

#include <dbt.h>

namespace kelm {
namespace {

class Win32Face : public ::testing::Test {
 protected:
  Win32Face()
      : inputs_(bench::LoadInputs(bench::ParseCommandLine({"--script", "show"}), true)),
        session_(inputs_, transcript_),
        window_(session_.Environment(session_.scriptedDialog(), ""), session_.boxes()) {
    session_.sim().SetTrace(&trace_);
  }
  ~Win32Face() override { session_.sim().SetTrace(nullptr); }

  // The requests the logic sent since the last call.
  std::string TakeRequests() { return std::exchange(trace_, std::ostringstream()).str(); }

  // Where the control lies in its parent's client area.
  RECT PlaceOf(std::string_view name) {
    HWND control = window_.Control(name);
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    return place;
  }

  std::ostringstream out_;
  bench::Transcript transcript_{out_};
  bench::BenchInputs inputs_;
  bench::BenchSession session_;
  std::ostringstream trace_;
  win32::FwToolWindow window_;
};

TEST_F(Win32Face, EveryDesignedControlIsWhereTheDesignPutsIt) {
  RECT client{};
  GetClientRect(window_.Handle(), &client);
  EXPECT_EQ(client.right, 338);
  EXPECT_EQ(client.bottom, 100) << "the engineering panel is hidden";
  for (std::string_view name : {"devLable", "EraseButton", "ExitBtn", "FwUpdatBar", "RdPanel",
                                "EraseOnlyCheck", "BackupFileEdit", "SFlashTypeLable"}) {
    SCOPED_TRACE(std::string(name));
    ASSERT_NE(window_.Control(name), nullptr);
  }
  const RECT yes = PlaceOf("EraseButton");
  EXPECT_EQ((std::array{yes.left, yes.top, yes.right, yes.bottom}), (std::array<LONG, 4>{70, 60, 145, 88}));
  const RECT browse = PlaceOf("BackupBtn");  // in the panel, at the panel's coordinates
  EXPECT_EQ((std::array{browse.left, browse.top, browse.right, browse.bottom}),
            (std::array<LONG, 4>{262, 75, 330, 99}));
  EXPECT_EQ(GetParent(window_.Control("BackupBtn")), window_.Control("RdPanel"));
}

TEST_F(Win32Face, ListChangesOfTheLogicCallNoHandlerButItsTextChangesDo) {
  window::Controls& controls = window_.controls();
  TakeRequests();
  controls.ClearItems("DeviceList");
  controls.AddItem("DeviceList", "again");
  controls.SetItemIndex("DeviceList", 0);
  controls.SetItemIndex("FwSizeCheck", 3);
  EXPECT_EQ(TakeRequests(), "") << "a list change of the logic's ran a handler";

  // The Run check identifies the drive again, then finds no such file.
  controls.SetText("FwFilenameEdit", "absent.bin");
  EXPECT_NE(TakeRequests(), "");
  EXPECT_NE(out_.str().find("The firmware file seems not match this chip!"), std::string::npos);
}

TEST_F(Win32Face, ALabelledEditsCaptionComesAndGoesWithIt) {
  // The caption is the control the design names as the edit's buddy.
  HWND edit = window_.Control("SFlashTypeLable");
  HWND caption = window_.Control("SFlashTypeLableLabel");
  ASSERT_NE(caption, nullptr);
  window_.controls().SetVisible("SFlashTypeLable", false);
  EXPECT_FALSE(IsWindowVisible(edit) || (GetWindowLongPtrW(caption, GWL_STYLE) & WS_VISIBLE));
  window_.controls().SetVisible("SFlashTypeLable", true);
  EXPECT_TRUE((GetWindowLongPtrW(edit, GWL_STYLE) & WS_VISIBLE) &&
              (GetWindowLongPtrW(caption, GWL_STYLE) & WS_VISIBLE));
}

// While YES flashes the demo enclosure the window refuses the end of the session and has its
// reason registered (the system's calls for it through the replaced table, as Wine has no
// shutdown to block); before and after, the session may end.
TEST(Win32FaceSession, AnUpdateRefusesTheSessionsEndWhileTheFlashChanges) {
  test::ResetFake();
  std::ostringstream out;
  bench::Transcript transcript(out);
  bench::BenchInputs inputs = bench::LoadInputs(bench::ParseCommandLine({"--script", "show"}), true);
  bench::BenchSession session(inputs, transcript);
  windows::SessionHold sessionHold(test::FakeCalls());
  const ui::WindowEnvironment bench = session.Environment(session.scriptedDialog(), "");
  win32::FwToolWindow window({bench.services, bench.notifications, bench.fileDialog, bench.diskClaim,
                              bench.programDir, bench.statusChanged, sessionHold},
                             session.boxes());
  sessionHold.SetWindow(window.Handle());
  std::vector<LRESULT> answers;
  const auto ask = [&] { answers.push_back(SendMessageW(window.Handle(), WM_QUERYENDSESSION, 0, 0)); };
  test::Fake().onBlockReason = ask;

  ask();
  window.logic().EraseButtonClick();
  ask();

  EXPECT_TRUE(GetWindowLongPtrW(window.Control("replugLable1"), GWL_STYLE) & WS_VISIBLE) << "not updated";
  EXPECT_EQ(answers, (std::vector<LRESULT>{TRUE, FALSE, TRUE}));
  EXPECT_EQ(test::Fake().blockWindow, window.Handle());
  EXPECT_EQ(test::Fake().blockReason, windows::kShutdownBlockReason);
  EXPECT_EQ(test::Fake().calls.back(), "SetThreadExecutionState");
}

// Windows starts the USB device first and its disk a second or more later, once the disk
// driver has the drive; each is announced to the windows that asked for its class. After an
// update and a re-plug the window ends on the bridge it finds updated, not on the empty list
// the USB device's arrival alone shows.
TEST(Win32FaceReplug, TheDisksArrivalAfterTheUsbDevicesEndsOnTheChipAlreadyUpdated) {
  test::ResetFake();
  std::ostringstream out;
  bench::Transcript transcript(out);
  bench::BenchInputs inputs = bench::LoadInputs(bench::ParseCommandLine({"--script", "show"}), true);
  bench::BenchSession session(inputs, transcript);
  windows::WindowsDeviceNotifications notifications(test::FakeCalls());
  const ui::WindowEnvironment bench = session.Environment(session.scriptedDialog(), "");
  win32::FwToolWindow window({bench.services, notifications, bench.fileDialog, bench.diskClaim,
                              bench.programDir, bench.statusChanged},
                             session.boxes());
  const GUID usb = *windows::InterfaceClassGuid(platform::kUsbDeviceInterfaceClass);
  const GUID disk = *windows::InterfaceClassGuid(platform::kDiskInterfaceClass);
  const GUID cdrom = *windows::InterfaceClassGuid(platform::kCdromInterfaceClass);
  ASSERT_EQ(test::Fake().registrations.size(), 3u);
  for (const GUID& wanted : {usb, disk, cdrom}) {
    EXPECT_TRUE(std::any_of(test::Fake().registrations.begin(), test::Fake().registrations.end(),
                            [&](const auto& taken) { return IsEqualGUID(taken.interfaceClass, wanted); }));
  }
  window.logic().EraseButtonClick();
  ASSERT_TRUE(window.controls().Visible("replugLable1")) << "not updated";
  const auto status = [&] { return window.controls().Text("devLable"); };

  session.sim().Unplug();
  test::Announce(disk, DBT_DEVICEREMOVECOMPLETE);
  test::Announce(usb, DBT_DEVICEREMOVECOMPLETE);
  // The USB device is back; its disk is not started yet, so discovery finds no drive.
  test::Announce(usb, DBT_DEVICEARRIVAL);
  EXPECT_NE(status().find("No device found!!"), std::string::npos) << status();
  // A second later the disk driver has it.
  session.sim().Plug();
  test::Announce(disk, DBT_DEVICEARRIVAL);
  EXPECT_NE(status().find("The chip already updated!!"), std::string::npos) << status();
  EXPECT_TRUE(window.controls().Visible("ExtBtn"));
}

}  // namespace
}  // namespace kelm
