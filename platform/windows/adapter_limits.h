#pragma once
// What the disk's storage adapter carries in one command, as IOCTL_STORAGE_QUERY_PROPERTY
// (StorageAdapterProperty) tells it.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/windows/win32_calls_fwd.h"

namespace kelm::windows {

// Every buffer the pass-through hands over starts on a page, and x86 and x64 pages are 4 KiB:
// that meets any alignment mask an adapter asks for.
inline constexpr std::size_t kPageSize = 4096;

// The most data bytes one command may carry: the lesser of the adapter's transfer length and
// what its scatter/gather pages cover from a page-aligned buffer. 0 when the query fails or
// the answer is too short to say (a request then goes out as it always has).
std::uint32_t QueryLargestTransfer(const Win32Calls& calls, const std::string& devicePath);

}  // namespace kelm::windows
