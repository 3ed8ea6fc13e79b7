#include "platform/windows/volume_disk_claim.h"

#include "platform/windows/disk_volumes.h"
#include "platform/windows/win32_calls.h"

#include <winioctl.h>

namespace kelm::windows {

namespace {

// Explorer or an indexer may hold a volume for a moment after it appears.
constexpr int kLockAttempts = 5;
constexpr DWORD kLockWaitMilliseconds = 200;

}  // namespace

bool VolumeDiskClaim::LockAndDismount(const std::string& volume) {
  const HANDLE handle = calls_.CreateFileA(volume.c_str(), GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  bool locked = false;
  for (int attempt = 0; attempt < kLockAttempts && !locked; ++attempt) {
    if (attempt > 0) calls_.Sleep(kLockWaitMilliseconds);
    locked = calls_.DeviceIoControl(handle, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned,
                                    nullptr) != FALSE;
  }
  if (!locked) {
    calls_.CloseHandle(handle);
    return false;
  }
  // Locked, so no file is open on it: the dismount loses nothing, and the file system lets go.
  calls_.DeviceIoControl(handle, FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr);
  held_.push_back(handle);
  return true;
}

bool VolumeDiskClaim::Claim(const std::string& devicePath) {
  Release();
  // A drive whose disk the system will not name cannot be shown free of volumes.
  const std::optional<DiskNumber> disk = DiskNumberOf(calls_, devicePath);
  if (!disk) return false;
  for (const std::string& volume : VolumesOnDisk(calls_, *disk)) {
    if (!LockAndDismount(volume)) {
      Release();
      return false;
    }
  }
  return true;
}

void VolumeDiskClaim::Release() {
  for (void* handle : held_) calls_.CloseHandle(handle);
  held_.clear();
}

}  // namespace kelm::windows
