// kelm-fwupdate-scripted: the hardware program's window and Linux backend driven by the
// simulator's script actions, headless, printing the simulator's transcript. Built for the
// bench that serves simulated bridges to the kernel; never installed.

#include <QCoreApplication>

#include <array>
#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/image_folders.h"
#include "platform/linux/linux_backend.h"
#include "platform/linux/service_enclosures.h"
#include "platform/linux/simulated_bus.h"
#include "platform/linux/logind_inhibitor.h"
#include "platform/posix/posix_file_store.h"
#include "programs/fwupdate-sim/bench_inputs.h"
#include "programs/fwupdate-sim/bench_ports.h"
#include "programs/fwupdate-sim/command_line.h"
#include "programs/fwupdate-sim/script_actions.h"
#include "programs/fwupdate-sim/qt_scripted_window.h"
#include "programs/fwupdate-sim/transcript.h"
#include "programs/fwupdate-scripted/counting_clock.h"
#include "programs/fwupdate-scripted/shell_command.h"
#include "programs/fwupdate-scripted/simulated_bus_file.h"
#include "programs/fwupdate-scripted/udev_hands.h"
#include "programs/fwupdate-linux/service_socket_notifier.h"
#include "programs/fwupdate-linux/udev_socket_notifier.h"
#include "window/qt/startup.h"

namespace {

using namespace kelm;

struct ScriptedLine {
  std::optional<std::string> script;
  std::optional<std::string> images;  // looked in before the folders the window looks in
  std::optional<std::string> unplugCommand;
  std::optional<std::string> plugCommand;
  // "service": the window goes through the firmware update service, as it does for a user.
  std::optional<std::string> access;
  bool help = false;
  bool version = false;
};

constexpr std::array<bench::OptionRule<ScriptedLine>, 5> kOptions = {{
    {"--script", &ScriptedLine::script},
    {"--images", &ScriptedLine::images},
    {"--unplug-command", &ScriptedLine::unplugCommand},
    {"--plug-command", &ScriptedLine::plugCommand},
    {"--access", &ScriptedLine::access},
}};

constexpr const char* kUsage =
    "usage: kelm-fwupdate-scripted --script ACTIONS [--images DIR] [--unplug-command CMD] "
    "[--plug-command CMD] [--access direct|service]";

// Long enough for udev's slowest arrival seen on the bench, short enough not to hang it.
constexpr std::chrono::seconds kPlugBound{10};

struct Inputs {
  ScriptedLine line;
  std::vector<bench::Action> actions;
  flash::FoundImages images;
};

// As the window finds them (it builds none in): a synthetic test image reaches the drives on
// the simulated bus alone, the only ones this program opens anyway.
flash::FoundImages FindImages(const std::optional<std::string>& dir) {
  flash::SyntheticImageGuard guard = [roots = linux_platform::SystemRoots{}](const std::string& path) {
    return linux_platform::OnSimulatedBus(roots, path);
  };
  flash::FoundImages images = dir ? bench::LoadImageFolder(*dir, guard) : flash::FoundImages(guard);
  const posix::PosixFileStore files;
  for (const std::string& folder : linux_platform::ImageFolders()) images.LookIn(files, folder);
  return images;
}

Inputs LoadInputs(const std::vector<std::string>& arguments) {
  Inputs inputs;
  inputs.line = bench::ParseOptions<ScriptedLine>(arguments, kOptions);
  if (inputs.line.help || inputs.line.version) return inputs;
  if (!inputs.line.script) throw bench::UsageError("--script ACTIONS is needed (no window opens)");
  inputs.actions = bench::ParseActions(*inputs.line.script);
  if (inputs.line.access && *inputs.line.access != "direct" && *inputs.line.access != "service") {
    throw bench::UsageError("--access takes direct or service");
  }
  inputs.images = FindImages(inputs.line.images);
  return inputs;
}

}  // namespace

int main(int argc, char** argv) {
  Inputs inputs;
  try {
    inputs = LoadInputs(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& error) {
    std::cerr << "kelm-fwupdate-scripted: " << bench::OneLine(error.what()) << std::endl;
    return 2;
  }
  if (inputs.line.version) {
    std::cout << "kelm-fwupdate-scripted " << KELM_VERSION << '\n';
    return 0;
  }
  if (inputs.line.help) {
    std::cout << kUsage << '\n';
    return 0;
  }
  for (const flash::RefusedImage& image : inputs.images.refused()) {
    std::cerr << "kelm-fwupdate-scripted: " << bench::OneLine(image.file + ": " + image.why + "; not used")
              << std::endl;
  }

  qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;  // Qt sees no argument of ours
  char* qtArgv[] = {argv[0], nullptr};
  ui::Application app(qtArgc, qtArgv);

  bench::Transcript transcript(std::cout);
  bench::TranscriptMessageBoxes boxes(transcript);
  app.setExceptionBoxes(&boxes);
  linux_platform::LinuxBackend backend({}, boxes);
  hardware::SimulatedBusOnlyFile file(backend.file, backend.roots, std::cerr);
  hardware::CountingClock clock;
  bench::TranscriptDebugOutput debug(transcript);
  bench::TranscriptStandardOutput out(transcript);
  posix::PosixFileStore files;
  platform::Services services{file, backend.setup, clock, debug, out, boxes, inputs.images, files};
  // As the window on Linux holds it; said on standard error, so the transcript stays the
  // simulator's.
  linux_platform::LogindInhibitor inhibitor("kelm-fwupdate", [](const std::string& why) {
    std::cerr << "kelm-fwupdate-scripted: " << why << std::endl;
  });

  hardware::UdevEnclosureHands hands(
      backend.notifications, backend.roots,
      {inputs.line.unplugCommand, inputs.line.plugCommand}, hardware::RunShellCommand,
      kPlugBound, std::cerr);
  hardware::UdevSocketNotifier udev(backend.notifications);
  if (!udev.watching()) {
    std::cerr << "kelm-fwupdate-scripted: no udev monitor; unplug and plug will time out"
              << std::endl;
  }
  // Through the service the window sends no command itself; the service's announcements are
  // its device changes.
  std::unique_ptr<linux_platform::ServiceEnclosures> served;
  std::unique_ptr<hardware::ServiceSocketNotifier> bus;
  if (inputs.line.access == "service") {
    served = std::make_unique<linux_platform::ServiceEnclosures>(boxes, inputs.images);
    bus = std::make_unique<hardware::ServiceSocketNotifier>(*served);
  }
  platform::DeviceNotifications& notifications =
      served != nullptr ? static_cast<platform::DeviceNotifications&>(*served) : hands;
  bench::ScriptedFileDialog dialog;
  bench::RunActionsOnWindow(
      {app,
       {services, notifications, dialog, backend.diskClaim,
        QCoreApplication::applicationDirPath().toStdString(), {}, inhibitor, served.get()},
       hands, dialog, transcript},
      inputs.actions);

  transcript.Line("elapsed-ms: " + std::to_string(clock.ElapsedMs()));
  return 0;
}
