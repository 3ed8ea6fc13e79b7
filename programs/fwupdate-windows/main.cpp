// kelm-fwupdate.exe: the update window on the USB enclosures attached to this Windows machine.

#include "window/win32/windows_api.h"

#include <cstdlib>  // __argc, __argv
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "flash/image_folders.h"
#include "platform/native_names.h"
#include "platform/windows/host_services.h"
#include "platform/windows/image_folders.h"
#include "platform/windows/resource_images.h"
#include "platform/windows/session_hold.h"
#include "platform/windows/user_files_folder.h"
#include "platform/windows/volume_disk_claim.h"
#include "platform/windows/win32_calls.h"
#include "platform/windows/windows_device_file.h"
#include "platform/windows/windows_file_store.h"
#include "platform/windows/windows_notifications.h"
#include "platform/windows/windows_setup_service.h"
#include "window/logic/application_title.h"
#include "window/logic/no_image_notice.h"
#include "window/logic/program_arguments.h"
#include "window/win32/fw_tool_window.h"
#include "window/win32/parent_console.h"
#include "window/win32/program_folder.h"
#include "window/win32/win32_file_dialog.h"
#include "window/win32/win32_message_boxes.h"
#include "window/win32/wide_text.h"

namespace {

using namespace kelm;

// A window program has no console: what the procedures print goes to the debugger.
class DebuggerStandardOutput final : public platform::StandardOutput {
 public:
  explicit DebuggerStandardOutput(platform::DebugOutput& debug) : debug_(debug) {}
  void Write(std::string_view text) override { debug_.OutputDebugString(text); }

 private:
  platform::DebugOutput& debug_;
};


std::string HelpText() {
  std::string folders;
  for (const std::string& folder : windows::ImageFolders()) folders += "  " + folder + "\n";
  return "Usage: kelm-fwupdate [--images DIR] | --help | --version\n"
         "Identifies, backs up and updates the firmware of USB enclosures built on JMicron\n"
         "USB-to-ATA bridges. Run it with the enclosure plugged in; it asks for an\n"
         "administrator, as raw access to the enclosure's disk needs one.\n"
         "The vendor's firmware images (FW352A.bin, FW352B.bin, FW339.bin) are taken from\n"
         "those built in, then from the folder --images DIR names, then from:\n" + folders;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::optional<std::string> imagesDir;
  if (const std::optional<window::ArgumentAnswer> answer = window::AnswerArguments(
          "kelm-fwupdate", KELM_VERSION, HelpText(), platform::ProgramArguments(__argc, __argv), &imagesDir)) {
    win32::TellUser(window::kApplicationTitle, answer->text, answer->error);
    return answer->status;
  }
  const windows::Win32Calls& calls = windows::RealWin32Calls();
  // A long command must not turn the window into a ghost whose "Close the program" ends the
  // process amid a flash.
  calls.DisableProcessWindowsGhosting();
  win32::Win32MessageBoxes boxes;
  try {
    windows::WindowsDeviceFile device(calls);
    windows::WindowsSetupService setup(calls);
    windows::WindowsClock clock(calls);
    windows::WindowsDebugOutput debug(calls);
    DebuggerStandardOutput out(debug);
    windows::WindowsFileStore files(calls);
    // No drive here is a simulated one, so a synthetic test image is refused where it is found.
    const flash::FoundImages images = flash::FindImages(
        windows::ResourceImages(calls), imagesDir, windows::ImageFolders(calls), files, {});
    platform::Services services{device, setup, clock, debug, out, boxes, images, files};
    // Relative names (the default backup) never land in Program Files; --images was resolved
    // above, in the folder the window was started in.
    windows::MoveOutOfSystemFolders(calls);
    windows::VolumeDiskClaim claim(calls);
    // Its message-only window is served by the window's message loop below.
    windows::WindowsDeviceNotifications notifications(calls);
    win32::Win32FileDialog dialog;

    // Shutdown and sleep wait while a flash changes.
    windows::SessionHold sessionHold(calls);
    win32::FwToolWindow window(
        {services, notifications, dialog, claim, win32::ProgramFolder(), {}, sessionHold}, boxes);
    sessionHold.SetWindow(window.Handle());
    boxes.SetOwner(window.Handle());
    dialog.SetOwner(window.Handle());
    window.Show();
    // Drawn, controls and all, before the notice covers it.
    RedrawWindow(window.Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    window::TellAboutImages(images, boxes);
    win32::RunUntilClosed(window);
  } catch (const std::exception& error) {
    boxes.Show(window::kApplicationTitle, error.what(), platform::MessageIcon::Error);
  } catch (...) {
    boxes.Show(window::kApplicationTitle, "", platform::MessageIcon::Error);
  }
  return 0;
}
