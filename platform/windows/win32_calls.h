#pragma once
// Every Win32 call the backend makes, as one table of function pointers. The real table is
// the default; tests hand in a table of their own and so stand in for the system.

#include <windows.h>

#include <setupapi.h>
#include <shlobj.h>

// The ports name their debugger call after the system's; the system's macro would rename it.
#undef OutputDebugString

namespace kelm::windows {

struct Win32Calls {
  // Device and file handles.
  decltype(&::CreateFileA) CreateFileA;
  decltype(&::DeviceIoControl) DeviceIoControl;
  decltype(&::GetLastError) GetLastError;
  decltype(&::CloseHandle) CloseHandle;
  decltype(&::WriteFile) WriteFile;
  decltype(&::ReadFile) ReadFile;
  decltype(&::GetFileSizeEx) GetFileSizeEx;
  decltype(&::FlushFileBuffers) FlushFileBuffers;
  decltype(&::GetFileType) GetFileType;
  // The user's files, by their wide names (device paths keep the calls above).
  decltype(&::CreateFileW) CreateFileW;
  decltype(&::MoveFileExW) MoveFileExW;
  decltype(&::DeleteFileW) DeleteFileW;
  decltype(&::GetFileAttributesW) GetFileAttributesW;
  decltype(&::GetFullPathNameW) GetFullPathNameW;
  // The folder relative names land in, and the user's and the system's known folders.
  decltype(&::GetCurrentDirectoryW) GetCurrentDirectoryW;
  decltype(&::SetCurrentDirectoryW) SetCurrentDirectoryW;
  decltype(&::SHGetKnownFolderPath) SHGetKnownFolderPath;
  // Volumes and their drive letters.
  decltype(&::FindFirstVolumeA) FindFirstVolumeA;
  decltype(&::FindNextVolumeA) FindNextVolumeA;
  decltype(&::FindVolumeClose) FindVolumeClose;
  decltype(&::GetVolumePathNamesForVolumeNameA) GetVolumePathNamesForVolumeNameA;
  // The setup service.
  decltype(&::SetupDiGetClassDevsA) SetupDiGetClassDevsA;
  decltype(&::SetupDiEnumDeviceInterfaces) SetupDiEnumDeviceInterfaces;
  decltype(&::SetupDiGetDeviceInterfaceDetailA) SetupDiGetDeviceInterfaceDetailA;
  decltype(&::SetupDiDestroyDeviceInfoList) SetupDiDestroyDeviceInfoList;
  // Device notifications on a message-only window.
  decltype(&::RegisterClassExA) RegisterClassExA;
  decltype(&::CreateWindowExA) CreateWindowExA;
  decltype(&::DestroyWindow) DestroyWindow;
  decltype(&::DefWindowProcA) DefWindowProcA;
  decltype(&::RegisterDeviceNotificationA) RegisterDeviceNotificationA;
  decltype(&::UnregisterDeviceNotification) UnregisterDeviceNotification;
  decltype(&::PeekMessageA) PeekMessageA;
  decltype(&::DispatchMessageA) DispatchMessageA;
  decltype(&::MsgWaitForMultipleObjects) MsgWaitForMultipleObjects;
  // The program's resources.
  decltype(&::FindResourceA) FindResourceA;
  decltype(&::SizeofResource) SizeofResource;
  decltype(&::LoadResource) LoadResource;
  decltype(&::LockResource) LockResource;
  // Time and the debugger.
  decltype(&::Sleep) Sleep;
  decltype(&::OutputDebugStringA) OutputDebugStringA;
  // What holds a flash in progress to its end: console interrupts, sleep, shutdown, and the
  // system's offer to close a window that is busy.
  decltype(&::SetConsoleCtrlHandler) SetConsoleCtrlHandler;
  decltype(&::SetThreadExecutionState) SetThreadExecutionState;
  decltype(&::ShutdownBlockReasonCreate) ShutdownBlockReasonCreate;
  decltype(&::ShutdownBlockReasonDestroy) ShutdownBlockReasonDestroy;
  decltype(&::DisableProcessWindowsGhosting) DisableProcessWindowsGhosting;
  // Where the firmware images are looked for: the installation's folder and ProgramData.
  decltype(&::GetModuleFileNameW) GetModuleFileNameW;
  decltype(&::GetEnvironmentVariableW) GetEnvironmentVariableW;
};

// The system's own functions.
const Win32Calls& RealWin32Calls();

}  // namespace kelm::windows
