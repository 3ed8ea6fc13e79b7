#include "platform/windows/adapter_limits.h"

#include <algorithm>
#include <cstddef>

#include "platform/windows/win32_calls.h"

#include <winioctl.h>

namespace kelm::windows {

namespace {

std::uint32_t LargestTransferOf(const STORAGE_ADAPTER_DESCRIPTOR& adapter) {
  std::uint64_t largest = adapter.MaximumTransferLength;
  if (adapter.MaximumPhysicalPages != 0) {
    largest = std::min<std::uint64_t>(largest,
                                      std::uint64_t{adapter.MaximumPhysicalPages} * kPageSize);
  }
  return static_cast<std::uint32_t>(largest);
}

}  // namespace

std::uint32_t QueryLargestTransfer(const Win32Calls& calls, const std::string& devicePath) {
  // A query needs no access rights of its own, and shares the disk with everyone.
  const HANDLE device = calls.CreateFileA(devicePath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, 0, nullptr);
  if (device == INVALID_HANDLE_VALUE) return 0;
  STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = StorageAdapterProperty;
  query.QueryType = PropertyStandardQuery;
  STORAGE_ADAPTER_DESCRIPTOR adapter{};
  DWORD returned = 0;
  const BOOL answered = calls.DeviceIoControl(device, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query,
                                              &adapter, sizeof adapter, &returned, nullptr);
  calls.CloseHandle(device);
  constexpr DWORD kLimitsEnd = offsetof(STORAGE_ADAPTER_DESCRIPTOR, AlignmentMask) + sizeof(DWORD);
  if (!answered || returned < kLimitsEnd) return 0;
  return LargestTransferOf(adapter);
}

}  // namespace kelm::windows
