#include "programs/fwupdate-sim/win32_bench_window.h"

#include <string>

namespace kelm::bench {

namespace {

constexpr wchar_t kClassName[] = L"KelmEnclosureBench";
constexpr int kUnplugId = 1;
constexpr int kPlugId = 2;

// The message font of the system, at the screen's resolution.
HFONT MessageFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
  return CreateFontIndirectW(&metrics.lfMessageFont);
}

}  // namespace

Win32BenchWindow::Win32BenchWindow(SimNotifications& enclosures, const sim::SimPlatform& sim,
                                   HWND main)
    : enclosures_(enclosures), sim_(sim), main_(main) {
  WNDCLASSEXW type{};
  type.cbSize = sizeof type;
  type.lpfnWndProc = &Procedure;
  type.hInstance = GetModuleHandleW(nullptr);
  type.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  type.lpszClassName = kClassName;
  RegisterClassExW(&type);  // fails harmlessly when a second bench registers it again

  HDC screen = GetDC(nullptr);
  dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  font_ = MessageFont();

  // Its design, in pixels at 96 dots per inch.
  RECT frame{0, 0, Scaled(220), Scaled(72)};
  const DWORD style = WS_CAPTION | WS_SYSMENU;
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_TOOLWINDOW);
  window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"Enclosure bench", style, CW_USEDEFAULT,
                            CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                            main_, nullptr, GetModuleHandleW(nullptr), this);
  state_ = Child(L"STATIC", L"", 0, {10, 10, 210, 28}, 0);
  Child(L"BUTTON", L"Unplug", BS_PUSHBUTTON, {10, 36, 105, 62}, kUnplugId);
  Child(L"BUTTON", L"Plug", BS_PUSHBUTTON, {115, 36, 210, 62}, kPlugId);
  ShowState();
}

Win32BenchWindow::~Win32BenchWindow() {
  if (IsWindow(window_)) DestroyWindow(window_);
  if (font_ != nullptr) DeleteObject(font_);
}

int Win32BenchWindow::Scaled(int designPixels) const { return MulDiv(designPixels, dpi_, 96); }

HWND Win32BenchWindow::Child(const wchar_t* type, const wchar_t* text, DWORD style, RECT place,
                             int id) {
  HWND control = CreateWindowExW(
      0, type, text, WS_CHILD | WS_VISIBLE | style, Scaled(place.left), Scaled(place.top),
      Scaled(place.right - place.left), Scaled(place.bottom - place.top), window_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  HGDIOBJ font = font_ != nullptr ? font_ : GetStockObject(DEFAULT_GUI_FONT);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  return control;
}

void Win32BenchWindow::PlaceBeside() {
  RECT main{};
  GetWindowRect(main_, &main);
  SetWindowPos(window_, nullptr, main.right + Scaled(12), main.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
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
  // Its close button ends the demo: the main window closes (and takes the bench with it).
  if (bench != nullptr && message == WM_CLOSE) {
    PostMessageW(bench->main_, WM_CLOSE, 0, 0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace kelm::bench
