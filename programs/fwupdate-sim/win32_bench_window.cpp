#include "programs/fwupdate-sim/win32_bench_window.h"

#include <string>

namespace kelm::bench {

namespace {

constexpr wchar_t kClassName[] = L"KelmEnclosureBench";
constexpr int kUnplugId = 1;
constexpr int kPlugId = 2;

HWND Child(HWND parent, const wchar_t* type, const wchar_t* text, DWORD style, int x, int y,
           int width, int height, int id) {
  HWND control = CreateWindowExW(0, type, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                                 parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
  return control;
}

}  // namespace

Win32BenchWindow::Win32BenchWindow(SimNotifications& enclosures, const sim::SimPlatform& sim)
    : enclosures_(enclosures), sim_(sim) {
  WNDCLASSEXW type{};
  type.cbSize = sizeof type;
  type.lpfnWndProc = &Procedure;
  type.hInstance = GetModuleHandleW(nullptr);
  type.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  type.lpszClassName = kClassName;
  RegisterClassExW(&type);  // fails harmlessly when a second bench registers it again

  RECT frame{0, 0, 220, 72};
  const DWORD style = WS_CAPTION | WS_SYSMENU;
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_TOOLWINDOW);
  window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"Enclosure bench", style, CW_USEDEFAULT,
                            CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                            nullptr, nullptr, GetModuleHandleW(nullptr), this);
  state_ = Child(window_, L"STATIC", L"", 0, 10, 10, 200, 18, 0);
  Child(window_, L"BUTTON", L"Unplug", BS_PUSHBUTTON, 10, 36, 95, 26, kUnplugId);
  Child(window_, L"BUTTON", L"Plug", BS_PUSHBUTTON, 115, 36, 95, 26, kPlugId);
  ShowState();
}

Win32BenchWindow::~Win32BenchWindow() {
  if (IsWindow(window_)) DestroyWindow(window_);
}

void Win32BenchWindow::PlaceBeside(HWND window) {
  RECT main{};
  GetWindowRect(window, &main);
  SetWindowPos(window_, nullptr, main.right + 12, main.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(window_, SW_SHOWNOACTIVATE);
}

void Win32BenchWindow::ShowState() {
  const auto count = sim_.DeviceCount();
  std::string text;
  if (count == 0) {
    text = "No enclosure in the scenario";
  } else {
    text = std::to_string(count) + (sim_.Plugged() ? " enclosure(s) plugged in" : " enclosure(s) unplugged");
  }
  SetWindowTextA(state_, text.c_str());
}

LRESULT CALLBACK Win32BenchWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* bench = reinterpret_cast<Win32BenchWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (bench != nullptr && message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    if (LOWORD(wParam) == kUnplugId) bench->enclosures_.Unplug();
    if (LOWORD(wParam) == kPlugId) bench->enclosures_.Plug();
    bench->ShowState();
    return 0;
  }
  // The bench closes with the main window, not on its own.
  if (message == WM_CLOSE) return 0;
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace kelm::bench
