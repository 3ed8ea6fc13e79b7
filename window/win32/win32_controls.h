#pragma once
// The window's logic reaching the Win32 face's controls by their design names.

#include "window/win32/windows_api.h"

#include <map>
#include <string>
#include <string_view>

#include "window/logic/controls.h"

namespace kelm::win32 {

class Win32Controls final : public window::Controls {
 public:
  // What the face made for one design control.
  struct Made {
    HWND window = nullptr;
    HWND caption = nullptr;  // the label of a labelled edit
    int designHeight = 0;
  };

  void Add(std::string_view name, Made made) { made_[std::string(name)] = made; }
  // nullptr when the design has no such control.
  HWND Find(std::string_view name) const;
  // Black unless the logic gave the label a colour.
  window::ColorRef ColorOf(std::string_view name) const;

  bool Visible(std::string_view control) const override;
  void SetVisible(std::string_view control, bool shown) override;
  bool Enabled(std::string_view control) const override;
  void SetEnabled(std::string_view control, bool enabled) override;
  std::string Text(std::string_view control) const override;
  void SetText(std::string_view control, std::string_view text) override;
  void SetColor(std::string_view control, window::ColorRef color) override;
  int Height(std::string_view control) const override;

  int ItemCount(std::string_view list) const override;
  void ClearItems(std::string_view list) override;
  void AddItem(std::string_view list, std::string_view text) override;
  std::string ItemText(std::string_view list, int index) const override;
  int ItemIndex(std::string_view list) const override;
  void SetItemIndex(std::string_view list, int index) override;

  bool Checked(std::string_view box) const override;
  void SetChecked(std::string_view box, bool checked) override;

  int Position(std::string_view bar) const override;
  window::ProgressRange Range(std::string_view bar) const override;
  void SetPosition(std::string_view bar, int position) override;

 private:
  const Made& Get(std::string_view name) const;
  HWND Window(std::string_view name) const { return Get(name).window; }

  std::map<std::string, Made, std::less<>> made_;
  std::map<std::string, window::ColorRef, std::less<>> colors_;
};

}  // namespace kelm::win32
