#include "platform/windows/windows_device_file.h"

#include <cstring>

#include "platform/windows/adapter_limits.h"
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
  // An adapter with an alignment mask fails a buffer off its boundary as an invalid
  // parameter; the caller's bytes travel in a page-aligned copy, which meets every mask. The
  // copy starts as the caller's buffer, so bytes a read leaves alone stay what they were.
  const std::size_t length = request.DataBuffer != nullptr ? request.DataTransferLength : 0;
  std::uint8_t* const staging = length > 0 ? Staging(length) : nullptr;
  if (length > 0 && staging == nullptr) {
    lastError_ = ERROR_NOT_ENOUGH_MEMORY;
    return false;
  }
  if (staging != nullptr) {
    std::memcpy(staging, request.DataBuffer, length);
    record.DataBuffer = staging;
  }
  DWORD returned = 0;
  const BOOL called = calls_.DeviceIoControl(ToHandle(handle), code, &record, sizeof record,
                                             &record, sizeof record, &returned, nullptr);
  lastError_ = calls_.GetLastError();
  if (staging != nullptr && request.DataIn != 0) std::memcpy(request.DataBuffer, staging, length);
  TakeAnswer(record, request);
  return called != FALSE;
}

std::uint32_t WindowsDeviceFile::LargestTransfer(const std::string& path) {
  const auto known = largestTransfer_.find(path);
  if (known != largestTransfer_.end()) return known->second;
  const std::uint32_t largest = QueryLargestTransfer(calls_, path);
  largestTransfer_.emplace(path, largest);
  return largest;
}

void WindowsDeviceFile::PageFree::operator()(std::uint8_t* bytes) const {
  ::operator delete(bytes, std::align_val_t{kPageSize});
}

std::uint8_t* WindowsDeviceFile::Staging(std::size_t size) {
  if (size > stagingSize_) {
    staging_.reset(static_cast<std::uint8_t*>(
        ::operator new(size, std::align_val_t{kPageSize}, std::nothrow)));
    stagingSize_ = staging_ ? size : 0;
  }
  return staging_.get();
}

void WindowsDeviceFile::Close(platform::Handle handle) { calls_.CloseHandle(ToHandle(handle)); }

}  // namespace kelm::windows
