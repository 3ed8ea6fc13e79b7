#pragma once
// The small window beside the main one on the desktop: unplug and plug the simulated
// enclosures by hand.

#include "window/win32/windows_api.h"

#include "platform/sim/sim_platform.h"
#include "programs/fwupdate-sim/bench_ports.h"

namespace kelm::bench {

class Win32BenchWindow {
 public:
  Win32BenchWindow(SimNotifications& enclosures, const sim::SimPlatform& sim);
  ~Win32BenchWindow();
  Win32BenchWindow(const Win32BenchWindow&) = delete;
  Win32BenchWindow& operator=(const Win32BenchWindow&) = delete;

  // Shows the bench to the right of `window`.
  void PlaceBeside(HWND window);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void ShowState();

  SimNotifications& enclosures_;
  const sim::SimPlatform& sim_;
  HWND window_ = nullptr;
  HWND state_ = nullptr;
};

}  // namespace kelm::bench
