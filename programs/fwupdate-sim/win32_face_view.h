#pragma once
// The Win32 face as a script sees it: the designed controls' windows, read with the messages
// any program could send them, and a person's actions sent as the notifications they cause.

#include "programs/fwupdate-sim/face_view.h"
#include "window/win32/fw_tool_window.h"

namespace kelm::bench {

class Win32FaceView final : public FaceView {
 public:
  explicit Win32FaceView(win32::FwToolWindow& window) : window_(window) {}

  bool Has(std::string_view name) const override;
  bool Hidden(std::string_view name) const override;
  bool Enabled(std::string_view name) const override;
  std::string Text(std::string_view name) const override;
  window::ColorRef LabelColor(std::string_view name) const override;
  bool Checked(std::string_view box) const override;
  int ItemCount(std::string_view list) const override;
  int ItemIndex(std::string_view list) const override;
  int Position(std::string_view bar) const override;
  int ClientWidth() const override;
  int ClientHeight() const override;
  std::string Caption() const override;

  void Click(std::string_view name) override;
  void Clicked(std::string_view name) override;
  void Choose(std::string_view list, int index) override;
  void Type(std::string_view edit, std::string_view text) override;

  void ProcessMessages() override;
  bool Open() const override { return !window_.Closed(); }

 private:
  HWND Find(std::string_view name) const { return window_.Control(name); }
  // What the control's parent hears when the control tells it `code`.
  void Notify(HWND control, unsigned code);

  win32::FwToolWindow& window_;
};

}  // namespace kelm::bench
