#pragma once
// The small window beside the main one on the desktop: unplug and plug the simulated
// enclosures by hand. It belongs to the main window: it goes with it, and its close button
// closes the demo. Its size and font follow the screen's resolution.

#include "window/win32/windows_api.h"

#include "platform/sim/sim_platform.h"
#include "programs/fwupdate-sim/bench_ports.h"

namespace kelm::bench {

class Win32BenchWindow {
 public:
  Win32BenchWindow(SimNotifications& enclosures, const sim::SimPlatform& sim, HWND main);
  ~Win32BenchWindow();
  Win32BenchWindow(const Win32BenchWindow&) = delete;
  Win32BenchWindow& operator=(const Win32BenchWindow&) = delete;

  // Shows the bench to the right of the main window.
  void PlaceBeside();

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void ShowState();
  int Scaled(int designPixels) const;
  HWND Child(const wchar_t* type, const wchar_t* text, DWORD style, RECT place, int id);

  SimNotifications& enclosures_;
  const sim::SimPlatform& sim_;
  HWND main_;
  int dpi_ = 96;
  HFONT font_ = nullptr;
  HWND window_ = nullptr;
  HWND state_ = nullptr;
};

}  // namespace kelm::bench
