#pragma once
// The Qt face as a script sees it: the designed widgets found by their object names.

#include <QPointer>
#include <QWidget>

#include "programs/fwupdate-sim/face_view.h"

namespace kelm::bench {

class QtFaceView final : public FaceView {
 public:
  explicit QtFaceView(QWidget& window) : window_(&window) {}

  bool Has(std::string_view name) const override;
  bool Hidden(std::string_view name) const override;
  bool Enabled(std::string_view name) const override;
  std::string Text(std::string_view name) const override;
  window::ColorRef LabelColor(std::string_view name) const override;
  bool Checked(std::string_view box) const override;
  int ItemCount(std::string_view list) const override;
  int ItemIndex(std::string_view list) const override;
  int Position(std::string_view bar) const override;
  int ClientWidth() const override { return window_->width(); }
  int ClientHeight() const override { return window_->height(); }
  std::string Caption() const override;

  void Click(std::string_view name) override;
  void Clicked(std::string_view name) override;
  void Choose(std::string_view list, int index) override;
  void Type(std::string_view edit, std::string_view text) override;

  void ProcessMessages() override;
  bool Open() const override { return !window_.isNull() && window_->isVisible(); }

 private:
  template <typename T>
  T* Find(std::string_view name) const;

  QPointer<QWidget> window_;
};

}  // namespace kelm::bench
