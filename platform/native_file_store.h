#pragma once
// The file store of the system the program is built for (target kelm_native_files).

#ifdef _WIN32
#include "platform/windows/windows_file_store.h"
namespace kelm::platform {
using NativeFileStore = windows::WindowsFileStore;
}
#else
#include "platform/posix/posix_file_store.h"
namespace kelm::platform {
using NativeFileStore = posix::PosixFileStore;
}
#endif
