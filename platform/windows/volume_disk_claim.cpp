#include "platform/windows/volume_disk_claim.h"

#include <algorithm>

#include "platform/windows/disk_volumes.h"
#include "platform/windows/win32_calls.h"

#include <winioctl.h>

namespace kelm::windows {

namespace {

struct OpenVolume {
  std::string name;
  HANDLE handle;
};

std::string JoinedAsList(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
    text += names[i];
  }
  return text;
}

}  // namespace

std::string VolumeDiskClaim::NamesOf(const std::vector<std::string>& volumes) const {
  std::vector<std::string> names;
  bool unlettered = false;
  for (const std::string& volume : volumes) {
    const std::vector<std::string> letters = DriveLettersOf(calls_, volume);
    names.insert(names.end(), letters.begin(), letters.end());
    unlettered = unlettered || letters.empty();
  }
  if (unlettered) names.push_back("a volume without a drive letter");
  return JoinedAsList(names);
}

bool VolumeDiskClaim::LockAndDismount(void* handle) {
  DWORD returned = 0;
  if (!calls_.DeviceIoControl(handle, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned,
                              nullptr)) {
    return false;
  }
  // Locked, so no file is open on it: the dismount loses nothing, and the file system lets go.
  calls_.DeviceIoControl(handle, FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr);
  held_.push_back(handle);
  return true;
}

bool VolumeDiskClaim::LockAndDismountAll(const std::vector<std::string>& volumes) {
  std::vector<OpenVolume> pending;
  for (const std::string& volume : volumes) {
    const HANDLE handle = calls_.CreateFileA(volume.c_str(), GENERIC_READ | GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      for (const OpenVolume& open : pending) calls_.CloseHandle(open.handle);
      refusal_ = "Windows would not open " + NamesOf({volume}) +
                 " on this drive to lock it. Close the windows and programs that use it, then "
                 "try again.";
      return false;
    }
    pending.push_back({volume, handle});
  }
  // Each round tries the volumes still in use; the shell or a scanner lets go within seconds.
  unsigned waited = 0;
  while (true) {
    std::erase_if(pending, [&](const OpenVolume& open) { return LockAndDismount(open.handle); });
    if (pending.empty()) return true;
    if (waited >= kLockPatienceMilliseconds) break;
    calls_.Sleep(kLockRetryMilliseconds);
    waited += kLockRetryMilliseconds;
  }
  std::vector<std::string> stuck;
  for (const OpenVolume& open : pending) {
    stuck.push_back(open.name);
    calls_.CloseHandle(open.handle);
  }
  const std::string names = NamesOf(stuck);
  refusal_ = "Windows could not lock " + names +
             ": a window or program is using it. Close the windows and programs that use " +
             names + " (Explorer windows, open files), then try again.";
  return false;
}

bool VolumeDiskClaim::Claim(const std::string& devicePath) {
  Release();
  refusal_.clear();
  // A drive whose disk the system will not name cannot be shown free of volumes.
  const std::optional<DiskNumber> disk = DiskNumberOf(calls_, devicePath);
  if (!disk) {
    refusal_ = "Windows does not say which disk this drive is, so its volumes cannot be locked. "
               "Unplug the enclosure, plug it in again, then try again.";
    return false;
  }
  const DiskVolumes volumes = VolumesOfDisk(calls_, *disk);
  // Locking a volume that may be another disk's could stop the system's own.
  if (!volumes.doubtful.empty()) {
    refusal_ = "Windows does not place " + NamesOf(volumes.doubtful) +
               " on this drive alone (a volume that spans disks, or one the system places on "
               "two), so nothing on it is locked or written. Update the enclosure where its "
               "disk holds volumes of its own only.";
    return false;
  }
  if (LockAndDismountAll(volumes.own)) return true;
  Release();
  return false;
}

void VolumeDiskClaim::Release() {
  for (void* handle : held_) calls_.CloseHandle(handle);
  held_.clear();
}

}  // namespace kelm::windows
