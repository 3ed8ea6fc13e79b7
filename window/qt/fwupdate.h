#pragma once
// The main window's Qt face: the designed controls on a dialog, their clicks and changes
// handed to the window's logic, which does everything else.

#include <QDialog>

#include <cstdint>
#include <memory>

#include "platform/host.h"
#include "window/qt/qt_controls.h"
#include "window/logic/fw_tool.h"
#include "window/logic/window_environment.h"

class QCloseEvent;

namespace Ui {
class TZintFwTool;
}

namespace kelm::ui {

class TZintFwTool final : public QDialog, private window::Frame {
  Q_OBJECT

 public:
  explicit TZintFwTool(WindowEnvironment env, QWidget* parent = nullptr);
  ~TZintFwTool() override;

  window::TZintFwTool& logic() { return *logic_; }

  // What a program or test asks of the logic through the window.
  bool updateRunning() const { return logic_->updateRunning(); }
  bool isClosed() const { return logic_->isClosed(); }
  platform::Options options() const { return logic_->options(); }
  void AdvanceProgress(std::int32_t step) { logic_->AdvanceProgress(step); }
  void EraseButtonClick() { logic_->EraseButtonClick(); }

 signals:
  // A close went through (it waits for a running procedure to return first).
  void windowClosed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  // window::Frame
  void SetClientSize(int width, int height) override;
  void Close() override;
  void CloseLater() override;
  void ProcessMessages() override;

  void ConnectHandlers();
  void ApplyFonts();

  std::unique_ptr<::Ui::TZintFwTool> ui_;
  QtControls controls_;
  std::unique_ptr<window::TZintFwTool> logic_;
};

}  // namespace kelm::ui
