#include "programs/fwupdate-sim/win32_face_view.h"

#include "window/win32/windows_api.h"
#include <commctrl.h>

#include <string>

#include "window/win32/wide_text.h"

namespace kelm::bench {

using win32::Narrow;
using win32::Wide;
using win32::WindowText;

namespace {

bool IsList(HWND control) {
  wchar_t name[32] = {};
  GetClassNameW(control, name, 32);
  return lstrcmpiW(name, WC_COMBOBOXW) == 0;
}

bool IsCheckBox(HWND control) {
  const auto style = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
  return style == BS_AUTOCHECKBOX || style == BS_CHECKBOX;
}

}  // namespace

bool Win32FaceView::Has(std::string_view name) const { return Find(name) != nullptr; }

bool Win32FaceView::Hidden(std::string_view name) const {
  return (GetWindowLongPtrW(Find(name), GWL_STYLE) & WS_VISIBLE) == 0;
}

bool Win32FaceView::Enabled(std::string_view name) const {
  // A control in a disabled panel is disabled too, as a person finds it.
  for (HWND control = Find(name); control != nullptr && control != window_.Handle();
       control = GetParent(control)) {
    if (!IsWindowEnabled(control)) return false;
  }
  return true;
}

std::string Win32FaceView::Text(std::string_view name) const {
  HWND control = Find(name);
  if (!IsList(control)) return WindowText(control);
  const auto index = SendMessageW(control, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return {};
  const auto length = SendMessageW(control, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(control, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return Narrow(text);
}

window::ColorRef Win32FaceView::LabelColor(std::string_view name) const {
  return window_.LabelColor(name);
}

bool Win32FaceView::Checked(std::string_view box) const {
  return SendMessageW(Find(box), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int Win32FaceView::ItemCount(std::string_view list) const {
  return static_cast<int>(SendMessageW(Find(list), CB_GETCOUNT, 0, 0));
}

int Win32FaceView::ItemIndex(std::string_view list) const {
  const auto index = SendMessageW(Find(list), CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

int Win32FaceView::Position(std::string_view bar) const {
  return static_cast<int>(SendMessageW(Find(bar), PBM_GETPOS, 0, 0));
}

int Win32FaceView::ClientWidth() const {
  RECT client{};
  GetClientRect(window_.Handle(), &client);
  return client.right - client.left;
}

int Win32FaceView::ClientHeight() const {
  RECT client{};
  GetClientRect(window_.Handle(), &client);
  return client.bottom - client.top;
}

std::string Win32FaceView::Caption() const { return WindowText(window_.Handle()); }

void Win32FaceView::Notify(HWND control, unsigned code) {
  SendMessageW(GetParent(control), WM_COMMAND,
               MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(control)), static_cast<WORD>(code)),
               reinterpret_cast<LPARAM>(control));
}

void Win32FaceView::Click(std::string_view name) {
  HWND control = Find(name);
  // An automatic check box changes its state before it tells its parent.
  if (IsCheckBox(control)) {
    const bool checked = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    SendMessageW(control, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
  }
  Notify(control, BN_CLICKED);
}

void Win32FaceView::Clicked(std::string_view name) { Notify(Find(name), BN_CLICKED); }

void Win32FaceView::Choose(std::string_view list, int index) {
  HWND control = Find(list);
  SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  Notify(control, CBN_SELCHANGE);
}

void Win32FaceView::Type(std::string_view edit, std::string_view text) {
  // A single-line edit tells its parent EN_CHANGE when its text is set.
  SetWindowTextW(Find(edit), Wide(text).c_str());
}

void Win32FaceView::ProcessMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace kelm::bench
