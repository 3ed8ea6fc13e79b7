#include "programs/fwupdate-sim/win32_face_view.h"

#include "window/win32/windows_api.h"
#include <commctrl.h>

#include <string>

#include "window/win32/wide_text.h"

namespace kelm::bench {

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

// The state is read through the face's own controls, the way the logic reads it.
bool Win32FaceView::Hidden(std::string_view name) const { return !window_.controls().Visible(name); }

bool Win32FaceView::Enabled(std::string_view name) const { return window_.controls().Enabled(name); }

std::string Win32FaceView::Text(std::string_view name) const {
  if (!IsList(Find(name))) return window_.controls().Text(name);
  const int index = ItemIndex(name);
  return index < 0 ? std::string() : window_.controls().ItemText(name, index);
}

window::ColorRef Win32FaceView::LabelColor(std::string_view name) const {
  return window_.LabelColor(name);
}

bool Win32FaceView::Checked(std::string_view box) const { return window_.controls().Checked(box); }

int Win32FaceView::ItemCount(std::string_view list) const {
  return window_.controls().ItemCount(list);
}

int Win32FaceView::ItemIndex(std::string_view list) const {
  return window_.controls().ItemIndex(list);
}

int Win32FaceView::Position(std::string_view bar) const { return window_.controls().Position(bar); }

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
