#pragma once
// The designed controls on Qt widgets, found by object name under the window.

#include <string>
#include <string_view>

#include "window/logic/controls.h"

class QWidget;

namespace kelm::ui {

class QtControls final : public window::Controls {
 public:
  explicit QtControls(QWidget& window) : window_(window) {}

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
  // The control of that name and class; a name the design lacks is a fault of the logic.
  template <typename T>
  T& Find(std::string_view name) const;

  QWidget& window_;
};

}  // namespace kelm::ui
