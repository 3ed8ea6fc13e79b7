#include "platform/windows/windows_notifications.h"

#include "platform/windows/interface_classes.h"
#include "platform/windows/win32_calls.h"

#include <dbt.h>

#include <utility>

namespace kelm::windows {

namespace {

constexpr char kWindowClass[] = "KelmDeviceNotifications";

// One notification window per program: the window procedure finds its owner here.
WindowsDeviceNotifications* owner = nullptr;
const Win32Calls* ownerCalls = nullptr;

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (owner != nullptr &&
      owner->OnMessage(message, wParam, reinterpret_cast<const void*>(lParam))) {
    return TRUE;
  }
  return ownerCalls->DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

WindowsDeviceNotifications::WindowsDeviceNotifications(const Win32Calls& calls,
                                                       std::vector<std::string_view> classes)
    : calls_(calls), classes_(std::move(classes)) {}

WindowsDeviceNotifications::~WindowsDeviceNotifications() {
  for (void* notification : notifications_) calls_.UnregisterDeviceNotification(notification);
  if (window_ != nullptr) calls_.DestroyWindow(static_cast<HWND>(window_));
  if (owner == this) owner = nullptr;
}

void WindowsDeviceNotifications::Register(Handler handler) {
  handler_ = std::move(handler);
  owner = this;
  ownerCalls = &calls_;
  if (window_ != nullptr) return;

  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.lpszClassName = kWindowClass;
  calls_.RegisterClassExA(&windowClass);  // fails harmlessly when already registered
  window_ = calls_.CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   nullptr, nullptr);
  if (window_ == nullptr) return;

  registered_ = true;
  for (std::string_view interfaceClass : classes_) {
    DEV_BROADCAST_DEVICEINTERFACE_A filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = *InterfaceClassGuid(interfaceClass);
    void* notification = calls_.RegisterDeviceNotificationA(static_cast<HWND>(window_), &filter,
                                                            DEVICE_NOTIFY_WINDOW_HANDLE);
    if (notification != nullptr) notifications_.push_back(notification);
    registered_ = registered_ && notification != nullptr;
  }
}

void WindowsDeviceNotifications::Pump(std::uint32_t milliseconds) {
  if (window_ == nullptr) return;
  calls_.MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT);
  MSG message;
  while (calls_.PeekMessageA(&message, static_cast<HWND>(window_), 0, 0, PM_REMOVE)) {
    calls_.DispatchMessageA(&message);
  }
}

bool WindowsDeviceNotifications::OnMessage(std::uint32_t message, std::uintptr_t wParam,
                                           const void* lParam) {
  if (message != WM_DEVICECHANGE) return false;
  if (wParam != DBT_DEVICEARRIVAL && wParam != DBT_DEVICEREMOVECOMPLETE) return false;
  const auto* header = static_cast<const DEV_BROADCAST_HDR*>(lParam);
  if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return false;
  if (handler_) {
    handler_(wParam == DBT_DEVICEARRIVAL ? platform::kDeviceArrival
                                         : platform::kDeviceRemoveComplete);
  }
  return true;
}

}  // namespace kelm::windows
