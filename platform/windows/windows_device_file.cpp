#include "platform/windows/windows_device_file.h"

#include "platform/windows/pass_through_record.h"
#include "platform/windows/win32_calls.h"

namespace kelm::windows {

namespace {

HANDLE ToHandle(platform::Handle handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

platform::Handle WindowsDeviceFile::Open(const std::string& path, platform::ShareMode share) {
  const DWORD shareMode =
      share == platform::ShareMode::Shared ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0;
  const HANDLE handle = calls_.CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, shareMode,
                                           nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    if (calls_.GetLastError() == ERROR_ACCESS_DENIED) accessDenied_ = true;
    return platform::kInvalidHandle;
  }
  return reinterpret_cast<platform::Handle>(handle);
}

bool WindowsDeviceFile::Control(platform::Handle handle, std::uint32_t code,
                                platform::PassThroughRequest& request) {
  SCSI_PASS_THROUGH_DIRECT record = ToRecord(request);
  DWORD returned = 0;
  const BOOL called = calls_.DeviceIoControl(ToHandle(handle), code, &record, sizeof record,
                                             &record, sizeof record, &returned, nullptr);
  lastError_ = calls_.GetLastError();
  TakeAnswer(record, request);
  return called != FALSE;
}

void WindowsDeviceFile::Close(platform::Handle handle) { calls_.CloseHandle(ToHandle(handle)); }

}  // namespace kelm::windows
