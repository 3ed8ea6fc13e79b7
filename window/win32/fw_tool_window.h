#pragma once
// The main window's Win32 face: the designed controls as standard Windows controls on a
// dialog-style window, their clicks and changes handed to the window's logic, which does
// everything else.

#include "window/win32/windows_api.h"

#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/host.h"
#include "window/logic/fw_tool.h"
#include "window/logic/window_environment.h"
#include "window/win32/win32_controls.h"

namespace kelm::win32 {

// No window could be made: there is no desktop to make it on (a service's session, say).
class WindowNotMade : public std::runtime_error {
 public:
  WindowNotMade() : std::runtime_error("the window could not be made") {}
};

class FwToolWindow final : private window::Frame {
 public:
  // Makes the window (not shown) and the design's controls, then the logic, and starts it.
  // An exception escaping a handler is shown through `errors`, and the window goes on.
  FwToolWindow(ui::WindowEnvironment env, platform::MessageBoxes& errors);
  // The logic goes first (it sends the leave commands), then the window.
  ~FwToolWindow() override;
  FwToolWindow(const FwToolWindow&) = delete;
  FwToolWindow& operator=(const FwToolWindow&) = delete;

  void Show();
  HWND Handle() const { return window_; }
  // nullptr when the design has no control of that name.
  HWND Control(std::string_view name) const { return controls_.Find(name); }
  window::ColorRef LabelColor(std::string_view name) const { return controls_.ColorOf(name); }
  window::TZintFwTool& logic() { return *logic_; }
  // The controls as the logic reaches them.
  window::Controls& controls() { return controls_; }
  // A close went through and the window is gone.
  bool Closed() const { return closed_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK PanelProcedure(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void MakeControls();
  HFONT FontFor(std::size_t control);
  // Tells the logic which control was clicked or changed; shows what escapes.
  void Command(WPARAM wParam, LPARAM lParam);
  int Scaled(int designPixels) const;

  // window::Frame
  void SetClientSize(int width, int height) override;
  void Close() override;
  void CloseLater() override;
  void ProcessMessages() override;

  platform::MessageBoxes& errors_;
  HWND window_ = nullptr;
  int dpi_ = 96;
  Win32Controls controls_;
  std::vector<HWND> byIndex_;  // the design's controls in design order
  std::map<std::pair<std::wstring, int>, HFONT> fonts_;
  std::unique_ptr<window::TZintFwTool> logic_;
  window::TZintFwTool* listening_ = nullptr;  // the logic, while controls may reach it
  bool closed_ = false;
};

// Shows the window and runs the message loop until it is closed.
void RunUntilClosed(FwToolWindow& window);

}  // namespace kelm::win32
