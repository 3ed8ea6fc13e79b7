#include "platform/windows/win32_calls.h"

namespace kelm::windows {

const Win32Calls& RealWin32Calls() {
  static const Win32Calls calls{
      ::CreateFileA, ::DeviceIoControl, ::GetLastError, ::CloseHandle, ::WriteFile, ::ReadFile,
      ::GetFileSizeEx, ::FlushFileBuffers, ::GetFileType,
      ::CreateFileW, ::MoveFileExW, ::DeleteFileW, ::GetFileAttributesW, ::GetFullPathNameW,
      ::GetCurrentDirectoryW, ::SetCurrentDirectoryW, ::SHGetKnownFolderPath,
      ::FindFirstVolumeA, ::FindNextVolumeA, ::FindVolumeClose,
      ::GetVolumePathNamesForVolumeNameA,
      ::SetupDiGetClassDevsA, ::SetupDiEnumDeviceInterfaces, ::SetupDiGetDeviceInterfaceDetailA,
      ::SetupDiDestroyDeviceInfoList,
      ::RegisterClassExA, ::CreateWindowExA, ::DestroyWindow, ::DefWindowProcA,
      ::RegisterDeviceNotificationA, ::UnregisterDeviceNotification, ::PeekMessageA,
      ::DispatchMessageA, ::MsgWaitForMultipleObjects,
      ::FindResourceA, ::SizeofResource, ::LoadResource, ::LockResource,
      ::Sleep, ::OutputDebugStringA,
      ::SetConsoleCtrlHandler, ::SetThreadExecutionState, ::ShutdownBlockReasonCreate,
      ::ShutdownBlockReasonDestroy, ::DisableProcessWindowsGhosting,
      ::GetModuleFileNameW, ::GetEnvironmentVariableW};
  return calls;
}

}  // namespace kelm::windows
