#include "window/win32/fw_tool_window.h"

#include <commctrl.h>

#include <exception>
#include <string>
#include <utility>

#include "fwupdate_design.h"
#include "window/logic/application_title.h"
#include "window/logic/control_events.h"
#include "window/logic/design_fonts.h"
#include "window/win32/wide_text.h"

namespace kelm::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"KelmFwToolWindow";
constexpr wchar_t kPanelClass[] = L"KelmFwToolPanel";
constexpr int kFirstId = 1000;
// A fixed dialog-style window: a caption with the system menu, no sizing border.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

void RegisterClasses(WNDPROC window, WNDPROC panel) {
  WNDCLASSEXW type{};
  type.cbSize = sizeof type;
  type.hInstance = GetModuleHandleW(nullptr);
  type.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  // The program's icon is its resource 1; a program without one gets the system's.
  type.hIcon = LoadIconW(type.hInstance, MAKEINTRESOURCEW(1));
  type.hIconSm = static_cast<HICON>(LoadImageW(type.hInstance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  type.lpfnWndProc = window;
  type.lpszClassName = kWindowClass;
  RegisterClassExW(&type);  // a second window finds the classes there
  type.lpfnWndProc = panel;
  type.lpszClassName = kPanelClass;
  type.hbrBackground = nullptr;  // the panel paints its own
  type.hIcon = nullptr;
  type.hIconSm = nullptr;
  RegisterClassExW(&type);
}

// What the design's kind becomes: the window class and its style.
std::pair<const wchar_t*, DWORD> ClassOf(const design::Control& control) {
  switch (control.kind) {
    case design::Kind::Label:
      return {L"STATIC", SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX};
    case design::Kind::Button:
      return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP};
    case design::Kind::CheckBox:
      return {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP};
    case design::Kind::List:
      return {WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP};
    case design::Kind::Edit:
      return {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP | (control.readOnly ? ES_READONLY : 0)};
    case design::Kind::ProgressBar:
      return {PROGRESS_CLASSW, 0};
    case design::Kind::Panel:
      return {kPanelClass, WS_CLIPSIBLINGS};
  }
  return {L"STATIC", 0};
}

COLORREF ParseColor(std::string_view hex) {
  if (hex.size() != 7 || hex[0] != '#') return GetSysColor(COLOR_BTNFACE);
  const unsigned long value = std::stoul(std::string(hex.substr(1)), nullptr, 16);
  return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

const design::Control* PanelDesign(HWND panel) {
  return reinterpret_cast<const design::Control*>(GetWindowLongPtrW(panel, GWLP_USERDATA));
}

}  // namespace

FwToolWindow::FwToolWindow(ui::WindowEnvironment env, platform::MessageBoxes& errors)
    : errors_(errors) {
  INITCOMMONCONTROLSEX common{sizeof common, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&common);
  RegisterClasses(&Procedure, &PanelProcedure);
  HDC screen = GetDC(nullptr);
  dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);

  window_ = CreateWindowExW(kExStyle, kWindowClass, Wide(design::kCaption).c_str(), kStyle,
                            CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr,
                            GetModuleHandleW(nullptr), this);
  if (window_ == nullptr) throw WindowNotMade();
  SetClientSize(design::kWidth, design::kHeight);
  MakeControls();

  window::Frame& frame = *this;
  logic_ = std::make_unique<window::TZintFwTool>(controls_, frame, std::move(env));
  listening_ = logic_.get();
  logic_->Start();
}

FwToolWindow::~FwToolWindow() {
  // The controls outlive the logic by a little; nothing they say may reach it then.
  listening_ = nullptr;
  logic_.reset();
  if (!closed_) DestroyWindow(window_);
  for (const auto& [key, font] : fonts_) DeleteObject(font);
}

int FwToolWindow::Scaled(int designPixels) const { return MulDiv(designPixels, dpi_, 96); }

HFONT FwToolWindow::FontFor(std::size_t index) {
  const design::Control& control = design::kControls[index];
  const std::wstring family = Wide(control.fontFamily.empty() ? design::kFontFamily : control.fontFamily);
  // A negative height asks for the character height: points at the screen's resolution, or
  // the design's pixels.
  int height = -MulDiv(control.pointSize != 0 ? control.pointSize : design::kPointSize, dpi_, 72);
  for (const window::PixelFont& pixel : window::kPixelFonts) {
    if (pixel.control == control.name) height = -Scaled(pixel.pixels);
  }
  HFONT& font = fonts_[{family, height}];
  if (font == nullptr) {
    font = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, family.c_str());
  }
  return font;
}

void FwToolWindow::MakeControls() {
  std::map<std::string_view, HWND> captions;  // edit name -> its caption
  for (std::size_t index = 0; index < design::kControls.size(); ++index) {
    const design::Control& control = design::kControls[index];
    HWND parent = window_;
    if (!control.parent.empty()) {
      for (std::size_t earlier = 0; earlier < index; ++earlier) {
        if (design::kControls[earlier].name == control.parent) parent = byIndex_[earlier];
      }
    }
    const auto [type, style] = ClassOf(control);
    DWORD fullStyle = WS_CHILD | style;
    if (control.visible) fullStyle |= WS_VISIBLE;
    if (!control.enabled) fullStyle |= WS_DISABLED;
    const DWORD exStyle = control.kind == design::Kind::Edit ? WS_EX_CLIENTEDGE : 0;
    // A drop-down list's height is its open list's; the closed box takes the item height.
    const int height = control.kind == design::Kind::List ? control.height + 160 : control.height;
    HWND made = CreateWindowExW(
        exStyle, type, Wide(control.text).c_str(), fullStyle, Scaled(control.x), Scaled(control.y),
        Scaled(control.width), Scaled(height), parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstId + static_cast<int>(index))),
        GetModuleHandleW(nullptr), nullptr);
    byIndex_.push_back(made);
    SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(index)), FALSE);

    switch (control.kind) {
      case design::Kind::CheckBox:
        SendMessageW(made, BM_SETCHECK, control.checked ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
      case design::Kind::List:
        SendMessageW(made, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), Scaled(control.height - 6));
        for (int item = 0; item < control.itemCount; ++item) {
          const std::wstring text = Wide(design::kItems[static_cast<std::size_t>(control.firstItem + item)]);
          SendMessageW(made, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        SendMessageW(made, CB_SETCURSEL, static_cast<WPARAM>(control.currentIndex), 0);
        break;
      case design::Kind::ProgressBar:
        SendMessageW(made, PBM_SETRANGE32, static_cast<WPARAM>(control.minimum), control.maximum);
        SendMessageW(made, PBM_SETPOS, static_cast<WPARAM>(control.value), 0);
        break;
      case design::Kind::Panel:
        SetWindowLongPtrW(made, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&control));
        break;
      default:
        break;
    }
    if (!control.buddy.empty()) captions[control.buddy] = made;
  }
  for (std::size_t index = 0; index < design::kControls.size(); ++index) {
    const design::Control& control = design::kControls[index];
    const auto caption = captions.find(control.name);
    controls_.Add(control.name, {byIndex_[index], caption == captions.end() ? nullptr : caption->second,
                                 control.height});
  }
}

void FwToolWindow::Show() {
  RECT frame{};
  GetWindowRect(window_, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(window_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
}

void FwToolWindow::Command(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  // Escape closes the window, as it does a dialog.
  if (id == IDCANCEL && lParam == 0) {
    Close();
    return;
  }
  if (listening_ == nullptr || lParam == 0 || id < kFirstId ||
      id >= kFirstId + static_cast<int>(design::kControls.size())) {
    return;
  }
  const design::Control& control = design::kControls[static_cast<std::size_t>(id - kFirstId)];
  try {
    switch (HIWORD(wParam)) {
      case BN_CLICKED:
        window::OnClick(*listening_, control.name, control.tag);
        break;
      case CBN_SELCHANGE:
      case EN_CHANGE:
        window::OnChange(*listening_, controls_, control.name);
        break;
      default:
        break;
    }
  } catch (const std::exception& error) {
    errors_.Show(window::kApplicationTitle, error.what(), platform::MessageIcon::Error);
  } catch (...) {
    errors_.Show(window::kApplicationTitle, "", platform::MessageIcon::Error);
  }
}

LRESULT FwToolWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      Command(wParam, lParam);
      return 0;
    case WM_CTLCOLORSTATIC: {
      // Labels in the logic's colour on the dialog's face; other controls as the system draws them.
      HWND control = reinterpret_cast<HWND>(lParam);
      const int id = GetDlgCtrlID(control) - kFirstId;
      if (id >= 0 && id < static_cast<int>(design::kControls.size()) &&
          design::kControls[static_cast<std::size_t>(id)].kind == design::Kind::Label) {
        const window::ColorRef color = controls_.ColorOf(design::kControls[static_cast<std::size_t>(id)].name);
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, RGB(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    }
    case WM_CLOSE:
      // The logic decides: never while a procedure runs.
      try {
        if (listening_ == nullptr || listening_->CloseRequested()) DestroyWindow(window_);
      } catch (const std::exception& error) {
        errors_.Show(window::kApplicationTitle, error.what(), platform::MessageIcon::Error);
      }
      return 0;
    case WM_QUERYENDSESSION:
      // The logic decides: a flash cut short leaves the enclosure without firmware.
      return listening_ == nullptr || listening_->SessionMayEnd() ? TRUE : FALSE;
    case WM_DESTROY:
      closed_ = true;
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK FwToolWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<FwToolWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<FwToolWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return self->OnMessage(message, wParam, lParam);
}

LRESULT CALLBACK FwToolWindow::PanelProcedure(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
      // The panel's controls belong to the window: it hears what they say.
      return SendMessageW(GetAncestor(panel, GA_ROOT), message, wParam, lParam);
    case WM_ERASEBKGND: {
      const design::Control* control = PanelDesign(panel);
      RECT area{};
      GetClientRect(panel, &area);
      HBRUSH brush = CreateSolidBrush(ParseColor(control == nullptr ? "" : control->background));
      FillRect(reinterpret_cast<HDC>(wParam), &area, brush);
      DeleteObject(brush);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(panel, &paint);
      const design::Control* control = PanelDesign(panel);
      if (control != nullptr && control->framed) {
        RECT area{};
        GetClientRect(panel, &area);
        DrawEdge(dc, &area, BDR_SUNKENOUTER, BF_RECT);
      }
      EndPaint(panel, &paint);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(panel, message, wParam, lParam);
}

// --- window::Frame ---

void FwToolWindow::SetClientSize(int width, int height) {
  RECT frame{0, 0, Scaled(width), Scaled(height)};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FwToolWindow::Close() { SendMessageW(window_, WM_CLOSE, 0, 0); }

void FwToolWindow::CloseLater() { PostMessageW(window_, WM_CLOSE, 0, 0); }

void FwToolWindow::ProcessMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void RunUntilClosed(FwToolWindow& window) {
  window.Show();
  MSG message;
  while (!window.Closed() && GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(window.Handle(), &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

}  // namespace kelm::win32
