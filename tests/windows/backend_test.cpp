// The Windows backend's other services: the volume claim and the file store against the
// stand-in, discovery through the setup service, notifications and the file store on Wine.

#include <gtest/gtest.h>

#include <cstring>
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

// Volumes a and c are on the enclosure's disk 3, b on the system disk; `stuck` never locks.
void ThreeVolumes(const std::string& stuck) {
  Fake().volumes = {"\\\\?\\Volume{a}\\", "\\\\?\\Volume{b}\\", "\\\\?\\Volume{c}\\"};
  Fake().answer = [stuck](HANDLE handle, DWORD code, void*, void* out, DWORD, DWORD* returned) -> BOOL {
    const std::string path = Fake().opens.at(reinterpret_cast<std::size_t>(handle) - 0x100).path;
    if (code == IOCTL_STORAGE_GET_DEVICE_NUMBER) {
      STORAGE_DEVICE_NUMBER number{FILE_DEVICE_DISK, path == "\\\\?\\Volume{b}" ? 0ul : 3ul, 1};
      std::memcpy(out, &number, sizeof number);
      *returned = sizeof number;
      return TRUE;
    }
    return !(code == FSCTL_LOCK_VOLUME && path == stuck);
  };
}

// "lock \\?\Volume{a}" for each lock and dismount, in order.
std::vector<std::string> VolumeControls() {
  std::vector<std::string> done;
  for (const FakeWindows::Control& control : Fake().controls) {
    const std::string path = Fake().opens.at(reinterpret_cast<std::size_t>(control.handle) - 0x100).path;
    if (control.code == FSCTL_LOCK_VOLUME) done.push_back("lock " + path);
    if (control.code == FSCTL_DISMOUNT_VOLUME) done.push_back("dismount " + path);
  }
  return done;
}

TEST(WindowsClaim, LocksAndDismountsEveryVolumeOfTheDiskAndHoldsThemUntilRelease) {
  ResetFake();
  ThreeVolumes("");
  windows::VolumeDiskClaim claim(FakeCalls());
  ASSERT_TRUE(claim.Claim(kDrive));
  EXPECT_EQ(VolumeControls(), (std::vector<std::string>{"lock \\\\?\\Volume{a}", "dismount \\\\?\\Volume{a}",
                                                        "lock \\\\?\\Volume{c}", "dismount \\\\?\\Volume{c}"}));
  const std::size_t closedWhileHeld = Fake().closed.size();
  EXPECT_EQ(closedWhileHeld, Fake().opens.size() - 2);  // the two locked volumes stay open
  claim.Release();
  EXPECT_EQ(Fake().closed.size(), Fake().opens.size());
}

TEST(WindowsClaim, AVolumeThatWillNotLockRefusesTheClaimAndNothingStaysHeld) {
  ResetFake();
  ThreeVolumes("\\\\?\\Volume{c}");
  windows::VolumeDiskClaim claim(FakeCalls());
  EXPECT_FALSE(claim.Claim(kDrive));
  EXPECT_EQ(VolumeControls(), (std::vector<std::string>{"lock \\\\?\\Volume{a}", "dismount \\\\?\\Volume{a}",
                                                        "lock \\\\?\\Volume{c}", "lock \\\\?\\Volume{c}",
                                                        "lock \\\\?\\Volume{c}", "lock \\\\?\\Volume{c}",
                                                        "lock \\\\?\\Volume{c}"}));
  EXPECT_EQ(Fake().sleeps, (std::vector<DWORD>(4, 200)));
  EXPECT_EQ(Fake().closed.size(), Fake().opens.size());
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
