#include "programs/fwupdate-linux/program_start.h"

#include <QString>

#include <cstdlib>
#include <vector>
#include <string_view>
#include <utility>

#include "platform/linux/permission_notice.h"

namespace kelm::hardware {

namespace {

constexpr std::string_view kProgram = "kelm-fwupdate";

std::string HelpText() {
  return "Usage: kelm-fwupdate [--help | --version]\n"
         "Identifies, backs up and updates the firmware of USB enclosures built on JMicron\n"
         "USB-to-ATA bridges. Run it on the desktop with the enclosure plugged in.\n"
         "It needs read-write access to the enclosure's device nodes, which the udev rule\n" +
         std::string(linux_platform::kUdevRuleName) +
         " gives the user at the seat for these enclosures alone.\n";
}

// An argument quoted on one line: control characters would break it.
std::string OneLine(std::string_view text) {
  std::string line;
  for (char c : text) line += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
  return line;
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

std::optional<int> AnswerArguments(int argc, char** argv, std::FILE* out, std::FILE* err) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--help" || argument == "-h" || argument == "--version") continue;
    std::fprintf(err, "%s: unknown argument '%s'; try '%s --help'.\n", kProgram.data(),
                 OneLine(argument).c_str(), kProgram.data());
    return 2;
  }
  if (argc <= 1) return std::nullopt;
  if (argc > 2) {
    std::fprintf(err, "%s: give --help or --version alone.\n", kProgram.data());
    return 2;
  }
  if (std::string_view(argv[1]) == "--version") {
    std::fprintf(out, "%s %s\n", kProgram.data(), KELM_VERSION);
  } else {
    std::fputs(HelpText().c_str(), out);
  }
  return 0;
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
