#pragma once
// A stand-in for the system behind the backend's table of Win32 calls: the calls made, in
// order, with what each was handed, and answers the test sets.

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/windows/wide_names.h"
#include "platform/windows/win32_calls.h"

namespace kelm::test {

struct FakeWindows {
  std::vector<std::string> calls;  // names, in calling order

  // CreateFileA and CreateFileW (its name as UTF-8): what it was asked; a handle per open, or
  // a refusal with this error.
  struct Open {
    std::string path;
    DWORD access, share, disposition;
  };
  std::vector<Open> opens;
  std::function<DWORD(const std::string& path)> refuseOpen;  // 0: opens
  std::vector<HANDLE> closed;

  // DeviceIoControl: the input bytes exactly as handed over, and a hook that answers.
  struct Control {
    HANDLE handle;
    DWORD code;
    std::vector<std::uint8_t> in;
  };
  std::vector<Control> controls;
  std::function<BOOL(HANDLE, DWORD code, void* in, void* out, DWORD outSize, DWORD* returned)> answer;

  DWORD lastError = 0;  // what GetLastError says

  // WriteFile, FlushFileBuffers, MoveFileExW, DeleteFileW, GetFileAttributesW (each name it
  // looked up, as UTF-8).
  std::string written;
  std::vector<std::string> lookedUp;
  bool writeFails = false;
  DWORD moveFlags = 0;
  DWORD attributes = INVALID_FILE_ATTRIBUTES;

  // GetCurrentDirectoryW, SetCurrentDirectoryW (each folder it was handed), GetModuleFileNameW
  // and SHGetKnownFolderPath (a folder it does not know fails), in UTF-8.
  std::string currentFolder = "C:\\Users\\Public";
  std::vector<std::string> folderChanges;
  std::string programFile = "C:\\Program Files\\Kelm Firmware Update Utility\\kelm-fwupdate.exe";
  std::vector<std::pair<GUID, std::string>> knownFolders;

  // FindFirstVolumeA / FindNextVolumeA list these.
  std::vector<std::string> volumes;
  std::size_t nextVolume = 0;

  // GetVolumePathNamesForVolumeNameA: a volume's root ("\\?\Volume{a}\") and where it is
  // mounted ("E:\\").
  std::map<std::string, std::string> mountedAt;

  std::vector<DWORD> sleeps;
  // The system's time as the program sees it: what it slept.
  DWORD Slept() const;

  // RegisterDeviceNotificationA: each window's interface class filter, in order.
  struct Registration {
    HWND window;
    GUID interfaceClass;
  };
  std::vector<Registration> registrations;

  // SetConsoleCtrlHandler: the handler last handed over, and each call's add flag.
  PHANDLER_ROUTINE consoleHandler = nullptr;
  std::vector<BOOL> consoleHandlerAdds;
  // SetThreadExecutionState's flags, in order.
  std::vector<EXECUTION_STATE> executionStates;
  // ShutdownBlockReasonCreate: the window and reason; a hook run as the reason is registered.
  HWND blockWindow = nullptr;
  std::wstring blockReason;
  std::function<void()> onBlockReason;
};

// The one fake the table acts on, fresh for each test.
FakeWindows& Fake();
void ResetFake();

// The real table with every call above replaced by the fake.
const windows::Win32Calls& FakeCalls();

// Handles the fake hands out are 0x100, 0x101, ...
HANDLE FakeHandle(std::size_t openIndex);

// The system announcing an interface of `interfaceClass` arriving or leaving (DBT_DEVICEARRIVAL,
// DBT_DEVICEREMOVECOMPLETE), as Windows does: to the windows registered for that class alone.
void Announce(const GUID& interfaceClass, WPARAM event);

}  // namespace kelm::test
