// kelmtool update --wait on the simulated bench, its re-plug watched through the Windows
// device notifications over the replaced Win32 table, as Windows delivers a re-plug: the disk
// and the USB device leave, the USB device comes back, and only a second later the disk.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/sim/sim_platform.h"
#include "platform/windows/interface_classes.h"
#include "platform/windows/windows_notifications.h"
#include "programs/kelmtool/command_line.h"
#include "programs/kelmtool/tool.h"
#include "programs/kelmtool/windows_replug_watch.h"
#include "tests/windows/fake_windows.h"

#include <dbt.h>

namespace kelm::test {
namespace {

namespace fs = std::filesystem;

// A JMB352 bridge of revision 2 with older firmware in its serial flash.
constexpr char kScenario[] = R"({"devices": [{"class": "disk", "answers": {
    "Inquiry": "00 80 02 02 1f 00 00 00 4b 45 4c 4d 20 20 20 20 42 72 69 64 67 65 20 33 35 32 20 20 20 20 20 20 00 00 00 00 00 00 00 00",
    "ProbeBridge": "00 00",
    "ReadChipInfo": "f4 e7 15 2d 03 52 01 02 33 35 32 31 01 02 03 00",
    "ReadChipModel": "6a 33 35 32 00 31 00 00",
    "IdentifyFlashStep2": "ef 40 13 00",
    "ReadFlashIdentity": "06 00 00 00"},
  "serial_flash": {"size": 65536, "content": {"file": "old.bin"}}}]})";

// The system, one step each time the program waits for messages.
sim::SimPlatform* bench = nullptr;
std::vector<DWORD> waits;

DWORD WINAPI OneStepOfTheSystem(DWORD, const HANDLE*, BOOL, DWORD milliseconds, DWORD) {
  const GUID usb = *windows::InterfaceClassGuid(platform::kUsbDeviceInterfaceClass);
  const GUID disk = *windows::InterfaceClassGuid(platform::kDiskInterfaceClass);
  waits.push_back(milliseconds);
  switch (waits.size()) {
    case 1:  // the user pulls the power
      bench->Unplug();
      Announce(disk, DBT_DEVICEREMOVECOMPLETE);
      Announce(usb, DBT_DEVICEREMOVECOMPLETE);
      break;
    case 2:  // and plugs it again: the hub starts the USB device
      Announce(usb, DBT_DEVICEARRIVAL);
      break;
    case 3:  // a second later the disk driver has started the disk
      bench->Plug();
      Announce(disk, DBT_DEVICEARRIVAL);
      break;
    default: break;
  }
  return WAIT_TIMEOUT;
}

// The notifications and the watch on them, as kelmtool.exe makes them.
class DriveNotificationsWatch final : public kelmtool::EnclosureWatch {
 public:
  DriveNotificationsWatch(const windows::Win32Calls& calls, std::FILE* out)
      : notifications_(calls, {std::begin(windows::kDriveClasses), std::end(windows::kDriveClasses)}),
        watch_(notifications_, out) {}
  bool AwaitReplug(const std::function<bool()>& foundAgain) override { return watch_.AwaitReplug(foundAgain); }

 private:
  windows::WindowsDeviceNotifications notifications_;
  kelmtool::DeviceChangeReplugWatch watch_;
};

std::string ReadAll(std::FILE* file) {
  std::rewind(file);
  std::string text;
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  return text;
}

TEST(KelmtoolWindowsReplug, UpdateWaitEndsWithTheEnclosureFoundOnceItsDiskArrives) {
  ResetFake();
  waits.clear();
  const fs::path dir = fs::path(::testing::TempDir()) / "kelmtool-windows-replug";
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "old.bin", std::ios::binary) << std::string(65536, '\x5a');
  std::ofstream(dir / "old.json") << kScenario;
  windows::Win32Calls calls = FakeCalls();
  calls.MsgWaitForMultipleObjects = OneStepOfTheSystem;
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);

  const int status = kelmtool::RunOnSimulatedBench(
      kelmtool::ParseCommandLine({"--scenario", (dir / "old.json").string(), "update", "0", "--backup",
                                  (dir / "b.bin").string(), "--wait"}),
      out, [&](sim::SimPlatform& sim) {
        bench = &sim;
        return std::make_unique<DriveNotificationsWatch>(calls, out);
      });
  const std::string said = ReadAll(out);
  std::fclose(out);
  bench = nullptr;

  EXPECT_EQ(status, 0) << said;
  EXPECT_NE(said.find("Found again: JMB352"), std::string::npos) << said;
  EXPECT_NE(said.find("The flash holds the image."), std::string::npos) << said;
  EXPECT_EQ(waits.size(), 3u) << "found at the disk's arrival";
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kelm::test
