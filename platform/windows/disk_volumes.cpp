#include "platform/windows/disk_volumes.h"

#include <array>

#include "platform/windows/win32_calls.h"

#include <winioctl.h>

namespace kelm::windows {

std::optional<DiskNumber> DiskNumberOf(const Win32Calls& calls, const std::string& path) {
  // No access asked: the query needs none, and nothing else is kept from using the device.
  const HANDLE handle = calls.CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  STORAGE_DEVICE_NUMBER number{};
  DWORD returned = 0;
  const BOOL known = calls.DeviceIoControl(handle, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0,
                                           &number, sizeof number, &returned, nullptr);
  calls.CloseHandle(handle);
  if (!known || returned < sizeof number) return std::nullopt;
  return DiskNumber{number.DeviceType, number.DeviceNumber};
}

std::vector<std::string> VolumesOnDisk(const Win32Calls& calls, const DiskNumber& disk) {
  std::vector<std::string> volumes;
  std::array<char, MAX_PATH + 1> name{};
  const HANDLE search = calls.FindFirstVolumeA(name.data(), MAX_PATH);
  if (search == INVALID_HANDLE_VALUE) return volumes;
  do {
    std::string volume(name.data());
    if (volume.ends_with('\\')) volume.pop_back();  // the volume's device, not its root folder
    // A volume over several disks does not say one number; it is on none of ours alone.
    if (DiskNumberOf(calls, volume) == disk) volumes.push_back(volume);
  } while (calls.FindNextVolumeA(search, name.data(), MAX_PATH));
  calls.FindVolumeClose(search);
  return volumes;
}

std::vector<std::string> DriveLettersOf(const Win32Calls& calls, const std::string& volume) {
  std::vector<std::string> letters;
  std::array<char, 4 * MAX_PATH> paths{};
  DWORD length = 0;
  const std::string root = volume + "\\";
  if (!calls.GetVolumePathNamesForVolumeNameA(root.c_str(), paths.data(), paths.size(), &length)) {
    return letters;
  }
  // A list of zero-terminated paths ending with an empty one: "E:\", "C:\mnt\usb\".
  for (const char* path = paths.data(); *path != '\0'; path += std::string_view(path).size() + 1) {
    const std::string_view text(path);
    if (text.size() == 3 && text[1] == ':') letters.emplace_back(text.substr(0, 2));
  }
  return letters;
}

}  // namespace kelm::windows
