#include "tests/windows/fake_windows.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include <dbt.h>

namespace kelm::test {

namespace {

FakeWindows* fake = new FakeWindows;

// Windows without long paths enabled: a name of MAX_PATH characters or more is refused unless
// it carries the \\?\ prefix.
bool TooLongForThePlainCalls(LPCWSTR path) {
  return std::wstring_view(path).size() >= MAX_PATH && !std::wstring_view(path).starts_with(L"\\\\?\\");
}

HANDLE WINAPI CreateFileFake(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition,
                             DWORD, HANDLE) {
  Fake().calls.push_back("CreateFileA");
  Fake().opens.push_back({path, access, share, disposition});
  const DWORD refused = Fake().refuseOpen ? Fake().refuseOpen(path) : 0;
  Fake().lastError = refused;
  return refused != 0 ? INVALID_HANDLE_VALUE : FakeHandle(Fake().opens.size() - 1);
}

// The user's files come by their wide names; the fake keeps them as UTF-8 beside the device opens.
HANDLE WINAPI CreateFileWFake(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition,
                              DWORD, HANDLE) {
  const std::string name = windows::Utf8(path);
  Fake().calls.push_back("CreateFileW");
  Fake().opens.push_back({name, access, share, disposition});
  DWORD refused = Fake().refuseOpen ? Fake().refuseOpen(name) : 0;
  if (TooLongForThePlainCalls(path)) refused = ERROR_FILENAME_EXCED_RANGE;
  Fake().lastError = refused;
  return refused != 0 ? INVALID_HANDLE_VALUE : FakeHandle(Fake().opens.size() - 1);
}

BOOL WINAPI DeviceIoControlFake(HANDLE handle, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                                LPDWORD returned, LPOVERLAPPED) {
  Fake().calls.push_back("DeviceIoControl");
  const auto* bytes = static_cast<const std::uint8_t*>(in);
  Fake().controls.push_back({handle, code, std::vector<std::uint8_t>(bytes, bytes + (in ? inSize : 0))});
  return Fake().answer ? Fake().answer(handle, code, in, out, outSize, returned) : TRUE;
}

DWORD WINAPI GetLastErrorFake() {
  Fake().calls.push_back("GetLastError");
  return Fake().lastError;
}

BOOL WINAPI CloseHandleFake(HANDLE handle) {
  Fake().calls.push_back("CloseHandle");
  Fake().closed.push_back(handle);
  return TRUE;
}

BOOL WINAPI WriteFileFake(HANDLE, LPCVOID bytes, DWORD size, LPDWORD written, LPOVERLAPPED) {
  Fake().calls.push_back("WriteFile");
  if (Fake().writeFails) return FALSE;
  Fake().written.append(static_cast<const char*>(bytes), size);
  *written = size;
  return TRUE;
}

BOOL WINAPI FlushFileBuffersFake(HANDLE) {
  Fake().calls.push_back("FlushFileBuffers");
  return TRUE;
}

BOOL WINAPI MoveFileExFake(LPCWSTR, LPCWSTR, DWORD flags) {
  Fake().calls.push_back("MoveFileExW");
  Fake().moveFlags = flags;
  return TRUE;
}

BOOL WINAPI DeleteFileFake(LPCWSTR) {
  Fake().calls.push_back("DeleteFileW");
  return TRUE;
}

DWORD WINAPI GetFileAttributesFake(LPCWSTR path) {
  Fake().lookedUp.push_back(windows::Utf8(path));
  if (TooLongForThePlainCalls(path)) {
    Fake().lastError = ERROR_FILENAME_EXCED_RANGE;
    return INVALID_FILE_ATTRIBUTES;
  }
  return Fake().attributes;
}

DWORD WINAPI GetFileTypeFake(HANDLE) { return FILE_TYPE_DISK; }

DWORD WINAPI GetCurrentDirectoryFake(DWORD size, LPWSTR buffer) {
  const std::wstring folder = windows::Utf16(Fake().currentFolder);
  if (size <= folder.size()) return static_cast<DWORD>(folder.size() + 1);
  std::copy(folder.begin(), folder.end(), buffer);
  buffer[folder.size()] = L'\0';
  return static_cast<DWORD>(folder.size());
}

BOOL WINAPI SetCurrentDirectoryFake(LPCWSTR folder) {
  Fake().folderChanges.push_back(windows::Utf8(folder));
  Fake().currentFolder = windows::Utf8(folder);
  return TRUE;
}

DWORD WINAPI GetModuleFileNameFake(HMODULE, LPWSTR buffer, DWORD size) {
  const std::wstring file = windows::Utf16(Fake().programFile);
  const DWORD length = static_cast<DWORD>(std::min<std::size_t>(file.size(), size - 1));
  std::copy_n(file.begin(), length, buffer);
  buffer[length] = L'\0';
  return length;
}

HRESULT WINAPI SHGetKnownFolderPathFake(REFKNOWNFOLDERID id, DWORD, HANDLE, PWSTR* path) {
  *path = nullptr;
  for (const auto& [known, folder] : Fake().knownFolders) {
    if (!IsEqualGUID(known, id)) continue;
    const std::wstring wide = windows::Utf16(folder);
    // The caller frees it as it frees the system's answer.
    *path = static_cast<PWSTR>(::CoTaskMemAlloc((wide.size() + 1) * sizeof(wchar_t)));
    std::copy(wide.begin(), wide.end(), *path);
    (*path)[wide.size()] = L'\0';
    return S_OK;
  }
  return E_FAIL;
}

BOOL NextVolume(LPSTR name, DWORD size) {
  if (Fake().nextVolume >= Fake().volumes.size()) return FALSE;
  std::strncpy(name, Fake().volumes[Fake().nextVolume++].c_str(), size);
  return TRUE;
}

HANDLE WINAPI FindFirstVolumeFake(LPSTR name, DWORD size) {
  Fake().nextVolume = 0;
  return NextVolume(name, size) ? FakeHandle(999) : INVALID_HANDLE_VALUE;
}

BOOL WINAPI FindNextVolumeFake(HANDLE, LPSTR name, DWORD size) { return NextVolume(name, size); }

BOOL WINAPI FindVolumeCloseFake(HANDLE) { return TRUE; }

BOOL WINAPI GetVolumePathNamesFake(LPCSTR volume, LPCH names, DWORD size, PDWORD length) {
  const auto mounted = Fake().mountedAt.find(volume);
  const std::string list = mounted == Fake().mountedAt.end() ? std::string() : mounted->second + '\0';
  *length = static_cast<DWORD>(list.size() + 1);
  if (size < *length) return FALSE;
  std::memcpy(names, list.c_str(), list.size() + 1);
  return TRUE;
}

void WINAPI SleepFake(DWORD milliseconds) { Fake().sleeps.push_back(milliseconds); }

HDEVNOTIFY WINAPI RegisterDeviceNotificationFake(HANDLE recipient, LPVOID filter, DWORD) {
  const auto* wanted = static_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(filter);
  Fake().registrations.push_back({static_cast<HWND>(recipient), wanted->dbcc_classguid});
  return reinterpret_cast<HDEVNOTIFY>(Fake().registrations.size());
}

BOOL WINAPI UnregisterDeviceNotificationFake(HDEVNOTIFY) { return TRUE; }

BOOL WINAPI SetConsoleCtrlHandlerFake(PHANDLER_ROUTINE handler, BOOL add) {
  Fake().calls.push_back("SetConsoleCtrlHandler");
  Fake().consoleHandler = handler;
  Fake().consoleHandlerAdds.push_back(add);
  return TRUE;
}

EXECUTION_STATE WINAPI SetThreadExecutionStateFake(EXECUTION_STATE flags) {
  Fake().calls.push_back("SetThreadExecutionState");
  Fake().executionStates.push_back(flags);
  return ES_CONTINUOUS;
}

BOOL WINAPI ShutdownBlockReasonCreateFake(HWND window, LPCWSTR reason) {
  Fake().calls.push_back("ShutdownBlockReasonCreate");
  Fake().blockWindow = window;
  Fake().blockReason = reason;
  if (Fake().onBlockReason) Fake().onBlockReason();
  return TRUE;
}

BOOL WINAPI ShutdownBlockReasonDestroyFake(HWND) {
  Fake().calls.push_back("ShutdownBlockReasonDestroy");
  return TRUE;
}

}  // namespace

FakeWindows& Fake() { return *fake; }

DWORD FakeWindows::Slept() const { return std::accumulate(sleeps.begin(), sleeps.end(), DWORD{0}); }

void Announce(const GUID& interfaceClass, WPARAM event) {
  DEV_BROADCAST_DEVICEINTERFACE_A announced{};
  announced.dbcc_size = sizeof announced;
  announced.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  announced.dbcc_classguid = interfaceClass;
  // Copied first: a handler may register anew.
  const std::vector<FakeWindows::Registration> registrations = Fake().registrations;
  for (const FakeWindows::Registration& registration : registrations) {
    if (IsEqualGUID(registration.interfaceClass, interfaceClass)) {
      SendMessageA(registration.window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&announced));
    }
  }
}

void ResetFake() {
  delete fake;
  fake = new FakeWindows;
}

HANDLE FakeHandle(std::size_t openIndex) { return reinterpret_cast<HANDLE>(0x100 + openIndex); }

const windows::Win32Calls& FakeCalls() {
  static const windows::Win32Calls calls = [] {
    windows::Win32Calls table = windows::RealWin32Calls();
    table.CreateFileA = CreateFileFake;
    table.DeviceIoControl = DeviceIoControlFake;
    table.GetLastError = GetLastErrorFake;
    table.CloseHandle = CloseHandleFake;
    table.WriteFile = WriteFileFake;
    table.FlushFileBuffers = FlushFileBuffersFake;
    table.CreateFileW = CreateFileWFake;
    table.MoveFileExW = MoveFileExFake;
    table.DeleteFileW = DeleteFileFake;
    table.GetFileAttributesW = GetFileAttributesFake;
    table.GetFileType = GetFileTypeFake;
    table.FindFirstVolumeA = FindFirstVolumeFake;
    table.FindNextVolumeA = FindNextVolumeFake;
    table.FindVolumeClose = FindVolumeCloseFake;
    table.GetVolumePathNamesForVolumeNameA = GetVolumePathNamesFake;
    table.Sleep = SleepFake;
    table.RegisterDeviceNotificationA = RegisterDeviceNotificationFake;
    table.UnregisterDeviceNotification = UnregisterDeviceNotificationFake;
    table.SetConsoleCtrlHandler = SetConsoleCtrlHandlerFake;
    table.SetThreadExecutionState = SetThreadExecutionStateFake;
    table.ShutdownBlockReasonCreate = ShutdownBlockReasonCreateFake;
    table.ShutdownBlockReasonDestroy = ShutdownBlockReasonDestroyFake;
    table.GetCurrentDirectoryW = GetCurrentDirectoryFake;
    table.SetCurrentDirectoryW = SetCurrentDirectoryFake;
    table.GetModuleFileNameW = GetModuleFileNameFake;
    table.SHGetKnownFolderPath = SHGetKnownFolderPathFake;
    return table;
  }();
  return calls;
}

}  // namespace kelm::test
