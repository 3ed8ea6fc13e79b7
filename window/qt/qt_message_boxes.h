#pragma once
// Message boxes on a display: a modal QMessageBox with an OK button.

#include <QPointer>
#include <QWidget>

#include "platform/host.h"

namespace kelm::ui {

class QtMessageBoxes final : public platform::MessageBoxes {
 public:
  explicit QtMessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}
  // The window the boxes are centred on and modal to (none: the whole application).
  void setParent(QWidget* parent) { parent_ = parent; }

  void Show(std::string_view caption, std::string_view text, platform::MessageIcon icon) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace kelm::ui
