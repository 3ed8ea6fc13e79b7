// kelmtool on this machine's enclosures under Windows: the pass-through on the drives'
// devices, the setup service, the drives' device notifications for the re-plug, the volume claim, and the
// firmware images this program carries as resources.

#include <chrono>
#include <fstream>
#include <memory>
#include <utility>

#include "flash/image_folders.h"
#include "platform/trace/tracing_device_file.h"
#include "platform/windows/console_interrupt_hold.h"
#include "platform/windows/host_services.h"
#include "platform/windows/image_folders.h"
#include "platform/windows/resource_images.h"
#include "platform/windows/session_hold.h"
#include "platform/windows/volume_disk_claim.h"
#include "platform/windows/windows_device_file.h"
#include "platform/windows/windows_file_store.h"
#include "platform/windows/windows_notifications.h"
#include "platform/windows/windows_setup_service.h"
#include "programs/kelmtool/console_ports.h"
#include "programs/kelmtool/machine_side.h"
#include "programs/kelmtool/tool.h"
#include "programs/kelmtool/tool_support.h"
#include "programs/kelmtool/windows_drive_locator.h"
#include "programs/kelmtool/windows_replug_watch.h"

namespace kelm::kelmtool {

namespace {

// The debugger sees what the terminal sees.
class BothDebugOutputs final : public platform::DebugOutput {
 public:
  void OutputDebugString(std::string_view text) override {
    console_.OutputDebugString(text);
    debugger_.OutputDebugString(text);
  }

 private:
  ConsoleDebugOutput console_;
  windows::WindowsDebugOutput debugger_;
};

}  // namespace

int RunOnThisMachine(const CommandLine& line, std::FILE* out) {
  std::ofstream trace;
  if (!OpenTrace(line, trace)) return kExitBadInput;
  const windows::Win32Calls& calls = windows::RealWin32Calls();
  ConsoleMessageBoxes boxes;
  windows::WindowsDeviceFile device(calls);
  trace::TracingDeviceFile file(device);
  if (line.trace) file.SetTrace(&trace);
  windows::WindowsSetupService setup(calls);
  windows::WindowsClock clock(calls);
  BothDebugOutputs debug;
  ConsoleStandardOutput standardOutput(out);
  windows::WindowsFileStore files(calls);
  const WindowsDriveLocator locator(calls);
  const flash::FoundImages images =
      FindToolImages(windows::ResourceImages(calls), windows::ImageFolders(calls), files, locator);
  const platform::Services io{file, setup, clock, debug, standardOutput, boxes, images, files};

  windows::VolumeDiskClaim claim(calls);
  windows::WindowsDeviceNotifications notifications(
      calls, {std::begin(windows::kDriveClasses), std::end(windows::kDriveClasses)});
  DeviceChangeReplugWatch watch(notifications, out);
  // Ctrl+C and Ctrl+Break, and sleep, wait while a flash changes.
  platform::FlashHoldOffs holdOff;
  holdOff.Add(std::make_unique<windows::ConsoleInterruptHold>(
      calls, [] { std::fprintf(stderr, "%s\n", kInterruptNotice); }));
  holdOff.Add(std::make_unique<windows::SessionHold>(calls));
  const ToolEnvironment env{io, claim, files, locator, watch, holdOff};
  const int status = RunTool(line, env, out);
  if (device.AccessWasDenied()) {
    TellError("Windows refused access to a drive; run kelmtool from an administrator prompt");
  }
  return status;
}

}  // namespace kelm::kelmtool
