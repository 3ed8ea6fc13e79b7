// kelmtool on this machine's enclosures: SG_IO on the sg nodes, sysfs discovery, udev for
// the re-plug, and the firmware images this build carries.

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <utility>

#include "flash/image_folders.h"
#include "flash/images.h"
#include "platform/linux/image_folders.h"
#include "platform/linux/host_services.h"
#include "platform/linux/linux_backend.h"
#include "platform/posix/posix_file_store.h"
#include "platform/trace/tracing_device_file.h"
#include "programs/kelmtool/console_ports.h"
#include "programs/kelmtool/linux_drive_locator.h"
#include "programs/kelmtool/linux_hold_off.h"
#include "programs/kelmtool/machine_side.h"
#include "programs/kelmtool/tool.h"
#include "programs/kelmtool/tool_support.h"

namespace kelm::kelmtool {

namespace {

// Waits on udev for a USB-storage drive to go away and one to arrive after it.
class UdevReplugWatch final : public EnclosureWatch {
 public:
  UdevReplugWatch(linux_platform::UdevDeviceNotifications& notifications, std::FILE* out)
      : notifications_(notifications), out_(out) {}

  bool AwaitReplug() override {
    return AwaitRemovalThenArrival(
        out_,
        [&](DeviceChangeHandler handler) {
          if (notifications_.Fd() < 0) return false;
          notifications_.Register(std::move(handler));
          return true;
        },
        [&](std::chrono::milliseconds left) {
          pollfd watched{notifications_.Fd(), POLLIN, 0};
          if (poll(&watched, 1, static_cast<int>(left.count())) > 0) notifications_.Dispatch();
        });
  }

 private:
  linux_platform::UdevDeviceNotifications& notifications_;
  std::FILE* out_;
};

}  // namespace

int RunOnThisMachine(const CommandLine& line, std::FILE* out) {
  // Only the service opens the enclosures for users; root may still open them itself, to
  // recover a machine without a working system bus.
  if (geteuid() != 0) return RunThroughService(line, out);
  std::ofstream trace;
  if (!OpenTrace(line, trace)) return kExitBadInput;
  ConsoleMessageBoxes boxes;
  linux_platform::LinuxBackend backend({}, boxes);
  trace::TracingDeviceFile file(backend.file);
  if (line.trace) file.SetTrace(&trace);
  linux_platform::ThreadClock clock;
  ConsoleDebugOutput debug;
  ConsoleStandardOutput standardOutput(out);
  posix::PosixFileStore files;
  const LinuxDriveLocator locator(backend.roots);
  const flash::FoundImages images = FindToolImages(
      flash::EmbeddedImages{}, linux_platform::ImageFolders(), files, locator);
  const platform::Services io{file, backend.setup, clock, debug, standardOutput, boxes, images, files};

  UdevReplugWatch watch(backend.notifications, out);
  const std::unique_ptr<platform::FlashHoldOff> holdOff = LinuxHoldOff();
  const ToolEnvironment env{io, backend.diskClaim, files, locator, watch, *holdOff};
  return RunTool(line, env, out);
}

}  // namespace kelm::kelmtool
