#include "window/win32/win32_controls.h"

#include <commctrl.h>

#include <stdexcept>

#include "window/win32/wide_text.h"

namespace kelm::win32 {

HWND Win32Controls::Find(std::string_view name) const {
  const auto found = made_.find(name);
  return found == made_.end() ? nullptr : found->second.window;
}

const Win32Controls::Made& Win32Controls::Get(std::string_view name) const {
  const auto found = made_.find(name);
  if (found == made_.end()) {
    throw std::logic_error("the window has no control " + std::string(name));
  }
  return found->second;
}

window::ColorRef Win32Controls::ColorOf(std::string_view name) const {
  const auto found = colors_.find(name);
  return found == colors_.end() ? window::kBlack : found->second;
}

bool Win32Controls::Visible(std::string_view control) const {
  return (GetWindowLongPtrW(Window(control), GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32Controls::SetVisible(std::string_view control, bool shown) {
  const Made& made = Get(control);
  const int how = shown ? SW_SHOWNA : SW_HIDE;
  ShowWindow(made.window, how);
  if (made.caption != nullptr) ShowWindow(made.caption, how);
}

bool Win32Controls::Enabled(std::string_view control) const {
  // A control in a disabled panel is disabled too.
  HWND top = GetAncestor(Window(control), GA_ROOT);
  for (HWND window = Window(control); window != nullptr && window != top; window = GetParent(window)) {
    if (!IsWindowEnabled(window)) return false;
  }
  return true;
}

void Win32Controls::SetEnabled(std::string_view control, bool enabled) {
  EnableWindow(Window(control), enabled ? TRUE : FALSE);
}

std::string Win32Controls::Text(std::string_view control) const {
  return WindowText(Window(control));
}

void Win32Controls::SetText(std::string_view control, std::string_view text) {
  // Only a real change is a change: an edit then tells its change handler, as Qt's do.
  if (Text(control) == text) return;
  SetWindowTextW(Window(control), Wide(text).c_str());
}

void Win32Controls::SetColor(std::string_view control, window::ColorRef color) {
  colors_[std::string(control)] = color;
  InvalidateRect(Window(control), nullptr, TRUE);
}

int Win32Controls::Height(std::string_view control) const { return Get(control).designHeight; }

int Win32Controls::ItemCount(std::string_view list) const {
  return static_cast<int>(SendMessageW(Window(list), CB_GETCOUNT, 0, 0));
}

void Win32Controls::ClearItems(std::string_view list) {
  SendMessageW(Window(list), CB_RESETCONTENT, 0, 0);
}

void Win32Controls::AddItem(std::string_view list, std::string_view text) {
  HWND box = Window(list);
  SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
  // A list that had nothing selected selects its first item, as the Qt face's lists do.
  if (SendMessageW(box, CB_GETCURSEL, 0, 0) == CB_ERR) SendMessageW(box, CB_SETCURSEL, 0, 0);
}

std::string Win32Controls::ItemText(std::string_view list, int index) const {
  HWND box = Window(list);
  const auto length = SendMessageW(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return Narrow(text);
}

int Win32Controls::ItemIndex(std::string_view list) const {
  const auto index = SendMessageW(Window(list), CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

void Win32Controls::SetItemIndex(std::string_view list, int index) {
  // CB_SETCURSEL tells nobody, as the logic wants.
  SendMessageW(Window(list), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

bool Win32Controls::Checked(std::string_view box) const {
  return SendMessageW(Window(box), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Controls::SetChecked(std::string_view box, bool checked) {
  SendMessageW(Window(box), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

int Win32Controls::Position(std::string_view bar) const {
  return static_cast<int>(SendMessageW(Window(bar), PBM_GETPOS, 0, 0));
}

window::ProgressRange Win32Controls::Range(std::string_view bar) const {
  PBRANGE range{};
  SendMessageW(Window(bar), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  return {range.iLow, range.iHigh};
}

void Win32Controls::SetPosition(std::string_view bar, int position) {
  HWND progress = Window(bar);
  SendMessageW(progress, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  // Shown now: a procedure may keep the message loop waiting for a while.
  UpdateWindow(progress);
}

}  // namespace kelm::win32
