#include "programs/fwupdate-linux/program_start.h"

#include <QString>

#include <cstdlib>
#include <vector>
#include <string_view>
#include <utility>

#include "platform/linux/image_folders.h"
#include "window/logic/program_arguments.h"

namespace kelm::hardware {

namespace {

constexpr std::string_view kProgram = "kelm-fwupdate";

std::string HelpText() {
  std::string folders;
  for (const std::string& folder : linux_platform::ImageFolders()) folders += "  " + folder + "\n";
  return "Usage: kelm-fwupdate [--images DIR] | --help | --version\n"
         "Identifies, backs up and updates the firmware of USB enclosures built on JMicron\n"
         "USB-to-ATA bridges. Run it on the desktop with the enclosure plugged in.\n"
         "As a user it reaches the enclosures through the firmware update service\n"
         "(org.kelm.FirmwareUpdate1), which asks the system's policy (polkit) first;\n"
         "as root it opens them itself.\n"
         "The vendor's firmware images (FW352A.bin, FW352B.bin, FW339.bin) are taken from\n"
         "those built in, then from the folder --images DIR names, then from:\n" + folders;
}

struct HeldMessage {
  QtMsgType type;
  QString text;
};

QtMessageHandler previousHandler = nullptr;
std::vector<HeldMessage> heldMessages;

void WatchDisplay(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtFatalMsg) {
    std::fputs("kelm-fwupdate: cannot open a display; it runs in a desktop session only.\n",
               stderr);
    std::fflush(stderr);
    std::_Exit(2);
  }
  heldMessages.push_back({type, text});
}

}  // namespace

std::optional<int> AnswerArguments(int argc, char** argv, std::FILE* out, std::FILE* err,
                                   std::optional<std::string>& imagesDir) {
  const std::optional<window::ArgumentAnswer> answer =
      window::AnswerArguments(kProgram, KELM_VERSION, HelpText(),
                              std::vector<std::string>(argv + 1, argv + argc), &imagesDir);
  if (!answer) return std::nullopt;
  std::fputs(answer->text.c_str(), answer->error ? err : out);
  return answer->status;
}

DisplayWatch::DisplayWatch() {
  heldMessages.clear();
  previousHandler = qInstallMessageHandler(WatchDisplay);
}

DisplayWatch::~DisplayWatch() {
  qInstallMessageHandler(previousHandler);
  const std::vector<HeldMessage> held = std::move(heldMessages);
  heldMessages.clear();
  for (const HeldMessage& message : held) {
    qt_message_output(message.type, QMessageLogContext(), message.text);
  }
}

}  // namespace kelm::hardware
