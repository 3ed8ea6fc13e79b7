#pragma once
// The open-file dialog on a display.

#include "ui/window_environment.h"

class QWidget;

namespace kelm::bench {

class QtFileDialog final : public ui::FileDialog {
 public:
  void SetParent(QWidget* parent) { parent_ = parent; }
  std::optional<std::string> GetOpenFileName(const std::string& initialDir,
                                             const std::string& filter) override;

 private:
  QWidget* parent_ = nullptr;
};

}  // namespace kelm::bench
