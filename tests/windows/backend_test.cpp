// The Windows backend's other services: the volume claim and the file store against the
// stand-in, discovery through the setup service, notifications and the file store on Wine.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <filesystem>
#include <fstream>

#include "device/discovery.h"
#include "platform/windows/host_services.h"
#include "platform/windows/resource_images.h"
#include "platform/windows/volume_disk_claim.h"
#include "platform/windows/windows_device_file.h"
#include "platform/windows/windows_file_store.h"
#include "platform/windows/windows_notifications.h"
#include "platform/windows/windows_setup_service.h"
#include "tests/windows/fake_windows.h"

#include <dbt.h>
#include <winioctl.h>

namespace kelm::test {
namespace {

constexpr char kDrive[] = "\\\\?\\usbstor#disk&ven_kelm#1#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";

// A volume as the system answers for it: its device number (none: the query fails), the disks
// its extents lie on (none: the query fails), its drive letter, and for how long (in what the
// program has slept) its lock keeps failing.
struct Volume {
  std::string name;
  std::optional<ULONG> number;
  std::vector<DWORD> extents;
  std::string letter;
  DWORD busyFor = 0;
};
constexpr DWORD kAlwaysBusy = 0xFFFFFFFF;
constexpr ULONG kEnclosureDisk = 3;

void Volumes(const std::vector<Volume>& volumes) {
  Fake().volumes.clear();
  for (const Volume& volume : volumes) {
    Fake().volumes.push_back(volume.name + "\\");
    if (!volume.letter.empty()) Fake().mountedAt[volume.name + "\\"] = volume.letter + "\\";
  }
  Fake().answer = [volumes](HANDLE handle, DWORD code, void*, void* out, DWORD, DWORD* returned) -> BOOL {
    const std::string path = Fake().opens.at(reinterpret_cast<std::size_t>(handle) - 0x100).path;
    const auto volume = std::find_if(volumes.begin(), volumes.end(),
                                     [&](const Volume& v) { return v.name == path; });
    if (code == IOCTL_STORAGE_GET_DEVICE_NUMBER) {
      if (path != kDrive && (volume == volumes.end() || !volume->number)) return FALSE;
      STORAGE_DEVICE_NUMBER number{FILE_DEVICE_DISK, path == kDrive ? kEnclosureDisk : *volume->number, 1};
      std::memcpy(out, &number, sizeof number);
      *returned = sizeof number;
      return TRUE;
    }
    if (code == IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS) {
      if (volume == volumes.end() || volume->extents.empty()) return FALSE;
      auto* answer = static_cast<VOLUME_DISK_EXTENTS*>(out);
      answer->NumberOfDiskExtents = static_cast<DWORD>(volume->extents.size());
      for (std::size_t i = 0; i < volume->extents.size(); ++i) {
        (&answer->Extents[0])[i] = DISK_EXTENT{volume->extents[i], {}, {}};
      }
      *returned = offsetof(VOLUME_DISK_EXTENTS, Extents) + volume->extents.size() * sizeof(DISK_EXTENT);
      return TRUE;
    }
    if (code == FSCTL_LOCK_VOLUME) return volume != volumes.end() && Fake().Slept() >= volume->busyFor;
    return TRUE;
  };
}

// Volumes a (E:) and c (F:) on the enclosure's disk, b (C:) on the system disk 0.
void ThreeVolumes(DWORD cBusyFor = 0) {
  Volumes({{"\\\\?\\Volume{a}", kEnclosureDisk, {kEnclosureDisk}, "E:"},
           {"\\\\?\\Volume{b}", 0, {0}, "C:"},
           {"\\\\?\\Volume{c}", kEnclosureDisk, {kEnclosureDisk}, "F:", cBusyFor}});
}

// "lock \\?\Volume{a}" for each lock and dismount that worked, in order.
std::vector<std::string> VolumeControls() {
  std::vector<std::string> done;
  for (std::size_t i = 0; i < Fake().controls.size(); ++i) {
    const FakeWindows::Control& control = Fake().controls[i];
    const std::string path = Fake().opens.at(reinterpret_cast<std::size_t>(control.handle) - 0x100).path;
    const bool lockedNow = i + 1 < Fake().controls.size() && Fake().controls[i + 1].code == FSCTL_DISMOUNT_VOLUME;
    if (control.code == FSCTL_LOCK_VOLUME && lockedNow) done.push_back("lock " + path);
    if (control.code == FSCTL_DISMOUNT_VOLUME) done.push_back("dismount " + path);
  }
  return done;
}

std::size_t LockTries() {
  return std::count_if(Fake().controls.begin(), Fake().controls.end(),
                       [](const FakeWindows::Control& control) { return control.code == FSCTL_LOCK_VOLUME; });
}

TEST(WindowsClaim, LocksAndDismountsEveryVolumeOfTheDiskAndHoldsThemUntilRelease) {
  ResetFake();
  ThreeVolumes();
  windows::VolumeDiskClaim claim(FakeCalls());
  ASSERT_TRUE(claim.Claim(kDrive));
  EXPECT_EQ(VolumeControls(), (std::vector<std::string>{"lock \\\\?\\Volume{a}", "dismount \\\\?\\Volume{a}",
                                                        "lock \\\\?\\Volume{c}", "dismount \\\\?\\Volume{c}"}));
  EXPECT_TRUE(Fake().sleeps.empty());
  const std::size_t closedWhileHeld = Fake().closed.size();
  EXPECT_EQ(closedWhileHeld, Fake().opens.size() - 2);  // the two locked volumes stay open
  claim.Release();
  EXPECT_EQ(Fake().closed.size(), Fake().opens.size());
}

// The shell and a virus scanner look at a new volume for a few seconds: the claim waits them out.
TEST(WindowsClaim, AVolumeInUseForThreeSecondsIsLockedOnceItIsFree) {
  ResetFake();
  ThreeVolumes(3000);
  windows::VolumeDiskClaim claim(FakeCalls());
  ASSERT_TRUE(claim.Claim(kDrive)) << claim.Refusal();
  EXPECT_EQ(VolumeControls(), (std::vector<std::string>{"lock \\\\?\\Volume{a}", "dismount \\\\?\\Volume{a}",
                                                        "lock \\\\?\\Volume{c}", "dismount \\\\?\\Volume{c}"}));
  EXPECT_GE(Fake().Slept(), 3000u);
  EXPECT_LT(Fake().Slept(), 3500u);
  for (DWORD sleep : Fake().sleeps) EXPECT_LE(sleep, 250u) << "a freed volume is found soon";
}

TEST(WindowsClaim, AVolumeThatNeverLocksRefusesAfterTenSecondsNamingItsLetterAndNothingStaysHeld) {
  ResetFake();
  ThreeVolumes(kAlwaysBusy);
  windows::VolumeDiskClaim claim(FakeCalls());
  EXPECT_FALSE(claim.Claim(kDrive));
  EXPECT_GE(Fake().Slept(), 10000u);
  EXPECT_LE(Fake().Slept(), 12000u);
  EXPECT_GE(LockTries(), 20u);
  EXPECT_EQ(Fake().closed.size(), Fake().opens.size());
  const std::string refusal = claim.Refusal();
  EXPECT_NE(refusal.find("F:"), std::string::npos) << refusal;
  EXPECT_EQ(refusal.find("E:"), std::string::npos) << "E: locked: " << refusal;
  EXPECT_NE(refusal.find("Close the windows and programs that use F:"), std::string::npos) << refusal;
  EXPECT_EQ(refusal.find("ject"), std::string::npos) << refusal;
}

// A volume is the enclosure's when its device number and its extents both say so. One they
// disagree about, or one spread over another disk too, may be the system's: it is neither locked
// nor dismounted, and neither is any other, since the update cannot run beside it.
TEST(WindowsClaim, AVolumeThatMayLieOnAnotherDiskIsNeverTouchedAndRefusesTheRun) {
  struct Case {
    const char* name;
    Volume doubtful;
  };
  const Case cases[] = {
      {"number_here_extents_elsewhere", {"\\\\?\\Volume{d}", kEnclosureDisk, {0}, "G:"}},
      {"number_elsewhere_extents_here", {"\\\\?\\Volume{d}", 0, {kEnclosureDisk}, "G:"}},
      {"spanned_without_number", {"\\\\?\\Volume{d}", std::nullopt, {0, kEnclosureDisk}, "G:"}},
      {"both_say_here_and_elsewhere_too", {"\\\\?\\Volume{d}", kEnclosureDisk, {kEnclosureDisk, 0}, "G:"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetFake();
    Volumes({{"\\\\?\\Volume{a}", kEnclosureDisk, {kEnclosureDisk}, "E:"}, c.doubtful,
             {"\\\\?\\Volume{b}", 0, {0}, "C:"}});
    windows::VolumeDiskClaim claim(FakeCalls());
    EXPECT_FALSE(claim.Claim(kDrive));
    EXPECT_EQ(LockTries(), 0u);
    EXPECT_EQ(VolumeControls(), std::vector<std::string>{});
    EXPECT_EQ(Fake().closed.size(), Fake().opens.size());
    EXPECT_NE(claim.Refusal().find("G:"), std::string::npos) << claim.Refusal();
  }

  // A volume wholly on another disk is simply not the enclosure's; one whose extents are not
  // told (a driver that does not answer) goes by its number.
  ResetFake();
  Volumes({{"\\\\?\\Volume{a}", kEnclosureDisk, {}, "E:"}, {"\\\\?\\Volume{b}", 0, {0}, "C:"},
           {"\\\\?\\Volume{s}", std::nullopt, {0, 1}, "S:"}});
  windows::VolumeDiskClaim claim(FakeCalls());
  EXPECT_TRUE(claim.Claim(kDrive)) << claim.Refusal();
  EXPECT_EQ(VolumeControls(), (std::vector<std::string>{"lock \\\\?\\Volume{a}", "dismount \\\\?\\Volume{a}"}));
}

TEST(WindowsFileStore, AFailedWriteLeavesTheTargetAloneAndRemovesTheTemporaryFile) {
  ResetFake();
  Fake().attributes = FILE_ATTRIBUTE_NORMAL;  // a backup of that name exists
  Fake().writeFails = true;
  windows::WindowsFileStore files(FakeCalls(), [] { return std::string("0123"); });
  const std::uint8_t bytes[] = {1, 2, 3};
  EXPECT_FALSE(files.WriteWholeFile("C:\\b\\old.bin", bytes));
  // The existing file is opened only to see that it is a file; the temporary name is short.
  EXPECT_EQ(Fake().opens.at(1).path, "C:\\b\\.kelm-0123");
  EXPECT_EQ(Fake().opens.at(1).disposition, static_cast<DWORD>(CREATE_NEW));
  EXPECT_EQ(Fake().calls, (std::vector<std::string>{"CreateFileW", "CloseHandle", "CreateFileW", "WriteFile",
                                                    "CloseHandle", "DeleteFileW"}));

  ResetFake();
  Fake().lastError = ERROR_FILE_NOT_FOUND;
  EXPECT_TRUE(files.WriteWholeFile("C:\\b\\new.bin", bytes));
  EXPECT_EQ(Fake().calls, (std::vector<std::string>{"GetLastError", "CreateFileW", "WriteFile", "FlushFileBuffers",
                                                    "CloseHandle", "MoveFileExW"}));
  EXPECT_EQ(Fake().moveFlags, static_cast<DWORD>(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

TEST(WindowsFileStore, OnWineReplacesARegularFileAndNeverAFolder) {
  const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / "kelm-file-store";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir / "folder.bin");
  windows::WindowsFileStore files;
  const std::uint8_t first[] = {'o', 'l', 'd'};
  const std::uint8_t second[] = {'n', 'e', 'w', '!'};
  const std::string target = (dir / "backup.bin").string();
  ASSERT_TRUE(files.WriteWholeFile(target, first));
  ASSERT_TRUE(files.WriteWholeFile(target, second));
  EXPECT_FALSE(files.WriteWholeFile((dir / "folder.bin").string(), first));
  std::ifstream in(target, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "new!");
  in.close();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);  // no temporary left
  // Reads are of files alone, within the bound; a device name is neither read nor replaced.
  EXPECT_EQ(files.ReadWholeFile(target, 4), (std::vector<std::uint8_t>{'n', 'e', 'w', '!'}));
  EXPECT_FALSE(files.ReadWholeFile(target, 3));
  EXPECT_FALSE(files.ReadWholeFile((dir / "folder.bin").string(), 4));
  EXPECT_FALSE(files.ReadWholeFile("NUL", 4));
  EXPECT_FALSE(files.MayReplace("NUL"));
  EXPECT_TRUE(files.MayReplace((dir / "absent.bin").string()));
  std::filesystem::remove_all(dir);
}

// The setup service lists three disks: the enclosure, an upper-case path and an internal disk.
const char* const kListed[] = {kDrive, "\\\\?\\USBSTOR#DISK&VEN_OTHER#2#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}",
                               "\\\\?\\ide#diskst1000#3#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}"};
std::vector<std::string> setupCalls;

HDEVINFO WINAPI GetClassDevsFake(const GUID* guid, PCSTR, HWND, DWORD flags) {
  setupCalls.push_back("GetClassDevs " + std::to_string(flags) + (guid->Data1 == 0x53F56307 ? " disk" : " other"));
  return guid->Data1 == 0x53F56307 ? reinterpret_cast<HDEVINFO>(0x77) : INVALID_HANDLE_VALUE;
}
BOOL WINAPI EnumFake(HDEVINFO, PSP_DEVINFO_DATA, const GUID*, DWORD member, PSP_DEVICE_INTERFACE_DATA data) {
  if (member >= 3 || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) return FALSE;
  data->Reserved = member;
  return TRUE;
}
BOOL WINAPI DetailFake(HDEVINFO, PSP_DEVICE_INTERFACE_DATA data, PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail,
                       DWORD size, PDWORD required, PSP_DEVINFO_DATA) {
  const char* path = kListed[data->Reserved];
  const DWORD needed = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + std::strlen(path) + 1;
  if (detail == nullptr) {
    setupCalls.push_back("size");
    *required = needed;
    return FALSE;
  }
  setupCalls.push_back("detail " + std::to_string(detail->cbSize));
  if (size < needed) return FALSE;
  std::strcpy(detail->DevicePath, path);
  return TRUE;
}
BOOL WINAPI DestroyFake(HDEVINFO) {
  setupCalls.push_back("destroy");
  return TRUE;
}

struct Silent final : platform::StandardOutput, platform::MessageBoxes {
  void Write(std::string_view) override {}
  void Show(std::string_view, std::string_view, platform::MessageIcon) override {}
};

TEST(WindowsDiscovery, ListsTheUsbDiskWhoseBridgeAnswersAskingEachDetailsSizeFirst) {
  ResetFake();
  setupCalls.clear();
  windows::Win32Calls calls = FakeCalls();
  calls.SetupDiGetClassDevsA = GetClassDevsFake;
  calls.SetupDiEnumDeviceInterfaces = EnumFake;
  calls.SetupDiGetDeviceInterfaceDetailA = DetailFake;
  calls.SetupDiDestroyDeviceInfoList = DestroyFake;
  windows::WindowsDeviceFile file(calls);
  windows::WindowsSetupService setup(calls);
  windows::WindowsClock clock(calls);
  windows::WindowsDebugOutput debug(calls);
  Silent silent;
  const windows::ResourceImages images(calls);
  windows::WindowsFileStore files(calls);
  const platform::Services io{file, setup, clock, debug, silent, silent, images, files};

  device::DevicePathTable table;
  ASSERT_EQ(device::EnumerateDiskDrives(io, table), 1);
  EXPECT_EQ(table[0], kDrive);
  const std::string detail = "detail " + std::to_string(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A));
  EXPECT_EQ(setupCalls, (std::vector<std::string>{"GetClassDevs 18 disk", "size", detail, "size", detail,
                                                  "size", detail, "destroy"}));
  ASSERT_EQ(Fake().opens.size(), 1u);  // the probe, on the enclosure alone
  EXPECT_EQ(Fake().opens[0].path, kDrive);
}

TEST(WindowsNotifications, OnWineAMessageOnlyWindowTurnsDeviceChangesIntoEventCodes) {
  windows::WindowsDeviceNotifications notifications;
  std::vector<std::uint32_t> events;
  notifications.Register([&](std::uint32_t code) { events.push_back(code); });
  const HWND window = ::FindWindowExA(HWND_MESSAGE, nullptr, "KelmDeviceNotifications", nullptr);
  ASSERT_NE(window, nullptr);

  DEV_BROADCAST_DEVICEINTERFACE_A usb{};
  usb.dbcc_size = sizeof usb;
  usb.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  DEV_BROADCAST_HDR volume{sizeof volume, DBT_DEVTYP_VOLUME, 0};
  ::SendMessageA(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&usb));
  ::SendMessageA(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
  ::SendMessageA(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  ::SendMessageA(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&usb));
  EXPECT_EQ(events, (std::vector<std::uint32_t>{platform::kDeviceRemoveComplete, platform::kDeviceArrival}));
}

}  // namespace
}  // namespace kelm::test
